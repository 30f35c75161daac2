#include "timer_tracker.h"

#include "import_redirect.h"

#include <algorithm>
#include <mutex>

namespace tessaly::standin {

namespace {

// The add-in may set timers from any thread; the list is shared by all of them.
std::mutex& TimersMutex() {
    static std::mutex mutex;
    return mutex;
}

std::vector<SetTimerRecord>& Timers() {
    static std::vector<SetTimerRecord> timers;
    return timers;
}

void Forget(HWND window, UINT_PTR id) {
    auto& timers = Timers();
    timers.erase(std::remove_if(timers.begin(), timers.end(),
                                [&](const SetTimerRecord& timer) {
                                    return timer.window == window && timer.id == id;
                                }),
                 timers.end());
}

// Called by the add-in in place of user32's: no exception may leave them.
UINT_PTR WINAPI TrackedSetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC proc) noexcept {
    const UINT_PTR result = ::SetTimer(window, id, elapse, proc);
    if (result == 0) {
        return result;
    }
    // A window's timer keeps the caller's id; a thread timer is known by the returned one.
    const UINT_PTR key = window ? id : result;
    try {
        const std::lock_guard lock(TimersMutex());
        Forget(window, key);  // setting it again only restarts it
        Timers().push_back({window, key, elapse});
    } catch (...) {
        // Out of memory: the timer goes untracked rather than failing the add-in's call.
    }
    return result;
}

BOOL WINAPI TrackedKillTimer(HWND window, UINT_PTR id) noexcept {
    const BOOL killed = ::KillTimer(window, id);
    if (killed) {
        const std::lock_guard lock(TimersMutex());
        Forget(window, id);
    }
    return killed;
}

}  // namespace

int TrackTimers(HMODULE module) {
    return RedirectImports(module, {{ExportAddress(L"user32.dll", "SetTimer"),
                                     reinterpret_cast<ULONG_PTR>(&TrackedSetTimer)},
                                    {ExportAddress(L"user32.dll", "KillTimer"),
                                     reinterpret_cast<ULONG_PTR>(&TrackedKillTimer)}});
}

std::vector<SetTimerRecord> TimersStillSet() {
    const std::lock_guard lock(TimersMutex());
    std::vector<SetTimerRecord> set;
    for (const SetTimerRecord& timer : Timers()) {
        if (!timer.window || IsWindow(timer.window)) {
            set.push_back(timer);
        }
    }
    return set;
}

}  // namespace tessaly::standin
