// RegFileRegistry against real files in a scratch directory.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/posix/reg_file_registry.h"
#include "platform/utf.h"
#include "tests/unit/registry/typed_value_cases.h"

namespace tessaly::platform::posix {
namespace {

namespace fs = std::filesystem;

// The names of a listing, which a store held whole never leaves incomplete.
std::optional<std::vector<String>> Names(RegFileRegistry& store, std::u16string_view key) {
    auto listed = store.SubkeyNames(key);
    if (!listed) {
        return std::nullopt;
    }
    EXPECT_FALSE(listed->failure.has_value());
    return std::move(listed->names);
}

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00\r\n\r\n";

std::string utf16le(std::u16string_view text) {
    std::string out = "\xFF\xFE";
    for (const char16_t c : text) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>(c >> 8);
    }
    return out;
}

class RegFileRegistryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tessaly-reg-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        file_ = dir_ / "hkcu.reg";
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(file_, fs::perms::owner_all, ec);
        fs::remove_all(dir_, ec);
    }

    void put(std::string_view bytes) const {
        std::ofstream(file_, std::ios::binary | std::ios::trunc).write(bytes.data(), bytes.size());
    }
    std::string contents() const {
        std::ifstream in(file_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    std::size_t entries() const {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(dir_), fs::directory_iterator()));
    }

    fs::path dir_;
    fs::path file_;
};

using Value = std::optional<RegistryValue>;

TEST_F(RegFileRegistryTest, WrittenValuesReadBackThroughAFreshStore) {
    struct Case {
        std::u16string write;
        RegistryValue value;
        std::u16string read;
    } cases[] = {
        {u"HKCU\\Software\\Tessaly\\Count", std::uint32_t{0xDEADBEEF},
         u"HKCU\\Software\\Tessaly\\Count"},
        {u"HKCU\\Software\\Tessaly\\Path", String(u"C:\\Program Files\\\"x\""),
         u"HKCU\\Software\\Tessaly\\Path"},
        {u"HKEY_CURRENT_USER\\Software\\Tessaly\\", String(u"default"),
         u"HKCU\\Software\\Tessaly\\"},
        {u"HKCU\\Software\\Tessaly\\Sub\\Name", String(u"Gr\u00fc\u00dfe \u260e \U0001D11E"),
         u"hkey_current_user\\SOFTWARE\\tessaly\\SUB\\name"},
        {u"HKCU\\AtRoot", std::uint32_t{0}, u"hkcu\\atroot"},
    };
    for (const auto& c : cases) {
        RegFileRegistry(file_).RegWrite(c.write, c.value);
    }
    RegFileRegistry reader(file_);
    for (const auto& c : cases) {
        EXPECT_EQ(reader.RegRead(c.read), Value(c.value));
    }
    EXPECT_EQ(reader.RegRead(u"HKCU\\Software\\Tessaly\\Missing"), std::nullopt);
    EXPECT_EQ(reader.RegRead(u"HKCU\\Software\\Nowhere\\Count"), std::nullopt);
    EXPECT_EQ(reader.RegRead(u"HKLM\\Software\\Tessaly\\Count"), std::nullopt);
    EXPECT_EQ(contents().substr(0, kHeader.size()), kHeader);  // new files: UTF-8, CRLF
}

TEST_F(RegFileRegistryTest, ReplacingAValueKeepsTheFirstSpellingAndMayChangeItsType) {
    RegFileRegistry store(file_);
    store.RegWrite(u"HKCU\\Software\\Tessaly\\Mode", std::uint32_t{1});
    store.RegWrite(u"HKCU\\SOFTWARE\\TESSALY\\MODE", String(u"auto"));
    EXPECT_EQ(RegFileRegistry(file_).RegRead(u"HKCU\\Software\\Tessaly\\Mode"),
              Value(String(u"auto")));
    EXPECT_NE(contents().find("[HKEY_CURRENT_USER\\Software\\Tessaly]\r\n\"Mode\"=\"auto\"\r\n"),
              std::string::npos);
}

TEST_F(RegFileRegistryTest, ReadsEveryFormRegeditWrites) {
    put(std::string(kHeader) +
        "; exported\r\n"
        "[HKEY_CURRENT_USER\\Software\\T]\r\n"
        "@=\"the default\"\r\n"
        "\"Esc\"=\"a\\\\b\\\"c\"\r\n"
        "\"Short\"=dword:7\r\n"
        "\"Upper\"=dword:ABCDEF01\r\n"
        "\"Bin\"=hex:01,02\r\n"
        "\"Expand\"=hex(2):25,00,\\\r\n"
        "  00,00\r\n"
        "[HKCU\\Software\\T\\Sub]\r\n");
    RegFileRegistry store(file_);
    EXPECT_EQ(store.RegRead(u"HKCU\\Software\\T\\"), Value(String(u"the default")));
    EXPECT_EQ(store.RegRead(u"HKCU\\Software\\T\\Esc"), Value(String(u"a\\b\"c")));
    EXPECT_EQ(store.RegRead(u"HKCU\\Software\\T\\Short"), Value(std::uint32_t{7}));
    EXPECT_EQ(store.RegRead(u"HKCU\\Software\\T\\upper"), Value(std::uint32_t{0xABCDEF01}));
    EXPECT_THROW(store.RegRead(u"HKCU\\Software\\T\\Bin"), Error);  // an array to the shell
    EXPECT_EQ(store.RegRead(u"HKCU\\Software\\T\\Expand"), Value(String(u"%")));
    EXPECT_EQ(store.RegRead(u"HKCU\\Software\\T\\Sub\\"), std::nullopt);
    EXPECT_EQ(Names(store, u"Software\\T"), std::vector<String>{u"Sub"});
}

TEST_F(RegFileRegistryTest, RewritePreservesUninterpretedValuesAndLineEndings) {
    put("Windows Registry Editor Version 5.00\n\n"
        "[HKEY_CURRENT_USER\\Software\\T]\n"
        "; keep me\n"
        "@=\"d\"\n"
        "\"Multi\"=hex(7):41,00,00,00,\\\n"
        "  00,00\n"
        "\"Q\"=hex(b):01,00,00,00,00,00,00,00\n");
    RegFileRegistry(file_).RegWrite(u"HKCU\\Software\\T\\New", std::uint32_t{0xabcd});
    const auto text = contents();
    EXPECT_EQ(text.find('\r'), std::string::npos);
    for (const auto* kept :
         {"@=\"d\"\n", "\"Multi\"=hex(7):41,00,00,00,00,00\n",
          "\"Q\"=hex(b):01,00,00,00,00,00,00,00\n", "\"New\"=dword:0000abcd\n"}) {
        EXPECT_NE(text.find(kept), std::string::npos) << kept;
    }
    EXPECT_EQ(RegFileRegistry(file_).RegRead(u"HKCU\\Software\\T\\"), Value(String(u"d")));
}

TEST_F(RegFileRegistryTest, Utf16FilesStayUtf16) {
    put(
        utf16le(u"Windows Registry Editor Version 5.00\r\n\r\n"
                u"[HKEY_CURRENT_USER\\Software\\T]\r\n\"Name\"=\"\u00e9t\u00e9 \U0001F4DE\"\r\n"));
    RegFileRegistry store(file_);
    EXPECT_EQ(store.RegRead(u"HKCU\\Software\\T\\Name"),
              Value(String(u"\u00e9t\u00e9 \U0001F4DE")));
    store.RegWrite(u"HKCU\\Software\\T\\Added", String(u"\u00fc"));
    const auto text = contents();
    EXPECT_EQ(text.substr(0, 2), "\xFF\xFE");
    EXPECT_NE(text.find(utf16le(u"\"Added\"=\"\u00fc\"\r\n").substr(2)), std::string::npos);
    EXPECT_EQ(RegFileRegistry(file_).RegRead(u"HKCU\\Software\\T\\Name"),
              Value(String(u"\u00e9t\u00e9 \U0001F4DE")));
}

TEST_F(RegFileRegistryTest, SubkeysAreEnumeratedInRegistryOrder) {
    put(std::string(kHeader) +
        "[HKEY_CURRENT_USER\\Software\\P\\b]\r\n"
        "[HKEY_CURRENT_USER\\Software\\P\\A\\Deep\\Er]\r\n"
        "[HKEY_CURRENT_USER\\Software\\P\\c]\r\n"
        "[HKEY_CURRENT_USER\\Software\\p\\B\\x]\r\n");
    RegFileRegistry store(file_);
    const std::vector<String> expected{u"A", u"b", u"c"};
    EXPECT_EQ(Names(store, u"Software\\P"), expected);
    EXPECT_EQ(Names(store, u"HKCU\\software\\p\\"), expected);
    EXPECT_EQ(Names(store, u"HKEY_CURRENT_USER\\Software\\P"), expected);
    EXPECT_EQ(Names(store, u"Software\\P\\A"), std::vector<String>{u"Deep"});  // implicit
    EXPECT_EQ(Names(store, u"Software\\P\\c"), std::vector<String>{});
    EXPECT_EQ(Names(store, u"Software\\Q"), std::nullopt);
    EXPECT_EQ(Names(store, u""), std::vector<String>{u"Software"});
}

struct BadFile {
    const char* name;
    std::string bytes;
    int line;
    const char* message = nullptr;  // the whole message after "FILE:LINE: ", when checked
};

void PrintTo(const BadFile& file, std::ostream* out) {
    *out << file.name;
}

class RegFileRegistryErrorTest : public RegFileRegistryTest,
                                 public ::testing::WithParamInterface<BadFile> {};

// Reads, enumeration and writes all report the file and line, and a failed write leaves the
// file exactly as it was.
TEST_P(RegFileRegistryErrorTest, ReportsFileAndLineAndNeverOverwrites) {
    put(GetParam().bytes);
    const std::string where = file_.string() + ":" + std::to_string(GetParam().line) + ":";
    const auto expectError = [&](auto&& action) {
        try {
            action();
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()).rfind(where, 0), 0u) << e.what();
            if (GetParam().message) {
                EXPECT_EQ(e.what(), where + " " + GetParam().message);
            }
        }
    };
    RegFileRegistry store(file_);
    expectError([&] { store.RegRead(u"HKCU\\Software\\T\\X"); });
    expectError([&] { store.SubkeyNames(u"Software"); });
    expectError([&] { store.RegWrite(u"HKCU\\Software\\T\\X", std::uint32_t{1}); });
    EXPECT_EQ(contents(), GetParam().bytes);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

const std::string kSection = "[HKEY_CURRENT_USER\\Software\\T]\r\n";
constexpr char kNulInKey[] = "key name contains a NUL character (U+0000)";
constexpr char kNulInName[] = "value name contains a NUL character (U+0000)";
constexpr char kNulInString[] = "string value contains a NUL character (U+0000)";
constexpr char kEmpty[] =
    "the file is empty; a store begins with \"Windows Registry Editor Version 5.00\"";
const std::u16string kHeader16 = u"Windows Registry Editor Version 5.00\r\n\r\n";
const std::u16string kSection16 = u"[HKEY_CURRENT_USER\\Software\\T]\r\n";

INSTANTIATE_TEST_SUITE_P(
    Files, RegFileRegistryErrorTest,
    ::testing::Values(
        BadFile{"NoHeader", "[HKEY_CURRENT_USER\\Software]\r\n", 1},
        BadFile{"Regedit4", "\r\nREGEDIT4\r\n", 2},
        BadFile{"BadEscape", std::string(kHeader) + kSection + "\"X\"=\"a\\nb\"\r\n", 4},
        BadFile{"Unterminated", std::string(kHeader) + kSection + "\"X\"=\"ab\r\n", 4},
        BadFile{"OtherRoot", std::string(kHeader) + "[HKEY_LOCAL_MACHINE\\Software]\r\n", 3},
        BadFile{"DeleteKey", std::string(kHeader) + "[-HKEY_CURRENT_USER\\Software]\r\n", 3},
        BadFile{"DeleteValue", std::string(kHeader) + kSection + "\"X\"=-\r\n", 4},
        BadFile{"LongDword", std::string(kHeader) + kSection + "\"X\"=dword:000000001\r\n", 4},
        BadFile{"ValueFirst", std::string(kHeader) + "\"X\"=dword:1\r\n", 3},
        BadFile{"EmptyKeyName", std::string(kHeader) + "[HKCU\\Software\\\\T]\r\n", 3},
        BadFile{"EndsMidValue", std::string(kHeader) + kSection + "\"X\"=hex:01,\\\r\n", 4},
        BadFile{"BadUtf8", std::string(kHeader) + kSection + "\"X\"=\"\xC3\x28\"\r\n", 4},
        BadFile{"TruncatedUtf16", utf16le(u"Windows Registry Editor Version 5.00\r\n\r\n[") + "H",
                3},
        BadFile{"LoneSurrogate",
                utf16le(u"Windows Registry Editor Version 5.00\n;") + std::string("\x00\xD8", 2),
                2},
        BadFile{"NulInKey", std::string(kHeader) + "[HKCU\\Soft" + '\0' + "ware]\r\n", 3,
                kNulInKey},
        BadFile{"NulInName", std::string(kHeader) + kSection + "\"A" + '\0' + "\"=dword:1\r\n", 4,
                kNulInName},
        BadFile{"NulInString", std::string(kHeader) + kSection + "\"X\"=\"a" + '\0' + "b\"\r\n", 4,
                kNulInString},
        BadFile{"NulAfterBackslash",
                std::string(kHeader) + kSection + "\"X\"=\"a\\" + '\0' + "\"\r\n", 4, kNulInString},
        BadFile{"EscapedZero", std::string(kHeader) + kSection + "\"X\"=\"a\\0b\"\r\n", 4,
                "invalid escape in string (only \\\\ and \\\" are allowed)"},
        BadFile{"NulInKeyUtf16", utf16le(kHeader16 + u"[HKCU\\T" + u'\0' + u"]\r\n"), 3, kNulInKey},
        BadFile{"NulInNameUtf16", utf16le(kHeader16 + kSection16 + u'"' + u'\0' + u"\"=\"\"\r\n"),
                4, kNulInName},
        BadFile{"NulInStringUtf16",
                utf16le(kHeader16 + kSection16 + u"\"X\"=\"" + u'\0' + u"\"\r\n"), 4, kNulInString},
        BadFile{"Empty", "", 1, kEmpty},                    // truncated to nothing
        BadFile{"Utf8BomOnly", "\xEF\xBB\xBF", 1, kEmpty},  // ... but for its byte-order mark
        BadFile{"Utf16BomOnly", "\xFF\xFE", 1, kEmpty},
        BadFile{"BlankLinesOnly", "\r\n \t\r\n\n", 1, kEmpty},
        BadFile{"Utf16BlankLinesOnly", std::string("\xFF\xFE\r\0\n\0", 6), 1, kEmpty}),
    [](const auto& test) { return test.param.name; });

TEST_F(RegFileRegistryTest, UnreadableFileIsAnErrorAndIsLeftAlone) {
    const std::string original = std::string(kHeader) + kSection + "\"X\"=dword:1\r\n";
    put(original);
    ASSERT_EQ(::chmod(file_.c_str(), 0), 0);
    if (::access(file_.c_str(), R_OK) == 0) {
        GTEST_SKIP() << "running with permission to read anything";
    }
    RegFileRegistry store(file_);
    EXPECT_THROW(store.RegRead(u"HKCU\\Software\\T\\X"), Error);
    try {
        store.RegWrite(u"HKCU\\Software\\T\\X", std::uint32_t{2});
        ADD_FAILURE() << "wrote over an unreadable file";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()).rfind(file_.string() + ":1: cannot read", 0), 0u)
            << e.what();
    }
    ASSERT_EQ(::chmod(file_.c_str(), 0600), 0);
    EXPECT_EQ(contents(), original);
}

TEST_F(RegFileRegistryTest, MissingFileIsAnEmptyHiveUntilTheFirstWrite) {
    file_ = dir_ / "not" / "yet" / "hkcu.reg";
    RegFileRegistry store(file_);
    EXPECT_EQ(store.RegRead(u"HKCU\\Software\\T\\X"), std::nullopt);
    EXPECT_EQ(Names(store, u"Software"), std::nullopt);
    EXPECT_EQ(Names(store, u""), std::vector<String>{});
    EXPECT_FALSE(fs::exists(file_));
    store.RegWrite(u"HKCU\\Software\\T\\X", std::uint32_t{5});
    EXPECT_EQ(RegFileRegistry(file_).RegRead(u"HKCU\\Software\\T\\X"), Value(std::uint32_t{5}));
    fs::remove(file_);
    EXPECT_EQ(store.RegRead(u"HKCU\\Software\\T\\X"), std::nullopt);  // deleted again
    // An empty file in its place is not the missing one the store last saw.
    put("");
    EXPECT_THROW(store.RegRead(u"HKCU\\Software\\T\\X"), Error);
    EXPECT_THROW(store.RegWrite(u"HKCU\\Software\\T\\X", std::uint32_t{6}), Error);
    EXPECT_EQ(contents(), "");
}

TEST_F(RegFileRegistryTest, OtherRootsAndUnwritableNamesAreRefused) {
    RegFileRegistry store(file_);
    EXPECT_THROW(store.RegWrite(u"HKLM\\Software\\T\\X", std::uint32_t{1}), Error);
    EXPECT_THROW(store.RegWrite(u"HKCU", std::uint32_t{1}), Error);
    EXPECT_THROW(store.RegWrite(u"HKCU\\Software\\T\\X", String(u"line\r\nbreak")), Error);
    EXPECT_FALSE(fs::exists(file_));
}

TEST_F(RegFileRegistryTest, SeesChangesMadeByOtherWriters) {
    RegFileRegistry mine(file_);
    RegFileRegistry theirs(file_);
    theirs.RegWrite(u"HKCU\\Software\\T\\X", std::uint32_t{1});
    EXPECT_EQ(mine.RegRead(u"HKCU\\Software\\T\\X"), Value(std::uint32_t{1}));
    theirs.RegWrite(u"HKCU\\Software\\T\\X", std::uint32_t{2});
    EXPECT_EQ(mine.RegRead(u"HKCU\\Software\\T\\X"), Value(std::uint32_t{2}));
    put(std::string(kHeader) + kSection + "\"X\"=dword:00000003\r\n\"Y\"=dword:4\r\n");
    EXPECT_EQ(mine.RegRead(u"HKCU\\Software\\T\\X"), Value(std::uint32_t{3}));
}

// The .reg line regedit writes for a value of any type, wrapped like its exports.
std::string HexLine(const testing::TypedValueCase& c) {
    std::string line = "\"" + std::string(c.name) + "\"=";
    if (c.type == 3) {
        line += "hex:";
    } else {
        char type[16];
        std::snprintf(type, sizeof type, "hex(%x):", c.type);
        line += type;
    }
    for (std::size_t i = 0; i < c.bytes.size(); ++i) {
        char byte[4];
        std::snprintf(byte, sizeof byte, "%02x", static_cast<unsigned char>(c.bytes[i]));
        line += byte;
        if (i + 1 < c.bytes.size()) {
            line += (i % 8 == 7) ? ",\\\r\n  " : ",";
        }
    }
    return line + "\r\n";
}

TEST_F(RegFileRegistryTest, ValuesOfEveryTypeReadAsOnWindows) {
    ASSERT_EQ(::setenv(testing::kTypedValueVariable, "/from env", 1), 0);
    ::unsetenv("TESSALY_UNDEFINED_VARIABLE");
    const auto cases = testing::TypedValueCases();
    std::string text = std::string(kHeader) + kSection;
    for (const auto& c : cases) {
        text += HexLine(c);
    }
    put(text);
    RegFileRegistry store(file_);
    // Each value is also read through the key opened once, as discovery reads them.
    const auto key = store.OpenKey(u"HKCU\\Software\\T");
    ASSERT_NE(key, nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const String name(c.name, c.name + std::strlen(c.name));
        const String path = u"HKCU\\Software\\T\\" + name;
        if (c.expected) {
            EXPECT_EQ(store.RegRead(path), c.expected);
            EXPECT_EQ(key->Read(name), c.expected);
        } else {
            EXPECT_THROW(store.RegRead(path), Error);
            EXPECT_THROW(key->Read(name), Error);
        }
    }
}

// An opened key answers as RegRead of its paths does: missing keys and values, other roots,
// root spellings and the default value; a name RegRead could not address is an error.
TEST_F(RegFileRegistryTest, OpenedKeysReadAsRegReadDoes) {
    put(std::string(kHeader) + kSection + "@=\"default\"\r\n\"Name\"=dword:00000007\r\n");
    RegFileRegistry store(file_);
    EXPECT_EQ(store.OpenKey(u"HKCU\\Software\\Missing"), nullptr);
    EXPECT_EQ(store.OpenKey(u"HKLM\\Software\\T"), nullptr) << "only the user's hive is here";
    for (const String spelling : {u"HKCU\\Software\\T", u"HKEY_CURRENT_USER\\software\\t"}) {
        const auto key = store.OpenKey(spelling);
        ASSERT_NE(key, nullptr);
        EXPECT_EQ(key->Read(u"name"), Value(std::uint32_t{7}));
        EXPECT_EQ(key->Read(u""), Value(String(u"default")));
        EXPECT_EQ(key->Read(u"Absent"), std::nullopt);
        EXPECT_THROW(key->Read(u"Sub\\Name"), Error);
        EXPECT_THROW(key->Read(String(u"Na\0me", 5)), Error);
    }
}

TEST_F(RegFileRegistryTest, HexDataMustBeBytes) {
    for (const char* data : {"hex:123", "hex:01,,02", "hex(2):0g", "hex(2):01 02"}) {
        put(std::string(kHeader) + kSection + "\"X\"=" + data + "\r\n");
        EXPECT_THROW(RegFileRegistry(file_).RegRead(u"HKCU\\Software\\T\\X"), Error) << data;
    }
}

// Each process saves its own values and one they share; with the store re-read under the
// lock, no save replaces the file with a copy that misses the other's values.
TEST_F(RegFileRegistryTest, ProcessesSavingIntoOneStoreLoseNoValue) {
    constexpr int kSaves = 200;
    pid_t children[2];
    for (int child = 0; child < 2; ++child) {
        children[child] = ::fork();
        ASSERT_GE(children[child], 0);
        if (children[child] == 0) {
            int status = 0;
            try {
                RegFileRegistry store(file_);
                const String prefix = u"HKCU\\Software\\T\\" + String(1, u'A' + child);
                for (int i = 0; i < kSaves; ++i) {
                    store.RegWrite(prefix + fromUtf8(std::to_string(i)), std::uint32_t(i));
                    store.RegWrite(u"HKCU\\Software\\T\\Shared", std::uint32_t(i));
                }
            } catch (...) {
                status = 1;
            }
            ::_exit(status);
        }
    }
    for (const pid_t child : children) {
        int status = -1;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    RegFileRegistry store(file_);
    int lost = 0;
    for (const String writer : {u"A", u"B"}) {
        for (int i = 0; i < kSaves; ++i) {
            const auto path = u"HKCU\\Software\\T\\" + writer + fromUtf8(std::to_string(i));
            lost += store.RegRead(path) == Value(std::uint32_t(i)) ? 0 : 1;
        }
    }
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(store.RegRead(u"HKCU\\Software\\T\\Shared"), Value(std::uint32_t{kSaves - 1}));
    EXPECT_EQ(entries(), 1u) << "no temporary file left";
}

// What a writer killed between creating and renaming its temporary file leaves behind goes at
// the next save; nothing else does.
TEST_F(RegFileRegistryTest, ASaveRemovesOnlyTemporaryFilesOfDeadWriters) {
    const pid_t dead = ::fork();
    ASSERT_GE(dead, 0);
    if (dead == 0) {
        ::_exit(0);
    }
    ASSERT_EQ(::waitpid(dead, nullptr, 0), dead);
    const std::string deadPid = std::to_string(dead);
    const std::string livePid = std::to_string(::getppid());
    const std::string stale = ".hkcu.reg." + deadPid + ".3.tmp";
    const std::vector<std::string> kept = {
        ".hkcu.reg." + livePid + ".0.tmp",   // a live writer's
        ".other.reg." + deadPid + ".0.tmp",  // another store's
        ".hkcu.reg." + deadPid + ".x.tmp",   // not a name the store makes
        "hkcu.reg." + deadPid + ".0.tmp",
    };
    for (const auto& name : kept) {
        std::ofstream(dir_ / name) << "partial";
    }
    std::ofstream(dir_ / stale) << "partial";
    RegFileRegistry(file_).RegWrite(u"HKCU\\Software\\T\\X", std::uint32_t{1});
    EXPECT_FALSE(fs::exists(dir_ / stale));
    for (const auto& name : kept) {
        EXPECT_TRUE(fs::exists(dir_ / name)) << name;
    }
}

// A file another program spoiled during a run is reported once and left as it is.
TEST_F(RegFileRegistryTest, AFileThatBreaksIsReportedOnceAndKept) {
    RegFileRegistry store(file_);
    std::vector<std::string> reported;
    store.setFailureReporter([&](const std::string& message) { reported.push_back(message); });
    store.RegWrite(u"HKCU\\Software\\T\\X", std::uint32_t{1});
    const std::string garbage = "not a registry file\n";
    put(garbage);
    for (int i = 0; i < 3; ++i) {
        EXPECT_THROW(store.RegWrite(u"HKCU\\Software\\T\\X", std::uint32_t{2}), Error);
        EXPECT_THROW(store.RegRead(u"HKCU\\Software\\T\\X"), Error);
    }
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0].rfind(file_.string() + ":1: ", 0), 0u) << reported[0];
    EXPECT_EQ(contents(), garbage);

    put(std::string(kHeader));
    store.RegWrite(u"HKCU\\Software\\T\\X", std::uint32_t{3});
    put(garbage);
    EXPECT_THROW(store.RegRead(u"HKCU\\Software\\T\\X"), Error);
    EXPECT_EQ(reported.size(), 2u) << "broken again after working";
}

// What the store did between two points of a test, from the process-wide counts.
RegFileCounts since(const RegFileCounts& before) {
    const auto now = regFileCounts();
    return {now.reads - before.reads, now.parses - before.parses, now.saves - before.saves};
}

TEST_F(RegFileRegistryTest, AnUnchangedFileIsNeitherReadNorParsedAgain) {
    put(std::string(kHeader) + kSection + "\"X\"=dword:1\r\n");
    RegFileRegistry store(file_);
    auto before = regFileCounts();
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(store.RegRead(u"HKCU\\Software\\T\\X"), Value(std::uint32_t{1}));
        EXPECT_EQ(Names(store, u"Software"), std::vector<String>{u"T"});
    }
    EXPECT_EQ(since(before).parses, 1u);
    EXPECT_EQ(since(before).reads, 1u);

    before = regFileCounts();
    store.RegWrite(u"HKCU\\Software\\T\\Y", std::uint32_t{2});
    EXPECT_EQ(store.RegRead(u"HKCU\\Software\\T\\Y"), Value(std::uint32_t{2}));
    EXPECT_EQ(since(before).parses, 0u) << "its own save needs no parse";
    EXPECT_EQ(since(before).saves, 1u);
}

// A batch saves once when it closes; until then the file is as it was, and the store's own
// reads see the values written.
TEST_F(RegFileRegistryTest, ABatchIsSavedOnceWhenItCloses) {
    const std::string original = std::string(kHeader) + kSection + "\"Old\"=dword:1\r\n";
    put(original);
    RegFileRegistry store(file_);
    const auto before = regFileCounts();
    {
        const RegistryBatch outer(store);
        for (std::uint32_t i = 0; i < 30; ++i) {
            store.RegWrite(u"HKCU\\Software\\T\\V" + fromUtf8(std::to_string(i)), i);
        }
        {
            const RegistryBatch inner(store);
            store.RegWrite(u"HKCU\\Software\\T\\Inner", std::uint32_t{7});
        }
        EXPECT_THROW(store.RegWrite(u"HKCU\\Software\\T\\Bad", String(u"a\nb")), Error);
        EXPECT_EQ(store.RegRead(u"HKCU\\Software\\T\\V29"), Value(std::uint32_t{29}));
        EXPECT_EQ(contents(), original);
        EXPECT_EQ(since(before).saves, 0u);
        // Another program saves meanwhile: its value stays.
        put(original + "\"Theirs\"=dword:5\r\n");
    }
    EXPECT_EQ(since(before).saves, 1u);
    RegFileRegistry reader(file_);
    EXPECT_EQ(reader.RegRead(u"HKCU\\Software\\T\\V0"), Value(std::uint32_t{0}));
    EXPECT_EQ(reader.RegRead(u"HKCU\\Software\\T\\Inner"), Value(std::uint32_t{7}));
    EXPECT_EQ(reader.RegRead(u"HKCU\\Software\\T\\Theirs"), Value(std::uint32_t{5}));
    EXPECT_EQ(reader.RegRead(u"HKCU\\Software\\T\\Bad"), std::nullopt);
    EXPECT_EQ(entries(), 1u) << "no temporary file left";
}

// A file spoiled before the batch closes is reported and kept; the batch's values are gone,
// from the file and from the store's reads.
TEST_F(RegFileRegistryTest, ABatchIntoAFileThatBrokeIsReportedAndTheFileKept) {
    RegFileRegistry store(file_);
    std::vector<std::string> reported;
    store.setFailureReporter([&](const std::string& message) { reported.push_back(message); });
    const std::string garbage = "not a registry file\n";
    {
        const RegistryBatch batch(store);
        store.RegWrite(u"HKCU\\Software\\T\\X", std::uint32_t{1});
        put(garbage);
    }
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0].rfind(file_.string() + ":1: ", 0), 0u) << reported[0];
    EXPECT_EQ(contents(), garbage);
    put(std::string(kHeader));
    EXPECT_EQ(store.RegRead(u"HKCU\\Software\\T\\X"), std::nullopt);
}
}  // namespace
}  // namespace tessaly::platform::posix
