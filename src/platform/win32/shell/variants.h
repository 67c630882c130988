// VARIANTs: owned for a scope, and converted to and from the core's values.
#pragma once

#include <string>

#include "platform/win32/shell/late_bound.h"

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
inline IDispatch* DispatchIn(const VARIANT& value) {
    VARIANT object{};  // VT_EMPTY
    if (FAILED(VariantChangeType(&object, const_cast<VARIANT*>(&value), 0, VT_DISPATCH)))
        return nullptr;
    return V_DISPATCH(&object);
}

// VT_DISPATCH and VT_UNKNOWN become objects even when null, answered by
// `who`, or with `pages`, by the browser whose page the object is (else by
// itself); numbers, booleans, strings, Null and Empty keep their kind;
// everything else is Other. On a worker: the objects join no memo.
inline platform::Variant FromVariant(const VARIANT& value, Answerer who = kShell,
                                     const PageBrowsers* pages = nullptr) {
    using platform::Variant;
    using Kind = Variant::Kind;
    const auto of = [](Kind kind, double number = 0) {
        return Variant{kind, false, number, {}, {}};
    };
    ScopedVariant plain;
    const VARIANT* v = &value;
    // Servers may hand back a reference; look through it once.
    if (V_VT(&value) & VT_BYREF) {
        if (FAILED(VariantCopyInd(plain.get(), const_cast<VARIANT*>(&value))))
            return of(Kind::Other);
        v = plain.get();
    }
    switch (V_VT(v)) {
        case VT_EMPTY:
            return {};
        case VT_NULL:
            return of(Kind::Null);
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
                const auto page = pages->find(id);
                who = page != pages->end() ? page->second : id;
            }
            return Variant::Of(std::make_shared<ComDispatch>(AdoptRemote(object, who), who, nullptr,
                                                             PageModel::Unknown, id));
        }
        case VT_DATE:  // a double to VariantChangeType, not a number to a script
            return of(Kind::Other);
        default: {
            // Whatever else is made a double of is a number; errors, arrays
            // and records are not.
            ScopedVariant number;
            if (FAILED(VariantChangeType(number.get(), const_cast<VARIANT*>(v), 0, VT_R8)))
                return of(Kind::Other);
            return of(Kind::Number, V_R8(number.get()));
        }
    }
}

// The reverse, for assignments; false when the value cannot be expressed.
inline bool ToVariant(const platform::Variant& value, VARIANT* out) {
    using Kind = platform::Variant::Kind;
    VariantInit(out);
    switch (value.kind) {
        case Kind::Empty:
            return true;
        case Kind::Null:
            V_VT(out) = VT_NULL;
            return true;
        case Kind::Bool:
            V_VT(out) = VT_BOOL;
            V_BOOL(out) = value.boolean ? VARIANT_TRUE : VARIANT_FALSE;
            return true;
        case Kind::Number:
            V_VT(out) = VT_R8;
            V_R8(out) = value.number;
            return true;
        case Kind::String:
            V_BSTR(out) =
                SysAllocStringLen(value.text.data(), static_cast<UINT>(value.text.size()));
            V_VT(out) = V_BSTR(out) ? VT_BSTR : VT_EMPTY;
            return V_BSTR(out) != nullptr;
        case Kind::Object: {
            // Only objects this layer handed out can go back to a server.
            auto* com = dynamic_cast<ComDispatch*>(value.object.get());
            V_VT(out) = VT_DISPATCH;
            V_DISPATCH(out) = com ? com->get() : nullptr;
            if (V_DISPATCH(out))
                V_DISPATCH(out)->AddRef();
            return com || !value.object;
        }
        case Kind::Other:
            break;
    }
    return false;
}

}  // namespace shutterling::win32
