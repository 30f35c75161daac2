#include "platform/pe/pe_version.h"

#include <algorithm>
#include <array>
#include <exception>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/case_fold.h"

namespace tessaly::platform::pe {
namespace {

// ---------------------------------------------------------------------------------------------
// Bounds-checked access to the bytes of an image, whether they are in memory or in a file.

class ByteSource {
  public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    // Fills `out` from `offset`; false when the bytes are not all there.
    virtual bool ReadAt(std::uint64_t offset, std::span<std::byte> out) = 0;
};

// True (with the sum) when a + b does not overflow.
bool CheckedAdd(std::uint64_t a, std::uint64_t b, std::uint64_t& sum) {
    if (b > UINT64_MAX - a) {
        return false;
    }
    sum = a + b;
    return true;
}

// Whether [offset, offset + length) lies inside [0, size).
bool Fits(std::uint64_t offset, std::uint64_t length, std::uint64_t size) {
    std::uint64_t end = 0;
    return CheckedAdd(offset, length, end) && end <= size;
}

class SpanSource final : public ByteSource {
  public:
    explicit SpanSource(std::span<const std::byte> data) : data_(data) {}
    std::uint64_t Size() const override { return data_.size(); }
    bool ReadAt(std::uint64_t offset, std::span<std::byte> out) override {
        if (!Fits(offset, out.size(), data_.size())) {
            return false;
        }
        std::copy_n(data_.begin() + static_cast<std::ptrdiff_t>(offset), out.size(), out.begin());
        return true;
    }

  private:
    std::span<const std::byte> data_;
};

class FileSource final : public ByteSource {
  public:
    // Opens only regular files: a FIFO or a device named by a hostile path could block or
    // never end.
    explicit FileSource(const std::filesystem::path& path) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(path, ec)) {
            return;
        }
        const auto size = std::filesystem::file_size(path, ec);
        if (ec || size > kMaxImageBytes) {
            return;
        }
        in_.open(path, std::ios::binary);
        size_ = size;
    }
    bool IsOpen() const { return in_.is_open(); }
    std::uint64_t Size() const override { return size_; }
    bool ReadAt(std::uint64_t offset, std::span<std::byte> out) override {
        if (!in_.is_open() || !Fits(offset, out.size(), size_)) {
            return false;
        }
        in_.clear();
        in_.seekg(static_cast<std::streamoff>(offset));
        in_.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(out.size()));
        return in_.good() && static_cast<std::size_t>(in_.gcount()) == out.size();
    }

  private:
    std::ifstream in_;
    std::uint64_t size_ = 0;
};

std::uint16_t U16(std::span<const std::byte> d, std::size_t at) {
    return static_cast<std::uint16_t>(std::to_integer<unsigned>(d[at]) |
                                      std::to_integer<unsigned>(d[at + 1]) << 8);
}

std::uint32_t U32(std::span<const std::byte> d, std::size_t at) {
    return static_cast<std::uint32_t>(U16(d, at)) | static_cast<std::uint32_t>(U16(d, at + 2))
                                                        << 16;
}

template <std::size_t N>
std::optional<std::array<std::byte, N>> ReadArray(ByteSource& src, std::uint64_t offset) {
    std::array<std::byte, N> bytes{};
    if (!src.ReadAt(offset, bytes)) {
        return std::nullopt;
    }
    return bytes;
}

// ---------------------------------------------------------------------------------------------
// Headers and sections.

constexpr std::uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr std::uint16_t kPe32Magic = 0x10b;
constexpr std::uint16_t kPe32PlusMagic = 0x20b;
constexpr std::uint32_t kResourceDirectoryIndex = 2;
constexpr std::size_t kSectionHeaderBytes = 40;
// Far above anything a linker produces; keeps the section table read small.
constexpr std::uint16_t kMaxSections = 4096;
// A directory level has at most this many entries looked at; real files have a few dozen.
constexpr std::uint32_t kMaxDirectoryEntries = 4096;
constexpr std::uint32_t kRtVersion = 16;
constexpr std::uint32_t kHighBit = 0x80000000;
// wLength of VS_VERSIONINFO is 16-bit, so the block can never be larger.
constexpr std::size_t kMaxVersionInfoBytes = 0xFFFF;

struct Section {
    std::uint32_t virtualAddress;
    std::uint32_t rawSize;
    std::uint32_t rawPointer;
};

// A stretch of the file: where it starts and how many bytes of it can be read.
struct Extent {
    std::uint64_t offset;
    std::uint64_t size;
};

// Where the bytes at a relative virtual address are in the file. Only the raw data of a
// section counts: the zero-filled rest exists in memory only.
std::optional<Extent> MapRva(const std::vector<Section>& sections, std::uint32_t rva,
                             std::uint64_t fileSize) {
    for (const Section& s : sections) {
        if (rva < s.virtualAddress || rva - s.virtualAddress >= s.rawSize) {
            continue;
        }
        const std::uint32_t delta = rva - s.virtualAddress;
        std::uint64_t offset = 0;
        if (!CheckedAdd(s.rawPointer, delta, offset) || offset >= fileSize) {
            return std::nullopt;
        }
        const std::uint64_t inSection = s.rawSize - delta;
        return Extent{offset, std::min(inSection, fileSize - offset)};
    }
    return std::nullopt;
}

struct ResourceLocation {
    std::uint32_t rva;
    std::vector<Section> sections;
};

std::optional<ResourceLocation> LocateResources(ByteSource& src) {
    const auto dos = ReadArray<64>(src, 0);
    if (!dos || (*dos)[0] != std::byte{'M'} || (*dos)[1] != std::byte{'Z'}) {
        return std::nullopt;
    }
    const std::uint64_t peOffset = U32(*dos, 0x3c);
    // Signature (4) and COFF header (20), then the optional header's magic (2).
    const auto coff = ReadArray<26>(src, peOffset);
    if (!coff || U32(*coff, 0) != kPeSignature) {
        return std::nullopt;
    }
    const std::uint16_t sectionCount = U16(*coff, 6);
    const std::uint16_t optionalHeaderSize = U16(*coff, 20);
    const std::uint16_t magic = U16(*coff, 24);
    if (sectionCount > kMaxSections) {
        return std::nullopt;
    }

    std::size_t rvaCountAt = 0;
    if (magic == kPe32Magic) {
        rvaCountAt = 92;
    } else if (magic == kPe32PlusMagic) {
        rvaCountAt = 108;
    } else {
        return std::nullopt;
    }
    const std::size_t directoriesAt = rvaCountAt + 4;
    const std::size_t resourceEntryEnd = directoriesAt + (kResourceDirectoryIndex + 1) * 8;
    if (optionalHeaderSize < resourceEntryEnd) {
        return std::nullopt;
    }
    const std::uint64_t optionalAt = peOffset + 24;
    std::vector<std::byte> optional(resourceEntryEnd);
    if (!src.ReadAt(optionalAt, optional)) {
        return std::nullopt;
    }
    if (U32(optional, rvaCountAt) <= kResourceDirectoryIndex) {
        return std::nullopt;
    }
    ResourceLocation location;
    location.rva = U32(optional, directoriesAt + kResourceDirectoryIndex * 8);
    if (location.rva == 0) {
        return std::nullopt;
    }

    std::vector<std::byte> table(std::size_t{sectionCount} * kSectionHeaderBytes);
    if (!src.ReadAt(optionalAt + optionalHeaderSize, table)) {
        return std::nullopt;
    }
    location.sections.reserve(sectionCount);
    for (std::size_t i = 0; i < sectionCount; ++i) {
        const std::size_t at = i * kSectionHeaderBytes;
        location.sections.push_back(
            {U32(table, at + 12), U32(table, at + 16), U32(table, at + 20)});
    }
    return location;
}

// ---------------------------------------------------------------------------------------------
// The resource directory: type -> name -> language -> data entry. Offsets in it are relative to
// its start; only the data entry holds an RVA.

struct DirectoryEntry {
    std::uint32_t name;
    std::uint32_t target;
};

// kLanguage chooses among the version resource's languages the way Windows loads it on an
// English system: the neutral one, else US English, else the first. Files such as system
// DLLs carry dozens of languages, and the first is rarely the one with an English table.
enum class Pick { kVersionType, kFirst, kLanguage };

constexpr std::uint32_t kLangNeutral = 0;
constexpr std::uint32_t kLangEnglishUs = 0x409;

std::optional<DirectoryEntry> FindEntry(ByteSource& src, const Extent& rsrc,
                                        std::uint32_t directory, Pick pick) {
    if (!Fits(directory, 16, rsrc.size)) {
        return std::nullopt;
    }
    const auto header = ReadArray<16>(src, rsrc.offset + directory);
    if (!header) {
        return std::nullopt;
    }
    const std::uint32_t named = U16(*header, 12);
    const std::uint32_t ids = U16(*header, 14);
    // Ids follow the named entries; RT_VERSION is an id.
    const std::uint32_t first = pick == Pick::kVersionType ? named : 0;
    const std::uint32_t last = std::min(named + ids, first + kMaxDirectoryEntries);
    std::optional<DirectoryEntry> best;
    int bestRank = 3;
    for (std::uint32_t i = first; i < last; ++i) {
        const std::uint64_t at = std::uint64_t{directory} + 16 + std::uint64_t{i} * 8;
        if (!Fits(at, 8, rsrc.size)) {
            return std::nullopt;
        }
        const auto raw = ReadArray<8>(src, rsrc.offset + at);
        if (!raw) {
            return std::nullopt;
        }
        const DirectoryEntry entry{U32(*raw, 0), U32(*raw, 4)};
        if (pick == Pick::kLanguage) {
            const int rank = entry.name == kLangNeutral ? 0 : entry.name == kLangEnglishUs ? 1 : 2;
            if (rank < bestRank) {
                best = entry;
                bestRank = rank;
            }
            continue;
        }
        if (pick == Pick::kFirst || entry.name == kRtVersion) {
            return entry;
        }
    }
    return best;
}

// Follows one level down; `wantDirectory` says whether the entry must lead to another
// directory (levels 1 and 2) or to the data entry (level 3).
std::optional<std::uint32_t> Descend(ByteSource& src, const Extent& rsrc, std::uint32_t directory,
                                     Pick pick, bool wantDirectory) {
    const auto entry = FindEntry(src, rsrc, directory, pick);
    if (!entry || ((entry->target & kHighBit) != 0) != wantDirectory) {
        return std::nullopt;
    }
    const std::uint32_t target = entry->target & ~kHighBit;
    if (target >= rsrc.size) {
        return std::nullopt;
    }
    return target;
}

std::optional<std::vector<std::byte>> ReadVersionInfo(ByteSource& src) {
    if (src.Size() > kMaxImageBytes) {
        return std::nullopt;
    }
    const auto location = LocateResources(src);
    if (!location) {
        return std::nullopt;
    }
    const auto rsrc = MapRva(location->sections, location->rva, src.Size());
    if (!rsrc) {
        return std::nullopt;
    }
    // Exactly three levels, each a single step forward: no recursion, no cycles to fall into.
    const auto names = Descend(src, *rsrc, 0, Pick::kVersionType, true);
    const auto languages = names ? Descend(src, *rsrc, *names, Pick::kFirst, true) : std::nullopt;
    const auto dataEntry =
        languages ? Descend(src, *rsrc, *languages, Pick::kLanguage, false) : std::nullopt;
    if (!dataEntry || !Fits(*dataEntry, 16, rsrc->size)) {
        return std::nullopt;
    }
    const auto entry = ReadArray<16>(src, rsrc->offset + *dataEntry);
    if (!entry) {
        return std::nullopt;
    }
    const auto data = MapRva(location->sections, U32(*entry, 0), src.Size());
    if (!data) {
        return std::nullopt;
    }
    const std::uint64_t size =
        std::min<std::uint64_t>({U32(*entry, 4), data->size, std::uint64_t{kMaxVersionInfoBytes}});
    std::vector<std::byte> block(static_cast<std::size_t>(size));
    if (!src.ReadAt(data->offset, block)) {
        return std::nullopt;
    }
    return block;
}

// ---------------------------------------------------------------------------------------------
// VS_VERSIONINFO: nested blocks of { wLength, wValueLength, wType, szKey, padding, Value,
// padding, Children }. Alignment is to 32 bits from the start of the version block, which is
// where Windows aligns too (it walks a copy of the resource in a buffer of its own).

constexpr std::size_t kBlockHeaderBytes = 6;
constexpr std::uint16_t kTextType = 1;
// No real version block has more than a few dozen children per level.
constexpr std::size_t kMaxChildren = 1024;

constexpr std::size_t Align4(std::size_t n) {
    return (n + 3) & ~std::size_t{3};
}

struct Block {
    std::size_t end;  // one past the block's last byte (start + wLength)
    std::size_t keyStart;
    std::size_t keyEnd;  // at the key's NUL
    std::size_t valueStart;
    std::size_t childrenStart;
};

// The block at `at`, which must lie entirely before `limit`.
std::optional<Block> ParseBlock(std::span<const std::byte> data, std::size_t at,
                                std::size_t limit) {
    if (limit > data.size() || at > limit || limit - at < kBlockHeaderBytes) {
        return std::nullopt;
    }
    const std::size_t length = U16(data, at);
    if (length < kBlockHeaderBytes || length > limit - at) {
        return std::nullopt;
    }
    Block b{};
    b.end = at + length;
    b.keyStart = at + kBlockHeaderBytes;
    std::size_t p = b.keyStart;
    while (p + 2 <= b.end && U16(data, p) != 0) {
        p += 2;
    }
    if (p + 2 > b.end) {
        return std::nullopt;  // the key has no terminating NUL inside the block
    }
    b.keyEnd = p;
    const std::size_t valueLength = U16(data, at + 2);
    const std::size_t valueBytes = U16(data, at + 4) == kTextType ? valueLength * 2 : valueLength;
    b.valueStart = std::min(Align4(p + 2), b.end);
    b.childrenStart = std::min(Align4(b.valueStart + valueBytes), b.end);
    return b;
}

bool KeyEquals(std::span<const std::byte> data, const Block& b, std::u16string_view name) {
    if ((b.keyEnd - b.keyStart) / 2 != name.size()) {
        return false;
    }
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (platform::upperAscii(U16(data, b.keyStart + 2 * i)) != platform::upperAscii(name[i])) {
            return false;
        }
    }
    return true;
}

// Calls visit(child) for each child of `parent` named `name` until visit returns a value.
// A malformed child ends the walk: what follows it cannot be located reliably.
template <typename Visit>
auto FindChild(std::span<const std::byte> data, const Block& parent, std::u16string_view name,
               Visit visit) -> decltype(visit(parent)) {
    std::size_t at = parent.childrenStart;
    for (std::size_t n = 0; n < kMaxChildren && at < parent.end; ++n) {
        const auto child = ParseBlock(data, at, parent.end);
        if (!child) {
            break;
        }
        if (KeyEquals(data, *child, name)) {
            if (auto found = visit(*child)) {
                return found;
            }
        }
        at = Align4(child->end);  // child->end > at: every block is at least 6 bytes
    }
    return std::nullopt;
}

std::vector<std::u16string_view> SplitQuery(std::u16string_view path) {
    std::vector<std::u16string_view> parts;
    while (!path.empty() && parts.size() <= 3) {
        const auto cut = path.find(u'\\');
        const auto part = path.substr(0, cut);
        if (!part.empty()) {
            parts.push_back(part);
        }
        path = cut == std::u16string_view::npos ? std::u16string_view{} : path.substr(cut + 1);
    }
    return parts;
}

}  // namespace

std::optional<std::vector<std::byte>> VersionInfoBlock(std::span<const std::byte> image) {
    SpanSource src(image);
    return ReadVersionInfo(src);
}

std::optional<std::u16string> QueryVersionInfoString(std::span<const std::byte> versionInfo,
                                                     std::u16string_view queryPath) {
    const auto parts = SplitQuery(queryPath);
    if (parts.size() != 3 || !platform::equalsIgnoringAsciiCase(parts[0], u"StringFileInfo")) {
        return std::nullopt;
    }
    const auto root = ParseBlock(versionInfo, 0, versionInfo.size());
    if (!root) {
        return std::nullopt;
    }
    using Result = std::optional<std::u16string>;
    return FindChild(versionInfo, *root, u"StringFileInfo", [&](const Block& fileInfo) -> Result {
        return FindChild(versionInfo, fileInfo, parts[1], [&](const Block& table) -> Result {
            return FindChild(versionInfo, table, parts[2], [&](const Block& value) -> Result {
                std::u16string text((value.end - value.valueStart) / 2, u'\0');
                for (std::size_t i = 0; i < text.size(); ++i) {
                    text[i] = static_cast<char16_t>(U16(versionInfo, value.valueStart + 2 * i));
                }
                return text;
            });
        });
    });
}

std::optional<std::u16string> QueryVersionString(std::span<const std::byte> image,
                                                 std::u16string_view queryPath) {
    const auto block = VersionInfoBlock(image);
    return block ? QueryVersionInfoString(*block, queryPath) : std::nullopt;
}

std::optional<std::u16string> QueryFileVersionString(std::u16string_view file,
                                                     std::u16string_view queryPath) {
    try {
        // path converts UTF-16 to the native encoding (UTF-8 on POSIX, UTF-16 on Windows) and
        // throws on text it cannot convert, such as a lone surrogate.
        const std::filesystem::path path{std::u16string(file)};
        FileSource src(path);
        if (!src.IsOpen()) {
            return std::nullopt;
        }
        const auto block = ReadVersionInfo(src);
        return block ? QueryVersionInfoString(*block, queryPath) : std::nullopt;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<String> PeVersionResources::QueryValue(std::u16string_view file,
                                                     std::u16string_view queryPath) {
    return QueryFileVersionString(file, queryPath);
}

}  // namespace tessaly::platform::pe
