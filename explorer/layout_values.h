// The toolbar layout's registry values: how each is read back, whatever was stored, and how
// each is written. A value that is missing, unreadable or not convertible reads as nothing,
// so that every reader falls back to its own default.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/services.h"

namespace tessaly::explorer {

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
};

}  // namespace tessaly::explorer
