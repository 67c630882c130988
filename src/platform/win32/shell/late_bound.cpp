// Late-bound calls by member name, and the ids of the members that are fixed.
#include "platform/win32/shell/variants.h"

#include <algorithm>
#include <cwctype>
#include <map>

namespace shutterling::win32 {

using platform::Variant;

namespace {

std::wstring Lower(std::wstring_view text) {
    std::wstring lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), towlower);
    return lower;
}

// Members' ids of the fixed-id models, for the program's life: a class's built-in
// members keep their ids in every object of the class, and the program asks no
// other (an expando member added by a page script has an id of its object's own).
std::map<std::pair<PageModel, std::wstring>, DISPID> knownIds;

}  // namespace

HRESULT InvokeRetrying(IDispatch* object, DISPID id, WORD kind, DWORD deadline, VARIANT* result,
                       VARIANT* assigned) {
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{assigned, assigned ? &named : nullptr, assigned ? 1u : 0u,
                      assigned ? 1u : 0u};
    const auto invoke = [&] {
        if (result)
            VariantClear(result);
        EXCEPINFO exception{};
        HRESULT hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &params, result,
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
    };
    return RetryWhileBusy(deadline, invoke, kind == DISPATCH_PROPERTYGET);
}

void ComDispatch::Join(std::shared_ptr<WalkMemo> memo, PageModel model) {
    model_ = model;
    memo_ = std::move(memo);
    if (!memo_ || !object_)
        return;
    memo_->held.push_back(object_);
    // Reached from a browser's page: the same object met as another page's
    // opener is answered by that browser.
    if (identity_ && who_ != identity_)
        memo_->pages.emplace(identity_, who_);
}

template <class Result, class Invoke>
platform::Read<Result> ComDispatch::OnMember(std::wstring_view member, Invoke invoke) {
    if (!object_)
        return std::nullopt;
    const auto key = std::pair{model_, Lower(member)};
    const auto found = knownIds.find(key);  // none is kept for an unknown model
    const auto known = found != knownIds.end() ? std::optional(found->second) : std::nullopt;
    auto got = CallRemote<std::pair<DISPID, Result>>(
        who_,
        [object = object_, name = std::wstring(member), known, invoke = std::move(invoke)](
            DWORD deadline) mutable -> std::optional<std::pair<DISPID, Result>> {
            // Resolved by the server without regard to case, as late binding expects.
            DISPID id = known.value_or(DISPID_UNKNOWN);
            LPOLESTR names[] = {name.data()};
            if (!known && FAILED(RetryWhileBusy(deadline, [&] {
                    return object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
                })))
                return std::nullopt;
            auto result = invoke(object.get(), id, deadline);
            if (!result)
                return std::nullopt;
            return std::pair{id, std::move(*result)};
        });
    if (!got)
        return platform::Read<Result>::Missing(got);
    if (!known && model_ != PageModel::Unknown)
        knownIds.emplace(key, got->first);
    return std::move(got->second);
}

platform::Read<Variant> ComDispatch::Get(std::wstring_view member) {
    // An opener is another page, answered by its own browser: it is charged
    // to that browser once the pass has met the page, else to itself.
    const std::wstring lower = Lower(member);
    const bool opener = lower == L"opener";
    auto got = OnMember<Variant>(
        member,
        [who = who_, opener, pages = opener && memo_ ? memo_->pages : PageBrowsers()](
            IDispatch* object, DISPID id, DWORD deadline) -> std::optional<Variant> {
            ScopedVariant result;
            if (FAILED(InvokeRetrying(object, id, DISPATCH_PROPERTYGET, deadline, result.get())))
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

bool ComDispatch::Put(std::wstring_view member, const Variant& value) {
    // The call takes the value's own reference, not the object of ours around it.
    auto* assigned = dynamic_cast<ComDispatch*>(value.object.get());
    if (value.object && !assigned)
        return false;
    Variant plain = value;
    plain.object = nullptr;
    auto put = [plain, ref = assigned ? assigned->object_ : nullptr](
                   IDispatch* object, DISPID id, DWORD deadline) -> std::optional<bool> {
        ScopedVariant argument;
        if (!ToVariant(plain, argument.get()))
            return std::nullopt;
        if (ref) {
            V_DISPATCH(argument.get()) = ref.get();
            ref->AddRef();
        }
        const WORD kind = ref ? DISPATCH_PROPERTYPUTREF : DISPATCH_PROPERTYPUT;
        if (FAILED(InvokeRetrying(object, id, kind, deadline, nullptr, argument.get())))
            return std::nullopt;
        return true;
    };
    return OnMember<bool>(member, std::move(put)).has_value();
}

}  // namespace shutterling::win32
