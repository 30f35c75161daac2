// The whole program behind main(): options, profile, script, session, exit status.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "harness/frontend/output.h"

namespace tessaly::sim_tool {

inline constexpr int kExitOk = 0;
inline constexpr int kExitAddinFailed = 1;
inline constexpr int kExitBadInput = 2;

// `in` is the script when neither --script nor --interactive is given and `inIsTerminal` is
// false; interactive mode reads descriptor `inFd`.
int Run(const std::vector<std::string>& args, frontend::Output& out, std::istream& in, int inFd,
        bool inIsTerminal);

}  // namespace tessaly::sim_tool
