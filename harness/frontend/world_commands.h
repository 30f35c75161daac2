// The script commands that act on the simulated Outlook's world (open, activate, select,
// folder, click, type, pick, inspect, rightclick, drop, choose, set, customize, close, show),
// shared by tessaly-sim and the stand-in host. What differs between the two (where the add-in's
// toolbar name and tag prefix come from, what `wait`, `softphones`, `dial`, `shutdown` and a
// program's own commands do) is supplied by a WorldHost: the session (session.h).
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "harness/frontend/control_names.h"
#include "harness/frontend/output.h"
#include "harness/frontend/script.h"
#include "harness/outlook/ribbon.h"
#include "harness/outlook/sim_host.h"

namespace tessaly::frontend {

// "window N", as notes name the command's window.
std::string WindowName(const Command& command);

// What the program running the commands supplies.
class WorldHost {
  public:
    virtual ~WorldHost() = default;

    // The name of the add-in's toolbar, whose controls are looked up first.
    virtual std::u16string ToolbarName() const = 0;
    // The tag prefix a control restored by `customize` gets on `window`, whose add-in
    // toolbar is named `toolbar`; empty when none is known.
    virtual std::u16string TagPrefix(const host::sim::SimExplorer& window,
                                     std::u16string_view toolbar) const = 0;
    // `wait`, `softphones`, `dial`, `shutdown`, `fail` and `calls`. May throw what Execute
    // documents.
    virtual void RunHostCommand(const Command& command) = 0;
    // The Explorer windows' ribbon, where the program models one.
    virtual host::sim::SimRibbon* Ribbon() { return nullptr; }
};

class WorldCommands {
  public:
    WorldCommands(host::sim::World& world,
                  const std::vector<std::shared_ptr<host::sim::SimExplorer>>& windows, Output& out,
                  WorldHost& host);
    WorldCommands(const WorldCommands&) = delete;
    WorldCommands& operator=(const WorldCommands&) = delete;

    // Runs one command. Throws LineError for a command that cannot run in the current state
    // (a window that does not exist, an unknown folder or item); things the add-in has not
    // built are notes, not errors. The host's own commands go to WorldHost::RunHostCommand.
    void Execute(const Command& command);

    // Prints every open window, its bars and its ribbon group as the user sees them once the
    // host has caught up: after the idle moment in which Office raises the bars' pending
    // updates and asks the ribbon again for what the add-in invalidated. `show` and every
    // echo of the windows print through here.
    void ShowAll();
    std::u16string ToolbarName() const { return host_.ToolbarName(); }

    // Every window opened so far, Explorers and Inspectors, numbered from 1 in opening order,
    // closed ones included.
    const std::vector<std::shared_ptr<host::sim::SimWindow>>& windows() const { return windows_; }
    // Lets go of the windows (before what they refer to goes away).
    void ReleaseWindows() { windows_.clear(); }

  private:
    // The command's window, open; Window() also requires an Explorer.
    host::sim::SimWindow& AnyWindow(const Command& command);
    host::sim::SimExplorer& Window(const Command& command);
    std::shared_ptr<host::Item> ItemOf(const Command& command,
                                       const host::sim::SimExplorer& window);
    // The ribbon with the add-in's customisation, or nothing after a note that the command
    // has no effect.
    host::sim::SimRibbon* RequireRibbon(const Command& command);
    std::shared_ptr<host::sim::SimFolder> Folder(const Command& command,
                                                 const std::string& name) const;
    std::shared_ptr<host::sim::SimControl> FindControl(const host::sim::SimExplorer& window,
                                                       ControlName control) const;
    // The control, or nothing after printing why the command has no effect.
    std::shared_ptr<host::sim::SimControl> RequireControl(const Command& command,
                                                          host::sim::SimExplorer& window);
    void Open(const Command& command);
    void Activate(const Command& command);
    void Select(const Command& command);
    void SwitchFolder(const Command& command);
    void Click(const Command& command);
    void TypeOrPick(const Command& command);
    void UseRibbon(const Command& command);
    void Inspect(const Command& command);
    void RightClick(const Command& command);
    void Drop(const Command& command);
    void Choose(const Command& command);
    void Set(const Command& command);
    void Close(const Command& command);
    void Customize(const Command& command);
    void Show(const Command& command);
    void ShowOne(int number, const host::sim::SimWindow& window);
    // Notes why a use of the ribbon or a menu had no effect.
    void NoteUse(const Command& command, host::sim::RibbonUse use, const std::string& what);

    host::sim::World& world_;
    std::vector<std::shared_ptr<host::sim::SimWindow>> windows_;
    Output& out_;
    WorldHost& host_;
};

}  // namespace tessaly::frontend
