// tessaly-sim and its registry file: an unreadable store stops the program before anything
// runs, one that breaks during a run is reported and kept, and every value type is read.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "harness/frontend/profile.h"
#include "harness/frontend/script.h"
#include "program.h"
#include "session.h"
#include "tests/unit/registry/typed_value_cases.h"

namespace tessaly::sim_tool {
namespace {

using frontend::kExitBadInput;
using frontend::kExitOk;
using frontend::Output;
using frontend::ParseLine;
using frontend::ParseProfile;
using frontend::Profile;

namespace fs = std::filesystem;

constexpr char kHeader[] = "Windows Registry Editor Version 5.00\r\n\r\n";
constexpr char kPhones[] =
    "[HKEY_CURRENT_USER\\Software\\Wrenfield\\Brindle Outlook AddIn\\Softphone";

class RegistryFileTest : public ::testing::Test {
  protected:
    RegistryFileTest() : out_(text_, errors_) {}
    void SetUp() override {
        dir_ = fs::path(::testing::TempDir()) /
               ("tessaly-registry-file-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        file_ = dir_ / "HKCU.reg";
    }
    void TearDown() override { fs::remove_all(dir_); }

    void put(const fs::path& path, std::string_view bytes) const {
        std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), bytes.size());
    }
    std::string contents() const {
        std::ifstream in(file_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    int run(std::vector<std::string> args) {
        args.insert(args.begin(), {"--no-launch", "--registry", file_.string()});
        std::istringstream in;
        return sim_tool::Run(args, out_, in, -1, false);
    }

    fs::path dir_;
    fs::path file_;
    std::ostringstream text_;
    std::ostringstream errors_;
    Output out_;
};

struct BadStore {
    const char* name;
    std::string bytes;
    int line;
    const char* message = nullptr;  // the whole message after "FILE:LINE: ", when checked
};

std::string Utf16File(std::u16string_view text) {
    return "\xFF\xFE" + testing::Utf16Bytes(text, false);
}

TEST_F(RegistryFileTest, AnUnreadableStoreStopsTheProgramBeforeAnythingRuns) {
    const std::string section = std::string(kPhones) + "]\r\n";
    const char* empty =
        "the file is empty; a store begins with \"Windows Registry Editor Version 5.00\"";
    const BadStore stores[] = {
        {"bad value line", kHeader + section + "\"AppPath\"=C:\\phone.exe\r\n", 4},
        {"missing ]", std::string(kHeader) + kPhones + "\r\n", 3},
        {"11-digit DWORD", kHeader + section + "\"N\"=dword:00000000001\r\n", 4},
        {"text file", "Shopping list\nmilk\n", 1},
        {"NUL in a path (UTF-8)", kHeader + section + "\"AppPath\"=\"/bin/" + '\0' + "sh\"\r\n", 4,
         "string value contains a NUL character (U+0000)"},
        {"NUL in a key name (UTF-16)",
         Utf16File(u"Windows Registry Editor Version 5.00\r\n\r\n[HKCU\\Software\\A" +
                   std::u16string(1, u'\0') + u"B]\r\n"),
         3, "key name contains a NUL character (U+0000)"},
        {"0 bytes", "", 1, empty},
        {"UTF-8 BOM only", "\xEF\xBB\xBF", 1, empty},
        {"UTF-16LE BOM only", "\xFF\xFE", 1, empty},
    };
    const fs::path script = dir_ / "dial.script";
    put(script, "dial 5551234\nshow 1\n");
    for (const auto& store : stores) {
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{"--softphones"}, {"--script", script.string()}}) {
            SCOPED_TRACE(std::string(store.name) + " with " + args[0]);
            put(file_, store.bytes);
            text_.str({});
            errors_.str({});
            EXPECT_EQ(run(args), kExitBadInput);
            const std::string where =
                "error: " + file_.string() + ":" + std::to_string(store.line) + ": ";
            EXPECT_EQ(errors_.str().rfind(where, 0), 0u) << errors_.str();
            if (store.message) {
                EXPECT_EQ(errors_.str(), where + store.message + "\n");
            }
            EXPECT_EQ(text_.str(), "") << "nothing ran";
            EXPECT_EQ(contents(), store.bytes);
        }
    }
}

TEST_F(RegistryFileTest, AStoreThatBreaksDuringARunIsReportedOnceAndKept) {
    const Profile profile = ParseProfile(R"({
      "folders": [ { "name": "Contacts", "items": [] } ],
      "defaultContactsFolder": "Contacts",
      "explorers": [ { "folder": "Contacts" }, { "folder": "Contacts" } ] })");
    SessionConfig config;
    config.registryFile = file_;
    config.options.noLaunch = true;
    const std::string garbage = "written by another program\n";
    {
        InProcessSession session(profile, out_, config);
        session.Connect();
        ASSERT_EQ(errors_.str(), "");
        put(file_, garbage);
        for (const char* line : {"close 1", "close 2"}) {  // each saves its layout
            session.Execute(*ParseLine(line, 1));
        }
    }
    const std::string errors = errors_.str();
    EXPECT_EQ(errors.rfind("error: " + file_.string() + ":1: ", 0), 0u) << errors;
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
    EXPECT_EQ(contents(), garbage);
}

std::string HexData(const std::string& bytes) {
    std::string hex;
    for (const char byte : bytes) {
        char digits[4];
        std::snprintf(digits, sizeof digits, "%02x", static_cast<unsigned char>(byte));
        hex += (hex.empty() ? "" : ",") + std::string(digits);
    }
    return hex;
}

// An installation whose data folder is an expandable string naming a missing folder is left
// out; one naming an existing folder is accepted with the expanded path.
TEST_F(RegistryFileTest, ExpandableDataFoldersAreCheckedExpanded) {
    const fs::path phone = dir_ / "phone";
    put(phone, "#!/bin/sh\n");
    ASSERT_EQ(::setenv("TESSALY_REGISTRY_FILE_TEST", dir_.c_str(), 1), 0);
    const auto installation = [&](const char* guid, std::u16string_view dataDir) {
        return std::string(kPhones) + "\\" + guid + "]\r\n\"AppPath\"=\"" + phone.string() +
               "\"\r\n\"PersonalDataRootDir\"=hex(2):" + HexData(testing::Utf16Bytes(dataDir)) +
               "\r\n\r\n";
    };
    put(file_,
        kHeader +
            installation("11111111-0000-0000-0000-000000000000",
                         u"%TESSALY_REGISTRY_FILE_TEST%/missing") +
            installation("22222222-0000-0000-0000-000000000000", u"%TESSALY_REGISTRY_FILE_TEST%"));
    EXPECT_EQ(run({"--softphones"}), kExitOk) << errors_.str();
    const std::string text = text_.str();
    EXPECT_NE(text.find("softphones: 1 found, selected 1\n"), std::string::npos) << text;
    EXPECT_NE(text.find("guid=\"22222222-0000-0000-0000-000000000000\""), std::string::npos)
        << text;
    EXPECT_NE(text.find("data=\"" + dir_.string() + "\""), std::string::npos) << text;
}

}  // namespace
}  // namespace tessaly::sim_tool
