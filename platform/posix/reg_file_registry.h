// The registry services on POSIX: the current user's hive lives in a .reg text file that
// other processes (test drivers, a previous run) may rewrite at any time.
#pragma once

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
// Values read as the shell's RegRead gives them: REG_SZ (also as hex(1)) as text up to its
// first NUL, REG_EXPAND_SZ (hex(2)) as that text with each %NAME% of a defined environment
// variable replaced, REG_DWORD (also as hex(4)) as a number. Every other type is an Error: the
// shell gives binary and multi-string data as arrays, which no reader converts, and fails on
// the rest.
//
// Thread-safe. Writers in different processes are serialized by an exclusive flock() on the
// file's directory, held while the file is read again, changed and replaced, so no writer loses
// a value another one wrote. Under that lock, temporary files left by a writer that died are
// removed.
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
    std::optional<std::vector<String>> SubkeyNames(std::u16string_view key) override;

    const std::filesystem::path& file() const noexcept { return file_; }

    // Called with the message of each failure to read, parse or replace the file, once until
    // the file can be used again (the failing call still throws).
    void setFailureReporter(std::function<void(const std::string&)> reporter);

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
    RegHive& loadFromFile(bool recheck);
    RegHive& loadReporting();
    void write(std::u16string_view key, std::u16string_view name, std::u16string_view path,
               const RegistryValue& value);
    void reportFailure(const Error& error);
    bool cacheIsTrusted(const FileStamp& current) const noexcept;
    std::filesystem::path writeTarget() const;
    FileStamp writeAtomically(const std::filesystem::path& target, const std::string& bytes);
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
    std::function<void(const std::string&)> reporter_;
    std::string reported_;  // the failure last reported, until the file works again
};

}  // namespace tessaly::platform::posix
