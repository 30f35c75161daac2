#include "platform/posix/reg_file_registry.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "platform/shell_registry.h"
#include "platform/utf.h"

namespace tessaly::platform::posix {

namespace {

struct FileDescriptor {
    explicit FileDescriptor(int fd) noexcept : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    int get() const noexcept { return fd_; }
    int fd_;
};

std::array<std::int64_t, 5> stampOf(const struct stat& st) noexcept {
    const auto ns = [](const timespec& t) {
        return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
    };
    return {static_cast<std::int64_t>(st.st_dev), static_cast<std::int64_t>(st.st_ino),
            static_cast<std::int64_t>(st.st_size), ns(st.st_mtim), ns(st.st_ctim)};
}

// Reads to the end; false, with errno set, on failure.
bool readAll(int fd, std::string& bytes) {
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0) {
            return true;
        }
        if (n < 0 && errno != EINTR) {
            return false;
        }
        bytes.append(buffer, static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
    }
}

RegData toRegData(const RegistryValue& value) {
    return std::visit([](const auto& data) { return RegData(data); }, value);
}

// Windows looks environment variables up without regard to case; here the exact spelling
// wins over another one.
std::optional<String> environmentValue(std::u16string_view name) {
    std::optional<String> found;
    for (char** entry = environ; !name.empty() && entry && *entry; ++entry) {
        const std::string_view pair(*entry);
        const auto equals = pair.find('=');
        try {
            const String key = fromUtf8(pair.substr(0, equals));
            if (equals != pair.npos && equalsIgnoringCase(key, name) && (!found || key == name)) {
                found = fromUtf8(pair.substr(equals + 1));
            }
        } catch (const UtfError&) {  // not a variable a registry value can name
        }
    }
    return found;
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
        const auto value = environmentValue(text.substr(i + 1, close - i - 1));
        out += value ? std::u16string_view(*value) : text.substr(i, close - i + 1);
        i = close + 1;
    }
    return out;
}

// Only the current user's hive exists here; other roots read as missing.
std::optional<ShellPath> currentUserPath(std::u16string_view path) {
    const auto parsed = ParseShellPath(path);
    return parsed && parsed->root == RegistryRoot::CurrentUser ? parsed : std::nullopt;
}

// Temporary files are ".NAME.PID.N.tmp" beside the file. Called with the directory lock held,
// so no writer that locks is between creating and renaming its temporary file; one whose
// process is gone was killed mid-save. A file of a live process is left alone (a writer that
// does not lock, or a reused process id).
void removeStaleTemporaries(const std::filesystem::path& directory, const std::string& prefix) {
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(directory.c_str()), ::closedir);
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

RegFileRegistry::RegFileRegistry(std::filesystem::path file)
    : file_(std::move(file)), name_(file_.string()) {}

void RegFileRegistry::failSystem(std::string_view action, int error, bool withLine) const {
    // Read failures keep the FILE:LINE: shape of every other read error.
    throw Error(name_ + (withLine ? ":1: " : ": ") + std::string(action) + ": " +
                std::generic_category().message(error));
}

// Reads the file when its stamp moved, or with `reread` always, as a save does under the
// lock; bytes equal to the cached ones are not parsed again.
void RegFileRegistry::load(bool reread) {
    // Non-blocking, so that a FIFO in the file's place cannot hang the program.
    const FileDescriptor fd(::open(name_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0 && (errno == ENOENT || errno == ENOTDIR)) {
        if (stamp_ != Stamp{}) {
            adopt(RegHive(), Stamp{}, {});
        }
        return;
    }
    struct stat st {};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0) {
        failSystem("cannot read", errno, true);
    }
    if (!S_ISREG(st.st_mode)) {
        failSystem("cannot read", EINVAL, true);
    }
    if (!reread && stamp_ == stampOf(st)) {
        return;
    }
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    if (!readAll(fd.get(), bytes)) {
        failSystem("cannot read", errno, true);
    }
    ++regFileReads;
    if (stamp_ && bytes == bytes_) {
        stamp_ = stampOf(st);
        return;
    }
    RegHive parsed = parseRegFile(bytes, name_);
    adopt(std::move(parsed), stampOf(st), std::move(bytes));
}

void RegFileRegistry::adopt(RegHive hive, Stamp stamp, std::string bytes) {
    hive_ = std::move(hive);
    stamp_ = stamp;
    bytes_ = std::move(bytes);
    for (const auto& write : pending_) {
        hive_.setValue(write.key, write.name, write.data);  // checked when it was written
    }
}

void RegFileRegistry::setFailureReporter(std::function<void(const std::string&)> reporter) {
    const std::lock_guard lock(mutex_);
    reporter_ = std::move(reporter);
}

template <class F>
void RegFileRegistry::reporting(F&& action) {
    try {
        action();
        reported_.clear();
    } catch (const Error& e) {
        if (reporter_ && reported_ != e.what()) {
            reported_ = e.what();
            reporter_(reported_);
        }
        throw;
    }
}

std::optional<RegistryValue> RegFileRegistry::RegRead(std::u16string_view path) {
    const auto target = currentUserPath(path);
    if (!target) {
        return std::nullopt;
    }
    const std::lock_guard lock(mutex_);
    reporting([&] { load(false); });
    const RegKey* key = hive_.findKey(target->key);
    if (key == nullptr || !key->values.contains(target->value)) {
        return std::nullopt;
    }
    const RegData& data = key->values.find(target->value)->second;
    if (const auto* dword = std::get_if<std::uint32_t>(&data)) {
        return *dword;
    }
    if (const auto* text = std::get_if<std::u16string>(&data)) {
        return *text;
    }
    const auto& typed = std::get<RegBytes>(data);
    return ShellValue(typed.type, typed.bytes, path, expandEnvironment);
}

std::optional<SubkeyList> RegFileRegistry::SubkeyNames(std::u16string_view key) {
    key = CurrentUserRelativeKey(key);
    const std::lock_guard lock(mutex_);
    reporting([&] { load(false); });
    const RegKey* found = hive_.findKey(key);
    if (found == nullptr) {
        return std::nullopt;
    }
    std::vector<String> names;
    for (const auto& [name, subkey] : found->subkeys) {
        names.push_back(name);
    }
    return SubkeyList{std::move(names), std::nullopt};  // held whole: no partial listing
}

void RegFileRegistry::RegWrite(std::u16string_view path, const RegistryValue& value) {
    const auto target = currentUserPath(path);
    if (!target) {
        throw Error(name_ + ": cannot write \"" + toPrintableUtf8(path) +
                    "\": only HKEY_CURRENT_USER (HKCU) can be written");
    }
    const std::lock_guard lock(mutex_);
    reporting([&] { load(false); });
    try {
        hive_.setValue(target->key, target->value, toRegData(value));
    } catch (const std::invalid_argument& e) {
        // A value that cannot be written is the caller's problem, not the file's.
        throw Error(name_ + ": cannot write \"" + toPrintableUtf8(path) + "\": " + e.what());
    }
    pending_.push_back({String(target->key), String(target->value), toRegData(value)});
    if (batches_ == 0) {
        reporting([&] { save(); });
    }
}

void RegFileRegistry::BeginBatch() noexcept {
    const std::lock_guard lock(mutex_);
    ++batches_;
}

void RegFileRegistry::EndBatch() noexcept {
    try {
        const std::lock_guard lock(mutex_);
        if (--batches_ == 0 && !pending_.empty()) {
            reporting([&] { save(); });
        }
    } catch (...) {  // reported; the file is as it was
    }
}

void RegFileRegistry::save() {
    try {
        const auto directory = file_.has_parent_path() ? file_.parent_path() : ".";
        std::error_code ec;
        std::filesystem::create_directories(directory, ec);
        if (ec) {
            failSystem("cannot create the directory", ec.value(), false);
        }
        const FileDescriptor dir(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (dir.get() < 0 || ::flock(dir.get(), LOCK_EX) != 0) {
            failSystem("cannot lock the directory", errno, false);
        }
        const std::string prefix = "." + file_.filename().string() + ".";
        removeStaleTemporaries(directory, prefix);
        load(true);
        std::string bytes = serializeRegFile(hive_);
        stamp_ = replaceFile((directory / prefix).string(), bytes);
        bytes_ = std::move(bytes);
        pending_.clear();
    } catch (...) {
        // The cached hive holds values that were not saved: read the file again next time.
        pending_.clear();
        stamp_.reset();
        throw;
    }
}

// Readers see the old file or the new one, never a part of one.
RegFileRegistry::Stamp RegFileRegistry::replaceFile(const std::string& temporaryPrefix,
                                                    std::string_view bytes) const {
    static std::atomic<unsigned> counter{0};
    const std::string temporary =
        temporaryPrefix + std::to_string(::getpid()) + "." + std::to_string(counter++) + ".tmp";
    const FileDescriptor out(
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (out.get() < 0) {
        failSystem("cannot create a temporary file", errno, false);
    }
    struct stat st {};
    if (::stat(name_.c_str(), &st) == 0) {
        ::fchmod(out.get(), st.st_mode & 07777);  // best effort: keep the old permissions
    }
    const auto failRemoving = [&](const char* action) {
        const int error = errno;
        ::unlink(temporary.c_str());
        failSystem(action, error, false);
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
    if (::rename(temporary.c_str(), name_.c_str()) != 0) {
        failRemoving("cannot replace");
    }
    ++regFileSaves;
    if (::fstat(out.get(), &st) != 0) {
        failSystem("cannot read back", errno, false);
    }
    return stampOf(st);
}

}  // namespace tessaly::platform::posix
