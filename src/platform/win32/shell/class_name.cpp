// The class name of a page object, as a script host names it, asked once a pass.
#include <ocidl.h>

#include "platform/win32/shell/variants.h"

namespace shutterling::win32 {
namespace {

// A class name, and the type-info object read (held, for the memo) unless the memo knew it.
struct ClassNamed {
    std::wstring name;
    RemoteRef<ITypeInfo> asked;
    Answerer identity = 0;
};

// The name a type library gives the object: IProvideClassInfo first (the
// coclass, e.g. "HTMLDocument"), then IDispatch::GetTypeInfo. A type-info
// object that `known` names is not asked again.
std::optional<ClassNamed> ClassNameOf(IDispatch* object, DWORD deadline, const TypeNames& known,
                                      Answerer who) {
    const auto nameOf = [&](ITypeInfo* info) -> std::optional<ClassNamed> {
        const Answerer id = IdentityOf(info);
        if (!id)
            return std::nullopt;
        if (const auto seen = known.find(id); seen != known.end())
            return ClassNamed{seen->second, nullptr, id};
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
    };
    ComPtr<IProvideClassInfo> provider;
    ComPtr<ITypeInfo> info;
    if (SUCCEEDED(RetryWhileBusy(
            deadline, [&] { return object->QueryInterface(IID_PPV_ARGS(&provider)); })) &&
        SUCCEEDED(RetryWhileBusy(deadline, [&] { return provider->GetClassInfo(&info); }))) {
        if (auto named = nameOf(info.Get()))
            return named;
    }
    const bool noProvider = !provider;
    info.Reset();
    if (SUCCEEDED(RetryWhileBusy(
            deadline, [&] { return object->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info); })) &&
        info)
        return nameOf(info.Get());
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

platform::Read<std::wstring> ComDispatch::ClassName() {
    if (!object_)
        return std::nullopt;
    const TypeNames known = memo_ ? memo_->types : TypeNames();
    std::wstring name;
    if (const auto seen = known.find(identity_); identity_ && seen != known.end()) {
        name = seen->second;  // a document met before in the pass
    } else {
        auto named =
            CallRemote<ClassNamed>(who_, [object = object_, known, who = who_](DWORD deadline) {
                return ClassNameOf(object.get(), deadline, known, who);
            });
        if (!named)
            return platform::Read<std::wstring>::Missing(named);
        name = named->name;
        if (memo_ && named->asked) {
            memo_->types.emplace(named->identity, name);
            memo_->held.push_back(std::move(named->asked));
        }
        if (memo_ && identity_)
            memo_->types.emplace(identity_, name);
    }
    // Its members' ids are the class's own from now on.
    if (name == L"HTMLDocument")
        model_ = PageModel::HtmlDocument;
    return name;
}

}  // namespace shutterling::win32
