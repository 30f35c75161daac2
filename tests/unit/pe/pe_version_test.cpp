#include "platform/pe/pe_version.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include "tests/unit/pe/pe_image_builder.h"
#include "tests/unit/support/temp_dir.h"

namespace tessaly::platform::pe {
namespace {

using test::Bytes;
using test::ImageLayout;
using test::StringEntry;
using test::StringTable;
using test::VersionInfo;

constexpr std::u16string_view kProductVersion = u"\\StringFileInfo\\040904b0\\ProductVersion";

std::u16string WithNul(std::u16string_view text) {
    return std::u16string(text) + u'\0';
}

struct QueryCase {
    const char* name;
    std::function<Bytes()> block;
    std::u16string_view query;
    std::optional<std::u16string> expected;
};

Bytes OneTable(std::u16string name, std::vector<test::VersionNode> entries) {
    return test::Serialize(VersionInfo({StringTable(std::move(name), std::move(entries))}));
}

const QueryCase kQueryCases[] = {
    {"ValueWithItsNul", test::StandardVersionBlock, kProductVersion, WithNul(u"7.2.1.55")},
    {"OtherValueOfTheTable", test::StandardVersionBlock, u"\\StringFileInfo\\040904b0\\CompanyName",
     WithNul(u"Example")},
    {"UpperCaseTableInFile",
     [] { return OneTable(u"040904B0", {StringEntry(u"ProductVersion", WithNul(u"1.0"))}); },
     kProductVersion, WithNul(u"1.0")},
    {"UpperCaseTableInQuery", test::StandardVersionBlock,
     u"\\StringFileInfo\\040904B0\\ProductVersion", WithNul(u"7.2.1.55")},
    {"ValueNameAndBlockNameIgnoreCase", test::StandardVersionBlock,
     u"\\stringfileinfo\\040904b0\\PRODUCTVERSION", WithNul(u"7.2.1.55")},
    {"GermanOnlyTable",
     [] { return OneTable(u"040704b0", {StringEntry(u"ProductVersion", WithNul(u"1.0"))}); },
     kProductVersion, std::nullopt},
    {"MissingValueName",
     [] { return OneTable(u"040904b0", {StringEntry(u"FileVersion", WithNul(u"1.0"))}); },
     kProductVersion, std::nullopt},
    {"ExtraNulsKept",
     [] {
         return OneTable(u"040904b0",
                         {StringEntry(u"ProductVersion", std::u16string(u"7.2\0\0\0", 6))});
     },
     kProductVersion, std::u16string(u"7.2\0\0\0", 6)},
    {"EmbeddedNulKept",
     [] {
         return OneTable(u"040904b0",
                         {StringEntry(u"ProductVersion", std::u16string(u"1.0\0beta\0", 9))});
     },
     kProductVersion, std::u16string(u"1.0\0beta\0", 9)},
    // Real files write wValueLength in bytes, without the NUL, or not at all; the block's
    // extent decides.
    {"ValueLengthZero",
     [] { return OneTable(u"040904b0", {StringEntry(u"ProductVersion", WithNul(u"2.0"), 0)}); },
     kProductVersion, WithNul(u"2.0")},
    {"ValueLengthTooLarge",
     [] {
         return OneTable(u"040904b0", {StringEntry(u"ProductVersion", WithNul(u"2.0"), 500),
                                       StringEntry(u"Next", WithNul(u"x"))});
     },
     kProductVersion, WithNul(u"2.0")},
    {"EntryAfterOneWithWrongLength",
     [] {
         return OneTable(u"040904b0", {StringEntry(u"FileVersion", WithNul(u"2.0"), 500),
                                       StringEntry(u"ProductVersion", WithNul(u"3.1"))});
     },
     kProductVersion, WithNul(u"3.1")},
    {"EmptyValue", [] { return OneTable(u"040904b0", {StringEntry(u"ProductVersion", u"")}); },
     kProductVersion, std::u16string()},
    {"SecondTableMatches",
     [] {
         return test::Serialize(VersionInfo(
             {StringTable(u"040704b0", {StringEntry(u"ProductVersion", WithNul(u"de"))}),
              StringTable(u"040904b0", {StringEntry(u"ProductVersion", WithNul(u"en"))})}));
     },
     kProductVersion, WithNul(u"en")},
    {"NonAsciiValue",
     [] {
         return OneTable(u"040904b0", {StringEntry(u"ProductVersion", WithNul(u"\u00e9\u4e2d"))});
     },
     kProductVersion, WithNul(u"\u00e9\u4e2d")},
    {"RepeatedBackslashesIgnored", test::StandardVersionBlock,
     u"\\\\StringFileInfo\\\\040904b0\\ProductVersion\\", WithNul(u"7.2.1.55")},
    {"RootIsNotAString", test::StandardVersionBlock, u"\\", std::nullopt},
    {"BinaryTranslationIsNotAString", test::StandardVersionBlock, u"\\VarFileInfo\\Translation",
     std::nullopt},
    {"TableIsNotAString", test::StandardVersionBlock, u"\\StringFileInfo\\040904b0", std::nullopt},
    {"PathTooDeep", test::StandardVersionBlock, u"\\StringFileInfo\\040904b0\\ProductVersion\\More",
     std::nullopt},
};

void PrintTo(const QueryCase& c, std::ostream* os) {
    *os << c.name;
}

class QueryTest : public ::testing::TestWithParam<std::tuple<QueryCase, bool>> {};

TEST_P(QueryTest, FindsTheValueInAnImage) {
    const auto& [c, pe32plus] = GetParam();
    const Bytes image = test::BuildImage(c.block(), pe32plus);
    EXPECT_EQ(QueryVersionString(image, c.query), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, QueryTest,
                         ::testing::Combine(::testing::ValuesIn(kQueryCases), ::testing::Bool()),
                         [](const auto& p) {
                             return std::string(std::get<0>(p.param).name) +
                                    (std::get<1>(p.param) ? "_Pe32Plus" : "_Pe32");
                         });

// Mutations of a valid PE32 image that leave no way to the version block.
struct Corruption {
    const char* name;
    std::function<void(Bytes& image, std::size_t blockAt)> apply;
};

const Corruption kCorruptions[] = {
    {"NoMz", [](Bytes& b, std::size_t) { b[0] = std::byte{'X'}; }},
    {"PeOffsetPastEnd", [](Bytes& b, std::size_t) { test::Put32(b, 0x3c, 0xFFFFFFF0); }},
    {"NoPeSignature", [](Bytes& b, std::size_t) { b[ImageLayout::kPeOffset] = std::byte{0}; }},
    {"UnknownOptionalMagic",
     [](Bytes& b, std::size_t) { test::Put16(b, ImageLayout::kOptionalHeader, 0x107); }},
    {"TooFewDataDirectories",
     [](Bytes& b, std::size_t) { test::Put32(b, test::RvaCountOffset(false), 2); }},
    {"OptionalHeaderTooSmall",
     [](Bytes& b, std::size_t) { test::Put16(b, ImageLayout::kPeOffset + 20, 100); }},
    {"ResourceRvaOutsideSections",
     [](Bytes& b, std::size_t) { test::Put32(b, test::RvaCountOffset(false) + 4 + 16, 0x900000); }},
    {"NoSections", [](Bytes& b, std::size_t) { test::Put16(b, ImageLayout::kPeOffset + 6, 0); }},
    {"SectionCountHuge",
     [](Bytes& b, std::size_t) { test::Put16(b, ImageLayout::kPeOffset + 6, 0xFFFF); }},
    {"NoVersionType",
     [](Bytes& b, std::size_t) { test::Put32(b, ImageLayout::kRsrcFile + 16 + 16, 17); }},
    {"DirectoryLoopsToItself",
     [](Bytes& b, std::size_t) {
         test::Put32(b, ImageLayout::kRsrcFile + ImageLayout::kVersionNameDirectory + 20,
                     0x80000000 | ImageLayout::kVersionNameDirectory);
     }},
    {"LanguageLeadsToDirectory",
     [](Bytes& b, std::size_t) {
         test::Put32(b, ImageLayout::kRsrcFile + ImageLayout::kVersionLanguageDirectory + 20,
                     0x80000000 | ImageLayout::kVersionDataEntry);
     }},
    {"DirectoryOffsetPastSection",
     [](Bytes& b, std::size_t) {
         test::Put32(b, ImageLayout::kRsrcFile + 16 + 16 + 4, 0x80000000 | 0x7FFFFFF0);
     }},
    {"DataRvaPastEnd",
     [](Bytes& b, std::size_t) {
         test::Put32(b, ImageLayout::kRsrcFile + ImageLayout::kVersionDataEntry, 0xFFFFFFFF);
     }},
    {"DataSizeTooSmall",
     [](Bytes& b, std::size_t) {
         test::Put32(b, ImageLayout::kRsrcFile + ImageLayout::kVersionDataEntry + 4, 10);
     }},
    {"RootLengthZero", [](Bytes& b, std::size_t at) { test::Put16(b, at, 0); }},
    {"RootLengthPastData", [](Bytes& b, std::size_t at) { test::Put16(b, at, 0xFFFF); }},
};

void PrintTo(const Corruption& c, std::ostream* os) {
    *os << c.name;
}

class CorruptionTest : public ::testing::TestWithParam<Corruption> {};

TEST_P(CorruptionTest, YieldsNothing) {
    std::size_t blockAt = 0;
    Bytes image = test::BuildImage(test::StandardVersionBlock(), false, &blockAt);
    ASSERT_EQ(QueryVersionString(image, kProductVersion), WithNul(u"7.2.1.55"));
    GetParam().apply(image, blockAt);
    EXPECT_EQ(QueryVersionString(image, kProductVersion), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(Cases, CorruptionTest, ::testing::ValuesIn(kCorruptions),
                         [](const auto& p) { return std::string(p.param.name); });

// Malformed version blocks: each must end the walk without reading outside the block.
TEST(VersionBlockTest, MalformedBlocksYieldNothing) {
    auto entry = StringEntry(u"ProductVersion", WithNul(u"1.0"));
    auto zeroLength = entry;
    zeroLength.lengthOverride = 0;
    auto pastParent = entry;
    pastParent.lengthOverride = 0x400;
    auto keyWithoutNul = entry;
    keyWithoutNul.lengthOverride = 6 + 4;  // ends inside the key
    for (const auto& bad : {zeroLength, pastParent, keyWithoutNul}) {
        const Bytes block = OneTable(u"040904b0", {bad});
        EXPECT_EQ(QueryVersionInfoString(block, kProductVersion), std::nullopt);
    }
    EXPECT_EQ(QueryVersionInfoString({}, kProductVersion), std::nullopt);
}

// Cutting a file short anywhere must never read past the cut.
TEST(VersionBlockTest, TruncatedImagesNeverReadPastTheEnd) {
    for (bool pe32plus : {false, true}) {
        const Bytes image = test::BuildImage(test::StandardVersionBlock(), pe32plus);
        const auto full = QueryVersionString(image, kProductVersion);
        ASSERT_EQ(full, WithNul(u"7.2.1.55"));
        for (std::size_t n = 0; n < image.size(); ++n) {
            // A copy of exactly n bytes, so a sanitizer sees any read beyond it.
            const Bytes cut(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(n));
            const auto result = QueryVersionString(cut, kProductVersion);
            if (result) {
                EXPECT_EQ(result, full) << "cut at " << n;
            }
        }
    }
}

class FileTest : public ::testing::Test {
  protected:
    std::u16string Write(const std::string& name, const Bytes& data) {
        const auto path = dir_ / name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(data.data()),
                   static_cast<std::streamsize>(data.size()));
        return path.u16string();
    }

    testing::TempDir temp_;
    const std::filesystem::path& dir_ = temp_.path();
    PeVersionResources versions_;
};

TEST_F(FileTest, ReadsTheValueFromAFile) {
    const auto path =
        Write("v\u00e9rsion.exe", test::BuildImage(test::StandardVersionBlock(), true));
    EXPECT_EQ(versions_.QueryValue(path, kProductVersion), WithNul(u"7.2.1.55"));
}

TEST_F(FileTest, MissingDirectoryOrOversizedFileYieldsNothing) {
    EXPECT_EQ(versions_.QueryValue((dir_ / "missing.exe").u16string(), kProductVersion),
              std::nullopt);
    EXPECT_EQ(versions_.QueryValue(dir_.u16string(), kProductVersion), std::nullopt);
    EXPECT_EQ(versions_.QueryValue(u"/tmp/\xD800.exe", kProductVersion), std::nullopt);

    // A valid image at the start of a sparse file just over the limit.
    const auto big = Write("big.exe", test::BuildImage(test::StandardVersionBlock(), false));
    std::filesystem::resize_file(std::filesystem::path(big), kMaxImageBytes + 1);
    EXPECT_EQ(versions_.QueryValue(big, kProductVersion), std::nullopt);
    std::filesystem::resize_file(std::filesystem::path(big), kMaxImageBytes);
    EXPECT_EQ(versions_.QueryValue(big, kProductVersion), WithNul(u"7.2.1.55"));
}

// An executable linked and given its resources by the MinGW tools, when they are installed.
TEST(RealImageTest, ReadsWhatTheResourceCompilerWrote) {
#ifndef TESSALY_VERSION_FIXTURE
    GTEST_SKIP() << "the MinGW tools were not found; no real image was built";
#else
    std::u16string path = std::filesystem::path(TESSALY_VERSION_FIXTURE).u16string();
    PeVersionResources versions;
    const auto value = versions.QueryValue(path, kProductVersion);
    ASSERT_TRUE(value.has_value());
    // The resource compiler adds its own NUL after the text.
    EXPECT_EQ(value->substr(0, value->find(u'\0')), u"7.2.1.55");
    EXPECT_NE(value->find(u'\0'), std::u16string::npos);
    const auto description =
        versions.QueryValue(path, u"\\StringFileInfo\\040904B0\\FileDescription").value_or(u"");
    EXPECT_EQ(description.substr(0, description.find(u'\0')), u"Version fixture");
    EXPECT_EQ(versions.QueryValue(path, u"\\StringFileInfo\\040704b0\\ProductVersion"),
              std::nullopt);
#endif
}

}  // namespace
}  // namespace tessaly::platform::pe
