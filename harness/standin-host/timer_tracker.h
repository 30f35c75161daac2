// The add-in's timers, seen through its import table: the DLL's imports of SetTimer and
// KillTimer are pointed at the host's own, which remember every timer still set. A timer
// left set once the add-in is disconnected fires later into code that may be unloaded.
#pragma once

#include <windows.h>

#include <vector>

namespace tessaly::standin {

struct SetTimerRecord {
    HWND window;  // nullptr for a thread timer
    UINT_PTR id;  // as KillTimer would need it
    UINT elapse;  // milliseconds, as last set
};

// Redirects `module`'s imports of user32's SetTimer and KillTimer to the tracking ones.
// Returns how many import slots now point at them (0: the DLL imports neither).
int TrackTimers(HMODULE module);

// The timers set through a tracked import and not killed since, in the order they were
// set. Timers of windows that no longer exist went with their window and are not listed.
std::vector<SetTimerRecord> TimersStillSet();

}  // namespace tessaly::standin
