// Interactive mode: commands from a terminal, in real time. While the program waits for
// input, for `wait` or for a message box to be dismissed, the simulated host's timers fire
// as their due times pass on the real clock.
#pragma once

#include "harness/frontend/output.h"

namespace tessaly::sim_tool {

class InProcessSession;

// Reads commands from file descriptor `fd` until `quit` or end of input. Errors are printed
// and the session goes on. Throws AddinFailure when unloading the add-in fails.
void RunInteractive(InProcessSession& session, frontend::Output& out, int fd);

}  // namespace tessaly::sim_tool
