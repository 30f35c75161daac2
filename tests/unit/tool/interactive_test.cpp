// tessaly-sim at a terminal: commands typed into a pseudo-terminal, and the windows it prints
// after each of them.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/file_replace.h"
#include "program.h"

namespace tessaly::sim_tool {
namespace {

using frontend::kExitOk;
using frontend::Output;

namespace fs = std::filesystem;
using platform::posix::FileDescriptor;

class InteractiveTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ =
            fs::path(::testing::TempDir()) / ("tessaly-interactive-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        // A softphone is installed, so that a dial shows no message box to dismiss.
        std::ofstream(dir_ / "phone") << "#!/bin/sh\n";
        std::ofstream(dir_ / "HKCU.reg")
            << "Windows Registry Editor Version 5.00\r\n\r\n"
               "[HKEY_CURRENT_USER\\Software\\Wrenfield\\Brindle Outlook AddIn\\Softphone\\G]\r\n"
               "\"AppPath\"=\""
            << (dir_ / "phone").string() << "\"\r\n";
        ASSERT_GE(master_.get(), 0);
        ASSERT_EQ(::grantpt(master_.get()), 0);
        ASSERT_EQ(::unlockpt(master_.get()), 0);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Types `input` at the terminal and runs the program on it; what it printed, cut at each
    // prompt: the text after the Nth prompt is what the Nth command printed.
    std::vector<std::string> TypeAtTerminal(const std::string& input) {
        const FileDescriptor terminal(::open(::ptsname(master_.get()), O_RDWR | O_NOCTTY));
        // End of input (Ctrl-D) after the commands, should `quit` be taken for something else.
        const std::string typed = input + "\x04";
        EXPECT_EQ(::write(master_.get(), typed.data(), typed.size()),
                  static_cast<ssize_t>(typed.size()));
        std::ostringstream text, errors;
        Output out(text, errors);
        std::istringstream unused;
        const std::vector<std::string> args = {"--no-launch", "--registry",
                                               (dir_ / "HKCU.reg").string()};
        EXPECT_EQ(sim_tool::Run(args, out, unused, terminal.get(), ::isatty(terminal.get()) != 0),
                  kExitOk)
            << errors.str();
        EXPECT_EQ(errors.str(), "");
        std::vector<std::string> printed;
        std::string all = text.str();
        constexpr std::string_view kPrompt = "tessaly> ";
        for (std::size_t at; (at = all.find(kPrompt)) != std::string::npos;) {
            printed.push_back(all.substr(0, at));
            all.erase(0, at + kPrompt.size());
        }
        printed.push_back(all);
        return printed;
    }

    fs::path dir_;
    FileDescriptor master_{::posix_openpt(O_RDWR | O_NOCTTY)};
};

// The first group of `pattern` in `text`, or "(none)".
std::string Match(const std::string& text, const std::string& pattern) {
    std::smatch match;
    return std::regex_search(text, match, std::regex(pattern)) ? match[1].str() : "(none)";
}

// Each command that changes what a window shows is followed by the window as the user sees it
// once Outlook is idle again: the ribbon, asked again at that moment, in the same state as the
// toolbar, which the add-in changed during the command.
TEST_F(InteractiveTest, TheEchoShowsTheRibbonInStepWithTheToolbar) {
    const struct {
        const char* command;
        const char* comboText;
    } steps[] = {
        {"select 1 \"Chen Wei\"", "+86 139 0000 0001"},
        {"click 1 Mobile", "Dialing number +86 139 0000 0001"},
    };
    std::string input;
    for (const auto& step : steps) {
        input += step.command + std::string("\n");
    }
    const auto printed = TypeAtTerminal(input + "quit\n");
    ASSERT_GT(printed.size(), std::size(steps));
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        SCOPED_TRACE(steps[i].command);
        const std::string& echo = printed[i + 1];
        EXPECT_EQ(Match(echo, "\n    [0-9]+: combo caption=\"[^\"]*\" text=\"([^\"]*)\""),
                  steps[i].comboText)
            << echo;
        EXPECT_EQ(Match(echo, "\nribbon 1: Combo: combo text=\"([^\"]*)\""), steps[i].comboText);
        for (const std::string control : {"Dial", "Business", "Mobile", "Home"}) {
            const auto onBar =
                Match(echo, " enabled=(yes|no) [^\n]*tag=\"[^\"]*_" + control + "\"");
            EXPECT_NE(onBar, "(none)") << control;
            EXPECT_EQ(onBar, Match(echo, "\nribbon 1: " + control + ": [^\n]* enabled=(yes|no) "))
                << control;
        }
    }
}

}  // namespace
}  // namespace tessaly::sim_tool
