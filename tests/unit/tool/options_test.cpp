#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness/frontend/options.h"

namespace tessaly::frontend {
namespace {

// A table as a program builds it: the common options, a flag, a value, a repeated value that
// refuses a word, and a refused option.
struct Table {
    CommonOptions common;
    bool stats = false;
    std::optional<std::string> registry;
    std::vector<std::string> watched;
    OptionTable table{common};
    Table() {
        table.flag("--stats", stats);
        table.value("--registry", registry);
        table.repeated("--watch", "a name", [this](const std::string& value) {
            if (value == "bad") {
                throw UsageError("--watch bad: refused");
            }
            watched.push_back(value);
        });
        table.refuse("--softphones", "is not supported here");
    }
};

TEST(OptionTable, TakesEachKindOfOption) {
    Table t;
    t.table.Parse({"--profile", "p.json", "--script=s", "--no-launch", "-h", "--on-update",
                   "strict", "--trace=t", "--stats", "--registry", "r.reg", "--watch", "a",
                   "--watch=b", "--fail", "Explorer.Advise", "--fail=Explorers.Item(2):1", "--fail",
                   "CommandBarControl.Tag=:0"});
    EXPECT_EQ(t.common.profile, "p.json");
    EXPECT_EQ(t.common.script, "s");
    EXPECT_TRUE(t.common.noLaunch);
    EXPECT_TRUE(t.common.help);
    EXPECT_FALSE(t.common.interactive);
    EXPECT_EQ(t.common.onUpdate, "strict");
    EXPECT_EQ(t.common.trace, "t");
    EXPECT_TRUE(t.stats);
    EXPECT_EQ(t.registry, "r.reg");
    EXPECT_EQ(t.watched, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(t.common.failures, (std::vector<Failure>{{"Explorer.Advise", -1},
                                                       {"Explorers.Item(2)", 1},
                                                       {"CommandBarControl.Tag=", 0}}));
}

struct Refused {
    std::vector<std::string> args;
    const char* message;
};

class RefusedCommandLines : public ::testing::TestWithParam<Refused> {};

TEST_P(RefusedCommandLines, NameWhatIsWrong) {
    Table t;
    try {
        t.table.Parse(GetParam().args);
        FAIL() << "accepted";
    } catch (const UsageError& e) {
        EXPECT_EQ(std::string(e.what()), GetParam().message);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Options, RefusedCommandLines,
    ::testing::Values(
        Refused{{"--bogus=1"}, "unknown option \"--bogus=1\""},
        Refused{{"-h=1"}, "unknown option \"-h=1\""},
        Refused{{"--profile"}, "--profile needs a file name"},
        Refused{{"--profile", ""}, "--profile needs a file name"},
        Refused{{"--trace="}, "--trace needs a file name"},
        Refused{{"--on-update"}, "--on-update needs a mode"},
        Refused{{"--on-update=sometimes"}, "--on-update takes idle or strict"},
        Refused{{"--registry", "a", "--registry=b"}, "--registry given twice"},
        Refused{{"--stats=yes"}, "--stats takes no value"},
        Refused{{"--no-launch=1"}, "--no-launch takes no value"},
        Refused{{"--watch", "a", "--watch", "bad"}, "--watch bad: refused"},
        Refused{{"--watch"}, "--watch needs a name"},
        Refused{{"--fail"}, "--fail needs Interface.Member[:TIMES]"},
        Refused{{"--fail=Explorer"}, "--fail needs Interface.Member[:TIMES]"},
        Refused{{"--fail", "A.B:"}, "--fail A.B:: TIMES must be a whole number from 0"},
        Refused{{"--fail", "A.B:-1"}, "--fail A.B:-1: TIMES must be a whole number from 0"},
        Refused{{"--fail", "A.B:2x"}, "--fail A.B:2x: TIMES must be a whole number from 0"},
        Refused{{"--softphones"}, "--softphones is not supported here"},
        Refused{{"--softphones=x"}, "--softphones is not supported here"},
        Refused{{"--interactive", "--script", "s"},
                "--script and --interactive exclude each other"}));

}  // namespace
}  // namespace tessaly::frontend
