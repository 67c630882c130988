// The document model's late-bound objects over IDispatch, and the conversion
// of VARIANTs to the values the core tests.
#pragma once

#include <windows.h>

#include <oaidl.h>
#include <wrl/client.h>

#include <utility>

#include "platform/shell.h"
#include "platform/win32/shell/remote_calls.h"
#include "platform/win32/shell/walk_memo.h"

namespace shutterling::win32 {

using Microsoft::WRL::ComPtr;

// Owns a VARIANT for its lifetime.
class ScopedVariant {
  public:
    ScopedVariant() noexcept { VariantInit(&v_); }
    ScopedVariant(const ScopedVariant&) = delete;
    ScopedVariant& operator=(const ScopedVariant&) = delete;
    ~ScopedVariant() { VariantClear(&v_); }
    VARIANT* get() noexcept { return &v_; }
    const VARIANT& operator*() const noexcept { return v_; }

  private:
    VARIANT v_;
};

// A null BSTR is the empty string by COM convention.
inline std::wstring TextOf(BSTR text) {
    return text ? std::wstring(text, SysStringLen(text)) : std::wstring();
}

// An object of a page, answered by whoever serves it: the browser window it
// was reached from, or for an opener (another page) the browser whose page
// the pass has met it as, else the object itself. Its calls take along what
// they need, never the pass's memo, which it joins on the user-interface thread.
class ComDispatch final : public platform::Dispatch {
  public:
    ComDispatch(RemoteRef<IDispatch> object, Answerer who, std::shared_ptr<WalkMemo> memo = nullptr,
                PageModel model = PageModel::Unknown, Answerer identity = 0)
        : object_(std::move(object)), who_(who), identity_(identity) {
        Join(std::move(memo), model);
    }

    platform::Read<platform::Variant> Get(std::wstring_view member) override;
    bool Put(std::wstring_view member, const platform::Variant& value) override;
    platform::Read<std::wstring> ClassName() override;

    IDispatch* get() const noexcept { return object_.get(); }
    const RemoteRef<IDispatch>& ref() const noexcept { return object_; }
    // Held by the memo until its pass ends; as a page object of a browser, noted.
    void Join(std::shared_ptr<WalkMemo> memo, PageModel model);

  private:
    // invoke(object, id, deadline) on the member, by its id: resolved by the
    // server unless the model knows it, and then remembered for the model.
    template <class Result, class Invoke>
    platform::Read<Result> OnMember(std::wstring_view member, Invoke invoke);

    RemoteRef<IDispatch> object_;
    Answerer who_;
    Answerer identity_;  // its COM identity, while the object is held; 0 when unknown
    std::shared_ptr<WalkMemo> memo_;
    PageModel model_ = PageModel::Unknown;
};

// IDispatch::Invoke, retried while the server is busy until the deadline. A
// server that raised an exception reports its code, so a busy server's
// rejection is retried like a channel's.
HRESULT InvokeRetrying(IDispatch* object, DISPID id, WORD kind, DISPPARAMS* params, VARIANT* result,
                       DWORD deadline);

// Reads a property by id into value.
HRESULT GetProperty(IDispatch* object, DISPID id, VARIANT* value, DWORD deadline);

// The object a VT_DISPATCH or VT_UNKNOWN holds, as IDispatch and held; null
// for none, or for an object that does not speak IDispatch.
IDispatch* DispatchIn(const VARIANT& value);

// VT_DISPATCH and VT_UNKNOWN become objects even when null, answered by
// `who`, or with `pages`, by the browser whose page the object is (else by
// itself); numbers, booleans, strings, Null and Empty keep their kind;
// everything else is Other. On a worker: the objects join no memo.
platform::Variant FromVariant(const VARIANT& value, Answerer who = kShell,
                              const PageBrowsers* pages = nullptr);

// The reverse, for assignments; false when the value cannot be expressed.
bool ToVariant(const platform::Variant& value, VARIANT* out);

}  // namespace shutterling::win32
