// The user's side of a stand-in host run: tessaly-sim's script commands acting on the world,
// plus the host's own commands (`fail`, `calls`). The add-in sits behind COM, so what the
// in-process session learns from the add-in's state (its toolbar name, its tag prefix) is
// read from the model instead.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/sim/sim_host.h"
#include "output.h"
#include "script.h"

namespace tessaly::standin {

// A script line: one of tessaly-sim's commands, or one of the host's own.
struct StandinCommand {
    enum class Kind { Sim, Fail, Calls };
    Kind kind = Kind::Sim;
    int line = 0;
    sim_tool::Command sim;  // Kind::Sim
    std::string operation;  // Kind::Fail: "Interface.Member" or "Interface.Member="
    int times = -1;         // Kind::Fail: how many calls fail; -1 every one, 0 none again
};

// Throws sim_tool::LineError.
std::optional<StandinCommand> ParseStandinLine(std::string_view text, int line);
std::vector<StandinCommand> ParseStandinScript(std::string_view text);

// The toolbar name used when the model shows no toolbar of the add-in yet.
inline constexpr std::u16string_view kDefaultToolbarName = u"Brindle";

class StandinSession {
  public:
    StandinSession(host::sim::World& world,
                   std::vector<std::shared_ptr<host::sim::SimExplorer>> windows,
                   sim_tool::Output& out);

    // Runs a world command. Throws LineError for a command that cannot run (no such window,
    // folder or item); what the add-in has not built is a note. `wait`, `shutdown`,
    // `softphones` and `dial` belong to the caller.
    void Execute(const sim_tool::Command& command);
    void ShowAll();
    // The name of the add-in's toolbar as the model shows it: the first bar that is not
    // built in and carries one of the add-in's controls; else kDefaultToolbarName.
    std::u16string ToolbarName() const;

  private:
    host::sim::SimExplorer& Window(const sim_tool::Command& command);
    std::shared_ptr<host::sim::SimFolder> Folder(const sim_tool::Command& command,
                                                 const std::string& name) const;
    std::shared_ptr<host::sim::SimControl> FindControl(const host::sim::SimExplorer& window,
                                                       sim_tool::ControlName control) const;
    std::shared_ptr<host::sim::SimControl> RequireControl(const sim_tool::Command& command,
                                                          host::sim::SimExplorer& window);
    std::u16string TagPrefix() const;
    void Open(const sim_tool::Command& command);
    void Select(const sim_tool::Command& command);
    void Click(const sim_tool::Command& command);
    void TypeOrPick(const sim_tool::Command& command);
    void Customize(const sim_tool::Command& command);

    host::sim::World& world_;
    std::vector<std::shared_ptr<host::sim::SimExplorer>> windows_;
    sim_tool::Output& out_;
};

}  // namespace tessaly::standin
