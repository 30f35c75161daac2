// Starting real child programs: the child must see exactly the command line it was given.
#include <windows.h>
// after windows.h
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/services.h"
#include "test_support.h"
#include "tests/unit/process/launch_cases.h"

namespace tessaly::win32 {
namespace {

using testing::U16;

// The recorders this test program started that are still running.
std::vector<DWORD> RunningRecorders() {
    std::vector<DWORD> found;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "no process snapshot: " << GetLastError();
        return found;
    }
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ParentProcessID == GetCurrentProcessId() &&
            lstrcmpiW(entry.szExeFile, L"recorder.exe") == 0) {
            found.push_back(entry.th32ProcessID);
        }
    }
    CloseHandle(snapshot);
    return found;
}

class ProcessLauncherTest : public ::testing::Test {
  protected:
    void SetUp() override {
        recorder_ = testing::ProgramDirectory() + L"child programs\\recorder.exe";
        ASSERT_NE(GetFileAttributesW(recorder_.c_str()), INVALID_FILE_ATTRIBUTES)
            << "recorder.exe missing beside the test program";
        wchar_t temp[MAX_PATH] = {};
        ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
        static int counter = 0;
        record_ = std::wstring(temp) + L"tessaly-record-" + std::to_wstring(GetCurrentProcessId()) +
                  L"-" + std::to_wstring(++counter) + L".txt";
        DeleteFileW(record_.c_str());
        SetEnvironmentVariableW(L"TESSALY_RECORD_FILE", record_.c_str());
        SetEnvironmentVariableW(L"TESSALY_RECORD_GATE", nullptr);
    }
    void TearDown() override {
        // A recorder held at a gate that never opens, started where nothing should have been.
        for (DWORD id : RunningRecorders()) {
            if (HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, id)) {
                TerminateProcess(process, 1);
                CloseHandle(process);
            }
        }
        DeleteFileW(record_.c_str());
    }

    // The recorded command line, once the child has written it. A child that never writes
    // is left to ctest's timeout: no budget here, a busy machine may be slow.
    std::wstring WaitForRecord() const {
        for (;;) {
            HANDLE file = CreateFileW(record_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
            if (file != INVALID_HANDLE_VALUE) {
                std::wstring text(32768, L'\0');
                DWORD read = 0;
                ReadFile(file, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)),
                         &read, nullptr);
                CloseHandle(file);
                text.resize(read / sizeof(wchar_t));
                return text;
            }
            Sleep(20);
        }
    }

    // Refused lines must start nothing. A recorder started anyway waits at a gate that never
    // opens, so it is still running when Start returns, whatever the machine's speed.
    void HoldRecordersAtAClosedGate() const {
        SetEnvironmentVariableW(L"TESSALY_RECORD_GATE", (record_ + L".never").c_str());
    }

    Win32Platform platform_{GetModuleHandleW(nullptr)};
    platform::ProcessLauncher& launcher_ = platform_.services().processes;
    std::wstring recorder_;  // in a folder whose name has a blank
    std::wstring record_;
};

bool RunningUnderWine() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

TEST_F(ProcessLauncherTest, ChildSeesTheCommandLineUnchanged) {
    const std::wstring quoted = L"\"" + recorder_ + L"\"";
    const std::wstring lines[] = {
        quoted + L" /ap \"/postpone \"555 0199\"\"",
        quoted + L" /ap \"/postpone 555;0199|&$()%PATH%\"",
        quoted + L" ;|&$()%PATH% ^ < > ' ` \\\" \\\\ \\",
        quoted + L" Gr\u00fc\u00dfe \u03a9\u03bc\u03ad\u03b3\u03b1 \U0001F600",
        quoted + L"   inner   blanks\tand a tab",
        quoted,
    };
    for (const auto& line : lines) {
        SCOPED_TRACE(testing::U16(line).size());
        DeleteFileW(record_.c_str());
        ASSERT_TRUE(launcher_.Start(U16(line)));
        EXPECT_EQ(WaitForRecord(), line);
    }
}

// Not quoted although the folder has a blank: Windows tries the shorter names first, finds
// the whole path and passes the line on as it is. Wine finds the program too but hands the
// child a line with the program's path put in quotes.
TEST_F(ProcessLauncherTest, FindsAnUnquotedProgramPathWithBlanks) {
    const std::wstring arguments = L" /ap \"/postpone 5550199\"";
    const std::wstring line = recorder_ + arguments;
    ASSERT_TRUE(launcher_.Start(U16(line)));
    const std::wstring recorded = WaitForRecord();
    if (RunningUnderWine()) {
        EXPECT_EQ(recorded, L"\"" + recorder_ + L"\"" + arguments);
    } else {
        EXPECT_EQ(recorded, line);
    }
}

TEST_F(ProcessLauncherTest, DoesNotWaitForTheChild) {
    // The child writes its record only once the gate file exists, which happens only after
    // Start has returned: a launcher that waited for the child would find the record there.
    const std::wstring gate = record_ + L".gate";
    SetEnvironmentVariableW(L"TESSALY_RECORD_GATE", gate.c_str());
    ASSERT_TRUE(launcher_.Start(U16(L"\"" + recorder_ + L"\" slow")));
    EXPECT_EQ(GetFileAttributesW(record_.c_str()), INVALID_FILE_ATTRIBUTES);
    // The waiting child is found as the refused lines' checks would find one.
    EXPECT_EQ(RunningRecorders().size(), 1u);
    HANDLE opened = CreateFileW(gate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(opened, INVALID_HANDLE_VALUE);
    CloseHandle(opened);
    EXPECT_EQ(WaitForRecord(), L"\"" + recorder_ + L"\" slow");
    DeleteFileW(gate.c_str());
}

// The table the POSIX launcher runs too; here the recorder records its raw command line.
class SharedCasesTest : public ProcessLauncherTest,
                        public ::testing::WithParamInterface<tessaly::test::LaunchCase> {
  protected:
    void SetUp() override {
        ProcessLauncherTest::SetUp();
        const DWORD length = GetCurrentDirectoryW(0, nullptr);
        oldDirectory_.assign(length, L'\0');
        GetCurrentDirectoryW(length, oldDirectory_.data());
        // Neither the test program's folder nor its child folder: nothing is found there.
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        ASSERT_TRUE(SetCurrentDirectoryW(temp));
    }
    void TearDown() override {
        SetCurrentDirectoryW(oldDirectory_.c_str());
        if (!beside_.empty()) {
            DeleteFileW(beside_.c_str());
        }
        ProcessLauncherTest::TearDown();
    }

    // Puts the recorder where the row says; returns how the line names it.
    std::u16string Program(tessaly::test::ProgramAt at) {
        using tessaly::test::ProgramAt;
        const std::wstring programs = testing::ProgramDirectory();
        switch (at) {
            case ProgramAt::kAbsolutePath:
                return U16(L"\"" + recorder_ + L"\"");
            case ProgramAt::kWorkingDirectory:
                EXPECT_TRUE(SetCurrentDirectoryW((programs + L"child programs").c_str()));
                return u"recorder.exe";
            case ProgramAt::kHostDirectory:
                beside_ = programs + L"recorder-beside-" + std::to_wstring(GetCurrentProcessId()) +
                          L".exe";
                EXPECT_TRUE(CopyFileW(recorder_.c_str(), beside_.c_str(), FALSE));
                return U16(beside_.substr(programs.size()));
            case ProgramAt::kSubdirectory:
                EXPECT_TRUE(SetCurrentDirectoryW(programs.c_str()));
                return u"\"child programs\\recorder.exe\"";
            case ProgramAt::kNowhere:
                return u"tessaly-no-such-program.exe";
            case ProgramAt::kMissingPath:
                return u"\"C:\\does not exist\\phone.exe\"";
            case ProgramAt::kNoProgram:
                return u"";
        }
        return u"";
    }

    std::wstring oldDirectory_;
    std::wstring beside_;
};

TEST_P(SharedCasesTest, StartsWhatWindowsStartsAndRefusesTheRest) {
    const auto& c = GetParam();
    const std::u16string program = Program(c.program);
    const std::u16string line = tessaly::test::LineFor(c, program);
    if (c.lineLength != 0) {
        ASSERT_EQ(line.size(), c.lineLength);
    }
    if (c.outcome == tessaly::test::Outcome::kFails) {
        HoldRecordersAtAClosedGate();
        EXPECT_FALSE(launcher_.Start(line));
        EXPECT_TRUE(RunningRecorders().empty()) << "a refused line started the recorder";
        return;
    }
    ASSERT_TRUE(launcher_.Start(line));
    EXPECT_EQ(U16(WaitForRecord()), line);
}

INSTANTIATE_TEST_SUITE_P(Cases, SharedCasesTest, ::testing::ValuesIn(tessaly::test::kLaunchCases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(ProcessLauncherTest, ReportsWhatCannotBeStarted) {
    using namespace std::string_literals;
    const std::u16string lines[] = {
        u"\"C:\\does not exist\\nothing.exe\" /ap \"/postpone 1\"",
        u"nothing-here-at-all.exe",
        u"",
        // Cut at the NUL, the line would start the recorder; it must start nothing.
        U16(L"\"" + recorder_ + L"\"") + u"\0 tail"s,
    };
    HoldRecordersAtAClosedGate();
    for (const auto& line : lines) {
        EXPECT_FALSE(launcher_.Start(line)) << line.size();
        EXPECT_TRUE(RunningRecorders().empty()) << "line " << line.size() << " started it";
    }
}

}  // namespace
}  // namespace tessaly::win32
