// The Win32 implementations of the platform services, wired into one struct.
#pragma once

#include <windows.h>

#include <memory>

#include "platform/services.h"

namespace tessaly::win32 {

// Everything the core needs from Windows, for one loaded module (the DLL or a test program).
class Win32Platform {
  public:
    explicit Win32Platform(HMODULE module);
    ~Win32Platform();
    Win32Platform(const Win32Platform&) = delete;
    Win32Platform& operator=(const Win32Platform&) = delete;

    platform::Services services();
    // Timers started and not yet killed; a module with live timers must stay loaded.
    std::size_t liveTimers() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace tessaly::win32
