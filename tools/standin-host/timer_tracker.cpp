#include "timer_tracker.h"

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

template <class T>
T* At(BYTE* base, DWORD rva) {
    return reinterpret_cast<T*>(base + rva);
}

}  // namespace

int TrackTimers(HMODULE module) {
    // The import slots hold the resolved addresses once the DLL is loaded, whatever name
    // (user32.dll or an API set) the import was made under.
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    if (!module || !user32) {
        return 0;
    }
    const auto realSetTimer =
        reinterpret_cast<ULONG_PTR>(reinterpret_cast<void*>(GetProcAddress(user32, "SetTimer")));
    const auto realKillTimer =
        reinterpret_cast<ULONG_PTR>(reinterpret_cast<void*>(GetProcAddress(user32, "KillTimer")));

    auto* base = reinterpret_cast<BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = At<const IMAGE_NT_HEADERS>(base, static_cast<DWORD>(dos->e_lfanew));
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) {
        return 0;
    }
    int redirected = 0;
    for (auto* library = At<IMAGE_IMPORT_DESCRIPTOR>(base, imports.VirtualAddress);
         library->Name != 0; ++library) {
        for (auto* slot = At<IMAGE_THUNK_DATA>(base, library->FirstThunk); slot->u1.Function != 0;
             ++slot) {
            ULONG_PTR replacement = 0;
            if (slot->u1.Function == realSetTimer) {
                replacement = reinterpret_cast<ULONG_PTR>(&TrackedSetTimer);
            } else if (slot->u1.Function == realKillTimer) {
                replacement = reinterpret_cast<ULONG_PTR>(&TrackedKillTimer);
            } else {
                continue;
            }
            DWORD protection = 0;
            if (!VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE,
                                &protection)) {
                continue;
            }
            slot->u1.Function = replacement;
            VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, protection, &protection);
            ++redirected;
        }
    }
    return redirected;
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
