// The registry services on POSIX: the current user's hive lives in a .reg text file that
// other processes (test drivers, a previous run) may rewrite at any time.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/reg_file.h"
#include "platform/services.h"

struct stat;

namespace tessaly::platform::posix {

// Reads are served from a parsed copy of the file that is re-parsed only when the file's
// identity, size or change times move. While the file's directory can be watched (inotify),
// even that check is skipped until something happens to the file, so a discovery pass of
// thousands of reads costs one cheap non-blocking read() each. Writes rewrite the whole file
// atomically (temporary file in the same directory, fsync, rename), keeping its encoding and line
// endings; a file that cannot be read or parsed is never overwritten. Errors are platform::Error
// naming the file; parse and read errors have the form "FILE:LINE: message".
//
// Thread-safe. Writers in different processes are not serialized against each other: the
// last rename wins.
class RegFileRegistry final : public ShellRegistry, public RegistryKeys {
  public:
    explicit RegFileRegistry(std::filesystem::path file);
    ~RegFileRegistry() override;

    RegFileRegistry(const RegFileRegistry&) = delete;
    RegFileRegistry& operator=(const RegFileRegistry&) = delete;

    // "HKCU\Key\...\Name" or "HKEY_CURRENT_USER\...". A trailing backslash names the key's
    // default value. Other roots read as std::nullopt and cannot be written.
    std::optional<RegistryValue> RegRead(std::u16string_view path) override;
    void RegWrite(std::u16string_view path, const RegistryValue& value) override;

    // `key` relative to HKEY_CURRENT_USER, optionally with a leading "HKCU\" or
    // "HKEY_CURRENT_USER\"; the empty key is the hive's root.
    std::optional<SubkeyList> SubkeyNames(std::u16string_view key) override;

    const std::filesystem::path& file() const noexcept { return file_; }

  private:
    struct FileStamp {
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        std::int64_t size = 0;
        std::int64_t modifiedNs = 0;
        std::int64_t changedNs = 0;
        bool operator==(const FileStamp&) const = default;
    };

    static FileStamp stampOf(const struct stat& st) noexcept;
    RegHive& load();
    RegHive& loadFromFile();
    bool cacheIsTrusted(const FileStamp& current) const noexcept;
    FileStamp writeAtomically(const std::string& bytes);
    [[noreturn]] void failSystem(std::string_view action, int error, bool withLine) const;

    class Watch;

    const std::filesystem::path file_;
    const std::string fileName_;
    const std::int64_t racyWindowNs_;
    std::mutex mutex_;
    std::unique_ptr<Watch> watch_;
    bool watchVerified_ = false;  // the cache matched the file when the watch's queue was empty
    bool loaded_ = false;
    RegHive hive_;
    std::string bytes_;               // what hive_ was parsed from (or last written)
    std::optional<FileStamp> stamp_;  // std::nullopt while the file does not exist
    std::int64_t verifiedAtNs_ = 0;   // wall clock just before bytes_ was last confirmed
};

}  // namespace tessaly::platform::posix
