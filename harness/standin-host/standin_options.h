// The command line of tessaly-standin: tessaly-sim's options where they make sense for a
// host that loads the real DLL, and the host's own (--invoke, --stats, --fail, --no-ribbon).
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tessaly::standin {

struct StandinOptions {
    std::optional<std::string> profile;
    std::optional<std::string> script;  // "-": standard input
    bool interactive = false;
    bool invoke = false;    // call IDTExtensibility2 through IDispatch::Invoke
    bool stats = false;     // print the startup times and call counts at the end
    bool launch = true;     // false: report the add-in's process starts, start nothing
    bool noRibbon = false;  // the add-in's toolbar only, as before Office 2010
    bool help = false;
    bool strictOnUpdate = false;                        // --on-update=strict
    std::optional<std::string> trace;                   // --trace FILE
    std::vector<std::pair<std::string, int>> failures;  // --fail OP[:TIMES]
};

// Throws frontend::UsageError.
StandinOptions ParseStandinOptions(const std::vector<std::string>& args);
std::string StandinHelpText();

}  // namespace tessaly::standin
