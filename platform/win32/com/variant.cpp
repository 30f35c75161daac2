#include "platform/win32/com/variant.h"

#include "platform/win32/text.h"

namespace tessaly::win32 {

Variant::Variant(std::u16string_view text)
    : Variant(Bstr(WideView(text).data(), static_cast<UINT>(text.size()))) {}

Variant::Variant(Bstr text) noexcept : Variant() {
    v_.vt = VT_BSTR;
    v_.bstrVal = text.detach();
}

Variant::Variant(IDispatch* object) noexcept : Variant() {
    v_.vt = VT_DISPATCH;
    v_.pdispVal = ComPtr<IDispatch>(object).detach();
}

Variant::Variant(Missing) noexcept : Variant() {
    v_.vt = VT_ERROR;
    v_.scode = DISP_E_PARAMNOTFOUND;
}

Variant Variant::ByRef(VARIANT_BOOL* flag) noexcept {
    Variant reference;
    reference.v_.vt = VT_BOOL | VT_BYREF;
    reference.v_.pboolVal = flag;
    return reference;
}

Variant Variant::ByRef(SAFEARRAY** array) noexcept {
    Variant reference;
    reference.v_.vt = VT_ARRAY | VT_VARIANT | VT_BYREF;
    reference.v_.pparray = array;
    return reference;
}

std::int32_t Variant::toInt32() const {
    return ToInt32(v_);
}
bool Variant::toBool() const {
    return ToBool(v_);
}
std::u16string Variant::toString() const {
    return ToString(v_);
}
ComPtr<IDispatch> Variant::toDispatch() const {
    return ToDispatch(v_);
}
ComPtr<IUnknown> Variant::toUnknown() const {
    return ToUnknown(v_);
}
VARTYPE Variant::type() const noexcept {
    return TypeOf(v_);
}

namespace {

// The value itself, with one level of reference read through.
Variant dereferenced(const VARIANT& value) {
    Variant copy;
    com::Check(VariantCopyInd(copy.get(), const_cast<VARIANT*>(&value)), "cannot read the value");
    return copy;
}

Variant changed(const VARIANT& value, VARTYPE type) {
    const Variant source = dereferenced(value);
    Variant result;
    if (FAILED(VariantChangeType(result.get(), const_cast<VARIANT*>(source.get()), 0, type))) {
        throw Error(DISP_E_TYPEMISMATCH, "the value has the wrong type");
    }
    return result;
}

// A VARIANT passed by reference stands for the one it refers to.
const VARIANT& referred(const VARIANT& value) noexcept {
    return value.vt == (VT_VARIANT | VT_BYREF) && value.pvarVal ? *value.pvarVal : value;
}

}  // namespace

std::int32_t ToInt32(const VARIANT& value) {
    return changed(value, VT_I4)->lVal;
}

bool ToBool(const VARIANT& value) {
    return changed(value, VT_BOOL)->boolVal != VARIANT_FALSE;
}

std::u16string ToString(const VARIANT& value) {
    const Variant text = changed(value, VT_BSTR);
    return FromWide(text->bstrVal, SysStringLen(text->bstrVal));
}

ComPtr<IUnknown> ToUnknown(const VARIANT& value) {
    const Variant v = dereferenced(value);
    switch (v->vt) {
        case VT_EMPTY:
        case VT_NULL:
            return {};
        case VT_DISPATCH:
            return ComPtr<IUnknown>(v->pdispVal);
        case VT_UNKNOWN:
            return ComPtr<IUnknown>(v->punkVal);
        default:
            throw Error(DISP_E_TYPEMISMATCH, "an object was expected");
    }
}

ComPtr<IDispatch> ToDispatch(const VARIANT& value) {
    const Variant v = dereferenced(value);
    switch (v->vt) {
        case VT_EMPTY:
        case VT_NULL:
            return {};
        case VT_DISPATCH:
            return ComPtr<IDispatch>(v->pdispVal);
        case VT_UNKNOWN: {
            ComPtr<IDispatch> object;
            if (v->punkVal) {
                com::Check(v->punkVal->QueryInterface(IID_IDispatch, object.putVoid()),
                           "the object has no IDispatch");
            }
            return object;
        }
        default:
            throw Error(DISP_E_TYPEMISMATCH, "an object was expected");
    }
}

bool IsMissing(const VARIANT& value) noexcept {
    const VARIANT& v = referred(value);
    return v.vt == VT_ERROR && v.scode == DISP_E_PARAMNOTFOUND;
}

VARTYPE TypeOf(const VARIANT& value) noexcept {
    return static_cast<VARTYPE>(referred(value).vt & ~VT_BYREF);
}

void SetByRef(const VARIANT& argument, bool value) noexcept {
    const VARIANT_BOOL flag = value ? VARIANT_TRUE : VARIANT_FALSE;
    if (argument.vt == (VT_BOOL | VT_BYREF) && argument.pboolVal) {
        *argument.pboolVal = flag;
    } else if (argument.vt == (VT_VARIANT | VT_BYREF) && argument.pvarVal) {
        VARIANT& inner = *argument.pvarVal;
        if (inner.vt == (VT_BOOL | VT_BYREF) && inner.pboolVal) {
            *inner.pboolVal = flag;
        } else if (!(inner.vt & VT_BYREF)) {
            VariantClear(&inner);
            inner.vt = VT_BOOL;
            inner.boolVal = flag;
        }
    }
}

}  // namespace tessaly::win32
