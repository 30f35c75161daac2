#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "harness/frontend/run.h"

namespace tessaly::frontend {
namespace {

// What a run did to its session, in order.
using Log = std::vector<std::string>;

struct Behaviour {
    bool connectFails = false;
    int finishWith = -1;  // -1: the status the run hands over
    bool ownCalls = false;
};

class FakeSession final : public Session {
  public:
    FakeSession(const Profile& profile, const CommonOptions& options, Output& out, Log& log,
                const Behaviour& behaviour)
        : Session(profile, options, out, nullptr), log_(log), behaviour_(behaviour) {}
    void Connect() override {
        log_.push_back("connect");
        connected_ = true;
        if (behaviour_.connectFails) {
            throw AddinFailure("OnConnection: refused");
        }
    }
    void Disconnect() override {
        log_.push_back("disconnect");
        connected_ = false;
    }
    bool connected() const override { return connected_; }
    void Interact() override { log_.push_back("interact"); }
    void Report() override { log_.push_back("report"); }
    int Finish(int status) override {
        log_.push_back("finish " + std::to_string(status));
        return behaviour_.finishWith >= 0 ? behaviour_.finishWith : status;
    }

  private:
    std::u16string ToolbarName() const override { return u"Brindle"; }
    std::u16string TagPrefix(const host::sim::SimExplorer&, std::u16string_view) const override {
        return {};
    }
    void RunProgramCommand(const Command& command) override {
        log_.push_back(std::string(VerbName(command.verb)));
    }

    Log& log_;
    const Behaviour& behaviour_;
    bool connected_ = false;
};

class FakeProgram final : public Program {
  public:
    FakeProgram(Log& log, const Behaviour& behaviour) : log_(log), behaviour_(behaviour) {}
    std::string_view name() const override { return "fake"; }
    std::string help() const override { return "help text\n"; }
    void addOptions(OptionTable&) override {}
    OwnVerbs ownVerbs() const override {
        static constexpr Verb kOwn[] = {Verb::Calls};
        return behaviour_.ownCalls ? OwnVerbs(kOwn) : OwnVerbs();
    }
    std::unique_ptr<Session> start(const Profile& profile, const CommonOptions& options,
                                   Output& out, host::sim::TraceSink*) override {
        log_.push_back("start");
        return std::make_unique<FakeSession>(profile, options, out, log_, behaviour_);
    }

  private:
    Log& log_;
    const Behaviour& behaviour_;
};

struct Case {
    const char* name;
    std::vector<std::string> args;
    const char* script;
    Behaviour behaviour;
    int status;
    Log log;
    const char* errors;
};

class Runs : public ::testing::TestWithParam<Case> {};

// The script comes from standard input; its commands run on the fake session's world.
TEST_P(Runs, DriveTheSessionAndEndWithItsStatus) {
    const Case& c = GetParam();
    std::ostringstream text, errors;
    Output out(text, errors);
    std::istringstream in(c.script);
    Log log;
    FakeProgram program(log, c.behaviour);
    EXPECT_EQ(frontend::Run(program, c.args, out, in, false), c.status) << text.str();
    EXPECT_EQ(log, c.log);
    EXPECT_EQ(errors.str(), c.errors);
}

INSTANTIATE_TEST_SUITE_P(
    Program, Runs,
    ::testing::Values(Case{"Script",
                           {},
                           "show 1\nwait 5\n",
                           {},
                           kExitOk,
                           Log{"start", "connect", "report", "report", "wait", "report",
                               "disconnect", "report", "finish 0"},
                           ""},
                      Case{"ShutdownIsTheSessions",
                           {},
                           "shutdown\nshutdown\n",
                           {},
                           kExitOk,
                           Log{"start", "connect", "report", "disconnect", "report", "disconnect",
                               "report", "disconnect", "report", "finish 0"},
                           ""},
                      Case{"LineThatCannotRun",
                           {},
                           "show\nclose 7\nshow\n",
                           {},
                           kExitBadInput,
                           Log{"start", "connect", "report", "report", "report"},
                           "error: <stdin>:2: there is no window 7\n"},
                      Case{"AddinFailure",
                           {},
                           "show\n",
                           {true, -1, false},
                           kExitAddinFailed,
                           Log{"start", "connect", "report", "finish 1"},
                           "error: add-in: OnConnection: refused\n"},
                      Case{"FinishDecides",
                           {},
                           "",
                           {false, 3, false},
                           3,
                           Log{"start", "connect", "report", "disconnect", "report", "finish 0"},
                           ""},
                      Case{"OwnCommand",
                           {},
                           "calls\n",
                           {false, -1, true},
                           kExitOk,
                           Log{"start", "connect", "report", "calls", "report", "disconnect",
                               "report", "finish 0"},
                           ""},
                      Case{"NotTheProgramsCommand",
                           {},
                           "calls\n",
                           {},
                           kExitBadInput,
                           Log{},
                           "error: <stdin>:1: unknown command \"calls\"\n"},
                      Case{"Interactive",
                           {"--interactive"},
                           "",
                           {},
                           kExitOk,
                           Log{"start", "connect", "report", "interact", "disconnect", "report",
                               "finish 0"},
                           ""},
                      Case{"UsageError",
                           {"--bogus"},
                           "",
                           {},
                           kExitBadInput,
                           Log{},
                           "error: unknown option \"--bogus\" (see fake --help)\n"},
                      Case{"Help", {"--help", "--script", "none"}, "", {}, kExitOk, Log{}, ""},
                      Case{"MissingScript",
                           {"--script", "/nonexistent/s"},
                           "",
                           {},
                           kExitBadInput,
                           Log{},
                           "error: /nonexistent/s: cannot open: No such file or directory\n"}),
    [](const ::testing::TestParamInfo<Case>& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace tessaly::frontend
