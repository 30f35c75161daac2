#include "platform/posix/reg_file_registry.h"

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "platform/utf.h"

namespace tessaly::platform::posix {

namespace {

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) noexcept : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const noexcept { return fd_; }
    bool valid() const noexcept { return fd_ >= 0; }

  private:
    int fd_;
};

// Removes a temporary file unless it was renamed into place.
class TemporaryFile {
  public:
    explicit TemporaryFile(std::string path) : path_(std::move(path)) {}
    ~TemporaryFile() {
        if (!committed_) {
            ::unlink(path_.c_str());
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::string& path() const noexcept { return path_; }
    void commit() noexcept { committed_ = true; }

  private:
    std::string path_;
    bool committed_ = false;
};

std::int64_t nanoseconds(const timespec& t) {
    return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

std::int64_t wallClockNs() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return nanoseconds(now);
}

// File times come from the kernel's coarse clock, so two writes within one of its ticks can
// leave size and times identical. Content read less than this long after the file's last
// modification is re-checked on every access until the file has aged past it.
std::int64_t racyWindowNs() {
    timespec resolution{};
    std::int64_t tick = 10'000'000;
    if (::clock_getres(CLOCK_REALTIME_COARSE, &resolution) == 0) {
        tick = std::max(tick, 2 * nanoseconds(resolution));
    }
    return tick;
}

bool isCurrentUserRoot(std::u16string_view root) {
    return equalsIgnoringCase(root, u"HKCU") || equalsIgnoringCase(root, u"HKEY_CURRENT_USER");
}

struct ShellPath {
    std::u16string_view key;    // relative to the root
    std::u16string_view value;  // empty for the default value
};

// std::nullopt unless the path is under the current user's root.
std::optional<ShellPath> splitShellPath(std::u16string_view path) {
    const auto slash = path.find(u'\\');
    if (slash == std::u16string_view::npos || !isCurrentUserRoot(path.substr(0, slash))) {
        return std::nullopt;
    }
    const auto rest = path.substr(slash + 1);
    const auto last = rest.rfind(u'\\');
    if (last == std::u16string_view::npos) {
        return ShellPath{{}, rest};
    }
    return ShellPath{rest.substr(0, last), rest.substr(last + 1)};
}

std::string printable(std::u16string_view text) {
    try {
        return toUtf8(text);
    } catch (const UtfError&) {
        return "<invalid UTF-16>";
    }
}

RegData toRegData(const RegistryValue& value) {
    if (const auto* dword = std::get_if<std::uint32_t>(&value)) {
        return *dword;
    }
    return std::get<String>(value);
}

}  // namespace

// Watches the directory holding the file: a rename over the file, as every careful writer
// does, is only visible there. Every event queued by a change completes before the changing
// call returns, so an empty queue means nothing touched the file since the last drain.
class RegFileRegistry::Watch {
  public:
    explicit Watch(const std::filesystem::path& file) : name_(file.filename().string()) {
        std::error_code ec;
        const auto absolute = std::filesystem::absolute(file, ec);
        path_ = (ec ? file : absolute).string();
        directory_ = (ec ? file : absolute).parent_path().string();
    }
    ~Watch() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Watch(const Watch&) = delete;
    Watch& operator=(const Watch&) = delete;

    bool watching() const noexcept { return wd_ >= 0; }

    // Starts watching when possible. A file reached through a symbolic link is not watched:
    // its target may live in another directory.
    void ensure() noexcept {
        if (watching() || unavailable_ || directory_.empty()) {
            return;
        }
        if (fd_ < 0) {
            fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
            if (fd_ < 0) {
                unavailable_ = true;
                return;
            }
        }
        struct stat st {};
        if (::lstat(path_.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
            return;
        }
        wd_ = ::inotify_add_watch(fd_, directory_.c_str(),
                                  IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_MOVED_FROM |
                                      IN_MOVED_TO | IN_CREATE | IN_DELETE | IN_DELETE_SELF |
                                      IN_MOVE_SELF | IN_ONLYDIR);
    }

    // Drains the queue. True when something may have happened to the file, including the
    // watch itself breaking (the directory went away, events were lost).
    bool changed() noexcept {
        if (fd_ < 0) {
            return true;
        }
        bool relevant = false;
        bool broken = false;
        alignas(inotify_event) char buffer[4096];
        for (;;) {
            const auto n = ::read(fd_, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                broken = broken || (n < 0 && errno != EAGAIN);
                break;
            }
            for (std::size_t at = 0; at + sizeof(inotify_event) <= static_cast<std::size_t>(n);) {
                inotify_event event{};
                std::memcpy(&event, buffer + at, sizeof event);
                const char* name = buffer + at + sizeof event;
                at += sizeof event + event.len;
                if (event.mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT)) {
                    broken = true;
                } else if (event.mask & IN_Q_OVERFLOW) {
                    relevant = true;
                } else if (event.len > 0 && name_ == name) {
                    relevant = true;
                }
            }
        }
        if (broken && wd_ >= 0) {
            ::inotify_rm_watch(fd_, wd_);
            wd_ = -1;
        }
        return relevant || broken || !watching();
    }

  private:
    std::string name_;
    std::string path_;
    std::string directory_;
    int fd_ = -1;
    int wd_ = -1;
    bool unavailable_ = false;
};

RegFileRegistry::RegFileRegistry(std::filesystem::path file)
    : file_(std::move(file)),
      fileName_(file_.string()),
      racyWindowNs_(racyWindowNs()),
      watch_(std::make_unique<Watch>(file_)) {}

RegFileRegistry::~RegFileRegistry() = default;

void RegFileRegistry::failSystem(std::string_view action, int error, bool withLine) const {
    std::string message = fileName_;
    if (withLine) {
        message += ":1";  // read failures keep the FILE:LINE: shape of every other read error
    }
    message += ": ";
    message += action;
    message += ": ";
    message += std::generic_category().message(error);
    throw Error(message);
}

RegFileRegistry::FileStamp RegFileRegistry::stampOf(const struct stat& st) noexcept {
    return FileStamp{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
                     static_cast<std::int64_t>(st.st_size), nanoseconds(st.st_mtim),
                     nanoseconds(st.st_ctim)};
}

bool RegFileRegistry::cacheIsTrusted(const FileStamp& current) const noexcept {
    return loaded_ && stamp_ && *stamp_ == current &&
           current.modifiedNs + racyWindowNs_ < verifiedAtNs_;
}

RegHive& RegFileRegistry::load() {
    if (watchVerified_ && watch_->watching() && !watch_->changed()) {
        return hive_;
    }
    watchVerified_ = false;
    watch_->ensure();
    // Whatever is queued now predates the checks below; later changes stay queued.
    watch_->changed();
    RegHive& hive = loadFromFile();
    watchVerified_ = watch_->watching();
    return hive;
}

RegHive& RegFileRegistry::loadFromFile() {
    const auto now = wallClockNs();
    const auto missing = [&]() -> RegHive& {
        if (!loaded_ || stamp_) {
            hive_ = RegHive();
            bytes_.clear();
            stamp_.reset();
            loaded_ = true;
        }
        return hive_;
    };

    struct stat st {};
    if (::stat(fileName_.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return missing();
        }
        failSystem("cannot read", errno, true);
    }
    if (cacheIsTrusted(stampOf(st))) {
        return hive_;
    }

    const FileDescriptor fd(::open(fileName_.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid()) {
        if (errno == ENOENT) {
            return missing();
        }
        failSystem("cannot read", errno, true);
    }
    if (::fstat(fd.get(), &st) != 0) {
        failSystem("cannot read", errno, true);
    }
    if (!S_ISREG(st.st_mode)) {
        failSystem("cannot read", EINVAL, true);
    }
    std::string bytes(static_cast<std::size_t>(st.st_size) + 1, '\0');
    std::size_t used = 0;
    for (;;) {
        if (used == bytes.size()) {
            bytes.resize(bytes.size() * 2);
        }
        const auto n = ::read(fd.get(), bytes.data() + used, bytes.size() - used);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            failSystem("cannot read", errno, true);
        }
        if (n == 0) {
            break;
        }
        used += static_cast<std::size_t>(n);
    }
    bytes.resize(used);

    if (!(loaded_ && stamp_ && bytes == bytes_)) {
        loaded_ = false;
        hive_ = parseRegFile(bytes, fileName_);
        bytes_ = std::move(bytes);
    }
    stamp_ = stampOf(st);
    verifiedAtNs_ = now;
    loaded_ = true;
    return hive_;
}

std::optional<RegistryValue> RegFileRegistry::RegRead(std::u16string_view path) {
    const auto target = splitShellPath(path);
    if (!target) {
        return std::nullopt;
    }
    const std::lock_guard lock(mutex_);
    const RegHive& hive = load();
    const auto key = hive.findKey(target->key);
    if (!key) {
        return std::nullopt;
    }
    const RegData* data = hive.findValue(*key, target->value);
    if (data == nullptr) {
        return std::nullopt;
    }
    if (const auto* dword = std::get_if<std::uint32_t>(data)) {
        return RegistryValue(*dword);
    }
    if (const auto* text = std::get_if<std::u16string>(data)) {
        return RegistryValue(*text);
    }
    return std::nullopt;
}

std::optional<SubkeyList> RegFileRegistry::SubkeyNames(std::u16string_view key) {
    for (const std::u16string_view root : {u"HKCU", u"HKEY_CURRENT_USER"}) {
        if (equalsIgnoringCase(key, root)) {
            key = {};
            break;
        }
        if (key.size() > root.size() && key[root.size()] == u'\\' &&
            equalsIgnoringCase(key.substr(0, root.size()), root)) {
            key.remove_prefix(root.size() + 1);
            break;
        }
    }
    if (key.ends_with(u'\\')) {
        key.remove_suffix(1);
    }
    const std::lock_guard lock(mutex_);
    const RegHive& hive = load();
    const auto id = hive.findKey(key);
    if (!id) {
        return std::nullopt;
    }
    return SubkeyList{hive.subkeyNames(*id), std::nullopt};  // held whole: no partial listing
}

void RegFileRegistry::RegWrite(std::u16string_view path, const RegistryValue& value) {
    const auto target = splitShellPath(path);
    if (!target) {
        throw Error(fileName_ + ": cannot write \"" + printable(path) +
                    "\": only HKEY_CURRENT_USER (HKCU) can be written");
    }
    const std::lock_guard lock(mutex_);
    RegHive& hive = load();
    const auto startedNs = wallClockNs();
    try {
        hive.setValue(target->key, target->value, toRegData(value));
    } catch (const std::invalid_argument& e) {
        throw Error(fileName_ + ": cannot write \"" + printable(path) + "\": " + e.what());
    }
    // From here on the cached hive no longer matches the file until the rename succeeds.
    try {
        auto bytes = serializeRegFile(hive);
        const auto stamp = writeAtomically(bytes);
        bytes_ = std::move(bytes);
        stamp_ = stamp;
        verifiedAtNs_ = startedNs;
    } catch (...) {
        loaded_ = false;
        watchVerified_ = false;
        throw;
    }
}

RegFileRegistry::FileStamp RegFileRegistry::writeAtomically(const std::string& bytes) {
    // Replace what a symbolic link points to (which need not exist yet), not the link.
    std::filesystem::path target = file_;
    std::error_code ec;
    for (int hops = 0; hops < 40; ++hops) {
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(target, ec))) {
            break;
        }
        auto next = std::filesystem::read_symlink(target, ec);
        if (ec) {
            break;
        }
        target = next.is_absolute() ? std::move(next) : target.parent_path() / next;
    }
    auto directory = target.parent_path();
    if (directory.empty()) {
        directory = ".";
    }
    std::filesystem::create_directories(directory, ec);
    if (ec) {
        failSystem("cannot create the directory", ec.value(), false);
    }

    static std::atomic<unsigned> counter{0};
    std::string tempName;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        tempName =
            (directory / ("." + target.filename().string() + "." + std::to_string(::getpid()) +
                          "." + std::to_string(counter.fetch_add(1)) + ".tmp"))
                .string();
        fd = ::open(tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            failSystem("cannot create a temporary file", errno, false);
        }
    }
    if (fd < 0) {
        failSystem("cannot create a temporary file", EEXIST, false);
    }
    const FileDescriptor file(fd);
    TemporaryFile temporary(tempName);

    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
        ::fchmod(file.get(), st.st_mode & 07777);  // best effort: keep the old permissions
    }
    std::size_t written = 0;
    while (written < bytes.size()) {
        const auto n = ::write(file.get(), bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            failSystem("cannot write", errno, false);
        }
        written += static_cast<std::size_t>(n);
    }
    if (::fsync(file.get()) != 0) {
        failSystem("cannot write", errno, false);
    }
    if (::rename(temporary.path().c_str(), target.c_str()) != 0) {
        failSystem("cannot replace", errno, false);
    }
    temporary.commit();

    // Make the rename itself durable; not every file system can sync a directory.
    if (const FileDescriptor dir(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        dir.valid()) {
        ::fsync(dir.get());
    }
    if (::fstat(file.get(), &st) != 0) {
        failSystem("cannot read back", errno, false);
    }
    return stampOf(st);
}

}  // namespace tessaly::platform::posix
