// Finds the softphone installations registered for the current user and selects one.
#include <algorithm>
#include <memory>
#include <string>

#include "softphone/common.h"

namespace tessaly::softphone {
namespace {

// Enumeration stops at a name that does not fit the 259-character buffer the registry
// is asked with, keeping what came before it.
constexpr std::size_t kMaxSubkeyName = 258;

std::vector<String> SplitKeepingEmpty(const String& text, char16_t separator) {
    std::vector<String> pieces;
    if (text.empty()) {
        return pieces;
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(separator, start);
        pieces.push_back(text.substr(start, end - start));
        if (end == String::npos) {
            return pieces;
        }
        start = end + 1;
    }
}

// The shell's RegRead gives numbers as their decimal text when read as a string.
std::optional<String> AsText(const std::optional<platform::RegistryValue>& value) {
    if (!value) {
        return std::nullopt;
    }
    if (const auto* text = std::get_if<String>(&*value)) {
        return *text;
    }
    return DecimalText(std::get<std::uint32_t>(*value));
}

// An installation's key, opened once for its three values; null when it cannot be opened,
// since none of its values could be read then either: it is skipped as one without AppPath.
std::unique_ptr<platform::OpenedKey> OpenInstallation(platform::ShellRegistry& registry,
                                                      const String& path) {
    try {
        return registry.OpenKey(path);
    } catch (const std::exception&) {
        return nullptr;
    }
}

bool StartsWith(std::u16string_view text, std::u16string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// The installations whose GUIDs the preferred list names, in its order, then the rest in
// their enumeration order.
std::vector<PhoneInfo> PreferredFirst(std::vector<PhoneInfo> found,
                                      const std::vector<String>& preferred) {
    std::vector<PhoneInfo> ordered;
    ordered.reserve(found.size());
    for (const String& guid : preferred) {
        auto match = std::find_if(found.begin(), found.end(),
                                  [&](const PhoneInfo& p) { return p.sGUID == guid; });
        if (match != found.end()) {
            ordered.push_back(std::move(*match));
            found.erase(match);
        }
    }
    for (PhoneInfo& phone : found) {
        ordered.push_back(std::move(phone));
    }
    return ordered;
}

}  // namespace

void Common::FindSoftphones() {
    const PhoneInfo* previous = SelectedPhone();
    const String previousGUID = previous ? previous->sGUID : String{};
    const std::vector<String> preferred = SplitKeepingEmpty(sPreferredGUIDs, u';');
    colPhones = PreferredFirst(ListInstallations(), preferred);
    SelectPhone(previousGUID);
}

std::vector<PhoneInfo> Common::ListInstallations() {
    std::vector<PhoneInfo> found;
    try {
        const String prefix =
            StartsWith(sSoftphoneKey, u"HKCU") || StartsWith(sSoftphoneKey, u"HKEY_CURRENT_USER")
                ? sSoftphoneKey
                : u"HKCU\\" + sSoftphoneKey;
        // A listing that failed partway still names the subkeys before the failure; they are
        // examined like any others, as the enumeration would have reached them.
        auto listed = services_.registryKeys.SubkeyNames(sSoftphoneKey);
        const std::vector<String> names = listed ? std::move(listed->names) : std::vector<String>{};
        for (const String& enumerated : names) {
            if (enumerated.size() > kMaxSubkeyName) {
                break;
            }
            if (auto phone = ReadInstallation(prefix, TrimAtNull(enumerated))) {
                found.push_back(std::move(*phone));
            }
        }
    } catch (const std::exception&) {
        // What was accepted before the failure is kept.
    }
    return found;
}

std::optional<PhoneInfo> Common::ReadInstallation(const String& prefix, const String& name) {
    const auto key = OpenInstallation(services_.registry, prefix + u"\\" + name);
    if (!key) {
        return std::nullopt;
    }
    const auto readText = [&](const char16_t* value) -> std::optional<String> {
        try {
            return AsText(key->Read(value));
        } catch (const std::exception&) {
            return std::nullopt;
        }
    };
    const auto appPath = readText(u"AppPath");
    if (!appPath) {
        return std::nullopt;
    }
    PhoneInfo phone{name, *appPath, readText(u"CmdLineParams").value_or(String{}),
                    readText(u"PersonalDataRootDir").value_or(String{})};
    // Only an installation whose program is there, and whose data folder (when it names one)
    // is a folder, can dial.
    const bool pathExists = services_.files.FileAttributesOf(phone.sPath).has_value();
    const auto dataDir = phone.sAdditionalValue.empty()
                             ? std::optional<std::uint32_t>{}
                             : services_.files.FileAttributesOf(phone.sAdditionalValue);
    const bool dataDirUsable = phone.sAdditionalValue.empty() ||
                               (dataDir && (*dataDir & platform::kFileAttributeDirectory) != 0);
    if (!pathExists || !dataDirUsable) {
        return std::nullopt;
    }
    return phone;
}

void Common::SelectPhone(const String& previousGUID) {
    if (bUseFirstFound) {
        lSelectedPhone = colPhones.empty() ? 0 : 1;
        return;
    }
    // The installation selected before stays selected where it is still found; else the first.
    const auto kept = std::find_if(colPhones.rbegin(), colPhones.rend(),
                                   [&](const PhoneInfo& p) { return p.sGUID == previousGUID; });
    lSelectedPhone =
        kept == colPhones.rend() ? 1 : static_cast<std::int32_t>(colPhones.rend() - kept);
}

const PhoneInfo* Common::SelectedPhone() const {
    if (lSelectedPhone < 1 || static_cast<std::size_t>(lSelectedPhone) > colPhones.size()) {
        return nullptr;
    }
    return &colPhones[static_cast<std::size_t>(lSelectedPhone - 1)];
}

}  // namespace tessaly::softphone
