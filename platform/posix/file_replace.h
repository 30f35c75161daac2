// Replacing a file whole, so that readers see the old content or the new one and never a part
// of one, among writers that may run in other processes and may be killed mid-save. Errors are
// platform::Error "FILE: action: system message".
#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <string_view>

namespace tessaly::platform::posix {

// An open file descriptor (or -1), closed when destroyed.
class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) noexcept : fd_(fd) {}
    ~FileDescriptor();
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const noexcept { return fd_; }

  private:
    int fd_;
};

// An exclusive flock() on the directory of `file`, which is created when missing. Writers that
// hold it take turns; each removes, first, the temporary files of writers that died mid-save.
class ReplaceLock {
  public:
    explicit ReplaceLock(const std::filesystem::path& file);

  private:
    FileDescriptor directory_;
};

// Writes `bytes` to a temporary file ".NAME.PID.N.tmp" beside `file`, flushes it to disk and
// renames it over `file`, keeping the old file's permissions. Call with a ReplaceLock held.
// Returns the new file's status.
struct stat replaceFile(const std::filesystem::path& file, std::string_view bytes);

}  // namespace tessaly::platform::posix
