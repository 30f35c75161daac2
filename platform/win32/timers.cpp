// SystemTimers on thread timers. A TIMERPROC receives only the timer's id, so the callbacks
// live in one table for the process, keyed by id.
#include <windows.h>

#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/win32/service_impls.h"

namespace tessaly::win32 {

namespace {

using Proc = platform::SystemTimers::TimerProc;

struct Entry {
    const Win32Timers* owner;
    // Shared so that a callback that kills its own timer keeps running on a live object.
    std::shared_ptr<const Proc> proc;
};

// Function-local statics: constructed on first use, in whatever order modules initialize.
std::mutex& TableMutex() {
    static std::mutex mutex;
    return mutex;
}

std::map<UINT_PTR, Entry>& Table() {
    static std::map<UINT_PTR, Entry> table;
    return table;
}

// Called by the message loop of the thread that set the timer. Nothing may propagate out of
// here into user32; a failing callback is ignored and its timer keeps running.
void CALLBACK TimerThunk(HWND, UINT, UINT_PTR id, DWORD) noexcept {
    try {
        std::shared_ptr<const Proc> proc;
        {
            const std::lock_guard lock(TableMutex());
            const auto found = Table().find(id);
            if (found == Table().end()) {
                return;  // killed while its WM_TIMER was being dispatched
            }
            proc = found->second.proc;
        }
        (*proc)(static_cast<std::uint32_t>(id));
    } catch (...) {
        OutputDebugStringW(L"Tessaly: a timer callback failed; the timer keeps running\n");
    }
}

}  // namespace

Win32Timers::~Win32Timers() {
    std::vector<Entry> released;  // destroyed after the lock: a callback's captures may call back
    const std::lock_guard lock(TableMutex());
    auto& table = Table();
    for (auto it = table.begin(); it != table.end();) {
        if (it->second.owner == this) {
            ::KillTimer(nullptr, it->first);
            released.push_back(std::move(it->second));
            it = table.erase(it);
        } else {
            ++it;
        }
    }
}

std::uint32_t Win32Timers::SetTimer(std::uint32_t elapse, TimerProc proc) {
    if (!proc) {
        return 0;
    }
    auto shared = std::make_shared<const Proc>(std::move(proc));
    const std::lock_guard lock(TableMutex());
    const UINT_PTR id = ::SetTimer(nullptr, 0, elapse, &TimerThunk);
    if (id == 0) {
        return 0;
    }
    if (id > std::numeric_limits<std::uint32_t>::max()) {
        ::KillTimer(nullptr, id);
        return 0;
    }
    try {
        Table().insert_or_assign(id, Entry{this, std::move(shared)});
    } catch (...) {
        ::KillTimer(nullptr, id);
        throw;
    }
    return static_cast<std::uint32_t>(id);
}

bool Win32Timers::KillTimer(std::uint32_t id) {
    std::shared_ptr<const Proc> released;  // see the destructor
    const std::lock_guard lock(TableMutex());
    auto& table = Table();
    const auto found = table.find(id);
    if (found == table.end() || found->second.owner != this) {
        return false;
    }
    if (!::KillTimer(nullptr, found->first)) {
        return false;  // still running (another thread's timer)
    }
    released = std::move(found->second.proc);
    table.erase(found);
    return true;
}

std::size_t Win32Timers::live() const {
    const std::lock_guard lock(TableMutex());
    std::size_t count = 0;
    for (const auto& [id, entry] : Table()) {
        if (entry.owner == this) {
            ++count;
        }
    }
    return count;
}

}  // namespace tessaly::win32
