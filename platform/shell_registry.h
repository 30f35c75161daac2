// What both registry stores share with the shell's RegRead/RegWrite: the text form of their
// paths, split into root, key and value, and what a read makes of a value's typed data. Pure
// logic, free of Windows headers.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "platform/services.h"

namespace tessaly::platform {

enum class RegistryRoot { CurrentUser, LocalMachine, ClassesRoot, Users, CurrentConfig };

struct ShellPath {
    RegistryRoot root;
    std::u16string_view key;    // below the root; empty for the root itself
    std::u16string_view value;  // empty for the key's default value
};

// "HKCU\Software\X\Name" → {CurrentUser, "Software\X", "Name"}; "HKCU\Software\X\" names the
// default value of Software\X. Roots are accepted in short and long form without regard to
// case. std::nullopt for an unknown root, a path without any backslash, or one holding a NUL
// (which the registry functions would silently cut the path at).
std::optional<ShellPath> ParseShellPath(std::u16string_view path);

// A key for the current user's hive as callers give it: relative ("Software\X"), or with a
// leading "HKCU\" or "HKEY_CURRENT_USER\", or with a trailing backslash. Returns the part
// relative to the hive's root (empty for the root itself).
std::u16string_view CurrentUserRelativeKey(std::u16string_view key);

// What RegRead gives for the data of a value of registry type `type`: REG_SZ as its text up to
// the first NUL, REG_EXPAND_SZ as that text passed through `expand`, REG_DWORD as the number
// its four little-endian bytes make. Any other type, or a REG_DWORD of another size, throws
// Error naming `path`.
RegistryValue ShellValue(std::uint32_t type, std::string_view data, std::u16string_view path,
                         const std::function<String(const String&)>& expand);

}  // namespace tessaly::platform
