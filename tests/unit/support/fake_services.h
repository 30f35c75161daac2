// Platform services for unit tests: in-memory, observable, and able to fail on demand.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "explorer/library.h"
#include "harness/outlook/event_loop.h"
#include "platform/case_fold.h"
#include "platform/services.h"

namespace tessaly::testing {

using platform::String;

class FakeRegistry : public platform::ShellRegistry, public platform::RegistryKeys {
  public:
    std::optional<platform::RegistryValue> RegRead(std::u16string_view path) override;
    std::unique_ptr<platform::OpenedKey> OpenKey(std::u16string_view keyPath) override;
    void RegWrite(std::u16string_view path, const platform::RegistryValue& value) override;
    std::optional<platform::SubkeyList> SubkeyNames(std::u16string_view key) override;
    void BeginBatch() noexcept override { ++openBatches; }
    void EndBatch() noexcept override { batches += --openBatches == 0 ? 1 : 0; }

    // Full paths, compared without regard to case as the registry does.
    std::map<String, platform::RegistryValue, platform::CaseInsensitiveLess> values;
    bool failReads = false;
    // Keys (as OpenKey is given them) that exist but cannot be opened, as one the user may
    // not read.
    std::vector<String> unopenableKeys;
    // When set, every listing fails after this many names, as an enumeration can midway.
    std::optional<std::size_t> failListingAfter;
    bool failWrites = false;
    std::vector<String> writes;  // paths, in order
    int openBatches = 0;
    int batches = 0;                  // outermost batches closed
    std::size_t unbatchedWrites = 0;  // made while no batch was open
};

class FakeFiles : public platform::FileSystem {
  public:
    std::optional<std::uint32_t> FileAttributesOf(std::u16string_view path) override;
    std::map<String, std::uint32_t> attributes;
};

class FakeVersions : public platform::VersionResources {
  public:
    std::optional<String> QueryValue(std::u16string_view file, std::u16string_view query) override;
    std::map<String, String> productVersions;  // file → ProductVersion
};

class FakeLauncher : public platform::ProcessLauncher {
  public:
    bool Start(std::u16string_view commandLine) override;
    std::vector<String> started;
    bool fail = false;
};

class FakeMessages : public platform::MessageBoxes {
  public:
    void ShowMessage(std::u16string_view text, std::u16string_view title) override;
    struct Shown {
        String text;
        String title;
    };
    std::vector<Shown> shown;
};

class FakeResources : public platform::Resources {
  public:
    std::optional<String> StringResource(std::uint16_t id) override;
    std::shared_ptr<platform::Picture> BitmapPicture(std::int32_t id) override;
    std::map<std::uint16_t, String> strings;
};

// Every fake, wired into a Library the way the DLL and tessaly-sim wire the real ones.
struct FakePlatform {
    FakeRegistry registry;
    FakeFiles files;
    FakeVersions versions;
    FakeLauncher launcher;
    host::sim::EventLoop loop;
    FakeMessages messages;
    FakeResources resources;

    platform::Services services() {
        return platform::Services{registry, registry, files,    versions,
                                  launcher, loop,     messages, resources};
    }
};

}  // namespace tessaly::testing
