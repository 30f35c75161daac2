#include "platform/posix/file_replace.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>
#include <system_error>

#include "platform/services.h"

namespace tessaly::platform::posix {

namespace {

std::filesystem::path directoryOf(const std::filesystem::path& file) {
    return file.has_parent_path() ? file.parent_path() : ".";
}

std::string temporaryPrefix(const std::filesystem::path& file) {
    return "." + file.filename().string() + ".";
}

[[noreturn]] void fail(const std::filesystem::path& file, std::string_view action, int error) {
    throw Error(file.string() + ": " + std::string(action) + ": " +
                std::generic_category().message(error));
}

// Called with the lock held, so no writer that locks is between creating and renaming its
// temporary file; one whose process is gone was killed mid-save. A file of a live process is
// left alone (a writer that does not lock, or a reused process id).
void removeStaleTemporaries(const std::filesystem::path& file) {
    const std::string prefix = temporaryPrefix(file);
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(directoryOf(file).c_str()), ::closedir);
    while (const dirent* entry = dir ? ::readdir(dir.get()) : nullptr) {
        const std::string_view name(entry->d_name);
        int pid = 0;
        unsigned sequence = 0;
        int end = 0;
        if (name.starts_with(prefix) &&
            std::sscanf(entry->d_name + prefix.size(), "%d.%u.tmp%n", &pid, &sequence, &end) == 2 &&
            prefix.size() + static_cast<std::size_t>(end) == name.size() && pid > 0 &&
            ::kill(pid, 0) != 0 && errno == ESRCH) {
            ::unlinkat(::dirfd(dir.get()), entry->d_name, 0);
        }
    }
}

}  // namespace

FileDescriptor::~FileDescriptor() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

ReplaceLock::ReplaceLock(const std::filesystem::path& file)
    : directory_([&] {
          std::error_code ec;
          std::filesystem::create_directories(directoryOf(file), ec);
          if (ec) {
              fail(file, "cannot create the directory", ec.value());
          }
          return ::open(directoryOf(file).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      }()) {
    if (directory_.get() < 0 || ::flock(directory_.get(), LOCK_EX) != 0) {
        fail(file, "cannot lock the directory", errno);
    }
    removeStaleTemporaries(file);
}

struct stat replaceFile(const std::filesystem::path& file, std::string_view bytes) {
    static std::atomic<unsigned> counter{0};
    const std::string temporary = (directoryOf(file) / temporaryPrefix(file)).string() +
                                  std::to_string(::getpid()) + "." + std::to_string(counter++) +
                                  ".tmp";
    const FileDescriptor out(
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (out.get() < 0) {
        fail(file, "cannot create a temporary file", errno);
    }
    struct stat st {};
    if (::stat(file.c_str(), &st) == 0) {
        ::fchmod(out.get(), st.st_mode & 07777);  // best effort: keep the old permissions
    }
    const auto failRemoving = [&](const char* action) {
        const int error = errno;
        ::unlink(temporary.c_str());
        fail(file, action, error);
    };
    for (std::size_t done = 0; done < bytes.size();) {
        const auto n = ::write(out.get(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno != EINTR) {
            failRemoving("cannot write");
        }
        done += static_cast<std::size_t>(std::max<ssize_t>(n, 0));
    }
    // On disk before the rename, so a crash leaves the old file or the whole new one.
    if (::fsync(out.get()) != 0) {
        failRemoving("cannot write");
    }
    if (::rename(temporary.c_str(), file.c_str()) != 0) {
        failRemoving("cannot replace");
    }
    if (::fstat(out.get(), &st) != 0) {
        fail(file, "cannot read back", errno);
    }
    return st;
}

}  // namespace tessaly::platform::posix
