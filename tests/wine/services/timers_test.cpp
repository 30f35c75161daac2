// Thread timers driven by a real message loop.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <vector>

#include "platform/win32/services.h"
#include "test_support.h"

namespace tessaly::win32 {
namespace {

using namespace std::chrono_literals;
using testing::PumpMessagesFor;
using testing::PumpMessagesUntil;

class TimersTest : public ::testing::Test {
  protected:
    Win32Platform platform_{GetModuleHandleW(nullptr)};
    platform::SystemTimers& timers_ = platform_.services().timers;
};

TEST_F(TimersTest, FiresRepeatedlyWithItsIdUntilKilled) {
    std::vector<std::uint32_t> seen;
    const auto id = timers_.SetTimer(50, [&](std::uint32_t fired) { seen.push_back(fired); });
    ASSERT_NE(id, 0u);
    ASSERT_TRUE(PumpMessagesUntil([&] { return seen.size() >= 3; }, 5s));
    EXPECT_EQ(seen, std::vector<std::uint32_t>(seen.size(), id));

    EXPECT_TRUE(timers_.KillTimer(id));
    const auto count = seen.size();
    PumpMessagesFor(250ms);
    EXPECT_EQ(seen.size(), count);
}

TEST_F(TimersTest, CallbackMayKillItsOwnTimer) {
    int fired = 0;
    std::uint32_t id = 0;
    bool killed = false;
    id = timers_.SetTimer(50, [&](std::uint32_t self) {
        ++fired;
        killed = timers_.KillTimer(self);
    });
    ASSERT_NE(id, 0u);
    ASSERT_TRUE(PumpMessagesUntil([&] { return fired > 0; }, 5s));
    PumpMessagesFor(300ms);
    EXPECT_EQ(fired, 1);
    EXPECT_TRUE(killed);
    EXPECT_EQ(platform_.liveTimers(), 0u);
}

TEST_F(TimersTest, ExceptionsFromTheCallbackAreContained) {
    int fired = 0;
    const auto id = timers_.SetTimer(50, [&](std::uint32_t) {
        ++fired;
        if (fired == 1) {
            throw std::runtime_error("first tick fails");
        }
        if (fired == 2) {
            throw 42;  // not even a std::exception
        }
    });
    ASSERT_NE(id, 0u);
    // Reaching a third tick means both throws stayed inside and the timer kept running.
    EXPECT_TRUE(PumpMessagesUntil([&] { return fired >= 3; }, 5s));
    EXPECT_TRUE(timers_.KillTimer(id));
}

TEST_F(TimersTest, TimersAreIndependent) {
    std::vector<std::uint32_t> order;
    const auto fast = timers_.SetTimer(40, [&](std::uint32_t id) { order.push_back(id); });
    const auto slow = timers_.SetTimer(400, [&](std::uint32_t id) { order.push_back(id); });
    ASSERT_NE(fast, 0u);
    ASSERT_NE(slow, 0u);
    ASSERT_NE(fast, slow);
    ASSERT_TRUE(PumpMessagesUntil(
        [&] { return std::find(order.begin(), order.end(), slow) != order.end(); }, 5s));
    const auto fastTicks = std::count(order.begin(), order.end(), fast);
    EXPECT_GE(fastTicks, 3);
    EXPECT_EQ(std::count(order.begin(), order.end(), slow), 1);
    EXPECT_TRUE(timers_.KillTimer(fast));
    EXPECT_TRUE(timers_.KillTimer(slow));
}

TEST_F(TimersTest, LiveTimersCountsWhatIsNotKilled) {
    EXPECT_EQ(platform_.liveTimers(), 0u);
    const auto a = timers_.SetTimer(1000, [](std::uint32_t) {});
    const auto b = timers_.SetTimer(1000, [](std::uint32_t) {});
    EXPECT_EQ(platform_.liveTimers(), 2u);
    EXPECT_TRUE(timers_.KillTimer(a));
    EXPECT_EQ(platform_.liveTimers(), 1u);
    EXPECT_FALSE(timers_.KillTimer(a)) << "already killed";
    EXPECT_FALSE(timers_.KillTimer(0));
    EXPECT_FALSE(timers_.KillTimer(0x7FFFFFFF));
    EXPECT_EQ(platform_.liveTimers(), 1u);
    EXPECT_TRUE(timers_.KillTimer(b));
    EXPECT_EQ(platform_.liveTimers(), 0u);
}

TEST_F(TimersTest, AnEmptyCallbackIsRefused) {
    EXPECT_EQ(timers_.SetTimer(50, nullptr), 0u);
    EXPECT_EQ(platform_.liveTimers(), 0u);
}

TEST_F(TimersTest, EachPlatformOwnsItsTimers) {
    int otherFired = 0;
    std::uint32_t otherId = 0;
    {
        Win32Platform other(GetModuleHandleW(nullptr));
        otherId = other.services().timers.SetTimer(50, [&](std::uint32_t) { ++otherFired; });
        ASSERT_NE(otherId, 0u);
        EXPECT_EQ(other.liveTimers(), 1u);
        EXPECT_EQ(platform_.liveTimers(), 0u);
        EXPECT_FALSE(timers_.KillTimer(otherId)) << "not this platform's timer";
        ASSERT_TRUE(PumpMessagesUntil([&] { return otherFired > 0; }, 5s));
    }
    // Gone with its platform: nothing calls into the destroyed objects any more.
    const int count = otherFired;
    PumpMessagesFor(250ms);
    EXPECT_EQ(otherFired, count);
}

}  // namespace
}  // namespace tessaly::win32
