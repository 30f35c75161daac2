// One-shot deferrals that call an ExplorerHandler back on the user-interface thread.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/services.h"

namespace tessaly::explorer {
class ExplorerHandler;
}

namespace tessaly::timers {

class TimerManager {
  public:
    explicit TimerManager(platform::SystemTimers& timers) : timers_(timers) {}
    TimerManager(const TimerManager&) = delete;
    TimerManager& operator=(const TimerManager&) = delete;

    void StartTimer(std::int32_t delay, const std::shared_ptr<explorer::ExplorerHandler>& handler);
    void StopTimer(const std::shared_ptr<explorer::ExplorerHandler>& handler);
    void TimerProc(std::uint32_t identifier);

    std::size_t waitingCount() const { return oWaitingHandlers.size(); }

  private:
    platform::SystemTimers& timers_;
    std::vector<std::uint32_t> oTimerIds;
    std::vector<std::shared_ptr<explorer::ExplorerHandler>> oWaitingHandlers;
};

}  // namespace tessaly::timers
