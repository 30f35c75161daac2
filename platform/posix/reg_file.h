// The current user's hive as a "Windows Registry Editor Version 5.00" text file: an in-memory
// model of the file plus its parser and serializer. The model keeps what a rewrite must not
// lose (key spellings, section order, value types we do not interpret, comments, the file's
// encoding and line endings); lookups are case-insensitive like the Windows registry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tessaly::platform::posix {

// Upper-cases one UTF-16 unit the way the registry compares names: ASCII, Latin-1, Latin
// Extended-A, Greek, Cyrillic and full-width Latin letters; other units compare as they are.
char16_t foldCaseNonAscii(char16_t c) noexcept;

inline char16_t foldCase(char16_t c) noexcept {
    if (c < 0x80) {
        return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - (u'a' - u'A')) : c;
    }
    return foldCaseNonAscii(c);
}

bool equalsIgnoringCase(std::u16string_view a, std::u16string_view b) noexcept;

// Orders names as the registry enumerates them: by upper-cased UTF-16 units.
struct CaseInsensitiveLess {
    using is_transparent = void;
    bool operator()(std::u16string_view a, std::u16string_view b) const noexcept;
};

enum class RegEncoding { Utf8, Utf8Bom, Utf16Le };
enum class RegLineEnding { CrLf, Lf };

// A value of a type we only carry: its data exactly as written after "=" ("hex(2):41,00,..."),
// one element per physical line (continuation lines keep their leading blanks and the
// previous line its trailing backslash).
struct RegRawValue {
    std::vector<std::u16string> lines;
    bool operator==(const RegRawValue&) const = default;
};

using RegData = std::variant<std::uint32_t, std::u16string, RegRawValue>;

// What a hex form stands for: its registry type ("hex:" is REG_BINARY, "hex(N):" type N)
// and its bytes.
struct RegTypedBytes {
    std::uint32_t type = 0;
    std::string bytes;
};

// Decodes a value of a hex form as parseRegFile accepted it.
RegTypedBytes decodeRawValue(const RegRawValue& raw);

struct RegValueEntry {
    std::u16string name;  // empty for the key's default value
    RegData data;
    std::vector<std::u16string> comments;  // comment lines written just above the value
    bool operator==(const RegValueEntry&) const = default;
};

class RegHive {
  public:
    using KeyId = std::size_t;
    static constexpr KeyId kRoot = 0;

    // Windows' own limits; they also bound the recursion depth of anything walking the tree.
    static constexpr std::size_t kMaxKeyNameLength = 255;
    static constexpr std::size_t kMaxKeyDepth = 512;

    RegHive();

    RegEncoding encoding() const noexcept { return encoding_; }
    RegLineEnding lineEnding() const noexcept { return lineEnding_; }

    // `path` is relative to HKEY_CURRENT_USER, components separated by backslashes; the empty
    // path is the root itself.
    std::optional<KeyId> findKey(std::u16string_view path) const noexcept;
    const RegData* findValue(KeyId key, std::u16string_view name) const noexcept;
    // Sorted without regard to case, spelled as first written.
    std::vector<std::u16string> subkeyNames(KeyId key) const;

    // Creates the missing keys, gives the key a section and sets or replaces the value.
    // Throws std::invalid_argument, leaving the hive unchanged, when a name or the data
    // cannot be written to the file (empty or over-long key names, line breaks, unpaired
    // surrogates).
    //
    // A key that had no section of its own gets one right before its first descendant's
    // section or, failing that, right after the last section below its nearest ancestor that
    // has any, so related keys stay together in the file.
    void setValue(std::u16string_view keyPath, std::u16string_view name, RegData data);

    // Same keys (with their spellings), sections in the same order, same values and comments,
    // same encoding and line endings.
    friend bool operator==(const RegHive& a, const RegHive& b);

  private:
    friend class RegFileParser;
    friend std::string serializeRegFile(const RegHive& hive);

    struct Key {
        std::u16string name;
        KeyId parent = kRoot;
        std::map<std::u16string, KeyId, CaseInsensitiveLess> children;
        std::vector<RegValueEntry> values;  // in file order
        std::map<std::u16string, std::size_t, CaseInsensitiveLess> valueIndex;
        bool hasSection = false;
        std::vector<std::u16string> headerComments;    // above the section line
        std::vector<std::u16string> trailingComments;  // after the last value
    };

    KeyId childOf(KeyId parent, std::u16string_view name);  // finds or creates
    RegValueEntry& putValue(KeyId key, std::u16string_view name, RegData data);
    bool isWithin(KeyId key, KeyId ancestor) const noexcept;
    void insertSection(KeyId key);
    std::vector<std::u16string_view> pathOf(KeyId key) const;
    bool sameSubtree(const RegHive& other, KeyId mine, KeyId theirs) const;

    std::vector<Key> keys_;
    std::vector<KeyId> sections_;           // section order in the file
    std::vector<std::u16string> preamble_;  // comments before the first section
    RegEncoding encoding_ = RegEncoding::Utf8;
    RegLineEnding lineEnding_ = RegLineEnding::CrLf;
};

// Parses the bytes of a .reg file (UTF-8 with or without BOM, or UTF-16LE with BOM). An
// input holding nothing but blank lines is an empty hive. Throws platform::Error
// "SOURCE:LINE: message" on malformed input.
RegHive parseRegFile(std::string_view bytes, std::string_view sourceName);

// The file's bytes in the hive's encoding and line endings.
std::string serializeRegFile(const RegHive& hive);

// How often this process read a .reg file whole, parsed one and replaced one; benchmarks and
// tests read these to see that the store does no more work than a change needs.
struct RegFileCounts {
    std::uint64_t reads = 0;
    std::uint64_t parses = 0;
    std::uint64_t saves = 0;
};
RegFileCounts regFileCounts() noexcept;
void countRegFileRead() noexcept;
void countRegFileSave() noexcept;

}  // namespace tessaly::platform::posix
