// Deferrals: each expires once, restarts replace the timer, stops are final.
#include <gtest/gtest.h>

#include "tests/unit/support/fake_services.h"
#include "timers/timer_manager.h"

namespace tessaly {
namespace {

class CountingHandler : public timers::WaitingHandler {
  public:
    void OnExplorerEventTimedOut() override { ++timedOut; }
    int timedOut = 0;
};

class TimerManagerTest : public ::testing::Test {
  protected:
    testing::FakePlatform platform;
    timers::TimerManager manager{platform.loop};
    std::shared_ptr<CountingHandler> first = std::make_shared<CountingHandler>();
    std::shared_ptr<CountingHandler> second = std::make_shared<CountingHandler>();
};

TEST_F(TimerManagerTest, ExpiresOnceAndLetsGo) {
    std::weak_ptr<CountingHandler> watched = first;
    manager.StartTimer(100, first);
    first.reset();
    EXPECT_FALSE(watched.expired()) << "a waiting handler is held";
    platform.loop.Advance(100);
    EXPECT_TRUE(watched.expired());
    EXPECT_EQ(manager.waitingCount(), 0u);
    EXPECT_EQ(platform.loop.liveTimers(), 0u) << "and its timer is stopped";
}

TEST_F(TimerManagerTest, RestartKeepsOnePositionAndOnlyTheNewTimer) {
    manager.StartTimer(100, first);
    manager.StartTimer(100, second);
    platform.loop.Advance(50);
    manager.StartTimer(100, first);
    EXPECT_EQ(manager.waitingCount(), 2u);
    EXPECT_EQ(platform.loop.liveTimers(), 2u);
    platform.loop.Advance(50);
    EXPECT_EQ(manager.waitingCount(), 1u) << "second expired, first was restarted";
    platform.loop.Advance(50);
    EXPECT_EQ(manager.waitingCount(), 0u);
    EXPECT_EQ(first->timedOut, 1) << "the replaced timer never calls";
    EXPECT_EQ(second->timedOut, 1);
}

TEST_F(TimerManagerTest, StopIsFinalAndStoppingTheIdleChangesNothing) {
    manager.StopTimer(first);
    manager.StartTimer(100, first);
    manager.StartTimer(200, second);
    manager.StopTimer(first);
    EXPECT_EQ(manager.waitingCount(), 1u);
    EXPECT_EQ(platform.loop.liveTimers(), 1u);
    manager.TimerProc(1);  // a late expiry of the stopped timer
    EXPECT_EQ(manager.waitingCount(), 1u);
    platform.loop.Advance(200);
    EXPECT_EQ(manager.waitingCount(), 0u);
    EXPECT_EQ(first->timedOut, 0);
    EXPECT_EQ(second->timedOut, 1);
}

TEST_F(TimerManagerTest, RefusedTimerLeavesNothingWaiting) {
    platform.loop.refuseTimers(1);
    EXPECT_FALSE(manager.StartTimer(100, first));
    EXPECT_EQ(manager.waitingCount(), 0u);
    platform.loop.Advance(100);
    EXPECT_EQ(first->timedOut, 0);
}

}  // namespace
}  // namespace tessaly
