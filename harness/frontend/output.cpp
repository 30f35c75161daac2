#include "harness/frontend/output.h"

#include <cerrno>
#include <cstring>
#include <ostream>

#include "harness/frontend/control_names.h"
#include "harness/frontend/utf8.h"
#include "platform/utf.h"

namespace tessaly::frontend {

namespace sim = host::sim;

void Output::Line(std::string_view text) {
    out_ << text << '\n';
    out_.flush();
}

void Output::Error(std::string_view text) {
    out_.flush();
    // Messages name files and echo input: nothing in them may reach the terminal raw.
    err_ << "error: " << Printable(text) << '\n';
    err_.flush();
}

void Output::Prompt(std::string_view text) {
    out_ << text;
    out_.flush();
}

bool TraceFile::Open(const std::optional<std::string>& path, Output& out) {
    if (!path) {
        return true;
    }
    file_.open(*path, std::ios::binary | std::ios::trunc);
    if (!file_) {
        out.Error(*path + ": cannot write: " + std::strerror(errno));
        return false;
    }
    writer_.emplace(file_);
    return true;
}

std::string OneLine(std::u16string_view text) {
    std::u16string flat;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' || text[i] == u'\n') {
            if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
                ++i;
            }
            flat += u"\\n";
        } else {
            flat.push_back(text[i]);
        }
    }
    return ToUtf8(flat);
}

std::string QuotedValue(std::u16string_view text) {
    return platform::quotedUtf8(text);
}

namespace {

std::string YesNo(bool value) {
    return value ? "yes" : "no";
}

std::string PositionName(std::int32_t position) {
    static constexpr const char* kNames[] = {"left",     "top",   "right",  "bottom",
                                             "floating", "popup", "menubar"};
    if (position >= 0 && position < 7) {
        return kNames[position];
    }
    return std::to_string(position);
}

std::string DescribeControl(const sim::SimControl& control) {
    std::string line;
    if (auto combo = dynamic_cast<const sim::SimComboBox*>(&control)) {
        line = "combo caption=" + QuotedValue(combo->caption()) +
               " text=" + QuotedValue(combo->text()) + " list=[";
        for (std::size_t i = 0; i < combo->list().size(); ++i) {
            line += (i == 0 ? "" : ", ") + QuotedValue(combo->list()[i]);
        }
        line += "] list-index=" + std::to_string(combo->listIndex());
    } else {
        auto button = dynamic_cast<const sim::SimButton*>(&control);
        line = "button caption=" + QuotedValue(control.caption());
        line += " icon=" + YesNo(button != nullptr && button->picture() != nullptr);
    }
    line += " enabled=" + YesNo(control.enabled()) + " visible=" + YesNo(control.visible()) +
            " begin-group=" + YesNo(control.beginGroup()) + " tag=" + QuotedValue(control.tag());
    return line;
}

}  // namespace

void ShowWindow(Output& out, int number, const sim::SimExplorer& window,
                std::u16string_view toolbarName) {
    std::string header = "window " + std::to_string(number) + ": folder " +
                         QuotedValue(window.folder() ? window.folder()->name() : u"") +
                         ", selection [";
    for (std::size_t i = 0; i < window.selection().size(); ++i) {
        header += (i == 0 ? "" : ", ") + QuotedValue(sim::ItemName(*window.selection()[i]));
    }
    out.Line(header + "]");

    if (!window.commandBarsReady()) {
        out.Line("  command bars not ready yet");
        return;
    }
    const auto& bars = window.commandBars();
    const auto toolbar = bars ? bars->find(std::u16string(toolbarName)) : nullptr;
    if (toolbar && toolbar->alive()) {
        out.Line("  toolbar " + QuotedValue(toolbar->name()) + ": position=" +
                 PositionName(toolbar->position()) + " row=" + std::to_string(toolbar->rowIndex()) +
                 " visible=" + YesNo(toolbar->visible()) + " enabled=" + YesNo(toolbar->enabled()) +
                 " protection=" + std::to_string(toolbar->protection()));
        int index = 0;
        for (const auto& control : toolbar->controls()) {
            out.Line("    " + std::to_string(++index) + ": " + DescribeControl(*control));
        }
        if (index == 0) {
            out.Line("    (no controls)");
        }
    } else {
        out.Line("  no toolbar " + QuotedValue(toolbarName));
    }
    if (!bars) {
        return;
    }
    for (const auto& bar : bars->bars()) {
        if (bar == toolbar || !bar->alive()) {
            continue;
        }
        int index = 0;
        for (const auto& control : bar->controls()) {
            ++index;
            if (ControlOfTag(control->tag())) {
                out.Line("  on bar " + QuotedValue(bar->name()) + ": " + std::to_string(index) +
                         ": " + DescribeControl(*control));
            }
        }
    }
    // Where the window's other bars are, so that a change to any of them shows.
    for (const auto& bar : bars->bars()) {
        if (bar != toolbar && bar->alive()) {
            out.Line("  bar " + QuotedValue(bar->name()) + ": position=" +
                     PositionName(bar->position()) + " row=" + std::to_string(bar->rowIndex()) +
                     " visible=" + YesNo(bar->visible()));
        }
    }
}

void ShowInspector(Output& out, int number, const sim::SimInspector& inspector) {
    const host::Item& item = *inspector.item();
    out.Line("window " + std::to_string(number) + ": inspector of " +
             ToUtf8(sim::ItemTypeName(item)) + " " + QuotedValue(sim::ItemName(item)));
}

namespace {

std::string GroupLine(const sim::RibbonGroupDefinition& group) {
    std::string line =
        "tab " + (group.builtInTab ? ToUtf8(group.tab) : QuotedValue(group.tabLabel));
    line += " group " + QuotedValue(group.label);
    return group.position.empty() ? line : line + " " + ToUtf8(group.position);
}

std::string ValuesLine(const std::u16string& type, const sim::RibbonControlValues& values) {
    std::string line;
    if (type == u"comboBox") {
        line = "combo text=" + QuotedValue(values.text) + " items=[";
        for (std::size_t i = 0; i < values.items.size(); ++i) {
            line += (i == 0 ? "" : ", ") + QuotedValue(values.items[i]);
        }
        line += "]";
    } else {
        line = (type == u"dynamicMenu" ? "menu" : "button") + std::string(" label=") +
               QuotedValue(values.label) + " image=" + YesNo(values.image);
    }
    return line + " enabled=" + YesNo(values.enabled);
}

}  // namespace

void ShowRibbon(Output& out, int number, const sim::SimWindow& window,
                const sim::SimRibbon& ribbon) {
    const std::string head = "ribbon " + std::to_string(number) + ": ";
    const sim::RibbonDocument* document = ribbon.document(window.ribbonId());
    if (!document) {
        out.Line(head + "none");
        return;
    }
    const auto groups = ribbon.GroupsShown(window);
    if (groups.empty()) {
        out.Line(head + "no group on tab " + ToUtf8(window.shownTab()));
    }
    for (const sim::RibbonGroupDefinition* group : groups) {
        out.Line(head + GroupLine(*group));
        for (const std::size_t index : group->controls) {
            const sim::RibbonControlDefinition& control = document->controls[index];
            const auto name = ControlOfRibbonId(control.id);
            const std::string line =
                head + (name ? std::string(NameOf(*name)) : ToUtf8(control.id)) + ": ";
            const auto values = ribbon.values(window, control.id);
            out.Line(line +
                     (values ? ValuesLine(control.type, *values) + " id=" + QuotedValue(control.id)
                             : std::string("not queried yet")));
        }
    }
}

void ShowMenu(Output& out, int number, const sim::RibbonMenu& menu) {
    const std::string head = "menu " + std::to_string(number) + ": ";
    out.Line(head + (menu.content ? "content of " + QuotedValue(menu.name) : ToUtf8(menu.name)));
    if (menu.entries.empty()) {
        out.Line(head + (menu.content ? "(empty)" : "(nothing of the add-in)"));
    }
    for (std::size_t i = 0; i < menu.entries.size(); ++i) {
        const sim::RibbonMenuEntry& entry = menu.entries[i];
        std::string line = head + std::to_string(i + 1) + ": ";
        if (entry.type == u"menuSeparator") {
            out.Line(line + "separator");
            continue;
        }
        line += ValuesLine(entry.type, entry.values);
        if (!entry.tag.empty()) {
            line += " tag=" + QuotedValue(entry.tag);
        }
        out.Line(line + " id=" + QuotedValue(entry.id));
    }
}

}  // namespace tessaly::frontend
