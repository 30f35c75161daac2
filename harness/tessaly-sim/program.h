// tessaly-sim as a front end: its own options (--registry, --softphones), its --help, the
// registry check before a run, and its in-process session.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "harness/frontend/run.h"

namespace tessaly::sim_tool {

class SimProgram final : public frontend::Program {
  public:
    // Interactive mode reads descriptor `inFd`.
    explicit SimProgram(int inFd) : inFd_(inFd) {}

    std::string_view name() const override { return "tessaly-sim"; }
    std::string help() const override;
    void addOptions(frontend::OptionTable& table) override;
    // --softphones: the installations found, instead of a session.
    std::optional<int> instead(const frontend::CommonOptions& options,
                               frontend::Output& out) override;
    // The registry file must parse: the add-in would take an unreadable store for an empty one.
    bool ready(const frontend::CommonOptions& options, frontend::Output& out) override;
    std::unique_ptr<frontend::Session> start(const frontend::Profile& profile,
                                             const frontend::CommonOptions& options,
                                             frontend::Output& out,
                                             host::sim::TraceSink* trace) override;

  private:
    std::filesystem::path registryFile() const;

    int inFd_;
    std::optional<std::string> registry_;
    bool softphones_ = false;
};

// The --help text, which documents the whole program.
std::string HelpText();

// The whole program behind main(). `in` is the script when neither --script nor
// --interactive is given and `inIsTerminal` is false; interactive mode reads descriptor `inFd`.
int Run(const std::vector<std::string>& args, frontend::Output& out, std::istream& in, int inFd,
        bool inIsTerminal);

}  // namespace tessaly::sim_tool
