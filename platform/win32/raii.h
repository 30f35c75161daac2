// Owners for Windows handles, so that every exit path releases them; the owners of COM
// references, BSTRs and VARIANTs come with them from the COM kit.
#pragma once

#include <windows.h>

#include <utility>

#include "platform/win32/com/ptr.h"
#include "platform/win32/com/variant.h"

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

}  // namespace tessaly::win32
