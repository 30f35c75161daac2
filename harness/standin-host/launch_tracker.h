// The add-in's process starts, seen through its import table: its import of CreateProcessW
// is pointed at the host's, which reports each command line as a `launch:` line and, when
// asked not to launch, starts nothing.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace tessaly::standin {

// Redirects `module`'s imports of CreateProcessW. Returns how many slots were redirected.
int TrackLaunches(HMODULE module, bool start);

// The `launch: <command line>` lines since the last call, in order; a call that failed
// gives `launch failed: <command line>`.
std::vector<std::string> TakeLaunchLines();

}  // namespace tessaly::standin
