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
    return R"(Commands (W: a window number, from 1 in the order the windows were opened):
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
  wait MS                            let MS milliseconds pass; due timers fire
  customize W move CONTROL BAR [BEFORE]
  customize W delete CONTROL
  customize W restore CONTROL
  customize W remove-toolbar         CONTROL: Dial, Combo, Business, Mobile, Home, ShowContacts
  close W                            close the window
  show [W]                           print the window's toolbar, every bar's position and
                                     visibility, and the ribbon group (default: every open
                                     window)
  softphones                         print the softphones found and the one selected
  shutdown                           unload the add-in (OnBeginShutdown, OnDisconnection)
  dial TEXT                          dials TEXT as the toolbar does
  fail OP [N]                        as --fail OP:N; N = 0 stops the failures of OP
)";
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
