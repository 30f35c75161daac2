#include "platform/win32/shell_path.h"

#include <array>
#include <utility>

namespace tessaly::win32 {

namespace {

bool EqualsIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) noexcept {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char16_t c) {
            return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
        };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

constexpr std::array<std::pair<std::u16string_view, RegistryRoot>, 10> kRoots{{
    {u"HKCU", RegistryRoot::CurrentUser},
    {u"HKEY_CURRENT_USER", RegistryRoot::CurrentUser},
    {u"HKLM", RegistryRoot::LocalMachine},
    {u"HKEY_LOCAL_MACHINE", RegistryRoot::LocalMachine},
    {u"HKCR", RegistryRoot::ClassesRoot},
    {u"HKEY_CLASSES_ROOT", RegistryRoot::ClassesRoot},
    {u"HKU", RegistryRoot::Users},
    {u"HKEY_USERS", RegistryRoot::Users},
    {u"HKCC", RegistryRoot::CurrentConfig},
    {u"HKEY_CURRENT_CONFIG", RegistryRoot::CurrentConfig},
}};

std::optional<RegistryRoot> RootNamed(std::u16string_view name) noexcept {
    for (const auto& [text, root] : kRoots) {
        if (EqualsIgnoringAsciiCase(name, text)) {
            return root;
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<ShellPath> ParseShellPath(std::u16string_view path) {
    if (path.find(u'\0') != std::u16string_view::npos) {
        return std::nullopt;
    }
    const auto slash = path.find(u'\\');
    if (slash == std::u16string_view::npos) {
        return std::nullopt;
    }
    const auto root = RootNamed(path.substr(0, slash));
    if (!root) {
        return std::nullopt;
    }
    const auto rest = path.substr(slash + 1);
    const auto last = rest.rfind(u'\\');
    if (last == std::u16string_view::npos) {
        return ShellPath{*root, {}, rest};
    }
    return ShellPath{*root, rest.substr(0, last), rest.substr(last + 1)};
}

std::u16string_view CurrentUserRelativeKey(std::u16string_view key) {
    for (const std::u16string_view root :
         {std::u16string_view(u"HKCU"), std::u16string_view(u"HKEY_CURRENT_USER")}) {
        if (EqualsIgnoringAsciiCase(key, root)) {
            return {};
        }
        if (key.size() > root.size() && key[root.size()] == u'\\' &&
            EqualsIgnoringAsciiCase(key.substr(0, root.size()), root)) {
            key.remove_prefix(root.size() + 1);
            break;
        }
    }
    if (key.ends_with(u'\\')) {
        key.remove_suffix(1);
    }
    return key;
}

}  // namespace tessaly::win32
