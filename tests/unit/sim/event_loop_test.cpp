// The simulated timer loop: periodic expiries in virtual time.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "harness/outlook/event_loop.h"

namespace tessaly::host::sim {
namespace {

struct Fired {
    std::string timer;
    std::uint64_t at;
    bool operator==(const Fired&) const = default;
};

class EventLoopTest : public ::testing::Test {
  public:
    std::uint32_t start(const std::string& name, std::uint32_t elapse) {
        return loop.SetTimer(elapse, [this, name](std::uint32_t) {
            fired.push_back({name, loop.now()});
        });
    }
    EventLoop loop;
    std::vector<Fired> fired;
};

TEST_F(EventLoopTest, PeriodicTimersFireEveryElapseInDueOrderWithTiesByAge) {
    start("slow", 20);
    start("fast", 10);
    loop.Advance(45);
    EXPECT_EQ(
        fired,
        (std::vector<Fired>{
            {"fast", 10}, {"slow", 20}, {"fast", 20}, {"fast", 30}, {"slow", 40}, {"fast", 40}}));
    EXPECT_EQ(loop.now(), 45u);
    EXPECT_EQ(loop.nextDue(), 50u);
}

TEST_F(EventLoopTest, AdvanceInSmallStepsGivesTheSameExpiries) {
    start("t", 7);
    for (int i = 0; i < 30; ++i) {
        loop.Advance(1);
    }
    EXPECT_EQ(fired, (std::vector<Fired>{{"t", 7}, {"t", 14}, {"t", 21}, {"t", 28}}));
    fired.clear();
    loop.RunDue();
    EXPECT_TRUE(fired.empty());
}

TEST_F(EventLoopTest, KillingInsideACallbackStopsThatTimerAndOthersDueAtTheSameTime) {
    std::uint32_t other = 0;
    int selfRuns = 0;
    const std::uint32_t self = loop.SetTimer(10, [&](std::uint32_t id) {
        if (++selfRuns == 1) {
            EXPECT_TRUE(loop.KillTimer(other));  // due at the same instant, but later in line
        }
        if (selfRuns == 2) {
            EXPECT_TRUE(loop.KillTimer(id));
        }
    });
    other = start("other", 10);
    loop.Advance(100);
    EXPECT_EQ(selfRuns, 2);
    EXPECT_TRUE(fired.empty());
    EXPECT_EQ(loop.liveTimers(), 0u);
    EXPECT_FALSE(loop.KillTimer(self));
    EXPECT_FALSE(loop.nextDue());
}

TEST_F(EventLoopTest, TimerStartedInACallbackCountsFromThatMoment) {
    loop.SetTimer(10, [this](std::uint32_t id) {
        loop.KillTimer(id);
        start("late", 5);
    });
    loop.Advance(30);
    EXPECT_EQ(fired, (std::vector<Fired>{{"late", 15}, {"late", 20}, {"late", 25}, {"late", 30}}));
}

TEST_F(EventLoopTest, ZeroElapseFiresOncePerMillisecond) {
    start("zero", 0);
    loop.Advance(2);
    EXPECT_EQ(fired, (std::vector<Fired>{{"zero", 0}, {"zero", 1}, {"zero", 2}}));
}

TEST_F(EventLoopTest, RefusedTimersReturnZeroThenTimersWorkAgain) {
    loop.refuseTimers(2);
    EXPECT_EQ(start("a", 10), 0u);
    EXPECT_EQ(start("b", 10), 0u);
    const auto id = start("c", 10);
    EXPECT_NE(id, 0u);
    EXPECT_EQ(loop.liveTimers(), 1u);
    loop.Advance(10);
    EXPECT_EQ(fired, (std::vector<Fired>{{"c", 10}}));
}

TEST_F(EventLoopTest, IdentifiersAreUniqueAmongLiveTimers) {
    const auto a = start("a", 10);
    const auto b = start("b", 10);
    EXPECT_NE(a, b);
    loop.KillTimer(a);
    const auto c = start("c", 10);
    EXPECT_NE(c, b);
    EXPECT_NE(c, 0u);
}

TEST_F(EventLoopTest, NestedLoopInsideACallbackNeverMovesTheClockBack) {
    // A modal message box keeps the loop running inside a timer callback.
    bool nested = false;
    loop.SetTimer(10, [&](std::uint32_t id) {
        loop.KillTimer(id);
        nested = true;
        loop.Advance(50);
    });
    start("tick", 20);
    std::uint64_t last = 0;
    loop.SetTimer(5, [&](std::uint32_t) {
        EXPECT_GE(loop.now(), last);
        last = loop.now();
    });
    loop.Advance(30);
    EXPECT_TRUE(nested);
    EXPECT_EQ(loop.now(), 60u);  // the nested loop went further than the outer one
    for (std::size_t i = 1; i < fired.size(); ++i) {
        EXPECT_GE(fired[i].at, fired[i - 1].at);
    }
}

}  // namespace
}  // namespace tessaly::host::sim
