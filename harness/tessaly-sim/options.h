// The command line of tessaly-sim, and the --help text that documents the whole program.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "harness/frontend/options.h"

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

using frontend::UsageError;

// Accepts "--name value" and "--name=value". Throws UsageError.
Options ParseOptions(const std::vector<std::string>& args);

std::string HelpText();

}  // namespace tessaly::sim_tool
