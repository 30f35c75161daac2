#include "harness/frontend/options.h"

#include <charconv>
#include <utility>

namespace tessaly::frontend {

namespace {

Failure ParseFailure(const std::string& text) {
    const std::size_t colon = text.find(':');
    Failure failure{text.substr(0, colon)};
    if (colon != std::string::npos) {
        const char* first = text.data() + colon + 1;
        const char* last = text.data() + text.size();
        const auto [end, error] = std::from_chars(first, last, failure.times);
        if (error != std::errc() || end != last || failure.times < 0) {
            throw UsageError("--fail " + text + ": TIMES must be a whole number from 0");
        }
    }
    if (failure.operation.find('.') == std::string::npos) {
        throw UsageError("--fail needs Interface.Member[:TIMES]");
    }
    return failure;
}

}  // namespace

OptionTable::OptionTable(CommonOptions& common) : common_(common) {
    value("--profile", common.profile);
    value("--script", common.script);
    flag("--interactive", common.interactive);
    flag("--no-launch", common.noLaunch);
    flag("--help", common.help);
    flag("-h", common.help);
    value("--trace", common.trace);
    value("--on-update", common.onUpdate, "a mode", [](const std::string& mode) {
        if (mode != "idle" && mode != "strict") {
            throw UsageError("--on-update takes idle or strict");
        }
    });
    repeated("--fail", "Interface.Member[:TIMES]",
             [&common](const std::string& text) { common.failures.push_back(ParseFailure(text)); });
}

void OptionTable::flag(std::string name, bool& target) {
    Option option;
    option.name = std::move(name);
    option.flag = &target;
    options_.push_back(std::move(option));
}

void OptionTable::value(std::string name, std::optional<std::string>& target, std::string what,
                        std::function<void(const std::string&)> check) {
    Option option;
    option.name = std::move(name);
    option.what = std::move(what);
    option.once = &target;
    option.take = std::move(check);
    options_.push_back(std::move(option));
}

void OptionTable::repeated(std::string name, std::string what,
                           std::function<void(const std::string&)> take) {
    Option option;
    option.name = std::move(name);
    option.what = std::move(what);
    option.take = std::move(take);
    options_.push_back(std::move(option));
}

void OptionTable::refuse(std::string name, std::string why) {
    Option option;
    option.name = std::move(name);
    option.refused = std::move(why);
    options_.push_back(std::move(option));
}

const OptionTable::Option* OptionTable::find(const std::string& name) const {
    for (const Option& option : options_) {
        if (option.name == name) {
            return &option;
        }
    }
    return nullptr;
}

std::string OptionTable::valueOf(const Option& option, const std::vector<std::string>& args,
                                 std::size_t& i, const std::optional<std::string>& inlineValue) {
    std::string value;
    if (inlineValue) {
        value = *inlineValue;
    } else if (i + 1 < args.size()) {
        value = args[++i];
    }
    if (value.empty()) {
        throw UsageError(option.name + " needs " + option.what);
    }
    return value;
}

void OptionTable::Parse(const std::vector<std::string>& args) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> inlineValue;
        if (auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name.resize(eq);
        }
        const Option* option = find(name);
        if (!option) {
            throw UsageError("unknown option \"" + args[i] + "\"");
        }
        if (!option->refused.empty()) {
            throw UsageError(name + " " + option->refused);
        }
        if (option->flag) {
            if (inlineValue) {
                throw UsageError(name + " takes no value");
            }
            *option->flag = true;
            continue;
        }
        if (option->once && *option->once) {
            throw UsageError(name + " given twice");
        }
        const std::string value = valueOf(*option, args, i, inlineValue);
        if (option->take) {
            option->take(value);
        }
        if (option->once) {
            *option->once = value;
        }
    }
    if (common_.script && common_.interactive) {
        throw UsageError("--script and --interactive exclude each other");
    }
}

const char* CommandSummary() {
    return R"(Commands (W: a window number, from 1 in the order the windows, Explorers and
Inspectors alike, were opened):
  open [FOLDER]                      open a window (default: the default contacts folder)
  activate W                         activate the window
  select W [NAME...]                 select items of the window's folder (none: clear)
  folder W FOLDER                    switch the window to another folder
  click W Business|Mobile|Home|Dial|ShowContacts
  type W TEXT                        type TEXT into the combo box and confirm it
  pick W INDEX                       choose entry INDEX (from 1) of the combo box's list
  click W ribbon:BUTTON              click a button of the window's ribbon group (BUTTON:
                                     Business, Mobile, Home, Dial or ShowContacts)
  type W ribbon:Combo TEXT           type TEXT into the ribbon's combo box and confirm it
  pick W ribbon:Combo INDEX          choose item INDEX (from 1) of the ribbon's combo box
  inspect W ITEM                     open ITEM of Explorer W's folder in an Inspector, the
                                     next window
  rightclick W ITEM                  right-click ITEM in Explorer W: its context menu opens
                                     and its entries of the add-in are printed (menu lines)
  drop W [MENU]                      drop a dynamic menu of the context menu open in W, or
                                     without one, of W's ribbon (MENU: its id, the end of
                                     its id after "_", or its label; default: the first)
                                     and print its entries
  choose W N                         click entry N (from 1) of the menu open in W
  set ITEM PROPERTY VALUE            change a property of ITEM (in whichever folder holds
                                     it): a contact's telephone numbers; "" empties it
  wait MS                            let MS milliseconds pass; due timers fire
  customize W move CONTROL BAR [BEFORE]
  customize W delete CONTROL
  customize W restore CONTROL
  customize W remove-toolbar         CONTROL: Dial, Combo, Business, Mobile, Home, ShowContacts
  close W                            close the window (an Inspector raises its Close)
  show [W]                           print the window's toolbar, every bar's position and
                                     visibility, and the add-in's ribbon groups it shows; an
                                     Inspector's item and ribbon (default: every open window)
  softphones                         print the softphones found and the one selected
  shutdown                           unload the add-in (OnBeginShutdown, OnDisconnection)
  dial TEXT                          dials TEXT as the toolbar does
  fail OP [N]                        as --fail OP:N; N = 0 stops the failures of OP
)";
}

const char* RibbonSummary() {
    return R"TEXT(The ribbon, as Office runs an add-in's customisation:
  Office asks the add-in's GetCustomUI once per kind of window, when the first window of
  that kind shows: "Microsoft.Outlook.Explorer" right after OnConnection,
  "Microsoft.Outlook.Contact" at the first contact's Inspector,
  "Microsoft.Outlook.Mail.Read" at the first mail's; empty XML means not customised. Each document is checked as Office
  does: not well-formed, outside the customUI schema as far as the model knows it (customUI,
  ribbon, tabs, tab, group, button, comboBox, item, separator, dynamicMenu, contextMenus,
  contextMenu, menuSeparator, and their attributes) or an id used twice ignores it whole; an
  idMso Office does not know (a tab, a group, a context menu, an insertAfterMso or
  insertBeforeMso anchor) is reported and leaves that element out. Callbacks are resolved
  by name; each document's onLoad gets the one IRibbonUI, which serves every window.
  Built-ins the model knows: the Explorer's tabs TabMail (GroupMailNew, GroupMailDelete,
  GroupMailRespond, GroupQuickSteps, GroupMailMove) and TabContacts (GroupContactsNew,
  GroupCommunicate), and its context menus ContextMenuContactItem and
  ContextMenuFlaggedContactItem (Copy, QuickPrint, DialMenu), ContextMenuMailItem and
  ContextMenuFlaggedMailItem (Copy, QuickPrint, Reply, ReplyAll, Forward); a contact
  Inspector's TabContact (GroupActions, GroupShow, GroupCommunicate), a mail Inspector's
  TabReadMessage (GroupRespond, GroupQuickSteps, GroupMove).
  A window shows the add-in's groups on tabs of its own and on the built-in tab in front:
  an Explorer's Home tab for its folder's kind (TabMail or TabContacts), an Inspector's tab.
  Their controls are queried through their callbacks when the window first shows them,
  Context = the window's Explorer or Inspector; an invalidation has them queried again at
  the next idle moment, in every window where they show.
  rightclick opens the item's context menu (the flagged one for a flagged item) without
  changing the window's selection; its controls are queried with Context = a Selection of
  that item, whose Parent is the window. drop calls the dynamic menu's getContent, at every
  drop with invalidateContentOnDrop="true", else again only after an invalidation; content
  that is not well-formed, not a menu of buttons and menuSeparators in the customUI
  namespace, repeats an id or has more than 1000 entries is an add-in error and an empty
  menu. choose calls the entry's onAction with its tag as Tag and the same Context; a
  disabled entry cannot be chosen. One menu is open at a time: show and wait leave it open,
  any other command closes it.

)TEXT";
}

const char* RibbonLines() {
    return R"TEXT(  ribbon: <ribbon id>: customised|not customised
                               GetCustomUI was asked for that kind of window: it gave XML
                               or none (see The ribbon)
  ribbon N: tab "..." group "..." [after|before GROUP]   a group of the add-in's the window
                               shows: on a tab of its own (label quoted) or a built-in one
                               (its idMso); "ribbon N: none" without a customisation,
                               "ribbon N: no group on tab TAB" with none on the tab shown
  ribbon N: NAME: button label="..." image=yes|no enabled=yes|no id="..."
  ribbon N: NAME: combo text="..." items=["...", ...] enabled=yes|no id="..."
  ribbon N: NAME: menu label="..." image=yes|no enabled=yes|no id="..."
                               one line per control of the group above, as its callbacks
                               last answered in that window; NAME is the toolbar control's
                               name its id ends in ("_Dial", "_Dial_Mail"), else the id
  menu N: IDMSO                the context menu rightclick opened in window N, or
  menu N: content of "ID"      the content of the dynamic menu drop dropped, then
  menu N: K: button|menu label="..." image=yes|no enabled=yes|no [tag="..."] id="..."
  menu N: K: separator         one line per entry, K from 1, as `choose W K` names it;
                               "menu N: (nothing of the add-in)" or "menu N: (empty)"
  ribbon-error: <what>         an add-in error of the ribbon, as Office reports them: its
                               XML ignored (not well-formed, not valid customUI, an id used
                               twice), an element left out (Unknown Office control ID), a
                               menu's content ignored, a callback name it cannot find, a
                               callback that failed
)TEXT";
}

const char* TraceSummary() {
    return R"(Trace (--trace FILE):
  call CommandBars.Add("Brindle", 1, , True) -> CommandBar#2   a method and its result
  call CommandBar.Visible = True                               a property set
  call Explorer.CommandBars -> CommandBars#1                   a property read
  call CommandBars.Item("Brindle") -> failed 0x80070057        a call that failed
  event CommandBars.OnUpdate                                   an event raised
  Values are written as in Visual Basic: strings in double quotes (\" \\ \n \r \t
  escaped), True, False, Nothing, an omitted argument as nothing between two commas. A
  model object is its type and a number given at its first mention, per type. A call
  made by a handler of an event raised inside another call comes after that call, which
  is then given without its result. Nothing is kept or formatted without --trace.

)";
}

const char* FailOptionSummary() {
    return R"(  --fail OP[:N]    make the simulated Outlook's operation OP fail its next N calls
                   (default: every call), as Outlook failing them; may be given more
                   than once. OP is named as the trace names it: Interface.Member for
                   a property read or a method, Interface.Member= for a property write
                   (Explorer.CommandBars, CommandBarControl.Tag=, Item.TypeName), and
                   with the arguments the trace writes, only calls with those
                   (Explorers.Item(2))
)";
}

}  // namespace tessaly::frontend
