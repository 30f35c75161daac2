// The script language: one command per line. Parsing is separate from running so that a
// script's syntax errors are all found before anything happens. Syntax in README.md.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "harness/frontend/control_names.h"
#include "harness/frontend/located_json.h"  // LineError

namespace tessaly::frontend {

enum class Verb {
    Open,
    Activate,
    Select,
    Folder,
    Click,
    Type,
    Pick,
    Inspect,
    RightClick,
    Drop,
    Choose,
    Set,
    Wait,
    Customize,
    Close,
    Show,
    Softphones,
    Shutdown,
    Dial,
    Fail,
    // A program's own commands: only the programs that list them take them.
    Calls
};

enum class CustomizeAction { Move, Delete, Restore, RemoveToolbar };

struct Command {
    int line = 0;
    Verb verb = Verb::Show;
    std::optional<int> window;  // 1-based; absent for commands without one (or optional)
    // open: the folder (optional); folder: the folder; select: the item names; inspect,
    // rightclick, set: the item's name; customize move: the bar's name.
    std::vector<std::string> names;
    std::string text;      // type, dial: verbatim; drop: the menu (optional); set: the value
    std::string property;  // set
    ControlName control = ControlName::Dial;  // click, customize
    bool ribbon = false;  // click, type, pick: the control of the window's ribbon group
    CustomizeAction action = CustomizeAction::Move;
    // wait: milliseconds; pick, choose: the entry; move: before (0: at the end)
    std::uint64_t number = 0;
    std::string operation;  // fail: "Interface.Member" or "Interface.Member="
    int times = -1;         // fail: how many calls fail; -1 every one, 0 none again
};

inline constexpr int kMaxWindow = 1000000;
// Names a control of the ribbon group rather than of the toolbar: "ribbon:Dial".
inline constexpr std::string_view kRibbonPrefix = "ribbon:";
inline constexpr std::uint64_t kMaxWait = 1000ULL * 60 * 60 * 24 * 365;  // a year
// Office shows at most 1000 entries in a menu.
inline constexpr std::uint64_t kMaxMenuEntry = 1000;

// The commands every program takes are the verbs up to Fail; `own` lists those of the others
// that the program takes too.
using OwnVerbs = std::span<const Verb>;

// One line; nothing for a blank or comment line. Throws LineError(line, ...).
std::optional<Command> ParseLine(std::string_view text, int line, OwnVerbs own = {});

// A whole script; stops at the first bad line.
std::vector<Command> ParseScript(std::string_view text, OwnVerbs own = {});

// A command to the host itself (`fail`, `calls`) rather than a user's action: it gets no idle
// moment before it and no turn of the message loop after it.
inline bool IsHostCommand(Verb verb) {
    return verb == Verb::Fail || verb == Verb::Calls;
}

// The verb as scripts spell it.
std::string_view VerbName(Verb verb);

}  // namespace tessaly::frontend
