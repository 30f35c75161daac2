// The operating-system services the portable core stands on. Each has a Win32 and a POSIX
// implementation; tests substitute fakes where the real one cannot be controlled.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/picture.h"

namespace tessaly::platform {

using String = std::u16string;

// A service could not do what it was asked (a store that cannot be read or written, ...).
class Error : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A registry value: a REG_DWORD or a REG_SZ.
using RegistryValue = std::variant<std::uint32_t, String>;

// A key opened for reading its values (ShellRegistry::OpenKey).
class OpenedKey {
  public:
    virtual ~OpenedKey() = default;
    // The value `name` of the key ("" for its default value) as RegRead gives
    // "<the key's path>\<name>": std::nullopt when it does not exist; throws Error where
    // RegRead would, and for a name that is no value's (see IsValueName).
    virtual std::optional<RegistryValue> Read(std::u16string_view name) = 0;
};

// A value's name holds neither a backslash (RegRead's paths end at the last one) nor a NUL.
inline bool IsValueName(std::u16string_view name) noexcept {
    return name.find_first_of(std::u16string_view(u"\\\0", 2)) == std::u16string_view::npos;
}

// The shell object's RegRead/RegWrite, on paths in its text form:
// "HKCU\Software\...\Name" (a trailing backslash names the key's default value).
class ShellRegistry {
  public:
    virtual ~ShellRegistry() = default;
    // std::nullopt when the value or its key does not exist. Throws Error when the store
    // itself cannot be read.
    virtual std::optional<RegistryValue> RegRead(std::u16string_view path) = 0;
    // The key of RegRead's paths "<keyPath>\<name>", opened once for reading several of
    // its values: each RegRead opens the key again. Null when the key does not exist (or is
    // not in the store); throws Error where RegRead of a value of the key would, for
    // reasons of the key or the store.
    virtual std::unique_ptr<OpenedKey> OpenKey(std::u16string_view keyPath) = 0;
    // Creates the missing keys along the path. Throws Error on failure.
    virtual void RegWrite(std::u16string_view path, const RegistryValue& value) = 0;

    // Writes made while a batch is open (see RegistryBatch) may be stored together when the
    // outermost one closes. A write whose value cannot be taken still fails at once; a failure
    // to store the batch is the store's to report, and loses no value written before it.
    virtual void BeginBatch() noexcept {}
    virtual void EndBatch() noexcept {}
};

// Groups the writes of one save, so that a store kept in a file replaces it once.
class RegistryBatch {
  public:
    explicit RegistryBatch(ShellRegistry& registry) noexcept : registry_(registry) {
        registry_.BeginBatch();
    }
    ~RegistryBatch() { registry_.EndBatch(); }
    RegistryBatch(const RegistryBatch&) = delete;
    RegistryBatch& operator=(const RegistryBatch&) = delete;

  private:
    ShellRegistry& registry_;
};

// The subkey names of an opened key, in the order the Windows registry enumerates them.
struct SubkeyList {
    std::vector<String> names;
    // Set when the enumeration failed partway (not at its normal end): `names` then holds
    // the subkeys enumerated before the failure, which callers keep.
    std::optional<std::string> failure;

    bool operator==(const SubkeyList&) const = default;
};

// Subkeys of a key of the current user's hive, given relative to it ("Software\...").
class RegistryKeys {
  public:
    virtual ~RegistryKeys() = default;
    // std::nullopt when the key cannot be opened for reading. Throws Error when the store
    // itself cannot be read.
    virtual std::optional<SubkeyList> SubkeyNames(std::u16string_view key) = 0;
};

inline constexpr std::uint32_t kFileAttributeDirectory = 0x10;

class FileSystem {
  public:
    virtual ~FileSystem() = default;
    // The attribute bits, or std::nullopt when the path does not exist or cannot be queried.
    virtual std::optional<std::uint32_t> FileAttributesOf(std::u16string_view path) = 0;
};

class VersionResources {
  public:
    virtual ~VersionResources() = default;
    // The string at a query path such as "\StringFileInfo\040904b0\ProductVersion" of the
    // file's version resource, or std::nullopt when there is none.
    virtual std::optional<String> QueryValue(std::u16string_view file,
                                             std::u16string_view queryPath) = 0;
};

class ProcessLauncher {
  public:
    virtual ~ProcessLauncher() = default;
    // Starts one command line (Windows rules: the first token is the program) without
    // waiting for it. Returns false when the program could not be started, and refuses,
    // starting nothing, every line that IsStartableCommandLine rejects.
    virtual bool Start(std::u16string_view commandLine) = 0;
};

// CreateProcessW takes at most 32,767 characters, the terminating NUL included.
inline constexpr std::size_t kMaxCommandLineLength = 32766;

// Whether a launcher may try the line at all. Windows reads a command line up to its first
// NUL and cuts (or rejects) one that is too long, so either would start a program with
// another line than the one asked for; every launcher refuses both, so that a line starts
// on every platform or on none.
inline bool IsStartableCommandLine(std::u16string_view commandLine) noexcept {
    return !commandLine.empty() && commandLine.size() <= kMaxCommandLineLength &&
           commandLine.find(u'\0') == std::u16string_view::npos;
}

// One-shot use of periodic system timers: a timer fires every `elapse` milliseconds on the
// user-interface thread until it is killed.
class SystemTimers {
  public:
    using TimerProc = std::function<void(std::uint32_t id)>;
    virtual ~SystemTimers() = default;
    // Returns the new timer's identifier, unique among live timers; 0 when refused.
    virtual std::uint32_t SetTimer(std::uint32_t elapse, TimerProc proc) = 0;
    virtual bool KillTimer(std::uint32_t id) = 0;
};

class MessageBoxes {
  public:
    virtual ~MessageBoxes() = default;
    // Modal, OK button only, no icon. Returns when the user has dismissed it; timers keep
    // firing meanwhile.
    virtual void ShowMessage(std::u16string_view text, std::u16string_view title) = 0;
};

class Resources {
  public:
    virtual ~Resources() = default;
    // std::nullopt when the string table has no such id.
    virtual std::optional<String> StringResource(std::uint16_t id) = 0;
    // The bitmap resource as a picture object; nothing when it cannot be loaded.
    virtual std::shared_ptr<Picture> BitmapPicture(std::int32_t id) = 0;
};

// Handed by the library to the core; every service outlives the add-in objects.
struct Services {
    ShellRegistry& registry;
    RegistryKeys& registryKeys;
    FileSystem& files;
    VersionResources& versions;
    ProcessLauncher& processes;
    SystemTimers& timers;
    MessageBoxes& messages;
    Resources& resources;
};

}  // namespace tessaly::platform
