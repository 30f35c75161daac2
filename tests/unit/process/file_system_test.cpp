#include "platform/posix/file_system.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>

namespace tessaly::platform::posix {
namespace {

namespace fs = std::filesystem;

struct AttributeCase {
    const char* name;
    // Creates what is to be queried under `dir` and returns the path to ask for.
    std::function<std::u16string(const fs::path& dir)> make;
    std::optional<std::uint32_t> expected;
};

void PrintTo(const AttributeCase& c, std::ostream* os) {
    *os << c.name;
}

std::u16string Touch(const fs::path& path) {
    std::ofstream(path) << "x";
    return path.u16string();
}

const AttributeCase kCases[] = {
    {"Directory", [](const fs::path& d) { return d.u16string(); }, kFileAttributeDirectory},
    {"DirectoryWithTrailingSlash", [](const fs::path& d) { return d.u16string() + u"/"; },
     kFileAttributeDirectory},
    {"RegularFile", [](const fs::path& d) { return Touch(d / "f.txt"); }, kFileAttributeArchive},
    {"NonAsciiName", [](const fs::path& d) { return Touch(d / "t\u00e9l\u00e9phone"); },
     kFileAttributeArchive},
    {"Fifo",
     [](const fs::path& d) {
         mkfifo((d / "fifo").c_str(), 0600);
         return (d / "fifo").u16string();
     },
     kFileAttributeArchive},
    {"LinkToDirectory",
     [](const fs::path& d) {
         fs::create_directory_symlink(d, d / "link");
         return (d / "link").u16string();
     },
     kFileAttributeDirectory},
    {"DanglingLink",
     [](const fs::path& d) {
         fs::create_symlink(d / "nowhere", d / "link");
         return (d / "link").u16string();
     },
     std::nullopt},
    {"Missing", [](const fs::path& d) { return (d / "missing").u16string(); }, std::nullopt},
    {"BelowAFile", [](const fs::path& d) { return Touch(d / "f") + u"/x"; }, std::nullopt},
    {"Empty", [](const fs::path&) { return std::u16string(); }, std::nullopt},
    {"EmbeddedNul",
     [](const fs::path& d) { return d.u16string() + std::u16string(1, u'\0') + u"x"; },
     std::nullopt},
    {"UnpairedSurrogate", [](const fs::path& d) { return d.u16string() + u"/\xDC00"; },
     std::nullopt},
};

class FileAttributesTest : public ::testing::TestWithParam<AttributeCase> {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/tessaly-attr-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

TEST_P(FileAttributesTest, MapsStatToAttributeBits) {
    PosixFileSystem files;
    EXPECT_EQ(files.FileAttributesOf(GetParam().make(dir_)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, FileAttributesTest, ::testing::ValuesIn(kCases),
                         [](const auto& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace tessaly::platform::posix
