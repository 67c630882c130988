// VARIANTs: owned for a scope, and converted to and from the core's values.
#pragma once

#include <oaidl.h>

#include <string>

#include "platform/shell.h"
#include "platform/win32/shell/walk_memo.h"

namespace shutterling::win32 {

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
