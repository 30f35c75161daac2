#include "standin_session.h"

#include <charconv>

#include "control_names.h"
#include "utf8.h"

namespace tessaly::standin {

namespace sim = host::sim;
using sim_tool::Command;
using sim_tool::ControlName;
using sim_tool::LineError;
using sim_tool::Verb;

namespace {

std::string Quoted(std::string_view s) {
    return "\"" + std::string(s) + "\"";
}

std::string WindowName(const Command& command) {
    return "window " + std::to_string(*command.window);
}

std::vector<std::string_view> Words(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r')) {
            ++i;
        }
        if (i == text.size() || text[i] == '#') {
            break;
        }
        const std::size_t start = i;
        while (i < text.size() && text[i] != ' ' && text[i] != '\t' && text[i] != '\r') {
            ++i;
        }
        words.push_back(text.substr(start, i - start));
    }
    return words;
}

}  // namespace

std::optional<StandinCommand> ParseStandinLine(std::string_view text, int line) {
    const std::vector<std::string_view> words = Words(text);
    StandinCommand command;
    command.line = line;
    if (!words.empty() && words[0] == "calls") {
        if (words.size() != 1) {
            throw LineError(line, "calls takes no arguments");
        }
        command.kind = StandinCommand::Kind::Calls;
        return command;
    }
    if (!words.empty() && words[0] == "fail") {
        if (words.size() < 2 || words.size() > 3 || words[1].find('.') == std::string_view::npos) {
            throw LineError(line, "usage: fail Interface.Member [TIMES]");
        }
        command.kind = StandinCommand::Kind::Fail;
        command.operation = std::string(words[1]);
        if (words.size() == 3) {
            int times = 0;
            const auto [end, error] =
                std::from_chars(words[2].data(), words[2].data() + words[2].size(), times);
            if (error != std::errc() || end != words[2].data() + words[2].size() || times < 0) {
                throw LineError(line, "fail: TIMES must be a whole number from 0");
            }
            command.times = times;
        }
        return command;
    }
    auto sim = sim_tool::ParseLine(text, line);
    if (!sim) {
        return std::nullopt;
    }
    command.sim = std::move(*sim);
    return command;
}

std::vector<StandinCommand> ParseStandinScript(std::string_view text) {
    std::vector<StandinCommand> commands;
    int line = 0;
    while (!text.empty()) {
        ++line;
        const std::size_t newline = text.find('\n');
        const std::string_view current = text.substr(0, newline);
        text = newline == std::string_view::npos ? std::string_view{} : text.substr(newline + 1);
        if (auto command = ParseStandinLine(current, line)) {
            commands.push_back(std::move(*command));
        }
    }
    return commands;
}

StandinSession::StandinSession(sim::World& world,
                               std::vector<std::shared_ptr<sim::SimExplorer>> windows,
                               sim_tool::Output& out)
    : world_(world), windows_(std::move(windows)), out_(out) {}

sim::SimExplorer& StandinSession::Window(const Command& command) {
    const auto n = static_cast<std::size_t>(*command.window);
    if (n > windows_.size()) {
        throw LineError(command.line, "there is no window " + std::to_string(n));
    }
    sim::SimExplorer& window = *windows_[n - 1];
    if (window.closed()) {
        throw LineError(command.line, "window " + std::to_string(n) + " is closed");
    }
    return window;
}

std::shared_ptr<sim::SimFolder> StandinSession::Folder(const Command& command,
                                                       const std::string& name) const {
    if (auto folder = world_.FindFolder(sim_tool::ToUtf16(name))) {
        return folder;
    }
    throw LineError(command.line, "unknown folder " + Quoted(name));
}

std::u16string StandinSession::ToolbarName() const {
    for (const auto& window : windows_) {
        if (window->closed() || !window->commandBars()) {
            continue;
        }
        for (const auto& bar : window->commandBars()->bars()) {
            if (bar->builtIn() || !bar->alive()) {
                continue;
            }
            for (const auto& control : bar->controls()) {
                if (sim_tool::ControlOfTag(control->tag())) {
                    return bar->name();
                }
            }
        }
    }
    return std::u16string(kDefaultToolbarName);
}

std::u16string StandinSession::TagPrefix() const {
    for (const auto& window : windows_) {
        if (!window->commandBars()) {
            continue;
        }
        for (const auto& bar : window->commandBars()->bars()) {
            for (const auto& control : bar->controls()) {
                if (auto prefix = sim_tool::PrefixOfTag(control->tag())) {
                    return *prefix;
                }
            }
        }
    }
    return {};
}

std::shared_ptr<sim::SimControl> StandinSession::FindControl(const sim::SimExplorer& window,
                                                             ControlName control) const {
    const auto& bars = window.commandBars();
    if (!window.commandBarsReady() || !bars) {
        return nullptr;
    }
    // The add-in's own toolbar first: a user may have put a copy elsewhere.
    auto toolbar = bars->find(ToolbarName());
    std::vector<std::shared_ptr<sim::SimCommandBar>> order;
    if (toolbar) {
        order.push_back(toolbar);
    }
    for (const auto& bar : bars->bars()) {
        if (bar != toolbar) {
            order.push_back(bar);
        }
    }
    for (const auto& bar : order) {
        if (!bar->alive()) {
            continue;
        }
        for (const auto& c : bar->controls()) {
            if (c->alive() && sim_tool::ControlOfTag(c->tag()) == control) {
                return c;
            }
        }
    }
    return nullptr;
}

std::shared_ptr<sim::SimControl> StandinSession::RequireControl(const Command& command,
                                                                sim::SimExplorer& window) {
    const std::string verb(sim_tool::VerbName(command.verb));
    if (!window.commandBarsReady()) {
        out_.Note(WindowName(command) + ": command bars not ready yet; " + verb + " has no effect");
        return nullptr;
    }
    auto control = FindControl(window, command.control);
    if (!control) {
        out_.Note(WindowName(command) + " has no " +
                  std::string(sim_tool::NameOf(command.control)) + " control; " + verb +
                  " has no effect");
    }
    return control;
}

void StandinSession::Execute(const Command& command) {
    switch (command.verb) {
        case Verb::Open:
            return Open(command);
        case Verb::Activate:
            return world_.Activate(Window(command));
        case Verb::Select:
            return Select(command);
        case Verb::Folder: {
            sim::SimExplorer& window = Window(command);
            return world_.SwitchFolder(window, Folder(command, command.names.front()));
        }
        case Verb::Click:
            return Click(command);
        case Verb::Type:
        case Verb::Pick:
            return TypeOrPick(command);
        case Verb::Customize:
            return Customize(command);
        case Verb::Close:
            return world_.Close(Window(command));
        case Verb::Show:
            if (command.window) {
                sim_tool::ShowWindow(out_, *command.window, Window(command), ToolbarName());
            } else {
                ShowAll();
            }
            return;
        case Verb::Wait:
        case Verb::Shutdown:
        case Verb::Softphones:
        case Verb::Dial:
            return;
    }
}

void StandinSession::Open(const Command& command) {
    std::shared_ptr<sim::SimFolder> folder;
    if (command.names.empty()) {
        folder = world_.defaultContactsFolder();
        if (!folder) {
            throw LineError(command.line, "the profile has no default contacts folder");
        }
    } else {
        folder = Folder(command, command.names.front());
    }
    windows_.push_back(world_.OpenExplorer(folder, true));
    out_.Note("window " + std::to_string(windows_.size()) + " opened on folder " +
              sim_tool::QuotedValue(folder->name()));
}

void StandinSession::Select(const Command& command) {
    sim::SimExplorer& window = Window(command);
    std::vector<std::shared_ptr<host::Item>> items;
    for (const std::string& name : command.names) {
        auto item = window.folder() ? window.folder()->findItem(sim_tool::ToUtf16(name)) : nullptr;
        if (!item) {
            throw LineError(command.line,
                            "no item " + Quoted(name) + " in folder " +
                                sim_tool::ToUtf8(window.folder() ? window.folder()->name() : u"") +
                                " of " + WindowName(command));
        }
        items.push_back(std::move(item));
    }
    world_.Select(window, std::move(items));
}

void StandinSession::Click(const Command& command) {
    sim::SimExplorer& window = Window(command);
    auto control = RequireControl(command, window);
    if (!control) {
        return;
    }
    auto button = std::dynamic_pointer_cast<sim::SimButton>(control);
    const std::string name(sim_tool::NameOf(command.control));
    if (!button) {
        out_.Note(WindowName(command) + ": the " + name +
                  " control is not a button; click has no effect");
        return;
    }
    if (!world_.Click(button)) {
        out_.Note(WindowName(command) + ": the " + name +
                  " button cannot be clicked (disabled, hidden or deleted)");
    }
}

void StandinSession::TypeOrPick(const Command& command) {
    sim::SimExplorer& window = Window(command);
    Command lookup = command;
    lookup.control = ControlName::Combo;
    auto control = RequireControl(lookup, window);
    if (!control) {
        return;
    }
    auto combo = std::dynamic_pointer_cast<sim::SimComboBox>(control);
    if (!combo) {
        out_.Note(WindowName(command) + ": the Combo control is not a combo box; " +
                  std::string(sim_tool::VerbName(command.verb)) + " has no effect");
        return;
    }
    if (command.verb == Verb::Type) {
        if (!world_.TypeText(combo, sim_tool::ToUtf16(command.text))) {
            out_.Note(WindowName(command) + ": the combo box does not take text now");
        }
    } else if (!world_.Pick(combo, static_cast<std::int32_t>(command.number))) {
        out_.Note(WindowName(command) + ": the combo box has no entry " +
                  std::to_string(command.number) + " to pick");
    }
}

void StandinSession::Customize(const Command& command) {
    sim::SimExplorer& window = Window(command);
    if (!window.commandBarsReady()) {
        out_.Note(WindowName(command) + ": command bars not ready yet; customize has no effect");
        return;
    }
    const std::u16string toolbar = ToolbarName();
    const std::string control(sim_tool::NameOf(command.control));
    switch (command.action) {
        case sim_tool::CustomizeAction::Move: {
            auto c = RequireControl(command, window);
            if (c && !world_.MoveControl(window, c, sim_tool::ToUtf16(command.names.front()),
                                         static_cast<std::int32_t>(command.number))) {
                out_.Note(WindowName(command) + ": the " + control + " control cannot be moved");
            }
            break;
        }
        case sim_tool::CustomizeAction::Delete: {
            auto c = RequireControl(command, window);
            if (c && !world_.DeleteControl(window, c)) {
                out_.Note(WindowName(command) + ": the " + control + " control cannot be deleted");
            }
            break;
        }
        case sim_tool::CustomizeAction::Restore: {
            // The add-in's prefix is not visible through COM: take the one its controls carry.
            const std::u16string prefix = TagPrefix();
            if (prefix.empty()) {
                out_.Note(WindowName(command) + ": no tag prefix known for the " + control +
                          " control; restore has no effect");
                break;
            }
            const std::int32_t type = command.control == ControlName::Combo
                                          ? host::msoControlComboBox
                                          : host::msoControlButton;
            if (!world_.RestoreControl(window, type, sim_tool::TagFor(prefix, command.control),
                                       toolbar)) {
                out_.Note(WindowName(command) + ": the " + control + " control cannot be restored");
            }
            break;
        }
        case sim_tool::CustomizeAction::RemoveToolbar:
            if (!world_.DeleteBar(window, toolbar)) {
                out_.Note(WindowName(command) + " has no toolbar " +
                          sim_tool::QuotedValue(toolbar) + " to remove");
            }
            break;
    }
}

void StandinSession::ShowAll() {
    const std::u16string toolbar = ToolbarName();
    bool any = false;
    for (std::size_t i = 0; i < windows_.size(); ++i) {
        if (!windows_[i]->closed()) {
            sim_tool::ShowWindow(out_, static_cast<int>(i + 1), *windows_[i], toolbar);
            any = true;
        }
    }
    if (!any) {
        out_.Line("no windows open");
    }
}

}  // namespace tessaly::standin
