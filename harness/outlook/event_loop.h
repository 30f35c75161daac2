// The simulated host's timers: Windows-style periodic timers on a clock that scripts and
// tests advance explicitly (virtual time), or that follows the real clock interactively.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>

#include "platform/services.h"

namespace tessaly::host::sim {

class EventLoop : public platform::SystemTimers {
  public:
    std::uint32_t SetTimer(std::uint32_t elapse, TimerProc proc) override;
    bool KillTimer(std::uint32_t id) override;

    std::uint64_t now() const { return now_; }
    // Moves the clock forward by `ms`, delivering every expiry that falls due, in the order
    // of their due times (ties: the earlier timer first). A timer fires again every
    // `elapse` milliseconds until killed, as Windows timers do.
    void Advance(std::uint64_t ms);
    // Delivers what is due at the current time without moving the clock.
    void RunDue() { Advance(0); }
    std::optional<std::uint64_t> nextDue() const;
    std::size_t liveTimers() const { return timers_.size(); }
    // Makes the next SetTimer calls fail (return 0), to test a refused timer.
    void refuseTimers(int count) { refuse_ = count; }
    // Called after each timer callback, when control is back in the host's message loop
    // (the host's idle processing, such as World::Idle).
    void setAfterTimer(std::function<void()> afterTimer) { afterTimer_ = std::move(afterTimer); }

  private:
    struct Timer {
        std::uint32_t elapse;
        std::uint64_t due;
        TimerProc proc;
    };
    std::map<std::uint32_t, Timer> timers_;
    std::uint64_t now_ = 0;
    std::uint32_t nextId_ = 1;
    int refuse_ = 0;
    std::function<void()> afterTimer_;
};

}  // namespace tessaly::host::sim
