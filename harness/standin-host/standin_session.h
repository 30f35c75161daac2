// The user's side of a stand-in host run: tessaly-sim's script commands acting on the world,
// plus the host's own commands (`fail`, `calls`). The add-in sits behind COM, so what the
// in-process session learns from the add-in's state (its toolbar name, its tag prefix) is
// read from the model instead.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "harness/frontend/output.h"
#include "harness/frontend/script.h"
#include "harness/frontend/world_commands.h"
#include "harness/outlook/sim_host.h"

namespace tessaly::standin {

// A script line: one of tessaly-sim's commands, or one of the host's own.
struct StandinCommand {
    enum class Kind { Sim, Fail, Calls };
    Kind kind = Kind::Sim;
    int line = 0;
    frontend::Command sim;  // Kind::Sim
    std::string operation;  // Kind::Fail: "Interface.Member" or "Interface.Member="
    int times = -1;         // Kind::Fail: how many calls fail; -1 every one, 0 none again
};

// Throws frontend::LineError.
std::optional<StandinCommand> ParseStandinLine(std::string_view text, int line);
std::vector<StandinCommand> ParseStandinScript(std::string_view text);

// The toolbar name used when the model shows no toolbar of the add-in yet.
inline constexpr std::u16string_view kDefaultToolbarName = u"Brindle";

class StandinSession : private frontend::WorldHost {
  public:
    // `hostCommands` runs `wait`, `shutdown`, `softphones` and `dial`; `ribbon` is the
    // Explorer windows' ribbon, null when the host shows none.
    StandinSession(host::sim::World& world,
                   std::vector<std::shared_ptr<host::sim::SimExplorer>> windows,
                   frontend::Output& out, host::sim::SimRibbon* ribbon,
                   std::function<void(const frontend::Command&)> hostCommands);
    StandinSession(const StandinSession&) = delete;
    StandinSession& operator=(const StandinSession&) = delete;

    // Runs a command. Throws LineError for a command that cannot run (no such window,
    // folder or item); what the add-in has not built is a note. `wait`, `shutdown`,
    // `softphones` and `dial` go to the caller's hostCommands.
    void Execute(const frontend::Command& command) { commands_.Execute(command); }
    void ShowAll() { commands_.ShowAll(); }
    // The name of the add-in's toolbar as the model shows it: the first bar that is not
    // built in and carries one of the add-in's controls; else kDefaultToolbarName.
    std::u16string ToolbarName() const override;

  private:
    // The add-in's prefix is not visible through COM: the one its controls carry.
    std::u16string TagPrefix(const host::sim::SimExplorer& window,
                             std::u16string_view toolbar) const override;
    void RunHostCommand(const frontend::Command& command) override;
    host::sim::SimRibbon* Ribbon() override { return ribbon_; }

    host::sim::SimRibbon* ribbon_;
    std::function<void(const frontend::Command&)> hostCommands_;
    frontend::WorldCommands commands_;
};

}  // namespace tessaly::standin
