// Owners for Windows handles, so that every exit path releases them; the owners of COM
// references, BSTRs and VARIANTs come with them from the COM kit.
#pragma once

#include <windows.h>

#include <objbase.h>

#include <utility>

#include "platform/win32/com/ptr.h"
#include "platform/win32/com/variant.h"

namespace tessaly::win32 {

// One owned handle of the kind Kind describes: its type (Kind::Handle), which values hold
// something (Kind::holds) and how it is given back (Kind::close). Moves, never copies.
template <class Kind>
class Unique {
  public:
    using Handle = typename Kind::Handle;

    Unique() = default;
    explicit Unique(Handle handle) noexcept : handle_(handle) {}
    Unique(Unique&& other) noexcept : handle_(other.release()) {}
    Unique& operator=(Unique&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;
    ~Unique() { reset(); }

    Handle get() const noexcept { return handle_; }
    // For out-parameters: gives back what is held first.
    Handle* put() noexcept {
        reset();
        return &handle_;
    }
    // Hands the handle over to the caller, who gives it back from now on.
    [[nodiscard]] Handle release() noexcept { return std::exchange(handle_, Handle{}); }
    void reset(Handle handle = Handle{}) noexcept {
        if (Kind::holds(handle_)) {
            Kind::close(handle_);
        }
        handle_ = handle;
    }
    explicit operator bool() const noexcept { return Kind::holds(handle_); }

  private:
    Handle handle_{};
};

struct RegistryKey {
    using Handle = HKEY;
    static bool holds(HKEY key) noexcept { return key != nullptr; }
    static void close(HKEY key) noexcept { RegCloseKey(key); }
};

// A kernel object; functions that open one say "none" with null or INVALID_HANDLE_VALUE.
struct KernelHandle {
    using Handle = HANDLE;
    static bool holds(HANDLE handle) noexcept {
        return handle != nullptr && handle != INVALID_HANDLE_VALUE;
    }
    static void close(HANDLE handle) noexcept { CloseHandle(handle); }
};

struct GdiBitmap {
    using Handle = HBITMAP;
    static bool holds(HBITMAP bitmap) noexcept { return bitmap != nullptr; }
    static void close(HBITMAP bitmap) noexcept { DeleteObject(bitmap); }
};

// A string the system allocated with CoTaskMemAlloc (StringFromCLSID, say).
struct TaskMemoryString {
    using Handle = wchar_t*;
    static bool holds(wchar_t* text) noexcept { return text != nullptr; }
    static void close(wchar_t* text) noexcept { CoTaskMemFree(text); }
};

// A buffer the system allocated with LocalAlloc (FormatMessageW, say).
struct LocalMemoryString {
    using Handle = wchar_t*;
    static bool holds(wchar_t* text) noexcept { return text != nullptr; }
    static void close(wchar_t* text) noexcept { LocalFree(text); }
};

using UniqueHKey = Unique<RegistryKey>;
using UniqueHandle = Unique<KernelHandle>;
using UniqueBitmap = Unique<GdiBitmap>;
using UniqueTaskString = Unique<TaskMemoryString>;
using UniqueLocalString = Unique<LocalMemoryString>;

}  // namespace tessaly::win32
