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
#include <charconv>
#include <cstdlib>
#include <stdexcept>
#include <system_error>
#include <utility>

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

std::int64_t nanoseconds(const timespec& t) {
    return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

struct ShellPath {
    std::u16string_view key;    // relative to the root
    std::u16string_view value;  // empty for the default value
};

// The path without its "HKCU\" or "HKEY_CURRENT_USER\" root; std::nullopt under another root.
std::optional<std::u16string_view> underCurrentUser(std::u16string_view path) {
    const auto slash = std::min(path.find(u'\\'), path.size());
    const auto root = path.substr(0, slash);
    if (!equalsIgnoringCase(root, u"HKCU") && !equalsIgnoringCase(root, u"HKEY_CURRENT_USER")) {
        return std::nullopt;
    }
    return path.substr(std::min(slash + 1, path.size()));
}

// std::nullopt unless the path names a value under the current user's root.
std::optional<ShellPath> splitShellPath(std::u16string_view path) {
    const auto rest = underCurrentUser(path);
    if (!rest || path.find(u'\\') == std::u16string_view::npos) {
        return std::nullopt;
    }
    const auto last = rest->rfind(u'\\');
    if (last == std::u16string_view::npos) {
        return ShellPath{{}, *rest};
    }
    return ShellPath{rest->substr(0, last), rest->substr(last + 1)};
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

// Windows looks environment variables up without regard to case; here the exact spelling
// wins over another one.
std::optional<String> environmentValue(std::u16string_view name) {
    try {
        const std::string key = toUtf8(name);
        if (key.empty() || key.find('=') != std::string::npos) {
            return std::nullopt;
        }
        const char* value = std::getenv(key.c_str());
        for (char** entry = environ; value == nullptr && entry && *entry; ++entry) {
            const std::string_view pair(*entry);
            const auto equals = pair.find('=');
            if (equals == key.size() &&
                equalsIgnoringCase(fromUtf8(pair.substr(0, equals)), name)) {
                value = *entry + equals + 1;
            }
        }
        return value ? std::optional<String>(fromUtf8(value)) : std::nullopt;
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
        const auto value = environmentValue(text.substr(i + 1, close - i - 1));
        out += value ? std::u16string_view(*value) : text.substr(i, close - i + 1);
        i = close + 1;
    }
    return out;
}

RegistryValue typedValue(const RegBytes& typed, std::u16string_view path) {
    const std::string where = "RegRead: \"" + printable(path) + "\" ";
    switch (typed.type) {
        case 1:  // REG_SZ
            return textUpToNul(typed.bytes);
        case 2:  // REG_EXPAND_SZ
            return expandEnvironment(textUpToNul(typed.bytes));
        case 4:  // REG_DWORD, little-endian
            if (typed.bytes.size() != 4) {
                throw Error(where + "is a REG_DWORD of " + std::to_string(typed.bytes.size()) +
                            " bytes");
            }
            return std::uint32_t(static_cast<unsigned char>(typed.bytes[0]) |
                                 static_cast<unsigned char>(typed.bytes[1]) << 8 |
                                 static_cast<unsigned char>(typed.bytes[2]) << 16 |
                                 static_cast<unsigned char>(typed.bytes[3]) << 24);
        default:
            throw Error(where + "has the unsupported registry type " + std::to_string(typed.type));
    }
}

// Temporary files are ".NAME.PID.N.tmp" beside the file.
std::string temporaryPrefix(const std::filesystem::path& target) {
    return "." + target.filename().string() + ".";
}

// The writer's process id when `name` is one of our temporary files.
std::optional<pid_t> temporaryOwner(std::string_view name, std::string_view prefix) {
    if (!name.starts_with(prefix) || !name.ends_with(".tmp")) {
        return std::nullopt;
    }
    name = name.substr(prefix.size(), name.size() - prefix.size() - 4);
    pid_t pid = 0;
    unsigned sequence = 0;
    const auto end = name.data() + name.size();
    const auto [afterPid, pidError] = std::from_chars(name.data(), end, pid);
    if (pidError != std::errc() || pid <= 0 || afterPid == end || *afterPid != '.') {
        return std::nullopt;
    }
    const auto [last, error] = std::from_chars(afterPid + 1, end, sequence);
    return error == std::errc() && last == end && last != afterPid + 1 ? std::optional(pid)
                                                                       : std::nullopt;
}

// Called with the directory lock held, so no writer that locks is between creating and
// renaming its temporary file; one whose process is gone was killed mid-save. A file of a
// live process is left alone (a writer that does not lock, or a reused process id).
void removeStaleTemporaries(const std::filesystem::path& target) {
    DIR* dir = ::opendir(target.parent_path().c_str());
    if (dir == nullptr) {
        return;
    }
    const std::string prefix = temporaryPrefix(target);
    while (const dirent* entry = ::readdir(dir)) {
        const auto owner = temporaryOwner(entry->d_name, prefix);
        if (owner && ::kill(*owner, 0) != 0 && errno == ESRCH) {
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
        }
    }
    ::closedir(dir);
}

}  // namespace

RegFileRegistry::RegFileRegistry(std::filesystem::path file)
    : file_(std::move(file)), name_(file_.string()) {}

RegFileRegistry::Stamp RegFileRegistry::stampOf(const struct stat& st) noexcept {
    return Stamp{st.st_dev, st.st_ino, st.st_size, nanoseconds(st.st_mtim),
                 nanoseconds(st.st_ctim)};
}

void RegFileRegistry::failSystem(std::string_view action, int error, bool withLine) const {
    // Read failures keep the FILE:LINE: shape of every other read error.
    throw Error(name_ + (withLine ? ":1: " : ": ") + std::string(action) + ": " +
                std::generic_category().message(error));
}

// `reread`: read the bytes even when the file's stamp says they are the cached ones, as a
// save does under the lock.
const RegHive& RegFileRegistry::load(bool reread) {
    const auto missing = [&]() -> const RegHive& {
        if (!loaded_ || stamp_) {
            adopt(RegHive(), std::nullopt, {});
        }
        return hive_;
    };
    struct stat st {};
    if (::stat(name_.c_str(), &st) != 0) {
        if (errno != ENOENT && errno != ENOTDIR) {
            failSystem("cannot read", errno, true);
        }
        return missing();
    }
    if (!reread && loaded_ && stamp_ == stampOf(st)) {
        return hive_;
    }
    const FileDescriptor fd(::open(name_.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0 && errno == ENOENT) {
        return missing();
    }
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0) {
        failSystem("cannot read", errno, true);
    }
    if (!S_ISREG(st.st_mode)) {
        failSystem("cannot read", EINVAL, true);
    }
    std::string bytes(static_cast<std::size_t>(st.st_size) + 1, '\0');
    std::size_t used = 0;
    for (ssize_t n = 1; n != 0;) {
        if (used == bytes.size()) {
            bytes.resize(bytes.size() * 2);
        }
        n = ::read(fd.get(), bytes.data() + used, bytes.size() - used);
        if (n < 0 && errno != EINTR) {
            failSystem("cannot read", errno, true);
        }
        used += static_cast<std::size_t>(std::max<ssize_t>(n, 0));
    }
    bytes.resize(used);
    ++regFileReads;
    if (loaded_ && stamp_ && bytes == bytes_) {
        stamp_ = stampOf(st);
        return hive_;
    }
    RegHive parsed = parseRegFile(bytes, name_);
    adopt(std::move(parsed), stampOf(st), std::move(bytes));
    return hive_;
}

void RegFileRegistry::adopt(RegHive hive, std::optional<Stamp> stamp, std::string bytes) {
    hive_ = std::move(hive);
    stamp_ = stamp;
    bytes_ = std::move(bytes);
    loaded_ = true;
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
    const auto target = splitShellPath(path);
    if (!target) {
        return std::nullopt;
    }
    const std::lock_guard lock(mutex_);
    reporting([&] { load(false); });
    const RegKey* key = hive_.findKey(target->key);
    if (key == nullptr) {
        return std::nullopt;
    }
    const auto value = key->values.find(target->value);
    if (value == key->values.end()) {
        return std::nullopt;
    }
    if (const auto* dword = std::get_if<std::uint32_t>(&value->second)) {
        return RegistryValue(*dword);
    }
    if (const auto* text = std::get_if<std::u16string>(&value->second)) {
        return RegistryValue(*text);
    }
    return typedValue(std::get<RegBytes>(value->second), path);
}

std::optional<SubkeyList> RegFileRegistry::SubkeyNames(std::u16string_view key) {
    key = underCurrentUser(key).value_or(key);
    if (key.ends_with(u'\\')) {
        key.remove_suffix(1);
    }
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
    const auto target = splitShellPath(path);
    if (!target) {
        throw Error(name_ + ": cannot write \"" + printable(path) +
                    "\": only HKEY_CURRENT_USER (HKCU) can be written");
    }
    const std::lock_guard lock(mutex_);
    reporting([&] { load(false); });
    try {
        hive_.setValue(target->key, target->value, toRegData(value));
    } catch (const std::invalid_argument& e) {
        // A value that cannot be written is the caller's problem, not the file's.
        throw Error(name_ + ": cannot write \"" + printable(path) + "\": " + e.what());
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

// Another process may have saved since the last read: under the lock, the values written
// since the last save are applied to what is in the file now.
void RegFileRegistry::save() {
    try {
        const auto target = file_.has_parent_path() ? file_ : std::filesystem::path(".") / file_;
        std::error_code ec;
        std::filesystem::create_directories(target.parent_path(), ec);
        if (ec) {
            failSystem("cannot create the directory", ec.value(), false);
        }
        const FileDescriptor dir(
            ::open(target.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (dir.get() < 0 || ::flock(dir.get(), LOCK_EX) != 0) {
            failSystem("cannot lock the directory", errno, false);
        }
        removeStaleTemporaries(target);
        load(true);
        std::string bytes = serializeRegFile(hive_);
        stamp_ = replaceFile(target, bytes);
        bytes_ = std::move(bytes);
        pending_.clear();
    } catch (...) {
        // The cached hive holds values that were not saved: read the file again next time.
        pending_.clear();
        loaded_ = false;
        throw;
    }
}

// Writes a temporary file beside the target and renames it over the target, so readers see
// the old file or the new one, never a part of one.
RegFileRegistry::Stamp RegFileRegistry::replaceFile(const std::filesystem::path& target,
                                                    std::string_view bytes) const {
    static std::atomic<unsigned> counter{0};
    const std::string temporary =
        (target.parent_path() / (temporaryPrefix(target) + std::to_string(::getpid()) + "." +
                                 std::to_string(counter++) + ".tmp"))
            .string();
    const FileDescriptor out(
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (out.get() < 0) {
        failSystem("cannot create a temporary file", errno, false);
    }
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
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
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        failRemoving("cannot replace");
    }
    ++regFileSaves;
    if (::fstat(out.get(), &st) != 0) {
        failSystem("cannot read back", errno, false);
    }
    return stampOf(st);
}

}  // namespace tessaly::platform::posix
