// Builds small PE images with a version resource in memory, for the reader's tests and the
// fuzzer's seeds. The layout is fixed so that tests can corrupt chosen fields.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tessaly::test {

using Bytes = std::vector<std::byte>;

inline void Put16(Bytes& b, std::size_t at, std::uint16_t v) {
    if (b.size() < at + 2) {
        b.resize(at + 2);
    }
    b[at] = static_cast<std::byte>(v & 0xff);
    b[at + 1] = static_cast<std::byte>(v >> 8);
}

inline void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
    Put16(b, at, static_cast<std::uint16_t>(v & 0xffff));
    Put16(b, at + 2, static_cast<std::uint16_t>(v >> 16));
}

inline void Align4(Bytes& b) {
    b.resize((b.size() + 3) & ~std::size_t{3});
}

// One block of a VS_VERSIONINFO tree.
struct VersionNode {
    std::u16string key;
    Bytes value;
    std::uint16_t valueLength = 0;  // as written into the header
    std::uint16_t type = 0;
    std::vector<VersionNode> children;
    std::optional<std::uint16_t> lengthOverride;  // a wrong wLength, for malformed files
};

inline Bytes Serialize(const VersionNode& node) {
    Bytes b(6);
    for (char16_t c : node.key) {
        Put16(b, b.size(), c);
    }
    Put16(b, b.size(), 0);
    Align4(b);
    b.insert(b.end(), node.value.begin(), node.value.end());
    for (const auto& child : node.children) {
        Align4(b);
        const Bytes c = Serialize(child);
        b.insert(b.end(), c.begin(), c.end());
    }
    Put16(b, 0, node.lengthOverride.value_or(static_cast<std::uint16_t>(b.size())));
    Put16(b, 2, node.valueLength);
    Put16(b, 4, node.type);
    return b;
}

// A String entry; `text` is stored as given (include the NUL terminator yourself).
inline VersionNode StringEntry(std::u16string key, std::u16string_view text,
                               std::optional<std::uint16_t> valueLength = std::nullopt) {
    VersionNode n{
        std::move(key), {}, valueLength.value_or(static_cast<std::uint16_t>(text.size())), 1, {},
        std::nullopt};
    for (char16_t c : text) {
        Put16(n.value, n.value.size(), c);
    }
    return n;
}

inline VersionNode StringTable(std::u16string name, std::vector<VersionNode> entries) {
    return {std::move(name), {}, 0, 1, std::move(entries), std::nullopt};
}

inline VersionNode VersionInfo(std::vector<VersionNode> tables) {
    VersionNode fileInfo{u"StringFileInfo", {}, 0, 1, std::move(tables), std::nullopt};
    VersionNode translation{u"Translation", {}, 4, 0, {}, std::nullopt};
    Put32(translation.value, 0, 0x04b00409);
    VersionNode varInfo{u"VarFileInfo", {}, 0, 1, {translation}, std::nullopt};
    VersionNode root{u"VS_VERSION_INFO", Bytes(52), 52, 0, {fileInfo, varInfo}, std::nullopt};
    Put32(root.value, 0, 0xFEEF04BD);  // VS_FIXEDFILEINFO signature
    return root;
}

// Layout of the built image: fixed file offsets of the fields tests like to corrupt.
struct ImageLayout {
    static constexpr std::size_t kPeOffset = 0x80;
    static constexpr std::size_t kOptionalHeader = kPeOffset + 24;
    static constexpr std::size_t kRsrcFile = 0x400;  // the resource section's raw data
    static constexpr std::uint32_t kRsrcRva = 0x2000;
    // Inside the resource section:
    static constexpr std::size_t kRootDirectory = 0x00;
    static constexpr std::size_t kVersionNameDirectory = 0x48;
    static constexpr std::size_t kVersionLanguageDirectory = 0x78;
    static constexpr std::size_t kVersionDataEntry = 0xA0;
    static constexpr std::size_t kDecoyBlock = 0xB0;
};

// The section count, optional header size and resource directory entry, by header flavour.
inline std::size_t RvaCountOffset(bool pe32plus) {
    return ImageLayout::kOptionalHeader + (pe32plus ? 108 : 92);
}

// A PE image with a .text section and a .rsrc section. The resource directory holds a named
// type and RT_ICON (3) leading to a decoy version block whose strings read "WRONG", then
// RT_VERSION (16) leading to `versionBlock`. Also returns the version block's file offset.
inline Bytes BuildImage(const Bytes& versionBlock, bool pe32plus,
                        std::size_t* versionBlockOffset = nullptr) {
    using L = ImageLayout;
    constexpr std::uint32_t kSub = 0x80000000;
    Bytes rsrc(L::kDecoyBlock);
    auto directory = [&](std::size_t at, std::uint16_t named,
                         std::vector<std::pair<std::uint32_t, std::uint32_t>> entries) {
        Put16(rsrc, at + 12, named);
        Put16(rsrc, at + 14, static_cast<std::uint16_t>(entries.size() - named));
        for (std::size_t i = 0; i < entries.size(); ++i) {
            Put32(rsrc, at + 16 + 8 * i, entries[i].first);
            Put32(rsrc, at + 20 + 8 * i, entries[i].second);
        }
    };
    directory(0x30, 0, {{1, kSub | 0x60}});
    directory(L::kVersionNameDirectory, 0, {{1, kSub | L::kVersionLanguageDirectory}});
    directory(0x60, 0, {{0x409, 0x90}});
    directory(L::kVersionLanguageDirectory, 0, {{0x409, L::kVersionDataEntry}});

    const Bytes decoy = Serialize(VersionInfo({StringTable(
        u"040904b0", {StringEntry(u"ProductVersion", std::u16string(u"WRONG\0", 6))})}));
    rsrc.insert(rsrc.end(), decoy.begin(), decoy.end());
    Align4(rsrc);
    const std::size_t versionAt = rsrc.size();
    rsrc.insert(rsrc.end(), versionBlock.begin(), versionBlock.end());
    Put32(rsrc, 0x90, L::kRsrcRva + L::kDecoyBlock);
    Put32(rsrc, 0x94, static_cast<std::uint32_t>(decoy.size()));
    Put32(rsrc, L::kVersionDataEntry, L::kRsrcRva + static_cast<std::uint32_t>(versionAt));
    Put32(rsrc, L::kVersionDataEntry + 4, static_cast<std::uint32_t>(versionBlock.size()));
    // The name string of the named type, never read by a version lookup.
    Align4(rsrc);
    const auto nameAt = static_cast<std::uint32_t>(rsrc.size());
    Put16(rsrc, nameAt, 4);
    for (std::size_t i = 0; i < 4; ++i) {
        Put16(rsrc, nameAt + 2 + 2 * i, u"ICON"[i]);
    }
    directory(
        L::kRootDirectory, 1,
        {{kSub | nameAt, kSub | 0x30}, {3, kSub | 0x30}, {16, kSub | L::kVersionNameDirectory}});
    rsrc.resize((rsrc.size() + 0x1ff) & ~std::size_t{0x1ff});

    Bytes image(L::kRsrcFile);
    image[0] = std::byte{'M'};
    image[1] = std::byte{'Z'};
    Put32(image, 0x3c, L::kPeOffset);
    Put32(image, L::kPeOffset, 0x00004550);
    Put16(image, L::kPeOffset + 4, pe32plus ? 0x8664 : 0x14c);
    Put16(image, L::kPeOffset + 6, 2);
    const std::uint16_t optionalSize = pe32plus ? 240 : 224;
    Put16(image, L::kPeOffset + 20, optionalSize);
    Put16(image, L::kOptionalHeader, pe32plus ? 0x20b : 0x10b);
    const std::size_t rvaCount = RvaCountOffset(pe32plus);
    Put32(image, rvaCount, 16);
    Put32(image, rvaCount + 4 + 16, L::kRsrcRva);
    Put32(image, rvaCount + 4 + 20, static_cast<std::uint32_t>(rsrc.size()));
    const std::size_t sections = L::kOptionalHeader + optionalSize;
    auto section = [&](std::size_t i, const char* name, std::uint32_t va, std::uint32_t rawSize,
                       std::uint32_t rawPtr) {
        const std::size_t at = sections + 40 * i;
        for (std::size_t k = 0; name[k] != '\0'; ++k) {
            image[at + k] = static_cast<std::byte>(name[k]);
        }
        Put32(image, at + 8, rawSize);
        Put32(image, at + 12, va);
        Put32(image, at + 16, rawSize);
        Put32(image, at + 20, rawPtr);
    };
    section(0, ".text", 0x1000, 0x200, 0x200);
    section(1, ".rsrc", L::kRsrcRva, static_cast<std::uint32_t>(rsrc.size()), L::kRsrcFile);
    image.insert(image.end(), rsrc.begin(), rsrc.end());
    if (versionBlockOffset != nullptr) {
        *versionBlockOffset = L::kRsrcFile + versionAt;
    }
    return image;
}

inline Bytes StandardVersionBlock() {
    return Serialize(VersionInfo({StringTable(
        u"040904b0", {StringEntry(u"CompanyName", std::u16string(u"Example\0", 8)),
                      StringEntry(u"ProductVersion", std::u16string(u"7.2.1.55\0", 9))})}));
}

}  // namespace tessaly::test
