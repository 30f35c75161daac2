#include "harness/outlook/event_loop.h"

#include <algorithm>

namespace tessaly::host::sim {

std::uint32_t EventLoop::SetTimer(std::uint32_t elapse, TimerProc proc) {
    if (refuse_ > 0) {
        --refuse_;
        return 0;
    }
    // Identifiers wrap around after 2^32 timers; skip 0 and those still in use.
    std::uint32_t id = nextId_;
    while (id == 0 || timers_.count(id) != 0) {
        ++id;
    }
    nextId_ = id + 1;
    timers_[id] = Timer{elapse, now_ + elapse, std::move(proc)};
    return id;
}

bool EventLoop::KillTimer(std::uint32_t id) {
    return timers_.erase(id) != 0;
}

std::optional<std::uint64_t> EventLoop::nextDue() const {
    std::optional<std::uint64_t> due;
    for (const auto& [id, timer] : timers_) {
        if (!due || timer.due < *due) {
            due = timer.due;
        }
    }
    return due;
}

void EventLoop::Advance(std::uint64_t ms) {
    const std::uint64_t target = now_ + ms;
    for (;;) {
        // Find the earliest due timer; a callback may start or kill timers, so look again
        // after every delivery.
        auto earliest = timers_.end();
        for (auto it = timers_.begin(); it != timers_.end(); ++it) {
            if (it->second.due <= target &&
                (earliest == timers_.end() || it->second.due < earliest->second.due)) {
                earliest = it;
            }
        }
        if (earliest == timers_.end()) {
            break;
        }
        const std::uint32_t id = earliest->first;
        // A callback that runs a nested loop (a modal message box) may have moved the clock
        // past this expiry already; time never goes back.
        now_ = std::max(now_, earliest->second.due);
        // A zero elapse would otherwise fire forever within one instant.
        earliest->second.due = now_ + (earliest->second.elapse == 0 ? 1 : earliest->second.elapse);
        TimerProc proc = earliest->second.proc;  // the timer may be killed inside
        proc(id);
        if (afterTimer_) {
            afterTimer_();
        }
    }
    now_ = std::max(now_, target);
}

}  // namespace tessaly::host::sim
