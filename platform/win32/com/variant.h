// Owners of a BSTR and of a VARIANT, so that every exit path frees them, and the one place
// where VARIANTs are made and read.
//
// A Variant is made from what it holds: a string, a Boolean, a 32-bit integer, an object, an
// argument left out, or a reference to the caller's Boolean or array. It is read as the type
// wanted, the way automation reads an argument: through one level of reference (a value
// passed VT_BYREF, a VARIANT by reference), converting a value of another type as
// VariantChangeType does.
#pragma once

// windows.h first: the OLE headers rely on its types.
#include <windows.h>

#include <oleauto.h>

#include <concepts>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/win32/com/error.h"
#include "platform/win32/com/ptr.h"

namespace tessaly::win32 {

class Bstr {
  public:
    Bstr() = default;
    // Throws Error(E_OUTOFMEMORY) when the string cannot be allocated.
    explicit Bstr(const wchar_t* text) : s_(text ? SysAllocString(text) : nullptr) {
        if (text && !s_) {
            throw Error(E_OUTOFMEMORY, "out of memory for a BSTR");
        }
    }
    Bstr(const wchar_t* text, UINT length) : s_(SysAllocStringLen(text, length)) {
        if (!s_) {
            throw Error(E_OUTOFMEMORY, "out of memory for a BSTR");
        }
    }
    Bstr(Bstr&& other) noexcept : s_(std::exchange(other.s_, nullptr)) {}
    Bstr& operator=(Bstr&& other) noexcept {
        if (this != &other) {
            SysFreeString(s_);
            s_ = std::exchange(other.s_, nullptr);
        }
        return *this;
    }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { SysFreeString(s_); }

    BSTR get() const noexcept { return s_; }
    BSTR* put() noexcept {
        SysFreeString(s_);
        s_ = nullptr;
        return &s_;
    }
    BSTR detach() noexcept { return std::exchange(s_, nullptr); }
    UINT length() const noexcept { return SysStringLen(s_); }

  private:
    BSTR s_ = nullptr;
};

// An optional argument the caller leaves out: VT_ERROR with DISP_E_PARAMNOTFOUND.
struct Missing {};

// Moves freely; a copy is a VariantCopy, which can fail (out of memory, a type it cannot
// copy): the copying constructor then throws Error, and assign() returns the HRESULT.
class Variant {
  public:
    Variant() noexcept { VariantInit(&v_); }

    // The values, each from its own type only, so that they convert as arguments do without
    // a pointer ever becoming a Boolean or a wider integer being cut to 32 bits.
    template <std::same_as<std::int32_t> Int>
    Variant(Int value) noexcept : Variant() {  // NOLINT: implicit, as arguments convert
        v_.vt = VT_I4;
        v_.lVal = value;
    }
    template <std::same_as<bool> Bool>
    Variant(Bool value) noexcept : Variant() {  // NOLINT
        v_.vt = VT_BOOL;
        v_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    }
    // Throws Error(E_OUTOFMEMORY) when the string cannot be allocated.
    Variant(std::u16string_view text);                                           // NOLINT
    Variant(const char16_t* text) : Variant(std::u16string_view(text)) {}        // NOLINT
    Variant(const std::u16string& text) : Variant(std::u16string_view(text)) {}  // NOLINT
    explicit Variant(Bstr text) noexcept;
    // The object with a reference of its own; null is Nothing.
    Variant(IDispatch* object) noexcept;  // NOLINT
    Variant(Missing) noexcept;            // NOLINT
    // The value, or Missing when there is none.
    template <class T>
    Variant(const std::optional<T>& value) : Variant(Missing{}) {  // NOLINT
        if (value) {
            *this = Variant(*value);
        }
    }
    // The caller's own Boolean or array of VARIANTs, which the callee may change; it must
    // outlive the call.
    static Variant ByRef(VARIANT_BOOL* flag) noexcept;
    static Variant ByRef(SAFEARRAY** array) noexcept;

    Variant(Variant&& other) noexcept : Variant() { std::swap(v_, other.v_); }
    Variant& operator=(Variant&& other) noexcept {
        if (this != &other) {
            clear();
            std::swap(v_, other.v_);
        }
        return *this;
    }
    explicit Variant(const VARIANT& value) : Variant() {
        com::Check(assign(value), "VariantCopy failed");
    }
    Variant(const Variant& other) : Variant(other.v_) {}
    Variant& operator=(const Variant& other) {
        if (this != &other) {
            com::Check(assign(other.v_), "VariantCopy failed");
        }
        return *this;
    }
    ~Variant() { clear(); }

    // Replaces the value with a copy of `from`; on failure the variant is left empty.
    [[nodiscard]] HRESULT assign(const VARIANT& from) noexcept {
        clear();
        const HRESULT hr = VariantCopy(&v_, const_cast<VARIANT*>(&from));
        if (FAILED(hr)) {
            VariantInit(&v_);
        }
        return hr;
    }
    // Hands the value to an out-parameter the caller has initialised, leaving this empty.
    void moveTo(VARIANT& out) noexcept {
        VariantClear(&out);
        out = std::exchange(v_, VARIANT{});
        VariantInit(&v_);
    }
    void clear() noexcept {
        VariantClear(&v_);
        VariantInit(&v_);
    }

    // The readers below, of this value.
    std::int32_t toInt32() const;
    bool toBool() const;
    std::u16string toString() const;
    ComPtr<IDispatch> toDispatch() const;
    ComPtr<IUnknown> toUnknown() const;
    VARTYPE type() const noexcept;

    VARIANT* get() noexcept { return &v_; }
    const VARIANT* get() const noexcept { return &v_; }
    VARIANT* operator->() noexcept { return &v_; }
    const VARIANT* operator->() const noexcept { return &v_; }

  private:
    VARIANT v_;
};

// The readers of a VARIANT, owned or not (an argument in DISPPARAMS). Each reads through one
// level of reference. A number, a Boolean or a string converts as VariantChangeType converts
// it (no locale, no flags), and a value it cannot convert is Error(DISP_E_TYPEMISMATCH); a
// reference that cannot be read is Error with VariantCopyInd's code.
std::int32_t ToInt32(const VARIANT& value);
bool ToBool(const VARIANT& value);
std::u16string ToString(const VARIANT& value);
// An object, VT_DISPATCH or VT_UNKNOWN (asked for IDispatch, Error with its code when it has
// none); Nothing (empty, null or a null object) is an empty pointer; anything else is
// Error(DISP_E_TYPEMISMATCH).
ComPtr<IDispatch> ToDispatch(const VARIANT& value);
ComPtr<IUnknown> ToUnknown(const VARIANT& value);
// An argument the caller left out, passed by value or as a VARIANT by reference.
bool IsMissing(const VARIANT& value) noexcept;
// The type of the value a reader would read: VT_BSTR for a string by reference too.
VARTYPE TypeOf(const VARIANT& value) noexcept;

// Writes a Boolean back through an argument passed by reference (VT_BOOL|VT_BYREF, or a
// VARIANT by reference); an argument passed by value cannot carry it back and is left alone.
void SetByRef(const VARIANT& argument, bool value) noexcept;

}  // namespace tessaly::win32
