// Owners of a BSTR and of a VARIANT, so that every exit path frees them.
#pragma once

#include <oleauto.h>
#include <windows.h>

#include <utility>

#include "platform/win32/com/error.h"

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

// Moves freely; a copy is a VariantCopy, which can fail (out of memory, a type it cannot
// copy): the copying constructor then throws Error, and assign() returns the HRESULT.
class Variant {
  public:
    Variant() noexcept { VariantInit(&v_); }
    // Takes over a VARIANT the caller owns, leaving it empty.
    static Variant attach(VARIANT& owned) noexcept {
        Variant result;
        result.v_ = std::exchange(owned, VARIANT{});
        VariantInit(&owned);
        return result;
    }
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

    VARIANT* get() noexcept { return &v_; }
    const VARIANT* get() const noexcept { return &v_; }
    VARIANT* operator->() noexcept { return &v_; }
    const VARIANT* operator->() const noexcept { return &v_; }

  private:
    VARIANT v_;
};

}  // namespace tessaly::win32
