// The whole run behind either program's main(): the command line, the profile and the script
// read and checked before the add-in sees anything, then the session, its commands and the
// exit status. A program supplies what differs through Program.
#pragma once

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "harness/frontend/options.h"
#include "harness/frontend/output.h"
#include "harness/frontend/profile.h"
#include "harness/frontend/script.h"
#include "harness/frontend/session.h"

namespace tessaly::frontend {

inline constexpr int kExitOk = 0;
inline constexpr int kExitAddinFailed = 1;
inline constexpr int kExitBadInput = 2;

class Program {
  public:
    virtual ~Program() = default;

    // As usage errors name it: "(see NAME --help)".
    virtual std::string_view name() const = 0;
    virtual std::string help() const = 0;
    // Adds the program's own options to the common ones.
    virtual void addOptions(OptionTable& table) = 0;
    // The commands of the program's own that its scripts may use.
    virtual OwnVerbs ownVerbs() const { return {}; }
    // Runs instead of a session when the options ask for something else: the exit status,
    // or nothing to go on.
    virtual std::optional<int> instead(const CommonOptions& /*options*/, Output& /*out*/) {
        return std::nullopt;
    }
    // Once the profile and the script are read: false after printing why the run cannot go on.
    virtual bool ready(const CommonOptions& /*options*/, Output& /*out*/) { return true; }
    // The session over the world of the profile; `trace` outlives it.
    virtual std::unique_ptr<Session> start(const Profile& profile, const CommonOptions& options,
                                           Output& out, host::sim::TraceSink* trace) = 0;
};

// `in` is the script when neither --script nor --interactive is given and `inIsTerminal` is
// false; interactive mode is the session's.
int Run(Program& program, const std::vector<std::string>& args, Output& out, std::istream& in,
        bool inIsTerminal);

// Where interactive mode's lines come from. While it waits, the host's time goes on.
class LineSource {
  public:
    virtual ~LineSource() = default;
    // The next line without its line end; nothing at the end of input.
    virtual std::optional<std::string> ReadLine() = 0;
};

// Interactive mode: prompts, reads, runs and reports each line until `quit` or the end of
// input; `help` prints `help`. A line that cannot run is reported and the session goes on.
void Interact(Session& session, LineSource& lines, Output& out, const std::string& help,
              OwnVerbs own);

}  // namespace tessaly::frontend
