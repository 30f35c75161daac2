#include "platform/shell_registry.h"

#include <array>
#include <utility>

#include "platform/case_fold.h"
#include "platform/utf.h"

namespace tessaly::platform {

namespace {

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
        if (equalsIgnoringAsciiCase(name, text)) {
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
        if (equalsIgnoringAsciiCase(key, root)) {
            return {};
        }
        if (key.size() > root.size() && key[root.size()] == u'\\' &&
            equalsIgnoringAsciiCase(key.substr(0, root.size()), root)) {
            key.remove_prefix(root.size() + 1);
            break;
        }
    }
    if (key.ends_with(u'\\')) {
        key.remove_suffix(1);
    }
    return key;
}

RegistryValue ShellValue(std::uint32_t type, std::string_view data, std::u16string_view path,
                         const std::function<String(const String&)>& expand) {
    const String units = fromUtf16Le(data);
    const String text = units.substr(0, units.find(u'\0'));
    const std::string where = "RegRead: \"" + toPrintableUtf8(path) + "\" ";
    switch (type) {
        case 1:  // REG_SZ
            return text;
        case 2:  // REG_EXPAND_SZ
            return expand(text);
        case 4:  // REG_DWORD
            if (data.size() != 4) {
                throw Error(where + "is a REG_DWORD of " + std::to_string(data.size()) + " bytes");
            }
            return units[0] | std::uint32_t{units[1]} << 16;
        default:
            throw Error(where + "has the unsupported registry type " + std::to_string(type));
    }
}

}  // namespace tessaly::platform
