// The command line of tessaly-sim, and the --help text that documents the whole program.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tessaly::sim_tool {

struct Options {
    std::optional<std::string> profile;
    std::optional<std::string> registry;
    std::optional<std::string> script;  // "-": standard input
    bool interactive = false;
    bool noLaunch = false;
    bool help = false;
    bool softphones = false;
    std::optional<std::string> onUpdate;  // "idle" or "strict"
    std::optional<std::string> trace;     // the file the object model's trace goes to
};

class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Accepts "--name value" and "--name=value". Throws UsageError.
Options ParseOptions(const std::vector<std::string>& args);

std::string HelpText();
// The command summary of interactive `help`.
const char* CommandSummary();
// What --trace writes (tessaly-sim and the stand-in host write the same).
const char* TraceSummary();

}  // namespace tessaly::sim_tool
