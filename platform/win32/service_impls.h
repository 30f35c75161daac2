// The Win32 service classes that Win32Platform wires together. Internal to the platform
// library and its tests; the rest of the add-in sees only platform::Services.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/services.h"

namespace tessaly::win32 {

// The registry through the Advapi32 functions. Reads ask only for query access, so keys that
// the user may read but not change are still readable.
class Win32Registry final : public platform::ShellRegistry, public platform::RegistryKeys {
  public:
    // REG_SZ is cut at its first NUL and REG_EXPAND_SZ is expanded, as the shell gives them;
    // a value of any other type than these and REG_DWORD throws platform::Error.
    std::optional<platform::RegistryValue> RegRead(std::u16string_view path) override;
    // Opens the key with query access only, as RegRead does.
    std::unique_ptr<platform::OpenedKey> OpenKey(std::u16string_view keyPath) override;
    // Writes REG_DWORD or REG_SZ.
    void RegWrite(std::u16string_view path, const platform::RegistryValue& value) override;
    std::optional<platform::SubkeyList> SubkeyNames(std::u16string_view key) override;
};

class Win32FileSystem final : public platform::FileSystem {
  public:
    std::optional<std::uint32_t> FileAttributesOf(std::u16string_view path) override;
};

class Win32VersionResources final : public platform::VersionResources {
  public:
    // Only string values ("\StringFileInfo\...") are answered; the result has the length
    // VerQueryValueW reports, which normally counts the terminating NUL.
    std::optional<platform::String> QueryValue(std::u16string_view file,
                                               std::u16string_view queryPath) override;
};

class Win32ProcessLauncher final : public platform::ProcessLauncher {
  public:
    bool Start(std::u16string_view commandLine) override;
};

// Thread timers (no window): each fires on the message loop of the thread that started it.
// Destroying the object kills the timers it still owns.
class Win32Timers final : public platform::SystemTimers {
  public:
    Win32Timers() = default;
    ~Win32Timers() override;
    Win32Timers(const Win32Timers&) = delete;
    Win32Timers& operator=(const Win32Timers&) = delete;

    std::uint32_t SetTimer(std::uint32_t elapse, TimerProc proc) override;
    bool KillTimer(std::uint32_t id) override;
    std::size_t live() const;
};

class Win32MessageBoxes final : public platform::MessageBoxes {
  public:
    void ShowMessage(std::u16string_view text, std::u16string_view title) override;
};

// Resources of one module (the add-in's DLL).
class Win32Resources final : public platform::Resources {
  public:
    explicit Win32Resources(HMODULE module) : module_(module) {}
    std::optional<platform::String> StringResource(std::uint16_t id) override;
    std::shared_ptr<platform::Picture> BitmapPicture(std::int32_t id) override;

  private:
    HMODULE module_;
};

}  // namespace tessaly::win32
