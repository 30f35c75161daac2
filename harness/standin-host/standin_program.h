// tessaly-standin as a front end: the shared options and script language, and what only a
// host that loads the real DLL over COM has (--invoke, --stats, --no-ribbon, and the `calls`
// command).
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "harness/frontend/run.h"

namespace tessaly::standin {

inline constexpr int kExitUncleanShutdown = 3;

// The script commands only the stand-in host takes.
inline constexpr frontend::Verb kOwnVerbs[] = {frontend::Verb::Calls};

// The stand-in host's own options.
struct StandinOptions {
    bool invoke = false;    // call IDTExtensibility2 through IDispatch::Invoke
    bool stats = false;     // print the startup times and call counts at the end
    bool noRibbon = false;  // the add-in's toolbar only, as before Office 2010
};

class StandinProgram final : public frontend::Program {
  public:
    // Interactive mode reads `in`.
    explicit StandinProgram(std::istream& in) : in_(in) {}

    std::string_view name() const override { return "tessaly-standin"; }
    std::string help() const override;
    void addOptions(frontend::OptionTable& table) override;
    frontend::OwnVerbs ownVerbs() const override { return kOwnVerbs; }
    std::unique_ptr<frontend::Session> start(const frontend::Profile& profile,
                                             const frontend::CommonOptions& options,
                                             frontend::Output& out,
                                             host::sim::TraceSink* trace) override;

  private:
    std::istream& in_;
    StandinOptions own_;
};

std::string StandinHelpText();

// The whole program behind main(): options, profile, script, loading the add-ins, the
// commands, unloading and the shutdown check.
int Run(const std::vector<std::string>& args, frontend::Output& out, std::istream& in,
        bool inIsTerminal);

}  // namespace tessaly::standin
