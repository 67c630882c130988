// The document model's late-bound objects over IDispatch, and the conversion
// of VARIANTs to the values the core tests.
#pragma once

#include <windows.h>

#include <oaidl.h>
#include <wrl/client.h>

#include <utility>

#include "platform/shell.h"
#include "platform/win32/remote_calls.h"
#include "platform/win32/walk_memo.h"

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

// Owns a BSTR for its lifetime.
class ScopedBstr {
  public:
    ScopedBstr() = default;
    explicit ScopedBstr(std::wstring_view text)
        : b_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    ScopedBstr(const ScopedBstr&) = delete;
    ScopedBstr& operator=(const ScopedBstr&) = delete;
    ~ScopedBstr() { SysFreeString(b_); }
    BSTR* put() noexcept {
        SysFreeString(b_);
        b_ = nullptr;
        return &b_;
    }
    BSTR get() const noexcept { return b_; }
    std::wstring str() const { return TextOf(b_); }

  private:
    BSTR b_ = nullptr;
};

// An object of a page, answered by the thread of the browser window it was
// reached from: once that window stops answering, so does this object.
class ComDispatch final : public platform::Dispatch {
  public:
    ComDispatch(RemoteRef<IDispatch> object, Answerer who, std::shared_ptr<WalkMemo> memo = nullptr,
                PageModel model = PageModel::Unknown)
        : object_(std::move(object)), who_(who), memo_(std::move(memo)), model_(model) {
        if (memo_ && object_)
            memo_->Hold(object_);
    }

    std::optional<platform::Variant> Get(std::wstring_view member) override;
    bool Put(std::wstring_view member, const platform::Variant& value) override;
    std::optional<std::wstring> ClassName() override;

    IDispatch* get() const noexcept { return object_.get(); }

  private:
    RemoteRef<IDispatch> object_;
    Answerer who_;
    std::shared_ptr<WalkMemo> memo_;
    PageModel model_;
};

// IDispatch::Invoke, retried while the server is busy until the deadline. A
// server that raised an exception reports its code, so a busy server's
// rejection is retried like a channel's.
HRESULT InvokeRetrying(IDispatch* object, DISPID id, WORD kind, DISPPARAMS* params, VARIANT* result,
                       DWORD deadline);

// Reads a property by id into value.
HRESULT GetProperty(IDispatch* object, DISPID id, VARIANT* value, DWORD deadline);

// VT_DISPATCH and VT_UNKNOWN become objects even when null (answered by
// `who`); numbers, booleans, strings, Null and Empty keep their kind;
// everything else is Other.
// Objects keep the walk's memo and take the given model.
platform::Variant FromVariant(const VARIANT& value, Answerer who = kShell,
                              const std::shared_ptr<WalkMemo>& memo = nullptr,
                              PageModel model = PageModel::Unknown);

// The reverse, for assignments; false when the value cannot be expressed.
bool ToVariant(const platform::Variant& value, VARIANT* out);

// The class name a type library gives the object: IProvideClassInfo first
// (the coclass, e.g. "HTMLDocument"), then IDispatch::GetTypeInfo. Calls
// rejected by a busy server are retried until the deadline.
// With a memo, a type-info object it knows is not asked again.
std::optional<std::wstring> ClassNameOf(IDispatch* object, DWORD deadline, WalkMemo* memo = nullptr,
                                        Answerer who = kShell);

}  // namespace shutterling::win32
