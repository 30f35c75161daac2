// The registry services on POSIX: the current user's hive lives in a .reg text file that
// other processes (test drivers, a previous run) may rewrite at any time.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/reg_file.h"
#include "platform/services.h"

namespace tessaly::platform::posix {

// Reads are served from a parsed copy of the file, parsed again only when the file's identity,
// size or times moved. A save takes an exclusive flock() on the file's directory, reads the file
// again, applies its values, replaces the file atomically (temporary file in the same directory,
// rename) in its encoding and line endings, and removes temporary files of writers that died
// mid-save. Writes made while a batch is open are saved once, when it closes. A missing file
// is an empty hive, saved as a new file at the first write; an existing empty one (no bytes, or
// a byte-order mark alone) is an error, as a file truncated to nothing. A file that cannot be
// read or parsed is never overwritten. Errors are platform::Error naming the file;
// read and parse errors have the form "FILE:LINE: message".
//
// Values of a hex(N) form read as ShellValue makes them, expanding %NAME% from the environment.
//
// Thread-safe; a batch groups the writes of every thread while it is open.
class RegFileRegistry final : public ShellRegistry, public RegistryKeys {
  public:
    explicit RegFileRegistry(std::filesystem::path file);

    // "HKCU\Key\...\Name" or "HKEY_CURRENT_USER\...". A trailing backslash names the key's
    // default value. Other roots read as std::nullopt and cannot be written.
    std::optional<RegistryValue> RegRead(std::u16string_view path) override;
    // A copy of the key's values: later changes to the file are not seen through it.
    std::unique_ptr<OpenedKey> OpenKey(std::u16string_view keyPath) override;
    void RegWrite(std::u16string_view path, const RegistryValue& value) override;
    // A failure to save the batch is reported (see setFailureReporter); its values are lost.
    void BeginBatch() noexcept override;
    void EndBatch() noexcept override;

    // `key` relative to HKEY_CURRENT_USER, optionally with a leading "HKCU\" or
    // "HKEY_CURRENT_USER\"; the empty key is the hive's root.
    std::optional<SubkeyList> SubkeyNames(std::u16string_view key) override;

    // Called with the message of each failure to read, parse or replace the file, once until
    // the file can be used again (the failing call still throws).
    void setFailureReporter(std::function<void(const std::string&)> reporter);

  private:
    // The file's device, inode, size and change times: a cheap check whether it moved.
    using Stamp = std::array<std::int64_t, 5>;
    struct Write {
        String key;
        String name;
        RegData data;
    };

    void load(bool reread);
    void adopt(RegHive hive, Stamp stamp, std::string bytes);
    void save();
    template <class F>
    void reporting(F&& action);
    [[noreturn]] void failRead(int error) const;

    const std::filesystem::path file_;
    const std::string name_;
    std::mutex mutex_;
    RegHive hive_;                // the file's content with pending_ applied
    std::string bytes_;           // what hive_ was parsed from or last saved as
    std::optional<Stamp> stamp_;  // of the file hive_ holds (Stamp{}: none); nullopt: not read
    std::vector<Write> pending_;  // written since the last save
    int batches_ = 0;             // open batches
    std::function<void(const std::string&)> reporter_;
    std::string reported_;  // the failure last reported, until the file works again
};

}  // namespace tessaly::platform::posix
