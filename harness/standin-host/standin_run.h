// The whole program behind main(): options, profile, script, loading the add-ins, the
// commands, unloading and the shutdown check.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "harness/frontend/output.h"

namespace tessaly::standin {

inline constexpr int kExitOk = 0;
inline constexpr int kExitAddinFailed = 1;
inline constexpr int kExitBadInput = 2;
inline constexpr int kExitUncleanShutdown = 3;

int Run(const std::vector<std::string>& args, frontend::Output& out, std::istream& in,
        bool inIsTerminal);

}  // namespace tessaly::standin
