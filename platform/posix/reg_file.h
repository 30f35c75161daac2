// The current user's hive as a "Windows Registry Editor Version 5.00" text file: the tree of
// keys and values, its parser and its serializer. Names compare without regard to case, as in
// the registry, and keep their first spelling; a rewrite keeps the file's encoding, line
// endings and values of every type, writes keys and values sorted and drops comments.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <variant>

#include "platform/case_fold.h"

namespace tessaly::platform::posix {

// A value of a hex form: its registry type ("hex:" is REG_BINARY, "hex(N):" type N) and bytes.
struct RegBytes {
    std::uint32_t type = 3;
    std::string bytes;
    bool operator==(const RegBytes&) const = default;
};

using RegData = std::variant<std::uint32_t, std::u16string, RegBytes>;

using RegValues = std::map<std::u16string, RegData, CaseInsensitiveLess>;

struct RegKey {
    RegValues values;  // "" is the default value
    std::map<std::u16string, RegKey, CaseInsensitiveLess> subkeys;
    bool operator==(const RegKey&) const = default;  // spellings count
};

struct RegHive {
    // Windows' own limits; they also bound the recursion depth of anything walking the tree.
    static constexpr std::size_t kMaxKeyNameLength = 255;
    static constexpr std::size_t kMaxKeyDepth = 512;

    // `path` is relative to HKEY_CURRENT_USER, components separated by backslashes; the empty
    // path is the root itself.
    const RegKey* findKey(std::u16string_view path) const noexcept;

    // Creates the missing keys and sets or replaces the value. Throws std::invalid_argument,
    // leaving the hive unchanged, when a name or the data cannot be written to the file (empty
    // or over-long key names, line breaks, unpaired surrogates).
    void setValue(std::u16string_view keyPath, std::u16string_view name, RegData data);

    bool operator==(const RegHive&) const = default;

    enum class Encoding { Utf8, Utf8Bom, Utf16Le };

    RegKey root;
    Encoding encoding = Encoding::Utf8;
    bool crlf = true;
};

// Parses the bytes of a .reg file (UTF-8 with or without BOM, or UTF-16LE with BOM). An input
// holding nothing but blank lines is an empty hive. Throws platform::Error
// "SOURCE:LINE: message" on malformed input.
RegHive parseRegFile(std::string_view bytes, std::string_view sourceName);

// Throws platform::Error "SOURCE:1: the file is empty; ..." when `bytes` are nothing at all or
// a byte-order mark alone: what a file truncated to nothing holds, which parseRegFile would
// take for an empty hive. A store starts afresh from a file that does not exist.
void refuseEmptyRegFile(std::string_view bytes, std::string_view sourceName);

// The file's bytes in the hive's encoding and line endings. A key gets a section when it has
// values or no subkeys (the others are implied by their subkeys').
std::string serializeRegFile(const RegHive& hive);

// How often this process read a .reg file whole, parsed one and replaced one; benchmarks and
// tests read these to see that the store does no more work than a change needs.
struct RegFileCounts {
    std::uint64_t reads = 0;
    std::uint64_t parses = 0;
    std::uint64_t saves = 0;
};
inline std::atomic<std::uint64_t> regFileReads{0}, regFileParses{0}, regFileSaves{0};
inline RegFileCounts regFileCounts() noexcept {
    return {regFileReads.load(), regFileParses.load(), regFileSaves.load()};
}

}  // namespace tessaly::platform::posix
