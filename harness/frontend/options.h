// What the command lines of tessaly-sim and the stand-in host share: the usage error and the
// parts of --help that document the script language and the trace.
#pragma once

#include <stdexcept>

namespace tessaly::frontend {

class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The script commands, as --help and interactive `help` list them.
const char* CommandSummary();
// What --trace writes (tessaly-sim and the stand-in host write the same).
const char* TraceSummary();

}  // namespace tessaly::frontend
