#include "platform/posix/process_launcher.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <thread>

#include "tests/unit/process/launch_cases.h"

namespace tessaly::platform::posix {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Utf8Args = std::vector<std::string>;

const fs::path kRecorder = TESSALY_ARGV_RECORDER;

std::u16string U16(const std::string& utf8) {
    return fs::path(utf8).u16string();
}

// Waits until `done`. What never comes is left to ctest's timeout: no budget here, a busy
// machine may be slow.
void WaitUntil(const std::function<bool()>& done) {
    while (!done()) {
        std::this_thread::sleep_for(10ms);
    }
}

// Whether the process has been reaped: a zombie keeps its /proc entry, in state Z.
bool Reaped(pid_t pid) {
    return !fs::exists("/proc/" + std::to_string(pid) + "/stat");
}

class LauncherTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/tessaly-launch-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        out_ = dir_ / "argv";
        marker_ = (dir_ / "marker").string();
        setenv("TESSALY_ARGV_OUT", out_.c_str(), 1);
        unsetenv("TESSALY_ARGV_SLEEP");
    }
    void TearDown() override {
        unsetenv("TESSALY_ARGV_OUT");
        fs::remove_all(dir_);
    }

    // Runs the recorder with `arguments` after its quoted path; returns what it received
    // after its own name, or nothing when it did not start.
    std::optional<Utf8Args> Run(const std::string& arguments) {
        fs::remove(out_);
        if (!launcher_.Start(U16("\"" + kRecorder.string() + "\" " + arguments))) {
            return std::nullopt;
        }
        Utf8Args argv = ReadArgv();
        if (!argv.empty()) {
            argv.erase(argv.begin());
        }
        return argv;
    }

    // The arguments the recorder received, its own name first, once it has written them.
    Utf8Args ReadArgv() {
        WaitUntil([&] { return fs::exists(out_); });
        std::ifstream in(out_, std::ios::binary);
        const std::string all{std::istreambuf_iterator<char>(in), {}};
        Utf8Args args;
        std::istringstream parts(all);
        for (std::string arg; std::getline(parts, arg, '\0');) {
            args.push_back(arg);
        }
        return args;
    }

    fs::path dir_;
    fs::path out_;
    std::string marker_;
    PosixProcessLauncher launcher_;
};

struct InjectionCase {
    const char* name;
    std::string arguments;  // {M} stands for the marker's path
    Utf8Args expected;
};

void PrintTo(const InjectionCase& c, std::ostream* os) {
    *os << c.name;
}

std::string WithMarker(std::string text, const std::string& marker) {
    for (auto at = text.find("{M}"); at != std::string::npos; at = text.find("{M}", at)) {
        text.replace(at, 3, marker);
    }
    return text;
}

// Numbers as a user might type or paste them, each an attempt to run `touch {M}` had the line
// gone through a shell.
const InjectionCase kInjectionCases[] = {
    {"Semicolon", "/dial \"555; touch {M}\"", {"/dial", "555; touch {M}"}},
    {"Pipe", "555|touch {M}", {"555|touch", "{M}"}},
    {"Ampersands", "555&&touch {M}&", {"555&&touch", "{M}&"}},
    {"CommandSubstitution", "\"$(touch {M})\"", {"$(touch {M})"}},
    {"Backticks", "`touch {M}`", {"`touch", "{M}`"}},
    {"Redirection", "> {M}", {">", "{M}"}},
    {"Variables", "%PATH% $PATH ${HOME}", {"%PATH%", "$PATH", "${HOME}"}},
    {"Quotes",
     "\"/postpone \\\"555 0199\\\"\" 'single' \"a\"\"b\"",
     {"/postpone \"555 0199\"", "'single'", "a\"b"}},
    {"LineBreaks", "\"555\ntouch {M}\" 1\n2", {"555\ntouch {M}", "1\n2"}},
    {"Unicode",
     "+49 (0)555-0199 \xc3\xa9\xe4\xb8\xad \xf0\x9f\x93\x9e",
     {"+49", "(0)555-0199", "\xc3\xa9\xe4\xb8\xad", "\xf0\x9f\x93\x9e"}},
};

class InjectionTest : public LauncherTest, public ::testing::WithParamInterface<InjectionCase> {};

TEST_P(InjectionTest, ArgumentsArriveLiterallyAndNothingElseRuns) {
    Utf8Args expected = GetParam().expected;
    for (auto& arg : expected) {
        arg = WithMarker(arg, marker_);
    }
    EXPECT_EQ(Run(WithMarker(GetParam().arguments, marker_)), expected);
    std::this_thread::sleep_for(50ms);  // room for anything stray to act
    EXPECT_FALSE(fs::exists(marker_));
}

INSTANTIATE_TEST_SUITE_P(Cases, InjectionTest, ::testing::ValuesIn(kInjectionCases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(LauncherTest, ProgramWithBlanksInItsPathIsFound) {
    const fs::path copy = dir_ / "my programs" / "argv recorder";
    fs::create_directories(copy.parent_path());
    fs::copy_file(kRecorder, copy);
    fs::permissions(copy, fs::perms::owner_all);
    ASSERT_TRUE(launcher_.Start(U16("\"" + copy.string() + "\" x")));
    EXPECT_EQ(ReadArgv(), (Utf8Args{copy.string(), "x"}));
}

TEST_F(LauncherTest, BareNameIsLookedUpInPath) {
    const fs::path copy = dir_ / "bin" / "tessaly_path_recorder";
    fs::create_directories(copy.parent_path());
    fs::copy_file(kRecorder, copy);
    fs::permissions(copy, fs::perms::owner_all);
    const std::string oldPath = getenv("PATH") != nullptr ? getenv("PATH") : "";
    setenv("PATH", (copy.parent_path().string() + ":" + oldPath).c_str(), 1);
    const bool started = launcher_.Start(U16(copy.filename().string() + " y"));
    setenv("PATH", oldPath.c_str(), 1);
    ASSERT_TRUE(started);
    EXPECT_EQ(ReadArgv(), (Utf8Args{copy.filename().string(), "y"}));
}

TEST_F(LauncherTest, ReportsWhatCannotBeStarted) {
    const fs::path notExecutable = dir_ / "plain.txt";
    std::ofstream(notExecutable) << "#!/bin/sh\ntouch " << marker_ << "\n";
    const std::u16string lines[] = {
        u"",
        u"   ",                                   // no program name
        u"\"\" x",                                // an empty one
        U16((dir_ / "missing").string() + " x"),  // missing, with a path
        u"tessaly-no-such-program x",             // missing, looked up in PATH
        U16(notExecutable.string()),              // not executable
        U16(dir_.string()),                       // a directory
        U16(kRecorder.string()) + u" \xD800",     // no UTF-8 form
    };
    for (std::size_t i = 0; i < std::size(lines); ++i) {
        EXPECT_FALSE(launcher_.Start(lines[i])) << "line " << i;
    }
    EXPECT_FALSE(fs::exists(marker_));
}

// The table the Windows launcher runs too; here the recorder is the argv recorder.
class SharedCasesTest : public LauncherTest,
                        public ::testing::WithParamInterface<test::LaunchCase> {
  protected:
    void SetUp() override {
        LauncherTest::SetUp();
        oldDirectory_ = fs::current_path();
        fs::current_path(dir_);
    }
    void TearDown() override {
        fs::current_path(oldDirectory_);
        LauncherTest::TearDown();
    }

    void CopyRecorder(const fs::path& to) {
        fs::create_directories(to.parent_path());
        fs::copy_file(kRecorder, to);
        fs::permissions(to, fs::perms::owner_all);
    }

    // Puts the recorder where the row says; returns how the line names it.
    std::u16string Program(test::ProgramAt at) {
        switch (at) {
            case test::ProgramAt::kAbsolutePath:
                return U16("\"" + kRecorder.string() + "\"");
            case test::ProgramAt::kWorkingDirectory:
                CopyRecorder(dir_ / "recorder_here");
                return u"recorder_here";
            case test::ProgramAt::kHostDirectory:
                return U16(kRecorder.filename().string());  // built beside this test
            case test::ProgramAt::kSubdirectory:
                CopyRecorder(dir_ / "child programs" / "recorder");
                return u"\"child programs/recorder\"";
            case test::ProgramAt::kNowhere:
                return u"tessaly-no-such-program";
            case test::ProgramAt::kMissingPath:
                return U16("\"" + (dir_ / "missing" / "phone").string() + "\"");
            case test::ProgramAt::kNoProgram:
                return u"";
        }
        return u"";
    }

    fs::path oldDirectory_;
};

TEST_P(SharedCasesTest, StartsWhatWindowsStartsAndRefusesTheRest) {
    const test::LaunchCase& c = GetParam();
    ASSERT_NE(kRecorder.parent_path(), dir_);
    const std::u16string program = Program(c.program);
    const std::u16string line = test::LineFor(c, program);
    if (c.lineLength != 0) {
        ASSERT_EQ(line.size(), c.lineLength);
    }
    if (c.outcome == test::Outcome::kFails) {
        EXPECT_FALSE(launcher_.Start(line));
        std::this_thread::sleep_for(100ms);  // room for a stray child to write
        EXPECT_FALSE(fs::exists(out_));
        return;
    }
    ASSERT_TRUE(launcher_.Start(line));
    const Utf8Args argv = ReadArgv();
    ASSERT_FALSE(argv.empty()) << "the program recorded no name";
    std::vector<std::u16string> received;
    for (auto it = argv.begin() + 1; it != argv.end(); ++it) {
        received.push_back(U16(*it));
    }
    EXPECT_EQ(received, test::ReceivedFor(c, program));
}

INSTANTIATE_TEST_SUITE_P(Cases, SharedCasesTest, ::testing::ValuesIn(test::kLaunchCases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(LauncherTest, FinishedChildIsReaped) {
    const auto pid = launcher_.Spawn(U16(kRecorder.string()));
    ASSERT_TRUE(pid);
    ReadArgv();
    WaitUntil([&] { return Reaped(*pid); });  // a zombie forever is a timeout
}

TEST_F(LauncherTest, DestroyingTheLauncherDoesNotWaitForChildren) {
    setenv("TESSALY_ARGV_SLEEP", "30", 1);
    std::optional<pid_t> pid;
    {
        PosixProcessLauncher launcher;
        pid = launcher.Spawn(U16(kRecorder.string()));
        ASSERT_TRUE(pid);
    }
    // The child sleeps for 30 s: had the destructor waited, it would be gone by now.
    ReadArgv();  // still running, past writing
    EXPECT_FALSE(Reaped(*pid));
    kill(*pid, SIGKILL);
    WaitUntil([&] { return Reaped(*pid); });
}

}  // namespace
}  // namespace tessaly::platform::posix
