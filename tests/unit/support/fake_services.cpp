#include "tests/unit/support/fake_services.h"

#include <algorithm>

namespace tessaly::testing {
namespace {

String keyOf(std::u16string_view path) {
    const auto slash = path.rfind(u'\\');
    return String(slash == std::u16string_view::npos ? path : path.substr(0, slash));
}

}  // namespace

std::optional<platform::RegistryValue> FakeRegistry::RegRead(std::u16string_view path) {
    if (failReads) {
        throw platform::Error("registry unreadable");
    }
    auto found = values.find(String(path));
    if (found == values.end()) {
        return std::nullopt;
    }
    return found->second;
}

namespace {

// Reads through the registry's RegRead, one path per value, as each read finds it.
class FakeOpenedKey final : public platform::OpenedKey {
  public:
    FakeOpenedKey(FakeRegistry& registry, std::u16string_view keyPath)
        : registry_(registry), keyPath_(keyPath) {}
    std::optional<platform::RegistryValue> Read(std::u16string_view name) override {
        if (!platform::IsValueName(name)) {
            throw platform::Error("not a value name");
        }
        return registry_.RegRead(keyPath_ + u"\\" + String(name));
    }

  private:
    FakeRegistry& registry_;
    String keyPath_;
};

}  // namespace

std::unique_ptr<platform::OpenedKey> FakeRegistry::OpenKey(std::u16string_view keyPath) {
    const bool unopenable =
        std::any_of(unopenableKeys.begin(), unopenableKeys.end(),
                    [&](const String& key) { return platform::equalsIgnoringCase(key, keyPath); });
    if (failReads || unopenable) {
        throw platform::Error("registry unreadable");
    }
    // A key exists when a value lies in it or below it.
    const String inside = String(keyPath) + u"\\";
    for (const auto& [path, value] : values) {
        if (platform::equalsIgnoringCase(String(path).substr(0, inside.size()), inside)) {
            return std::make_unique<FakeOpenedKey>(*this, keyPath);
        }
    }
    return nullptr;
}

void FakeRegistry::RegWrite(std::u16string_view path, const platform::RegistryValue& value) {
    if (failWrites) {
        throw platform::Error("registry not writable");
    }
    values[String(path)] = value;
    writes.emplace_back(path);
    unbatchedWrites += openBatches == 0 ? 1 : 0;
}

std::optional<platform::SubkeyList> FakeRegistry::SubkeyNames(std::u16string_view key) {
    if (failReads) {
        throw platform::Error("registry unreadable");
    }
    const String prefix = u"HKCU\\" + String(key) + u"\\";
    std::vector<String> names;
    bool exists = false;
    for (const auto& [path, value] : values) {
        const String k = keyOf(path) + u"\\";
        if (!platform::equalsIgnoringCase(k.substr(0, prefix.size()), prefix)) {
            continue;
        }
        exists = true;
        const String rest = k.substr(prefix.size());
        const String name = rest.substr(0, rest.find(u'\\'));
        const bool known = std::any_of(names.begin(), names.end(), [&](const String& n) {
            return platform::equalsIgnoringCase(n, name);
        });
        if (!name.empty() && !known) {
            names.push_back(name);
        }
    }
    if (!exists) {
        return std::nullopt;
    }
    std::sort(names.begin(), names.end(), platform::CaseInsensitiveLess{});
    if (failListingAfter && *failListingAfter < names.size()) {
        names.resize(*failListingAfter);
        return platform::SubkeyList{std::move(names), "enumeration failed"};
    }
    return platform::SubkeyList{std::move(names), std::nullopt};
}

std::optional<std::uint32_t> FakeFiles::FileAttributesOf(std::u16string_view path) {
    auto found = attributes.find(String(path));
    if (found == attributes.end()) {
        return std::nullopt;
    }
    return found->second;
}

std::optional<String> FakeVersions::QueryValue(std::u16string_view file,
                                               std::u16string_view query) {
    if (query != u"\\StringFileInfo\\040904b0\\ProductVersion") {
        return std::nullopt;
    }
    auto found = productVersions.find(String(file));
    if (found == productVersions.end()) {
        return std::nullopt;
    }
    return found->second;
}

bool FakeLauncher::Start(std::u16string_view commandLine) {
    started.emplace_back(commandLine);
    return !fail;
}

void FakeMessages::ShowMessage(std::u16string_view text, std::u16string_view title) {
    shown.push_back({String(text), String(title)});
}

std::optional<String> FakeResources::StringResource(std::uint16_t id) {
    auto found = strings.find(id);
    if (found == strings.end()) {
        return std::nullopt;
    }
    return found->second;
}

std::shared_ptr<platform::Picture> FakeResources::BitmapPicture(std::int32_t) {
    return nullptr;
}

}  // namespace tessaly::testing
