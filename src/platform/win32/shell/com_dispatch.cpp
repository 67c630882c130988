// Late binding by name, the way a script host reaches the page's members.
#include "platform/win32/shell/com_dispatch.h"

#include <ocidl.h>

#include <algorithm>
#include <cwctype>
#include <string>

namespace shutterling::win32 {

using platform::Variant;

namespace {

Variant OfKind(Variant::Kind kind) {
    Variant v;
    v.kind = kind;
    return v;
}

std::wstring Lower(std::wstring_view text) {
    std::wstring lower(text);
    for (auto& c : lower)
        c = static_cast<wchar_t>(towlower(c));
    return lower;
}

// The member's id, resolved by the server without regard to case, as late
// binding expects.
std::optional<DISPID> IdOf(IDispatch* object, std::wstring name, DWORD deadline) {
    LPOLESTR names[] = {name.data()};
    DISPID id = DISPID_UNKNOWN;
    if (FAILED(RetryWhileBusy(deadline, [&] {
            return object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
        }))) {
        return std::nullopt;
    }
    return id;
}

// The class name a type library gives the object: IProvideClassInfo first
// (the coclass, e.g. "HTMLDocument"), then IDispatch::GetTypeInfo. A type-info
// object among `known` is not asked again; one that is asked comes back held,
// with its identity, for the memo.
struct ClassNamed {
    std::wstring name;
    RemoteRef<ITypeInfo> asked;
    Answerer identity = 0;
};

// The class name of a type-info object, unless `known` has it already.
std::optional<ClassNamed> NameOf(ITypeInfo* info, DWORD deadline, const TypeNames& known,
                                 Answerer who) {
    const Answerer id = IdentityOf(info);
    if (!id)
        return std::nullopt;
    for (const auto& [object, name] : known) {
        if (object == id)
            return ClassNamed{name, nullptr, id};
    }
    BSTR name = nullptr;
    if (FAILED(RetryWhileBusy(deadline, [&] {
            return info->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr);
        })))
        return std::nullopt;
    // The pass keeps the type info itself: the release of each document's
    // reference to it is then not its last, and costs no call.
    info->AddRef();
    ClassNamed named{TextOf(name), AdoptRemote(info, who), id};
    SysFreeString(name);
    return named;
}

std::optional<ClassNamed> ClassNameOf(IDispatch* object, DWORD deadline, const TypeNames& known,
                                      Answerer who) {
    ComPtr<IProvideClassInfo> provider;
    ComPtr<ITypeInfo> info;
    if (SUCCEEDED(RetryWhileBusy(
            deadline, [&] { return object->QueryInterface(IID_PPV_ARGS(&provider)); })) &&
        SUCCEEDED(RetryWhileBusy(deadline, [&] { return provider->GetClassInfo(&info); }))) {
        if (auto named = NameOf(info.Get(), deadline, known, who))
            return named;
    }
    const bool noProvider = !provider;
    info.Reset();
    if (SUCCEEDED(RetryWhileBusy(
            deadline, [&] { return object->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info); })) &&
        info)
        return NameOf(info.Get(), deadline, known, who);
    // An object with no type information at all is an "Object", as a script
    // host names it; only an error is a class name that cannot be read.
    UINT count = 1;
    if (noProvider &&
        SUCCEEDED(RetryWhileBusy(deadline, [&] { return object->GetTypeInfoCount(&count); })) &&
        count == 0)
        return ClassNamed{L"Object", nullptr, 0};
    return std::nullopt;
}

}  // namespace

IDispatch* DispatchIn(const VARIANT& value) {
    IDispatch* object = nullptr;
    if (V_VT(&value) == VT_DISPATCH && V_DISPATCH(&value)) {
        object = V_DISPATCH(&value);
        object->AddRef();
    } else if (V_VT(&value) == VT_UNKNOWN && V_UNKNOWN(&value)) {
        V_UNKNOWN(&value)->QueryInterface(IID_PPV_ARGS(&object));
    }
    return object;
}

platform::Variant FromVariant(const VARIANT& value, Answerer who, const PageBrowsers* pages) {
    ScopedVariant plain;
    const VARIANT* v = &value;
    // Servers may hand back a reference; look through it once.
    if (V_VT(&value) & VT_BYREF) {
        if (FAILED(VariantCopyInd(plain.get(), const_cast<VARIANT*>(&value))))
            return OfKind(Variant::Kind::Other);
        v = plain.get();
    }
    switch (V_VT(v)) {
        case VT_EMPTY:
            return {};
        case VT_NULL:
            return OfKind(Variant::Kind::Null);
        case VT_BOOL:
            return Variant::Of(V_BOOL(v) != VARIANT_FALSE);
        case VT_BSTR:
            return Variant::Of(TextOf(V_BSTR(v)));
        case VT_DISPATCH:
        case VT_UNKNOWN: {
            // Object-typed whether or not it also speaks IDispatch.
            IDispatch* object = DispatchIn(*v);
            if (!object)
                return Variant::Of(std::shared_ptr<platform::Dispatch>());
            const Answerer id = IdentityOf(object);
            if (pages) {
                const auto page = std::find_if(pages->begin(), pages->end(),
                                               [id](const auto& p) { return p.first == id; });
                who = page != pages->end() ? page->second : id;
            }
            return Variant::Of(std::make_shared<ComDispatch>(AdoptRemote(object, who), who, nullptr,
                                                             PageModel::Unknown, id));
        }
        default: {
            static constexpr VARTYPE kNumbers[] = {VT_I1,  VT_UI1, VT_I2,  VT_UI2,    VT_I4,
                                                   VT_UI4, VT_I8,  VT_UI8, VT_INT,    VT_UINT,
                                                   VT_R4,  VT_R8,  VT_CY,  VT_DECIMAL};
            ScopedVariant number;
            if (std::find(std::begin(kNumbers), std::end(kNumbers), V_VT(v)) ==
                    std::end(kNumbers) ||
                FAILED(VariantChangeType(number.get(), const_cast<VARIANT*>(v), 0, VT_R8)))
                return OfKind(Variant::Kind::Other);
            Variant result = OfKind(Variant::Kind::Number);
            result.number = V_R8(number.get());
            return result;
        }
    }
}

bool ToVariant(const platform::Variant& value, VARIANT* out) {
    VariantInit(out);
    switch (value.kind) {
        case Variant::Kind::Empty:
            return true;
        case Variant::Kind::Null:
            V_VT(out) = VT_NULL;
            return true;
        case Variant::Kind::Bool:
            V_VT(out) = VT_BOOL;
            V_BOOL(out) = value.boolean ? VARIANT_TRUE : VARIANT_FALSE;
            return true;
        case Variant::Kind::Number:
            V_VT(out) = VT_R8;
            V_R8(out) = value.number;
            return true;
        case Variant::Kind::String: {
            BSTR text = SysAllocStringLen(value.text.data(), static_cast<UINT>(value.text.size()));
            if (!text)
                return false;
            V_VT(out) = VT_BSTR;
            V_BSTR(out) = text;
            return true;
        }
        case Variant::Kind::Object: {
            // Only objects this layer handed out can go back to a server.
            auto* com = dynamic_cast<ComDispatch*>(value.object.get());
            if (value.object && !com)
                return false;
            V_VT(out) = VT_DISPATCH;
            V_DISPATCH(out) = com ? com->get() : nullptr;
            if (V_DISPATCH(out))
                V_DISPATCH(out)->AddRef();
            return true;
        }
        case Variant::Kind::Other:
            break;
    }
    return false;
}

HRESULT InvokeRetrying(IDispatch* object, DISPID id, WORD kind, DISPPARAMS* params, VARIANT* result,
                       DWORD deadline) {
    return RetryWhileBusy(deadline, [&] {
        if (result)
            VariantClear(result);
        EXCEPINFO exception{};
        HRESULT hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, params, result,
                                    &exception, nullptr);
        if (hr == DISP_E_EXCEPTION) {
            if (exception.pfnDeferredFillIn)
                exception.pfnDeferredFillIn(&exception);
            if (FAILED(exception.scode))
                hr = exception.scode;
        }
        SysFreeString(exception.bstrSource);
        SysFreeString(exception.bstrDescription);
        SysFreeString(exception.bstrHelpFile);
        return hr;
    });
}

HRESULT GetProperty(IDispatch* object, DISPID id, VARIANT* value, DWORD deadline) {
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    return InvokeRetrying(object, id, DISPATCH_PROPERTYGET, &none, value, deadline);
}

void ComDispatch::Join(std::shared_ptr<WalkMemo> memo, PageModel model) {
    model_ = model;
    memo_ = std::move(memo);
    if (!memo_ || !object_)
        return;
    memo_->Hold(object_);
    // Reached from a browser's page: the same object met as another page's
    // opener is answered by that browser.
    if (identity_ && who_ != identity_)
        memo_->NotePage(identity_, who_);
}

template <class Result, class Invoke>
platform::Read<Result> ComDispatch::OnMember(std::wstring_view member, Invoke invoke) {
    if (!object_)
        return std::nullopt;
    const std::wstring lower = Lower(member);
    const auto known =
        model_ != PageModel::Unknown ? MemberIds::Known(model_, lower) : std::optional<DISPID>();
    auto got = CallRemote<std::pair<DISPID, Result>>(
        who_,
        [object = object_, name = std::wstring(member), known,
         invoke = std::move(invoke)](DWORD deadline) -> std::optional<std::pair<DISPID, Result>> {
            const auto id = known ? known : IdOf(object.get(), name, deadline);
            auto result = id ? invoke(object.get(), *id, deadline) : std::nullopt;
            if (!result)
                return std::nullopt;
            return std::pair{*id, std::move(*result)};
        });
    if (!got)
        return platform::Read<Result>::Missing(got);
    if (!known && model_ != PageModel::Unknown)
        MemberIds::Remember(model_, lower, got->first);
    return std::move(got->second);
}

platform::Read<platform::Variant> ComDispatch::Get(std::wstring_view member) {
    // An opener is another page, answered by its own browser: it is charged
    // to that browser once the pass has met the page, else to itself.
    const std::wstring lower = Lower(member);
    const bool opener = lower == L"opener";
    auto got = OnMember<platform::Variant>(
        member,
        [who = who_, opener, pages = opener && memo_ ? memo_->Pages() : PageBrowsers()](
            IDispatch* object, DISPID id, DWORD deadline) -> std::optional<Variant> {
            ScopedVariant result;
            if (FAILED(GetProperty(object, id, result.get(), deadline)))
                return std::nullopt;
            return FromVariant(*result, who, opener ? &pages : nullptr);
        });
    // The window of an HTML document is an HTML window; nothing else is known.
    if (auto* object = got ? static_cast<ComDispatch*>(got->object.get()) : nullptr) {
        object->Join(memo_, model_ == PageModel::HtmlDocument && lower == L"parentwindow"
                                ? PageModel::HtmlWindow
                                : PageModel::Unknown);
    }
    return got;
}

bool ComDispatch::Put(std::wstring_view member, const platform::Variant& value) {
    // The call takes the value's own reference, not the object of ours around it.
    auto* assigned = dynamic_cast<ComDispatch*>(value.object.get());
    if (value.object && !assigned)
        return false;
    platform::Variant plain = value;
    plain.object = nullptr;
    return OnMember<bool>(
               member,
               [plain, ref = assigned ? assigned->ref() : nullptr](
                   IDispatch* object, DISPID id, DWORD deadline) -> std::optional<bool> {
                   ScopedVariant argument;
                   if (!ToVariant(plain, argument.get()))
                       return std::nullopt;
                   if (ref) {
                       V_DISPATCH(argument.get()) = ref.get();
                       ref->AddRef();
                   }
                   DISPID named = DISPID_PROPERTYPUT;
                   DISPPARAMS params{argument.get(), &named, 1, 1};
                   const WORD kind =
                       V_VT(argument.get()) == VT_DISPATCH && V_DISPATCH(argument.get())
                           ? DISPATCH_PROPERTYPUTREF
                           : DISPATCH_PROPERTYPUT;
                   if (FAILED(InvokeRetrying(object, id, kind, &params, nullptr, deadline)))
                       return std::nullopt;
                   return true;
               })
        .has_value();
}

platform::Read<std::wstring> ComDispatch::ClassName() {
    if (!object_)
        return std::nullopt;
    const TypeNames known = memo_ ? memo_->Types() : TypeNames();
    const auto seen = std::find_if(known.begin(), known.end(), [this](const auto& t) {
        return identity_ && t.first == identity_;
    });
    std::wstring name;
    if (seen != known.end()) {
        name = seen->second;  // a document met before in the pass
    } else {
        auto named =
            CallRemote<ClassNamed>(who_, [object = object_, known, who = who_](DWORD deadline) {
                return ClassNameOf(object.get(), deadline, known, who);
            });
        if (!named)
            return platform::Read<std::wstring>::Missing(named);
        name = named->name;
        if (memo_ && named->asked && named->identity)
            memo_->RememberType(named->identity, name, std::move(named->asked));
        if (memo_ && identity_)
            memo_->RememberType(identity_, name);
    }
    // Its members' ids are the class's own from now on.
    if (name == L"HTMLDocument")
        model_ = PageModel::HtmlDocument;
    return name;
}

}  // namespace shutterling::win32
