// Owners for Windows handles and COM objects, so that every exit path releases them.
#pragma once

#include <oleauto.h>
#include <windows.h>

#include <utility>

namespace tessaly::win32 {

// A registry key, closed on destruction.
class UniqueHKey {
  public:
    UniqueHKey() = default;
    explicit UniqueHKey(HKEY key) : key_(key) {}
    UniqueHKey(UniqueHKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}
    UniqueHKey& operator=(UniqueHKey&& other) noexcept {
        if (this != &other) {
            reset(std::exchange(other.key_, nullptr));
        }
        return *this;
    }
    ~UniqueHKey() { reset(); }
    void reset(HKEY key = nullptr) noexcept {
        if (key_) {
            RegCloseKey(key_);
        }
        key_ = key;
    }
    HKEY get() const noexcept { return key_; }
    HKEY* put() noexcept {
        reset();
        return &key_;
    }
    explicit operator bool() const noexcept { return key_ != nullptr; }

  private:
    HKEY key_ = nullptr;
};

// A kernel handle, closed on destruction.
class UniqueHandle {
  public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            reset(std::exchange(other.handle_, nullptr));
        }
        return *this;
    }
    ~UniqueHandle() { reset(); }
    void reset(HANDLE handle = nullptr) noexcept {
        if (handle_ && handle_ != INVALID_HANDLE_VALUE) {
            CloseHandle(handle_);
        }
        handle_ = handle;
    }
    HANDLE get() const noexcept { return handle_; }

  private:
    HANDLE handle_ = nullptr;
};

// A reference to a COM object: AddRef on copy, Release on destruction.
template <class T>
class ComPtr {
  public:
    ComPtr() = default;
    ComPtr(T* p) : p_(p) {  // NOLINT: implicit on purpose, like a raw interface pointer
        if (p_) {
            p_->AddRef();
        }
    }
    ComPtr(const ComPtr& other) : ComPtr(other.p_) {}
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(p_, other.p_);
        return *this;
    }
    ~ComPtr() { reset(); }

    // Takes over a reference the caller already owns (an out-parameter's result).
    static ComPtr attach(T* p) noexcept {
        ComPtr result;
        result.p_ = p;
        return result;
    }
    T* detach() noexcept { return std::exchange(p_, nullptr); }
    void reset() noexcept {
        if (auto* p = std::exchange(p_, nullptr)) {
            p->Release();
        }
    }
    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    // For out-parameters: releases what is held first.
    T** put() noexcept {
        reset();
        return &p_;
    }
    void** putVoid() noexcept { return reinterpret_cast<void**>(put()); }
    explicit operator bool() const noexcept { return p_ != nullptr; }

    template <class U>
    ComPtr<U> query(REFIID iid) const noexcept {
        ComPtr<U> result;
        if (p_) {
            p_->QueryInterface(iid, result.putVoid());
        }
        return result;
    }

  private:
    T* p_ = nullptr;
};

// A BSTR, freed on destruction.
class Bstr {
  public:
    Bstr() = default;
    explicit Bstr(const wchar_t* text) : s_(text ? SysAllocString(text) : nullptr) {}
    Bstr(const wchar_t* text, UINT length) : s_(SysAllocStringLen(text, length)) {}
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

// A VARIANT, cleared on destruction.
class Variant {
  public:
    Variant() { VariantInit(&v_); }
    Variant(const Variant& other) {
        VariantInit(&v_);
        VariantCopy(&v_, const_cast<VARIANT*>(&other.v_));
    }
    Variant& operator=(const Variant& other) {
        if (this != &other) {
            VariantClear(&v_);
            VariantCopy(&v_, const_cast<VARIANT*>(&other.v_));
        }
        return *this;
    }
    ~Variant() { VariantClear(&v_); }
    VARIANT* get() noexcept { return &v_; }
    const VARIANT* get() const noexcept { return &v_; }
    VARIANT* operator->() noexcept { return &v_; }
    const VARIANT* operator->() const noexcept { return &v_; }

  private:
    VARIANT v_;
};

}  // namespace tessaly::win32
