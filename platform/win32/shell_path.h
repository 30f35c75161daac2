// The text form of registry paths that the shell's RegRead/RegWrite take, split into root,
// key and value. Pure string logic, free of Windows headers.
#pragma once

#include <optional>
#include <string_view>

namespace tessaly::win32 {

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

}  // namespace tessaly::win32
