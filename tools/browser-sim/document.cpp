#include "document.h"

#include <cwchar>

#include "faults.h"
#include "sim_log.h"
#include "trace.h"
#include "type_info.h"

namespace sim {
namespace {

std::string DescribeValue(const VARIANT& v) {
    switch (V_VT(&v)) {
        case VT_EMPTY:
            return "kind=empty";
        case VT_NULL:
            return "kind=null";
        case VT_BSTR:
            return "kind=string value=" +
                   Quote(V_BSTR(&v) ? std::wstring_view(V_BSTR(&v), SysStringLen(V_BSTR(&v)))
                                    : std::wstring_view());
        case VT_DISPATCH:
            return V_DISPATCH(&v) ? "kind=object" : "kind=nothing";
        case VT_BOOL:
            return std::string("kind=bool value=") + (V_BOOL(&v) ? "true" : "false");
        default:
            return "kind=vt" + std::to_string(V_VT(&v));
    }
}

std::wstring DefaultClassName(DocKind kind) {
    return kind == DocKind::Html ? L"HTMLDocument" : L"ShellFolderView";
}

}  // namespace

void MakeDocument(BrowserWindow& w) {
    const WindowProps p = w.Settings();
    std::wstring cls = p.className.empty() ? DefaultClassName(p.doc) : p.className;
    ComPtr<ITypeInfo> info;
    HRESULT hr = ClassTypeInfo(cls, info);
    if (FAILED(hr))
        Log::Get().Write("warning", "type-info " + Quote(cls) + " hr=" + Hex(ULONG(hr)));
    w.document.Attach(new DocumentObj(w.weak_from_this(), w.script, info, p.classInfo));
}

HRESULT NamedDispatch::Admit(const char* member) {
    auto owner = owner_.lock();
    return owner ? BusyAnswer(*owner, member) : S_OK;
}

HRESULT STDMETHODCALLTYPE NamedDispatch::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count,
                                                       LCID, DISPID* ids) noexcept {
    OnClientCall();
    if (HRESULT hr = Admit("GetIDsOfNames"); FAILED(hr))
        return hr;
    if (riid != IID_NULL)
        return DISP_E_UNKNOWNINTERFACE;
    if (count == 0)
        return E_INVALIDARG;
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i)
        ids[i] = DISPID_UNKNOWN;
    for (const Member& m : Members()) {
        if (_wcsicmp(m.name, names[0]) == 0)
            ids[0] = m.id;
    }
    if (ids[0] == DISPID_UNKNOWN || count > 1)
        hr = DISP_E_UNKNOWNNAME;
    return hr;
}

HRESULT STDMETHODCALLTYPE NamedDispatch::Invoke(DISPID id, REFIID riid, LCID, WORD flags,
                                                DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                                                UINT* argErr) noexcept {
    OnClientCall();
    if (riid != IID_NULL)
        return DISP_E_UNKNOWNINTERFACE;
    if (!params)
        return E_INVALIDARG;
    const wchar_t* name = nullptr;
    for (const Member& m : Members()) {
        if (m.id == id)
            name = m.name;
    }
    if (!name)
        return DISP_E_MEMBERNOTFOUND;
    if (HRESULT hr = Admit(Utf8(name).c_str()); FAILED(hr))
        return hr;
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        // A put carries its value as the one named argument DISPID_PROPERTYPUT.
        if (params->cArgs != 1)
            return DISP_E_BADPARAMCOUNT;
        if (params->cNamedArgs != 1 || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
            return DISP_E_PARAMNOTOPTIONAL;
        Variant value;
        HRESULT hr = VariantCopyInd(value.Out(), &params->rgvarg[0]);
        if (FAILED(hr)) {
            if (argErr)
                *argErr = 0;
            return hr;
        }
        return Put(id, value.Get());
    }
    if (!(flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD)))
        return E_INVALIDARG;
    if (params->cArgs != 0)
        return DISP_E_BADPARAMCOUNT;
    Variant scratch;
    VARIANT* out = result ? result : scratch.Out();
    VariantInit(out);
    return Get(id, out);
}

HRESULT STDMETHODCALLTYPE HtmlWindowObj::QueryInterface(REFIID riid, void** out) noexcept {
    return QueryOne<IDispatch>(this, riid, IID_IDispatch, out);
}

HRESULT STDMETHODCALLTYPE HtmlWindowObj::GetTypeInfoCount(UINT* count) noexcept {
    if (!count)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE HtmlWindowObj::GetTypeInfo(UINT, LCID, ITypeInfo** info) noexcept {
    if (info)
        *info = nullptr;
    return E_NOTIMPL;
}

std::vector<NamedDispatch::Member> HtmlWindowObj::Members() const {
    return {{L"opener", kOpener}, {L"parent", kParent}, {L"closed", kClosed}, {L"self", kSelf}};
}

HRESULT HtmlWindowObj::Get(DISPID id, VARIANT* out) {
    auto owner = owner_.lock();
    switch (id) {
        case kOpener: {
            if (owner)
                HangAt(*owner, L"opener", "opener");
            bool fails = owner && (owner->Fails(L"opener") ||
                                   (owner->Settings().opener == OpenerKind::Fail &&
                                    V_VT(&opener_.Get()) == VT_EMPTY));
            HRESULT hr = fails ? E_ACCESSDENIED : VariantCopy(out, &opener_.Get());
            if (owner)
                TraceRead(*owner, "opener", hr);
            return hr;
        }
        case kParent:
        case kSelf:
            if (owner && id == kParent)
                HangAt(*owner, L"parent", "Parent");
            // A top-level window is its own parent.
            V_VT(out) = VT_DISPATCH;
            V_DISPATCH(out) = this;
            AddRef();
            return S_OK;
        case kClosed: {
            if (owner)
                HangAt(*owner, L"closed", "closed");
            bool closed = false;
            switch (closed_) {
                case ClosedMode::Live:
                    closed = !owner || owner->destroyed;
                    break;
                case ClosedMode::False:
                    closed = false;
                    break;
                case ClosedMode::True:
                    closed = true;
                    break;
                case ClosedMode::Fail:
                    // What a torn-down or foreign opener answers.
                    Log::Get().Write("read-failed", "member=closed of=" + label_);
                    return E_ACCESSDENIED;
            }
            V_VT(out) = VT_BOOL;
            V_BOOL(out) = closed ? VARIANT_TRUE : VARIANT_FALSE;
            return S_OK;
        }
    }
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT HtmlWindowObj::Put(DISPID id, const VARIANT& value) {
    if (id != kOpener)
        return DISP_E_MEMBERNOTFOUND;
    auto owner = owner_.lock();
    if (owner)
        HangAt(*owner, L"putopener", "put-opener");
    HRESULT hr = owner && owner->Fails(L"putopener") ? E_ACCESSDENIED : S_OK;
    if (SUCCEEDED(hr))
        hr = VariantCopy(opener_.Out(), const_cast<VARIANT*>(&value));
    Log::Get().Write("put-opener", label_ + " " + DescribeValue(value) + " hr=" + Hex(ULONG(hr)));
    return hr;
}

HRESULT STDMETHODCALLTYPE DocumentObj::QueryInterface(REFIID riid, void** out) noexcept {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDispatch)
        *out = static_cast<IDispatch*>(this);
    else if (riid == IID_IProvideClassInfo && offerClassInfo_)
        *out = static_cast<IProvideClassInfo*>(this);
    if (!*out)
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE DocumentObj::GetTypeInfoCount(UINT* count) noexcept {
    if (!count)
        return E_POINTER;
    *count = classInfo_ ? 1 : 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE DocumentObj::GetTypeInfo(UINT index, LCID, ITypeInfo** info) noexcept {
    if (!info)
        return E_POINTER;
    *info = nullptr;
    if (HRESULT hr = Admit("GetTypeInfo"); FAILED(hr))
        return hr;
    if (auto owner = owner_.lock())
        HangAt(*owner, L"classname", "GetTypeInfo");
    if (index != 0 || !classInfo_)
        return DISP_E_BADINDEX;
    return classInfo_.CopyTo(info);
}

HRESULT STDMETHODCALLTYPE DocumentObj::GetClassInfo(ITypeInfo** info) noexcept {
    if (!info)
        return E_POINTER;
    *info = nullptr;
    if (HRESULT hr = Admit("GetClassInfo"); FAILED(hr))
        return hr;
    if (auto owner = owner_.lock())
        HangAt(*owner, L"classname", "GetClassInfo");
    if (!classInfo_)
        return E_FAIL;
    return classInfo_.CopyTo(info);
}

std::vector<NamedDispatch::Member> DocumentObj::Members() const {
    return {{L"parentWindow", kParentWindow}, {L"title", kTitle}};
}

HRESULT DocumentObj::Get(DISPID id, VARIANT* out) {
    auto owner = owner_.lock();
    if (id == kTitle) {
        V_VT(out) = VT_BSTR;
        V_BSTR(out) = Bstr(owner ? owner->Settings().title : std::wstring()).Detach();
        return S_OK;
    }
    if (owner)
        HangAt(*owner, L"parentwindow", "parentWindow");
    HRESULT hr = owner && owner->Fails(L"parentwindow") ? E_ACCESSDENIED : S_OK;
    if (SUCCEEDED(hr)) {
        V_VT(out) = VT_DISPATCH;
        V_DISPATCH(out) = window_.Get();
        window_->AddRef();
    }
    if (owner)
        TraceRead(*owner, "parentWindow", hr);
    return hr;
}

}  // namespace sim
