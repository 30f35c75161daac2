// A reference to a COM object: AddRef on copy, Release on destruction.
#pragma once

#include <unknwn.h>
#include <windows.h>

#include <type_traits>
#include <utility>

namespace tessaly::win32 {

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
    // An object's pointer as one of its interfaces, the reference passed on.
    template <class U>
    requires std::is_convertible_v<U*, T*> ComPtr(ComPtr<U>&& other)
    noexcept : p_(other.detach()) {}  // NOLINT: implicit, as for T*
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

    // The object as another of its interfaces; empty when it has none such.
    template <class U>
    ComPtr<U> query(REFIID iid) const noexcept {
        ComPtr<U> result;
        if (p_ && FAILED(p_->QueryInterface(iid, result.putVoid()))) {
            result.reset();
        }
        return result;
    }

  private:
    T* p_ = nullptr;
};

// The COM identity of an object: the pointer its IUnknown has, which COM keeps the same while
// any reference is held, so that the value stays the identity after this one is given back.
// Null for null.
inline const void* IdentityOf(IUnknown* object) noexcept {
    if (!object) {
        return nullptr;
    }
    IUnknown* unknown = nullptr;
    if (FAILED(object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown))) ||
        !unknown) {
        return object;
    }
    unknown->Release();
    return unknown;
}

}  // namespace tessaly::win32
