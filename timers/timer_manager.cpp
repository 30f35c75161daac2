#include "timers/timer_manager.h"

#include <algorithm>

namespace tessaly::timers {

std::size_t TimerManager::Find(const std::shared_ptr<WaitingHandler>& handler) const {
    const auto found = std::find(oWaitingHandlers.begin(), oWaitingHandlers.end(), handler);
    return static_cast<std::size_t>(found - oWaitingHandlers.begin());
}

void TimerManager::Remove(std::size_t position) {
    oWaitingHandlers.erase(oWaitingHandlers.begin() + static_cast<std::ptrdiff_t>(position));
    oTimerIds.erase(oTimerIds.begin() + static_cast<std::ptrdiff_t>(position));
}

bool TimerManager::StartTimer(std::int32_t delay, const std::shared_ptr<WaitingHandler>& handler) {
    const std::size_t position = Find(handler);
    const bool waiting = position < oWaitingHandlers.size();
    if (waiting) {
        timers_.KillTimer(oTimerIds[position]);
    }
    const std::uint32_t id = timers_.SetTimer(static_cast<std::uint32_t>(std::max(delay, 0)),
                                              [this](std::uint32_t fired) { TimerProc(fired); });
    if (id == 0) {
        // A refused timer would never expire and would hold the handler for good.
        if (waiting) {
            Remove(position);
        }
        return false;
    }
    if (waiting) {
        oTimerIds[position] = id;
    } else {
        oWaitingHandlers.push_back(handler);
        oTimerIds.push_back(id);
    }
    return true;
}

void TimerManager::StopTimer(const std::shared_ptr<WaitingHandler>& handler) {
    const std::size_t position = Find(handler);
    if (position < oWaitingHandlers.size()) {
        timers_.KillTimer(oTimerIds[position]);
        Remove(position);
    }
}

void TimerManager::TimerProc(std::uint32_t identifier) noexcept {
    const auto found = std::find(oTimerIds.begin(), oTimerIds.end(), identifier);
    if (found == oTimerIds.end()) {
        return;  // a late expiry of a stopped timer
    }
    // Every deferral expires exactly once.
    timers_.KillTimer(identifier);
    const auto handler = oWaitingHandlers[static_cast<std::size_t>(found - oTimerIds.begin())];
    try {
        handler->OnExplorerEventTimedOut();
    } catch (...) {
        // The notice could not be replaced; the deferral is over all the same.
    }
    // Look again: the handler's call may have changed the lists.
    const auto position = static_cast<std::size_t>(
        std::find(oTimerIds.begin(), oTimerIds.end(), identifier) - oTimerIds.begin());
    if (position < oTimerIds.size()) {
        Remove(position);
    }
}

}  // namespace tessaly::timers
