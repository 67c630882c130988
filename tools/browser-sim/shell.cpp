#include "shell.h"

#include <exdisp.h>
#include <ocidl.h>
#include <oleauto.h>
#include <olectl.h>

#include <algorithm>
#include <cwchar>
#include <map>

#include "com_util.h"
#include "scenario.h"
#include "sim_log.h"

namespace sim {
namespace {

const wchar_t kFrameClass[] = L"IEFrame";

std::string Field(const char* key, std::wstring_view value) {
    return std::string(key) + "=" + Utf8(value);
}

void TraceRead(const BrowserWindow& w, const char* member, HRESULT hr,
               const std::string& value = {}) {
    if (Log::Get().Tracing())
        Log::Get().Write("read", Field("window", w.name) + " member=" + member + " hr=" + Hex(hr) +
                                     (value.empty() ? "" : " value=" + value));
}

// Type information of the real browser's interfaces, so late-bound callers
// of the browser and collection objects get the same dispatch ids.
ITypeInfo* ShDocVwInfo(REFIID iid) {
    static std::map<GUID, ComPtr<ITypeInfo>, decltype([](const GUID& a, const GUID& b) {
                        return memcmp(&a, &b, sizeof a) < 0;
                    })>
        cache;
    auto& slot = cache[iid];
    if (!slot) {
        ComPtr<ITypeLib> lib;
        if (SUCCEEDED(LoadRegTypeLib(kLibidShDocVw, 1, 1, 0, &lib)))
            lib->GetTypeInfoOfGuid(iid, &slot);
    }
    return slot.Get();
}

// IDispatch of a dual interface, answered from the registered shdocvw type
// library, as the real browser objects answer it.
template <class Interface, const IID& kIid>
class TypeLibDispatch : public Interface {
  public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override {
        if (!count)
            return E_POINTER;
        *count = ShDocVwInfo(kIid) ? 1 : 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) noexcept override {
        if (!info)
            return E_POINTER;
        *info = nullptr;
        ITypeInfo* ti = ShDocVwInfo(kIid);
        if (index != 0 || !ti)
            return DISP_E_BADINDEX;
        ti->AddRef();
        *info = ti;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) noexcept override {
        ITypeInfo* ti = ShDocVwInfo(kIid);
        return ti ? DispGetIDsOfNames(ti, names, count, ids) : E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* excep,
                                     UINT* argErr) noexcept override {
        ITypeInfo* ti = ShDocVwInfo(kIid);
        if (!ti)
            return E_NOTIMPL;
        return DispInvoke(static_cast<Interface*>(this), ti, id, flags, params, result, excep,
                          argErr);
    }
};

// A coclass type info built at run time, so the document reports a class
// name exactly as the browser's documents do, without a type library file.
HRESULT ClassTypeInfo(const std::wstring& name, ComPtr<ITypeInfo>& out) {
    static std::map<std::wstring, ComPtr<ITypeInfo>> cache;
    auto& slot = cache[name];
    if (!slot) {
        ComPtr<ICreateTypeLib2> lib;
        HRESULT hr = CreateTypeLib2(SYS_WIN32, L"browser-sim-documents.tlb", &lib);
        if (FAILED(hr))
            return hr;
        ComPtr<ICreateTypeInfo> info;
        hr = lib->CreateTypeInfo(const_cast<LPOLESTR>(name.c_str()), TKIND_COCLASS, &info);
        if (FAILED(hr))
            return hr;
        GUID guid = kClsidHtmlDocument;
        if (name != L"HTMLDocument")
            CoCreateGuid(&guid);
        info->SetGuid(guid);
        info->LayOut();
        hr = info.As(&slot);
        if (FAILED(hr))
            return hr;
        // Keep one stub for the shared type info for the whole run: every
        // document hands it out, and clients release it between calls.
        CoLockObjectExternal(slot.Get(), TRUE, FALSE);
    }
    out = slot;
    return S_OK;
}

std::wstring DefaultClassName(DocKind kind) {
    return kind == DocKind::Html ? L"HTMLDocument" : L"ShellFolderView";
}

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

// An IDispatch of the document model: members reached by name, without regard
// to case, the way script engines and late-bound clients reach them.
class NamedDispatch : public IDispatch {
  public:
    struct Member {
        const wchar_t* name;
        DISPID id;
    };

    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) noexcept override {
        Shell::Get().OnClientCall();
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

    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO*, UINT* argErr) noexcept override {
        Shell::Get().OnClientCall();
        if (riid != IID_NULL)
            return DISP_E_UNKNOWNINTERFACE;
        if (!params)
            return E_INVALIDARG;
        bool known = false;
        for (const Member& m : Members())
            known = known || m.id == id;
        if (!known)
            return DISP_E_MEMBERNOTFOUND;
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

  protected:
    virtual std::vector<Member> Members() const = 0;
    virtual HRESULT Get(DISPID id, VARIANT* out) = 0;
    virtual HRESULT Put(DISPID, const VARIANT&) { return DISP_E_MEMBERNOTFOUND; }
};

}  // namespace

// The script window object: document.parentWindow, and what an opener points at.
class HtmlWindowObj final : public NamedDispatch {
  public:
    enum : DISPID { kOpener = 1, kParent, kClosed, kSelf };

    // owner is empty for a stand-in window that belongs to no simulated frame.
    HtmlWindowObj(std::weak_ptr<BrowserWindow> owner, std::string label, ClosedMode closed)
        : owner_(std::move(owner)), label_(std::move(label)), closed_(closed) {}

    void SetOpener(VARIANT* value) {
        VariantClear(opener_.Out());
        opener_.Get() = *value;  // takes ownership
        VariantInit(value);
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) noexcept override {
        if (!out)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDispatch) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    SIM_SELF_DELETING_REFCOUNT(refs_)
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override {
        if (!count)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) noexcept override {
        if (info)
            *info = nullptr;
        return E_NOTIMPL;
    }

  protected:
    std::vector<Member> Members() const override {
        return {{L"opener", kOpener}, {L"parent", kParent}, {L"closed", kClosed}, {L"self", kSelf}};
    }

    HRESULT Get(DISPID id, VARIANT* out) override {
        auto owner = owner_.lock();
        switch (id) {
            case kOpener: {
                bool fails =
                    owner && (owner->Fails(L"opener") || (owner->props.opener == OpenerKind::Fail &&
                                                          V_VT(&opener_.Get()) == VT_EMPTY));
                HRESULT hr = fails ? E_ACCESSDENIED : VariantCopy(out, &opener_.Get());
                if (owner)
                    TraceRead(*owner, "opener", hr);
                return hr;
            }
            case kParent:
            case kSelf:
                // A top-level window is its own parent.
                V_VT(out) = VT_DISPATCH;
                V_DISPATCH(out) = this;
                AddRef();
                return S_OK;
            case kClosed: {
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

    HRESULT Put(DISPID id, const VARIANT& value) override {
        if (id != kOpener)
            return DISP_E_MEMBERNOTFOUND;
        auto owner = owner_.lock();
        HRESULT hr = owner && owner->Fails(L"putopener") ? E_ACCESSDENIED : S_OK;
        if (SUCCEEDED(hr))
            hr = VariantCopy(opener_.Out(), const_cast<VARIANT*>(&value));
        Log::Get().Write("put-opener",
                         label_ + " " + DescribeValue(value) + " hr=" + Hex(ULONG(hr)));
        return hr;
    }

  private:
    RefCount refs_;
    std::weak_ptr<BrowserWindow> owner_;
    std::string label_;
    ClosedMode closed_;
    Variant opener_;
};

class DocumentObj final : public NamedDispatch, public IProvideClassInfo {
  public:
    enum : DISPID { kParentWindow = 1, kTitle };

    DocumentObj(std::weak_ptr<BrowserWindow> owner, ComPtr<HtmlWindowObj> window,
                ComPtr<ITypeInfo> classInfo, bool offerClassInfo)
        : owner_(std::move(owner)),
          window_(std::move(window)),
          classInfo_(std::move(classInfo)),
          offerClassInfo_(offerClassInfo) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) noexcept override {
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
    SIM_SELF_DELETING_REFCOUNT(refs_)
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override {
        if (!count)
            return E_POINTER;
        *count = classInfo_ ? 1 : 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) noexcept override {
        if (!info)
            return E_POINTER;
        *info = nullptr;
        if (index != 0 || !classInfo_)
            return DISP_E_BADINDEX;
        return classInfo_.CopyTo(info);
    }
    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** info) noexcept override {
        if (!info)
            return E_POINTER;
        *info = nullptr;
        if (!classInfo_)
            return E_FAIL;
        return classInfo_.CopyTo(info);
    }

  protected:
    std::vector<Member> Members() const override {
        return {{L"parentWindow", kParentWindow}, {L"title", kTitle}};
    }

    HRESULT Get(DISPID id, VARIANT* out) override {
        auto owner = owner_.lock();
        if (id == kTitle) {
            V_VT(out) = VT_BSTR;
            V_BSTR(out) = Bstr(owner ? owner->props.title : std::wstring()).Detach();
            return S_OK;
        }
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

  private:
    RefCount refs_;
    std::weak_ptr<BrowserWindow> owner_;
    ComPtr<HtmlWindowObj> window_;
    ComPtr<ITypeInfo> classInfo_;
    bool offerClassInfo_;
};

#define SIM_NOTIMPL(name, ...)                                      \
    HRESULT STDMETHODCALLTYPE name(__VA_ARGS__) noexcept override { \
        return E_NOTIMPL;                                           \
    }

class BrowserObj final : public TypeLibDispatch<IWebBrowser2, IID_IWebBrowser2> {
  public:
    explicit BrowserObj(std::weak_ptr<BrowserWindow> owner) : owner_(std::move(owner)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) noexcept override {
        if (!out)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IWebBrowser ||
            riid == IID_IWebBrowserApp || riid == IID_IWebBrowser2) {
            *out = static_cast<IWebBrowser2*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    SIM_SELF_DELETING_REFCOUNT(refs_)

    HRESULT STDMETHODCALLTYPE get_Document(IDispatch** out) noexcept override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        return Read("Document", L"document", [&](BrowserWindow& w) {
            if (w.props.doc != DocKind::None && w.document)
                w.document->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(out));
            return std::string(*out ? "object" : "none");
        });
    }
    HRESULT STDMETHODCALLTYPE get_FullScreen(VARIANT_BOOL* out) noexcept override {
        if (!out)
            return E_POINTER;
        return Read("FullScreen", L"fullscreen", [&](BrowserWindow& w) {
            *out = w.props.fullscreen ? VARIANT_TRUE : VARIANT_FALSE;
            return std::to_string(*out);
        });
    }
    HRESULT STDMETHODCALLTYPE get_MenuBar(VARIANT_BOOL* out) noexcept override {
        if (!out)
            return E_POINTER;
        return Read("MenuBar", L"menubar", [&](BrowserWindow& w) {
            *out = w.props.menubar ? VARIANT_TRUE : VARIANT_FALSE;
            return std::to_string(*out);
        });
    }
    HRESULT STDMETHODCALLTYPE get_LocationName(BSTR* out) noexcept override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        return Read("LocationName", L"locationname", [&](BrowserWindow& w) {
            *out = Bstr(w.props.title).Detach();
            return Quote(w.props.title);
        });
    }
    HRESULT STDMETHODCALLTYPE get_Width(LONG* out) noexcept override {
        if (!out)
            return E_POINTER;
        return Read("Width", L"width", [&](BrowserWindow& w) {
            *out = w.props.width;
            return std::to_string(*out);
        });
    }
    HRESULT STDMETHODCALLTYPE get_Height(LONG* out) noexcept override {
        if (!out)
            return E_POINTER;
        return Read("Height", L"height", [&](BrowserWindow& w) {
            *out = w.props.height;
            return std::to_string(*out);
        });
    }
    HRESULT STDMETHODCALLTYPE get_HWND(SHANDLE_PTR* out) noexcept override {
        if (!out)
            return E_POINTER;
        return Read("HWND", L"hwnd", [&](BrowserWindow& w) {
            *out = reinterpret_cast<SHANDLE_PTR>(w.hwnd);
            return Hex(ULONG(*out));
        });
    }

    SIM_NOTIMPL(GoBack)
    SIM_NOTIMPL(GoForward)
    SIM_NOTIMPL(GoHome)
    SIM_NOTIMPL(GoSearch)
    SIM_NOTIMPL(Navigate, BSTR, VARIANT*, VARIANT*, VARIANT*, VARIANT*)
    SIM_NOTIMPL(Refresh)
    SIM_NOTIMPL(Refresh2, VARIANT*)
    SIM_NOTIMPL(Stop)
    SIM_NOTIMPL(get_Application, IDispatch**)
    SIM_NOTIMPL(get_Parent, IDispatch**)
    SIM_NOTIMPL(get_Container, IDispatch**)
    SIM_NOTIMPL(get_TopLevelContainer, VARIANT_BOOL*)
    SIM_NOTIMPL(get_Type, BSTR*)
    SIM_NOTIMPL(get_Left, LONG*)
    SIM_NOTIMPL(put_Left, LONG)
    SIM_NOTIMPL(get_Top, LONG*)
    SIM_NOTIMPL(put_Top, LONG)
    SIM_NOTIMPL(put_Width, LONG)
    SIM_NOTIMPL(put_Height, LONG)
    SIM_NOTIMPL(get_LocationURL, BSTR*)
    SIM_NOTIMPL(get_Busy, VARIANT_BOOL*)
    SIM_NOTIMPL(Quit)
    SIM_NOTIMPL(ClientToWindow, int*, int*)
    SIM_NOTIMPL(PutProperty, BSTR, VARIANT)
    SIM_NOTIMPL(GetProperty, BSTR, VARIANT*)
    SIM_NOTIMPL(get_Name, BSTR*)
    SIM_NOTIMPL(get_FullName, BSTR*)
    SIM_NOTIMPL(get_Path, BSTR*)
    SIM_NOTIMPL(get_Visible, VARIANT_BOOL*)
    SIM_NOTIMPL(put_Visible, VARIANT_BOOL)
    SIM_NOTIMPL(get_StatusBar, VARIANT_BOOL*)
    SIM_NOTIMPL(put_StatusBar, VARIANT_BOOL)
    SIM_NOTIMPL(get_StatusText, BSTR*)
    SIM_NOTIMPL(put_StatusText, BSTR)
    SIM_NOTIMPL(get_ToolBar, int*)
    SIM_NOTIMPL(put_ToolBar, int)
    SIM_NOTIMPL(put_MenuBar, VARIANT_BOOL)
    SIM_NOTIMPL(put_FullScreen, VARIANT_BOOL)
    SIM_NOTIMPL(Navigate2, VARIANT*, VARIANT*, VARIANT*, VARIANT*, VARIANT*)
    SIM_NOTIMPL(QueryStatusWB, OLECMDID, OLECMDF*)
    SIM_NOTIMPL(ExecWB, OLECMDID, OLECMDEXECOPT, VARIANT*, VARIANT*)
    SIM_NOTIMPL(ShowBrowserBar, VARIANT*, VARIANT*, VARIANT*)
    SIM_NOTIMPL(get_ReadyState, READYSTATE*)
    SIM_NOTIMPL(get_Offline, VARIANT_BOOL*)
    SIM_NOTIMPL(put_Offline, VARIANT_BOOL)
    SIM_NOTIMPL(get_Silent, VARIANT_BOOL*)
    SIM_NOTIMPL(put_Silent, VARIANT_BOOL)
    SIM_NOTIMPL(get_RegisterAsBrowser, VARIANT_BOOL*)
    SIM_NOTIMPL(put_RegisterAsBrowser, VARIANT_BOOL)
    SIM_NOTIMPL(get_RegisterAsDropTarget, VARIANT_BOOL*)
    SIM_NOTIMPL(put_RegisterAsDropTarget, VARIANT_BOOL)
    SIM_NOTIMPL(get_TheaterMode, VARIANT_BOOL*)
    SIM_NOTIMPL(put_TheaterMode, VARIANT_BOOL)
    SIM_NOTIMPL(get_AddressBar, VARIANT_BOOL*)
    SIM_NOTIMPL(put_AddressBar, VARIANT_BOOL)
    SIM_NOTIMPL(get_Resizable, VARIANT_BOOL*)
    SIM_NOTIMPL(put_Resizable, VARIANT_BOOL)

  private:
    template <class F>
    HRESULT Read(const char* member, const wchar_t* failKey, F&& fill) {
        Shell::Get().OnClientCall();
        auto w = owner_.lock();
        // A closed browser's object is cut off from its clients, as the shell's are.
        if (!w || w->destroyed)
            return RPC_E_DISCONNECTED;
        HRESULT hr = w->Fails(failKey) ? E_FAIL : S_OK;
        std::string value;
        if (SUCCEEDED(hr))
            value = fill(*w);
        TraceRead(*w, member, hr, value);
        return hr;
    }

    RefCount refs_;
    std::weak_ptr<BrowserWindow> owner_;
};

namespace {

// A walk over the collection with its own cursor. It holds the windows as they
// were when the walk started and passes over those closed since.
class EnumObj final : public IEnumVARIANT {
  public:
    EnumObj(std::vector<std::shared_ptr<BrowserWindow>> windows, size_t pos)
        : windows_(std::move(windows)), pos_(pos) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) noexcept override {
        if (!out)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IEnumVARIANT) {
            *out = static_cast<IEnumVARIANT*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    SIM_SELF_DELETING_REFCOUNT(refs_)
    HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* out, ULONG* fetched) noexcept override {
        Shell::Get().OnClientCall();
        if (!out || (count > 1 && !fetched))
            return E_POINTER;
        ULONG n = 0;
        while (n < count && pos_ < windows_.size()) {
            auto& w = windows_[pos_++];
            if (w->destroyed)
                continue;
            VariantInit(&out[n]);
            V_VT(&out[n]) = VT_DISPATCH;
            w->browser->QueryInterface(IID_IDispatch,
                                       reinterpret_cast<void**>(&V_DISPATCH(&out[n])));
            ++n;
        }
        if (fetched)
            *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) noexcept override {
        while (count > 0 && pos_ < windows_.size()) {
            if (!windows_[pos_++]->destroyed)
                --count;
        }
        return count == 0 ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() noexcept override {
        pos_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** out) noexcept override {
        if (!out)
            return E_POINTER;
        *out = new EnumObj(windows_, pos_);
        return S_OK;
    }

  private:
    RefCount refs_;
    std::vector<std::shared_ptr<BrowserWindow>> windows_;
    size_t pos_;
};

class ShellWindowsObj;

// The DShellWindowsEvents connection point; it lives inside the collection
// object and shares its reference count.
class ConnectionPointObj final : public IConnectionPoint {
  public:
    explicit ConnectionPointObj(IConnectionPointContainer* container) : container_(container) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) noexcept override {
        if (!out)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IConnectionPoint) {
            *out = static_cast<IConnectionPoint*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return container_->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() noexcept override { return container_->Release(); }
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) noexcept override {
        if (!iid)
            return E_POINTER;
        *iid = kDIID_DShellWindowsEvents;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE
    GetConnectionPointContainer(IConnectionPointContainer** out) noexcept override {
        if (!out)
            return E_POINTER;
        *out = container_;
        container_->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) noexcept override {
        if (!sink || !cookie)
            return E_POINTER;
        return Shell::Get().Advise(sink, cookie);
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) noexcept override {
        return Shell::Get().Unadvise(cookie);
    }
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** out) noexcept override {
        if (out)
            *out = nullptr;
        return E_NOTIMPL;
    }

  private:
    IConnectionPointContainer* container_;
};

class ShellWindowsObj final : public TypeLibDispatch<IShellWindows, IID_IShellWindows>,
                              public IConnectionPointContainer {
  public:
    ShellWindowsObj() : point_(this) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) noexcept override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IShellWindows)
            *out = static_cast<IShellWindows*>(this);
        else if (riid == IID_IConnectionPointContainer)
            *out = static_cast<IConnectionPointContainer*>(this);
        if (!*out)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    SIM_SELF_DELETING_REFCOUNT(refs_)

    HRESULT STDMETHODCALLTYPE get_Count(LONG* count) noexcept override {
        if (!count)
            return E_POINTER;
        *count = LONG(Shell::Get().Windows().size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Item(VARIANT index, IDispatch** out) noexcept override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        Variant i;
        if (V_VT(&index) == VT_EMPTY || FAILED(VariantChangeType(i.Out(), &index, 0, VT_I4)))
            return E_INVALIDARG;
        auto& windows = Shell::Get().Windows();
        LONG n = V_I4(&i.Get());
        // Past the end the shell answers S_FALSE with no window.
        if (n < 0 || size_t(n) >= windows.size())
            return S_FALSE;
        return windows[size_t(n)]->browser->QueryInterface(IID_IDispatch,
                                                           reinterpret_cast<void**>(out));
    }
    HRESULT STDMETHODCALLTYPE _NewEnum(IUnknown** out) noexcept override {
        Shell::Get().OnClientCall();
        if (!out)
            return E_POINTER;
        *out = static_cast<IEnumVARIANT*>(new EnumObj(Shell::Get().Windows(), 0));
        return S_OK;
    }
    SIM_NOTIMPL(Register, IDispatch*, LONG, int, LONG*)
    SIM_NOTIMPL(RegisterPending, LONG, VARIANT*, VARIANT*, int, LONG*)
    SIM_NOTIMPL(Revoke, LONG)
    SIM_NOTIMPL(OnNavigate, LONG, VARIANT*)
    SIM_NOTIMPL(OnActivated, LONG, VARIANT_BOOL)
    SIM_NOTIMPL(FindWindowSW, VARIANT*, VARIANT*, int, LONG*, int, IDispatch**)
    SIM_NOTIMPL(OnCreated, LONG, IUnknown*)
    SIM_NOTIMPL(ProcessAttachDetach, VARIANT_BOOL)

    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** out) noexcept override {
        if (out)
            *out = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid,
                                                  IConnectionPoint** out) noexcept override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (riid != kDIID_DShellWindowsEvents)
            return CONNECT_E_NOCONNECTION;
        *out = &point_;
        point_.AddRef();
        return S_OK;
    }

  private:
    RefCount refs_;
    ConnectionPointObj point_;
};

LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* raw = reinterpret_cast<BrowserWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!raw)
        return DefWindowProcW(hwnd, msg, wp, lp);
    // The handlers below may drop the collection's reference to the window.
    auto w = raw->shared_from_this();
    switch (msg) {
        case WM_CLOSE:
            ++w->closeRequests;
            Log::Get().Write("wm_close", Utf8(w->name) + " hwnd=" + Hex(ULONG(UINT_PTR(hwnd))) +
                                             " count=" + std::to_string(w->closeRequests) +
                                             " wparam=" + std::to_string(wp) +
                                             " lparam=" + std::to_string(lp));
            if (!w->props.ignoreClose)
                DestroyWindow(hwnd);
            return 0;
        case WM_DESTROY:
            Shell::Get().OnDestroyed(*w);
            return 0;
        case WM_NCDESTROY:
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            break;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            RECT rc;
            GetClientRect(hwnd, &rc);
            FillRect(dc, &rc, GetSysColorBrush(COLOR_WINDOW));
            InflateRect(&rc, -8, -8);
            const auto& p = w->props;
            std::wstring text = L"[" + w->name + L"] " + p.title + L"\n";
            text += p.doc == DocKind::Html    ? L"HTML page"
                    : p.doc == DocKind::Other ? L"other document"
                                              : L"no document";
            text += p.menubar ? L", menu bar" : L", no menu bar";
            if (p.fullscreen)
                text += L", full screen";
            text += L"\n" + std::to_wstring(p.width) + L" x " + std::to_wstring(p.height);
            if (p.opener != OpenerKind::None)
                text += L"\nopened by script";
            SetBkMode(dc, TRANSPARENT);
            DrawTextW(dc, text.c_str(), int(text.size()), &rc, DT_LEFT | DT_TOP | DT_WORDBREAK);
            EndPaint(hwnd, &ps);
            return 0;
        }
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

bool ParseOpener(const std::wstring& v, WindowProps& p) {
    static const std::pair<const wchar_t*, OpenerKind> kinds[] = {
        {L"none", OpenerKind::None},     {L"empty", OpenerKind::Empty}, {L"null", OpenerKind::Null},
        {L"object", OpenerKind::Object}, {L"fail", OpenerKind::Fail},
    };
    for (auto& [name, kind] : kinds) {
        if (v == name) {
            p.opener = kind;
            return true;
        }
    }
    if (v.empty())
        return false;
    p.opener = OpenerKind::Window;
    p.openerWindow = v;
    return true;
}

}  // namespace

bool ApplyKey(WindowProps& p, const std::wstring& key, const std::wstring& value,
              std::wstring& error) {
    auto flag = [&](bool& target) {
        auto b = ParseBool(value);
        if (b)
            target = *b;
        return b.has_value();
    };
    auto size = [&](int& w, int& h) {
        auto s = ParseSize(value);
        if (s)
            std::tie(w, h) = *s;
        return s.has_value();
    };
    bool ok = true;
    if (key == L"title") {
        p.title = value;
    } else if (key == L"doc") {
        if (value == L"html")
            p.doc = DocKind::Html;
        else if (value == L"other")
            p.doc = DocKind::Other;
        else if (value == L"none")
            p.doc = DocKind::None;
        else
            ok = false;
    } else if (key == L"class") {
        p.className = value;
    } else if (key == L"classinfo") {
        ok = flag(p.classInfo);
    } else if (key == L"opener") {
        ok = ParseOpener(value, p);
    } else if (key == L"closed") {
        if (value == L"live")
            p.closed = ClosedMode::Live;
        else if (value == L"false")
            p.closed = ClosedMode::False;
        else if (value == L"true")
            p.closed = ClosedMode::True;
        else if (value == L"fail")
            p.closed = ClosedMode::Fail;
        else
            ok = false;
    } else if (key == L"menubar") {
        ok = flag(p.menubar);
    } else if (key == L"fullscreen") {
        ok = flag(p.fullscreen);
    } else if (key == L"size") {
        ok = size(p.width, p.height);
    } else if (key == L"restored") {
        ok = size(p.restoredWidth, p.restoredHeight);
    } else if (key == L"pos") {
        size_t comma = value.find(L',');
        auto x = ParseInt(value.substr(0, comma));
        auto y = comma == std::wstring::npos ? std::nullopt : ParseInt(value.substr(comma + 1));
        ok = x && y;
        if (ok)
            p.x = *x, p.y = *y;
    } else if (key == L"state") {
        if (value == L"normal")
            p.show = SW_SHOWNOACTIVATE;
        else if (value == L"max")
            p.show = SW_SHOWMAXIMIZED;
        else if (value == L"min")
            p.show = SW_SHOWMINNOACTIVE;
        else
            ok = false;
    } else if (key == L"fail") {
        static const std::set<std::wstring> known = {
            L"document", L"fullscreen",   L"menubar", L"locationname", L"width", L"height",
            L"hwnd",     L"parentwindow", L"opener",  L"putopener",    L"closed"};
        p.fails.clear();
        size_t start = 0;
        while (ok && start <= value.size() && !value.empty()) {
            size_t comma = value.find(L',', start);
            std::wstring item = value.substr(start, comma - start);
            for (auto& c : item)
                c = wchar_t(towlower(c));
            if (!known.count(item)) {
                error = L"unknown read to fail: " + item;
                return false;
            }
            // "closed" is the opener's parent.closed, which the opener object answers.
            if (item == L"closed")
                p.closed = ClosedMode::Fail;
            else
                p.fails.insert(item);
            if (comma == std::wstring::npos)
                break;
            start = comma + 1;
        }
    } else if (key == L"onclose") {
        if (value == L"destroy")
            p.ignoreClose = false;
        else if (value == L"ignore")
            p.ignoreClose = true;
        else
            ok = false;
    } else if (key == L"fire") {
        // fire=inside:N raises the event inside the client's N-th call from now.
        if (value.rfind(L"inside:", 0) == 0) {
            auto calls = ParseInt(value.substr(7));
            ok = calls && *calls > 0;
            p.fire = false;
            p.fireInside = ok ? *calls : 0;
        } else {
            ok = flag(p.fire);
            p.fireInside = 0;
        }
    } else {
        error = L"unknown setting: " + key;
        return false;
    }
    if (!ok)
        error = L"bad value for " + key + L": " + value;
    return ok;
}

BrowserWindow::BrowserWindow() = default;
BrowserWindow::~BrowserWindow() = default;

Shell& Shell::Get() {
    static Shell shell;
    return shell;
}

bool Shell::Init(std::wstring& error) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = FrameProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    wc.lpszClassName = kFrameClass;
    if (!RegisterClassExW(&wc)) {
        error = L"cannot register the window class";
        return false;
    }
    if (!ShDocVwInfo(IID_IWebBrowser2))
        Log::Get().Write("warning", "the browser type library is not registered");
    collection_.Attach(static_cast<IShellWindows*>(new ShellWindowsObj()));
    return true;
}

IUnknown* Shell::Collection() {
    return collection_.Get();
}

std::shared_ptr<BrowserWindow> Shell::Find(const std::wstring& name) const {
    for (auto& w : windows_) {
        if (w->name == name)
            return w;
    }
    return nullptr;
}

std::shared_ptr<BrowserWindow> Shell::FindEver(const std::wstring& name) const {
    for (auto it = openedWindows_.rbegin(); it != openedWindows_.rend(); ++it) {
        if ((*it)->name == name)
            return *it;
    }
    return nullptr;
}

bool Shell::SetOpener(BrowserWindow& w, std::wstring& error) {
    Variant value;
    VARIANT& v = *value.Out();
    const auto& p = w.props;
    auto standIn = [&](ClosedMode mode) {
        V_VT(&v) = VT_DISPATCH;
        V_DISPATCH(&v) = new HtmlWindowObj({}, "opener-of-" + Utf8(w.name), mode);
    };
    switch (p.opener) {
        case OpenerKind::None:
        case OpenerKind::Fail:
            break;
        case OpenerKind::Empty:
            V_VT(&v) = VT_BSTR;
            V_BSTR(&v) = SysAllocString(L"");
            break;
        case OpenerKind::Null:
            V_VT(&v) = VT_NULL;
            break;
        case OpenerKind::Object:
            standIn(p.closed == ClosedMode::Live ? ClosedMode::False : p.closed);
            break;
        case OpenerKind::Window: {
            auto opener = Find(p.openerWindow);
            if (!opener) {
                error = L"no open window named " + p.openerWindow;
                return false;
            }
            if (p.closed == ClosedMode::Live) {
                V_VT(&v) = VT_DISPATCH;
                V_DISPATCH(&v) = opener->script.Get();
                opener->script->AddRef();
            } else {
                standIn(p.closed);
            }
            break;
        }
    }
    w.script->SetOpener(&v);
    return true;
}

void Shell::MakeDocument(BrowserWindow& w) {
    std::wstring cls =
        w.props.className.empty() ? DefaultClassName(w.props.doc) : w.props.className;
    ComPtr<ITypeInfo> info;
    HRESULT hr = ClassTypeInfo(cls, info);
    if (FAILED(hr))
        Log::Get().Write("warning", "type-info " + Quote(cls) + " hr=" + Hex(ULONG(hr)));
    w.document.Attach(new DocumentObj(w.weak_from_this(), w.script, info, w.props.classInfo));
}

void Shell::Place(BrowserWindow& w) {
    const auto& p = w.props;
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    GetWindowPlacement(w.hwnd, &wp);
    int width = p.restoredWidth ? p.restoredWidth : p.width;
    int height = p.restoredHeight ? p.restoredHeight : p.height;
    int x = p.x >= 0 ? p.x : 20 + 24 * (opened_ % 12);
    int y = p.y >= 0 ? p.y : 20 + 24 * (opened_ % 12);
    wp.rcNormalPosition = {x, y, x + width, y + height};
    wp.showCmd = UINT(p.show);
    SetWindowPlacement(w.hwnd, &wp);
}

std::shared_ptr<BrowserWindow> Shell::Open(const std::wstring& name, const WindowProps& props,
                                           std::wstring& error) {
    if (Find(name)) {
        error = L"a window named " + name + L" is already open";
        return nullptr;
    }
    auto w = std::make_shared<BrowserWindow>();
    w->name = name;
    w->props = props;
    w->cookie = ++nextWindowCookie_;
    w->script.Attach(new HtmlWindowObj(w, Utf8(name), ClosedMode::Live));
    if (!SetOpener(*w, error))
        return nullptr;
    MakeDocument(*w);
    w->browser.Attach(new BrowserObj(w));
    w->hwnd = CreateWindowExW(0, kFrameClass, props.title.c_str(), WS_OVERLAPPEDWINDOW,
                              CW_USEDEFAULT, CW_USEDEFAULT, props.width, props.height, nullptr,
                              nullptr, GetModuleHandleW(nullptr), w.get());
    if (!w->hwnd) {
        error = L"cannot create the window";
        return nullptr;
    }
    windows_.push_back(w);
    openedWindows_.push_back(w);
    Place(*w);
    ++opened_;
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    GetWindowPlacement(w->hwnd, &wp);
    const RECT& r = wp.rcNormalPosition;
    Log::Get().Write("open", Utf8(name) + " hwnd=" + Hex(ULONG(UINT_PTR(w->hwnd))) +
                                 " cookie=" + std::to_string(w->cookie) +
                                 " restored=" + std::to_string(r.right - r.left) + "x" +
                                 std::to_string(r.bottom - r.top) + " title=" + Quote(props.title));
    return w;
}

bool Shell::Update(BrowserWindow& w, const std::vector<std::pair<std::wstring, std::wstring>>& keys,
                   std::wstring& error) {
    WindowProps p = w.props;
    bool opener = false, document = false, place = false;
    for (auto& [k, v] : keys) {
        if (!ApplyKey(p, k, v, error))
            return false;
        opener = opener || k == L"opener" || k == L"closed" ||
                 (k == L"fail" && v.find(L"closed") != std::wstring::npos);
        document = document || k == L"doc" || k == L"class" || k == L"classinfo";
        place = place || k == L"size" || k == L"restored" || k == L"pos" || k == L"state";
    }
    WindowProps old = std::exchange(w.props, p);
    if (opener && !SetOpener(w, error)) {
        w.props = old;
        return false;
    }
    if (document)
        MakeDocument(w);
    if (place)
        Place(w);
    SetWindowTextW(w.hwnd, p.title.c_str());
    InvalidateRect(w.hwnd, nullptr, TRUE);
    return true;
}

void Shell::Fire(BrowserWindow& w) {
    // Sinks may unadvise from inside the call, so walk a copy.
    auto sinks = sinks_;
    auto keep = w.shared_from_this();
    for (auto& s : sinks) {
        std::string who = Utf8(w.name) + " cookie=" + std::to_string(w.cookie) +
                          " sink=" + std::to_string(s.cookie);
        Log::Get().Write("fire", who);
        Variant arg;
        V_VT(arg.Out()) = VT_I4;
        V_I4(&arg.Get()) = w.cookie;
        DISPPARAMS params{&arg.Get(), nullptr, 1, 0};
        Variant result;
        HRESULT hr = s.dispatch->Invoke(kDispidWindowRegistered, IID_NULL, LOCALE_USER_DEFAULT,
                                        DISPATCH_METHOD, &params, result.Out(), nullptr, nullptr);
        Log::Get().Write("fired", who + " hr=" + Hex(ULONG(hr)));
        bool gone = hr == RPC_E_DISCONNECTED || hr == RPC_E_SERVER_DIED ||
                    hr == RPC_E_SERVER_DIED_DNE ||
                    hr == HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE) ||
                    hr == HRESULT_FROM_WIN32(RPC_S_CALL_FAILED) || hr == CO_E_OBJNOTCONNECTED;
        if (gone) {
            // The client went away without unadvising; stop calling it.
            Log::Get().Write("sink-dead", "sink=" + std::to_string(s.cookie));
            std::erase_if(sinks_, [&](const Sink& x) { return x.cookie == s.cookie; });
        }
    }
}

void Shell::FireInside(BrowserWindow& w, int calls) {
    // The window joins the collection when it registers, inside that call.
    Log::Get().Write("fire-inside", Utf8(w.name) + " calls=" + std::to_string(calls));
    std::erase_if(windows_, [&](const auto& other) { return other.get() == &w; });
    deferred_.push_back({w.weak_from_this(), calls});
}

void Shell::DieInside(int calls) {
    deferred_.push_back({{}, calls, true});
}

void Shell::OnClientCall() {
    if (deferred_.empty())
        return;
    // Taken off the list before they run: the client's nested handler calls back in.
    std::vector<Deferred> due;
    for (auto it = deferred_.begin(); it != deferred_.end();) {
        if (--it->calls <= 0) {
            due.push_back(*it);
            it = deferred_.erase(it);
        } else {
            ++it;
        }
    }
    for (auto& d : due) {
        if (d.die) {
            Log::Get().Write("die", "inside=call");
            TerminateProcess(GetCurrentProcess(), 9);
        }
        if (auto w = d.window.lock(); w && !w->destroyed) {
            windows_.push_back(w);
            Fire(*w);
        }
    }
}

void Shell::Close(BrowserWindow& w) {
    Log::Get().Write("close", Utf8(w.name));
    DestroyWindow(w.hwnd);
}

void Shell::OnDestroyed(BrowserWindow& w) {
    if (w.destroyed)
        return;
    w.destroyed = true;
    std::erase_if(windows_, [&](const auto& x) { return x.get() == &w; });
    Log::Get().Write("destroyed", Utf8(w.name));
    CoDisconnectObject(static_cast<IWebBrowser2*>(w.browser.Get()), 0);
}

HRESULT Shell::Advise(IUnknown* sink, DWORD* cookie) {
    ComPtr<IDispatch> dispatch;
    const char* via = "DShellWindowsEvents";
    HRESULT hr = sink->QueryInterface(kDIID_DShellWindowsEvents,
                                      reinterpret_cast<void**>(dispatch.GetAddressOf()));
    if (FAILED(hr)) {
        via = "IDispatch";
        hr = sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch.GetAddressOf()));
    }
    if (FAILED(hr)) {
        Log::Get().Write("advise-failed", "hr=" + Hex(ULONG(hr)));
        return CONNECT_E_CANNOTCONNECT;
    }
    *cookie = ++nextSinkCookie_;
    sinks_.push_back({*cookie, dispatch});
    Log::Get().Write("advise", "sink=" + std::to_string(*cookie) + " via=" + via);
    return S_OK;
}

HRESULT Shell::Unadvise(DWORD cookie) {
    auto it = std::find_if(sinks_.begin(), sinks_.end(),
                           [&](const Sink& s) { return s.cookie == cookie; });
    if (it == sinks_.end()) {
        Log::Get().Write("unadvise-unknown", "sink=" + std::to_string(cookie));
        return CONNECT_E_NOCONNECTION;
    }
    sinks_.erase(it);
    ++unadvised_;
    Log::Get().Write("unadvise", "sink=" + std::to_string(cookie));
    return S_OK;
}

void Shell::Shutdown() {
    auto windows = windows_;
    for (auto& w : windows)
        DestroyWindow(w->hwnd);
    sinks_.clear();
    if (collection_)
        CoDisconnectObject(collection_.Get(), 0);
    collection_.Reset();
}

}  // namespace sim
