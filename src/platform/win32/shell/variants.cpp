// VARIANTs to and from the core's values.
#include "platform/win32/shell/variants.h"

#include "platform/win32/shell/late_bound.h"

namespace shutterling::win32 {

using platform::Variant;

namespace {

Variant OfKind(Variant::Kind kind) {
    Variant v;
    v.kind = kind;
    return v;
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

Variant FromVariant(const VARIANT& value, Answerer who, const PageBrowsers* pages) {
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
                const auto page = pages->find(id);
                who = page != pages->end() ? page->second : id;
            }
            return Variant::Of(std::make_shared<ComDispatch>(AdoptRemote(object, who), who, nullptr,
                                                             PageModel::Unknown, id));
        }
        case VT_DATE:  // a double to VariantChangeType, not a number to a script
            return OfKind(Variant::Kind::Other);
        default: {
            // Whatever else is made a double of is a number; errors, arrays
            // and records are not.
            ScopedVariant number;
            if (FAILED(VariantChangeType(number.get(), const_cast<VARIANT*>(v), 0, VT_R8)))
                return OfKind(Variant::Kind::Other);
            Variant result = OfKind(Variant::Kind::Number);
            result.number = V_R8(number.get());
            return result;
        }
    }
}

bool ToVariant(const Variant& value, VARIANT* out) {
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

}  // namespace shutterling::win32
