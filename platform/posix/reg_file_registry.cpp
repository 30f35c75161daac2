#include "platform/posix/reg_file_registry.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>
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

constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;
constexpr std::uint32_t kRegDword = 4;

String textUpToNul(std::string_view bytes) {
    String text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto unit = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                                (static_cast<unsigned char>(bytes[i + 1]) << 8));
        if (unit == u'\0') {
            break;
        }
        text += unit;
    }
    return text;
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

// Windows looks environment variables up without regard to case; here the exact spelling
// wins over another one.
std::optional<String> environmentValue(std::u16string_view name) {
    std::string key;
    try {
        key = toUtf8(name);
    } catch (const UtfError&) {
        return std::nullopt;
    }
    if (key.empty() || key.find_first_of("=") != std::string::npos) {
        return std::nullopt;
    }
    const char* value = std::getenv(key.c_str());
    for (char** entry = environ; value == nullptr && entry != nullptr && *entry != nullptr;
         ++entry) {
        const std::string_view pair(*entry);
        const auto equals = pair.find('=');
        if (equals != std::string_view::npos &&
            equalsIgnoringAsciiCase(pair.substr(0, equals), key)) {
            value = *entry + equals + 1;
        }
    }
    if (value == nullptr) {
        return std::nullopt;
    }
    try {
        return fromUtf8(value);
    } catch (const UtfError&) {
        return std::nullopt;
    }
}

// As ExpandEnvironmentStrings: "%NAME%" of a defined variable becomes its value; anything
// else, including "%%" and an undefined "%NAME%", stays as written, and scanning goes on
// after the closing '%'.
String expandEnvironment(std::u16string_view text) {
    String out;
    for (std::size_t i = 0; i < text.size();) {
        const auto close = text[i] == u'%' ? text.find(u'%', i + 1) : std::u16string_view::npos;
        if (close == std::u16string_view::npos) {
            out += text[i++];
            continue;
        }
        if (const auto value = environmentValue(text.substr(i + 1, close - i - 1))) {
            out += *value;
        } else {
            out += text.substr(i, close - i + 1);
        }
        i = close + 1;
    }
    return out;
}

RegistryValue typedValue(const RegRawValue& raw, std::u16string_view path) {
    const RegTypedBytes typed = decodeRawValue(raw);
    switch (typed.type) {
        case kRegSz:
            return textUpToNul(typed.bytes);
        case kRegExpandSz:
            return expandEnvironment(textUpToNul(typed.bytes));
        case kRegDword:
            if (typed.bytes.size() == 4) {
                std::uint32_t number = 0;
                for (int i = 3; i >= 0; --i) {
                    number = (number << 8) | static_cast<unsigned char>(typed.bytes[i]);
                }
                return number;
            }
            throw Error("RegRead: \"" + printable(path) + "\" is a REG_DWORD of " +
                        std::to_string(typed.bytes.size()) + " bytes");
        default:
            throw Error("RegRead: \"" + printable(path) + "\" has the unsupported registry type " +
                        std::to_string(typed.type));
    }
}

// Holds an exclusive flock() on a directory. Every writer takes the lock of the directory
// holding the file, since the file itself is replaced (a new inode) by every save.
class DirectoryLock {
  public:
    explicit DirectoryLock(const std::filesystem::path& directory)
        : fd_(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        if (!fd_.valid()) {
            error_ = errno;
            return;
        }
        while (::flock(fd_.get(), LOCK_EX) != 0) {
            if (errno != EINTR) {
                error_ = errno;
                return;
            }
        }
    }
    // 0 once locked; the lock goes with the descriptor.
    int error() const noexcept { return error_; }

  private:
    FileDescriptor fd_;
    int error_ = 0;
};

constexpr std::string_view kTemporarySuffix = ".tmp";

std::string temporaryName(const std::string& fileName, unsigned sequence) {
    return "." + fileName + "." + std::to_string(::getpid()) + "." + std::to_string(sequence) +
           std::string(kTemporarySuffix);
}

// The writer's process id when `name` is one of our temporary files for `fileName`.
std::optional<pid_t> temporaryOwner(std::string_view name, const std::string& fileName) {
    const std::string prefix = "." + fileName + ".";
    if (!name.starts_with(prefix) || !name.ends_with(kTemporarySuffix)) {
        return std::nullopt;
    }
    name = name.substr(prefix.size(), name.size() - prefix.size() - kTemporarySuffix.size());
    const auto dot = name.find('.');
    const auto isNumber = [](std::string_view digits) {
        return !digits.empty() && digits.size() <= 10 &&
               std::all_of(digits.begin(), digits.end(),
                           [](char c) { return c >= '0' && c <= '9'; });
    };
    if (dot == std::string_view::npos || !isNumber(name.substr(0, dot)) ||
        !isNumber(name.substr(dot + 1))) {
        return std::nullopt;
    }
    long pid = 0;
    std::from_chars(name.data(), name.data() + dot, pid);
    if (pid <= 0 || pid > std::numeric_limits<pid_t>::max()) {
        return std::nullopt;
    }
    return static_cast<pid_t>(pid);
}

// Called with the directory lock held, so no writer that locks is between creating and
// renaming its temporary file; one whose process is gone was killed mid-save. A file of a
// live process is left alone (a writer that does not lock, or a reused process id).
void removeStaleTemporaries(const std::filesystem::path& directory, const std::string& fileName) {
    DIR* dir = ::opendir(directory.c_str());
    if (dir == nullptr) {
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const auto owner = temporaryOwner(entry->d_name, fileName);
        if (owner && ::kill(*owner, 0) != 0 && errno == ESRCH) {
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
        }
    }
    ::closedir(dir);
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
    RegHive& hive = loadFromFile(false);
    watchVerified_ = watch_->watching();
    return hive;
}

// `recheck`: read the bytes even when the file's stamp says they are the cached ones.
RegHive& RegFileRegistry::loadFromFile(bool recheck) {
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
    if (!recheck && cacheIsTrusted(stampOf(st))) {
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
    countRegFileRead();

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

void RegFileRegistry::setFailureReporter(std::function<void(const std::string&)> reporter) {
    const std::lock_guard lock(mutex_);
    reporter_ = std::move(reporter);
}

void RegFileRegistry::reportFailure(const Error& error) {
    if (reporter_ && reported_ != error.what()) {
        reported_ = error.what();
        reporter_(reported_);
    }
}

RegHive& RegFileRegistry::loadReporting() {
    try {
        RegHive& hive = load();
        reported_.clear();
        return hive;
    } catch (const Error& e) {
        reportFailure(e);
        throw;
    }
}

std::optional<RegistryValue> RegFileRegistry::RegRead(std::u16string_view path) {
    const auto target = splitShellPath(path);
    if (!target) {
        return std::nullopt;
    }
    const std::lock_guard lock(mutex_);
    const RegHive& hive = loadReporting();
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
    return typedValue(std::get<RegRawValue>(*data), path);
}

std::optional<std::vector<String>> RegFileRegistry::SubkeyNames(std::u16string_view key) {
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
    const RegHive& hive = loadReporting();
    const auto id = hive.findKey(key);
    if (!id) {
        return std::nullopt;
    }
    return hive.subkeyNames(*id);
}

void RegFileRegistry::RegWrite(std::u16string_view path, const RegistryValue& value) {
    const auto target = splitShellPath(path);
    if (!target) {
        throw Error(fileName_ + ": cannot write \"" + printable(path) +
                    "\": only HKEY_CURRENT_USER (HKCU) can be written");
    }
    const std::lock_guard lock(mutex_);
    try {
        write(target->key, target->value, path, value);
        reported_.clear();
    } catch (const std::invalid_argument& e) {
        // A value that cannot be written is the caller's problem, not the file's.
        throw Error(fileName_ + ": " + e.what());
    } catch (const Error& e) {
        reportFailure(e);
        throw;
    }
}

void RegFileRegistry::write(std::u16string_view key, std::u16string_view name,
                            std::u16string_view path, const RegistryValue& value) {
    const auto target = writeTarget();
    const DirectoryLock fileLock(target.parent_path());
    if (fileLock.error() != 0) {
        failSystem("cannot lock the directory", fileLock.error(), false);
    }
    removeStaleTemporaries(target.parent_path(), target.filename().string());
    // Another process may have saved since the last read: change what is in the file now.
    watchVerified_ = false;
    RegHive& hive = loadFromFile(true);
    const auto startedNs = wallClockNs();
    try {
        hive.setValue(key, name, toRegData(value));
    } catch (const std::invalid_argument& e) {
        throw std::invalid_argument("cannot write \"" + printable(path) + "\": " + e.what());
    }
    // From here on the cached hive no longer matches the file until the rename succeeds.
    try {
        auto bytes = serializeRegFile(hive);
        const auto stamp = writeAtomically(target, bytes);
        bytes_ = std::move(bytes);
        stamp_ = stamp;
        verifiedAtNs_ = startedNs;
    } catch (...) {
        loaded_ = false;
        throw;
    }
}

// Replace what a symbolic link points to (which need not exist yet), not the link; the
// directory is made when missing.
std::filesystem::path RegFileRegistry::writeTarget() const {
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
    if (target.parent_path().empty()) {
        target = std::filesystem::path(".") / target;
    }
    std::filesystem::create_directories(target.parent_path(), ec);
    if (ec) {
        failSystem("cannot create the directory", ec.value(), false);
    }
    return target;
}

RegFileRegistry::FileStamp RegFileRegistry::writeAtomically(const std::filesystem::path& target,
                                                            const std::string& bytes) {
    const auto directory = target.parent_path();
    static std::atomic<unsigned> counter{0};
    std::string tempName;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        tempName =
            (directory / temporaryName(target.filename().string(), counter.fetch_add(1))).string();
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
    countRegFileSave();

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
