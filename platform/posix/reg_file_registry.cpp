#include "platform/posix/reg_file_registry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "platform/posix/environment.h"
#include "platform/posix/file_replace.h"
#include "platform/shell_registry.h"
#include "platform/utf.h"

namespace tessaly::platform::posix {

namespace {

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

// The value `name` of a key's values as RegRead gives it; `path` names it in errors. Values of
// a hex(N) form read as ShellValue makes them.
std::optional<RegistryValue> readValue(const RegValues& values, std::u16string_view name,
                                       std::u16string_view path) {
    const auto found = values.find(name);
    if (found == values.end()) {
        return std::nullopt;
    }
    const RegData& data = found->second;
    if (const auto* dword = std::get_if<std::uint32_t>(&data)) {
        return *dword;
    }
    if (const auto* text = std::get_if<std::u16string>(&data)) {
        return *text;
    }
    const auto& typed = std::get<RegBytes>(data);
    return ShellValue(typed.type, typed.bytes, path, expandEnvironmentStrings);
}

// Only the current user's hive exists here; other roots read as missing.
std::optional<ShellPath> currentUserPath(std::u16string_view path) {
    const auto parsed = ParseShellPath(path);
    return parsed && parsed->root == RegistryRoot::CurrentUser ? parsed : std::nullopt;
}

}  // namespace

RegFileRegistry::RegFileRegistry(std::filesystem::path file)
    : file_(std::move(file)), name_(file_.string()) {}

void RegFileRegistry::failRead(int error) const {
    // In the FILE:LINE: shape of every other read error.
    throw Error(name_ + ":1: cannot read: " + std::generic_category().message(error));
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
        failRead(errno);
    }
    if (!S_ISREG(st.st_mode)) {
        failRead(EINVAL);
    }
    if (!reread && stamp_ == stampOf(st)) {
        return;
    }
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    if (!readAll(fd.get(), bytes)) {
        failRead(errno);
    }
    ++regFileReads;
    // Before the comparison: an empty file is not the hive of a missing one, whose bytes_ are
    // empty too.
    refuseEmptyRegFile(bytes, name_);
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
    if (key == nullptr) {
        return std::nullopt;
    }
    return readValue(key->values, target->value, path);
}

namespace {

// A key's values as the store held them when the key was opened: a pass over several values
// of one key reads the file once.
class RegFileOpenedKey final : public OpenedKey {
  public:
    RegFileOpenedKey(RegValues values, std::u16string_view keyPath)
        : values_(std::move(values)), keyPath_(keyPath) {}

    std::optional<RegistryValue> Read(std::u16string_view name) override {
        const String path = keyPath_ + u"\\" + String(name);
        if (!IsValueName(name)) {
            throw Error("RegRead: not a value name: \"" + toPrintableUtf8(path) + "\"");
        }
        return readValue(values_, name, path);
    }

  private:
    RegValues values_;
    String keyPath_;
};

}  // namespace

std::unique_ptr<OpenedKey> RegFileRegistry::OpenKey(std::u16string_view keyPath) {
    // Parsed as the path of the key's default value, which splits off the same key as any
    // value path below it.
    const String path = String(keyPath) + u"\\";
    const auto target = currentUserPath(path);
    if (!target) {
        return nullptr;
    }
    const std::lock_guard lock(mutex_);
    reporting([&] { load(false); });
    const RegKey* key = hive_.findKey(target->key);
    if (key == nullptr) {
        return nullptr;
    }
    return std::make_unique<RegFileOpenedKey>(key->values, keyPath);
}

std::optional<SubkeyList> RegFileRegistry::SubkeyNames(std::u16string_view key) {
    key = CurrentUserRelativeKey(key);
    const std::lock_guard lock(mutex_);
    reporting([&] { load(false); });
    const RegKey* found = hive_.findKey(key);
    if (found == nullptr) {
        return std::nullopt;
    }
    SubkeyList list;  // held whole: never partial
    list.names.reserve(found->subkeys.size());
    for (const auto& entry : found->subkeys) {
        list.names.push_back(entry.first);
    }
    return list;
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
        const ReplaceLock lock(file_);
        load(true);
        std::string bytes = serializeRegFile(hive_);
        stamp_ = stampOf(replaceFile(file_, bytes));
        ++regFileSaves;
        bytes_ = std::move(bytes);
        pending_.clear();
    } catch (...) {
        // The cached hive holds values that were not saved: read the file again next time.
        pending_.clear();
        stamp_.reset();
        throw;
    }
}

}  // namespace tessaly::platform::posix
