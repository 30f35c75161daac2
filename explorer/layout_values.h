// The toolbar layout's registry values: how each is read back, whatever was stored, and how
// each is written. A value that is missing, unreadable or not convertible reads as nothing,
// so that every reader falls back to its own default.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/services.h"

namespace tessaly::explorer {

// Reading opens the key once, at the first read, and reads every value from it; writing
// drops what was opened, so a read after a write finds the value written.
class LayoutValues {
  public:
    // `key` is a path in the shell's form ending with a backslash.
    LayoutValues(platform::ShellRegistry& registry, std::u16string key)
        : registry_(registry), key_(std::move(key)) {}

    // 0 and "False" are false; any other number (FFFFFFFF reads as -1) and "True" are true.
    std::optional<bool> ReadBoolean(std::u16string_view name) const;
    // From a DWORD or from decimal text.
    std::optional<std::int32_t> ReadInt32(std::u16string_view name) const;
    // A string as stored; a DWORD as its decimal text.
    std::optional<std::u16string> ReadString(std::u16string_view name) const;

    // Typed "REG_DWORD": a Boolean true is stored as -1 (FFFFFFFF).
    void WriteDword(std::u16string_view name, std::int32_t value) const;
    void WriteDword(std::u16string_view name, bool value) const;
    // Without a type the value is stored as text.
    void WriteText(std::u16string_view name, const std::u16string& value) const;
    void WriteText(std::u16string_view name, std::int32_t value) const;
    void WriteText(std::u16string_view name, bool value) const;

  private:
    std::optional<platform::RegistryValue> Read(std::u16string_view name) const;
    void Write(std::u16string_view name, const platform::RegistryValue& value) const;

    platform::ShellRegistry& registry_;
    std::u16string key_;
    // Set once the key was opened or found missing (then `opened_` stays empty).
    mutable bool keyLookedUp_ = false;
    mutable std::unique_ptr<platform::OpenedKey> opened_;
};

}  // namespace tessaly::explorer
