// Deferrals that call a handler back once, on the user-interface thread, after a delay. The
// timer identifier at each position of one list belongs to the handler at the same position
// of the other.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/services.h"

namespace tessaly::timers {

// What a deferral calls when it expires: the Explorer window's handler, whose dialing notice
// then ends.
class WaitingHandler {
  public:
    virtual ~WaitingHandler() = default;
    virtual void OnExplorerEventTimedOut() = 0;
};

class TimerManager {
  public:
    explicit TimerManager(platform::SystemTimers& timers) : timers_(timers) {}
    TimerManager(const TimerManager&) = delete;
    TimerManager& operator=(const TimerManager&) = delete;

    // Starts the handler's deferral, or restarts it if it is already waiting. Returns false
    // when the system refuses a timer; the handler is then not waiting.
    bool StartTimer(std::int32_t delay, const std::shared_ptr<WaitingHandler>& handler);
    // Cancels the handler's deferral, if it has one.
    void StopTimer(const std::shared_ptr<WaitingHandler>& handler);
    // The system's callback for every timer started here.
    void TimerProc(std::uint32_t identifier) noexcept;

    std::size_t waitingCount() const { return oWaitingHandlers.size(); }

  private:
    std::size_t Find(const std::shared_ptr<WaitingHandler>& handler) const;
    void Remove(std::size_t position);

    platform::SystemTimers& timers_;
    std::vector<std::uint32_t> oTimerIds;
    std::vector<std::shared_ptr<WaitingHandler>> oWaitingHandlers;
};

}  // namespace tessaly::timers
