#include "harness/frontend/script.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <utility>

#include "harness/frontend/utf8.h"

namespace tessaly::frontend {

namespace {

constexpr std::array<std::pair<std::string_view, Verb>, 21> kVerbs = {{
    {"open", Verb::Open},
    {"activate", Verb::Activate},
    {"select", Verb::Select},
    {"folder", Verb::Folder},
    {"click", Verb::Click},
    {"type", Verb::Type},
    {"pick", Verb::Pick},
    {"inspect", Verb::Inspect},
    {"rightclick", Verb::RightClick},
    {"drop", Verb::Drop},
    {"choose", Verb::Choose},
    {"set", Verb::Set},
    {"wait", Verb::Wait},
    {"customize", Verb::Customize},
    {"close", Verb::Close},
    {"show", Verb::Show},
    {"softphones", Verb::Softphones},
    {"shutdown", Verb::Shutdown},
    {"dial", Verb::Dial},
    {"fail", Verb::Fail},
    {"calls", Verb::Calls},
}};

// The verb of a word, when the program takes it.
std::optional<Verb> VerbOf(std::string_view word, OwnVerbs own) {
    for (const auto& [name, verb] : kVerbs) {
        if (name == word) {
            const bool shared = verb <= Verb::Fail;
            if (shared || std::find(own.begin(), own.end(), verb) != own.end()) {
                return verb;
            }
        }
    }
    return std::nullopt;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The words of a line after its verb. A word is a run of non-blanks or a double-quoted
// string (\" and \\ escape inside quotes); a '#' that begins a word starts a comment.
std::vector<std::string> Words(std::string_view rest, int line) {
    std::vector<std::string> words;
    std::size_t i = 0;
    for (;;) {
        while (i < rest.size() && IsBlank(rest[i])) {
            ++i;
        }
        if (i == rest.size() || rest[i] == '#') {
            return words;
        }
        std::string word;
        if (rest[i] == '"') {
            ++i;
            bool closed = false;
            while (i < rest.size()) {
                char c = rest[i++];
                if (c == '"') {
                    closed = true;
                    break;
                }
                if (c == '\\' && i < rest.size() && (rest[i] == '"' || rest[i] == '\\')) {
                    c = rest[i++];
                }
                word.push_back(c);
            }
            if (!closed) {
                throw LineError(line, "unterminated quoted name");
            }
            if (i < rest.size() && !IsBlank(rest[i])) {
                throw LineError(line, "a blank must follow a closing quote");
            }
        } else {
            while (i < rest.size() && !IsBlank(rest[i])) {
                word.push_back(rest[i++]);
            }
        }
        words.push_back(std::move(word));
    }
}

std::optional<std::uint64_t> Number(std::string_view word) {
    std::uint64_t value = 0;
    if (word.empty() || word.front() == '+' || word.front() == '-') {
        return std::nullopt;
    }
    auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (ec != std::errc{} || end != word.data() + word.size()) {
        return std::nullopt;
    }
    return value;
}

// Consumes the arguments of one command, with messages that name it.
class Args {
  public:
    Args(std::string_view verb, std::vector<std::string> words, int line)
        : verb_(verb), words_(std::move(words)), line_(line) {}

    bool empty() const { return next_ == words_.size(); }
    [[noreturn]] void fail(const std::string& message) const {
        throw LineError(line_, std::string(verb_) + ": " + message);
    }
    std::string take(std::string_view what) {
        if (empty()) {
            fail("missing " + std::string(what));
        }
        return words_[next_++];
    }
    int window() {
        const std::string word = take("window number");
        const auto n = Number(word);
        if (!n || *n < 1 || *n > static_cast<std::uint64_t>(kMaxWindow)) {
            fail("invalid window number " + QuotedEcho(word));
        }
        return static_cast<int>(*n);
    }
    std::uint64_t number(std::string_view what, std::uint64_t min, std::uint64_t max) {
        const std::string word = take(what);
        const auto n = Number(word);
        if (!n || *n < min || *n > max) {
            fail("invalid " + std::string(what) + " " + QuotedEcho(word));
        }
        return *n;
    }
    ControlName control(bool buttonsOnly) {
        const std::string word = take("control name");
        const auto c = ParseControlName(word);
        if (!c || (buttonsOnly && !IsButton(*c))) {
            fail("unknown " + std::string(buttonsOnly ? "button " : "control ") + QuotedEcho(word) +
                 " (" + NameList(buttonsOnly) + ")");
        }
        return *c;
    }
    // "ribbon:NAME" after click, pick and type.
    ControlName ribbonControl(bool buttonsOnly) {
        std::string word = take("control name");
        const auto c = ParseControlName(std::string_view(word).substr(kRibbonPrefix.size()));
        if (!c || buttonsOnly != IsButton(*c)) {
            // Only the combo box takes text and picks.
            const std::string valid =
                buttonsOnly ? NameList(true, kRibbonPrefix)
                            : std::string(kRibbonPrefix) + std::string(NameOf(ControlName::Combo));
            fail("unknown ribbon " + std::string(buttonsOnly ? "button " : "control ") +
                 QuotedEcho(word) + " (" + valid + ")");
        }
        return *c;
    }
    bool nextIsRibbon() const {
        return !empty() && std::string_view(words_[next_]).starts_with(kRibbonPrefix);
    }
    std::vector<std::string> rest() {
        std::vector<std::string> out(words_.begin() + static_cast<std::ptrdiff_t>(next_),
                                     words_.end());
        next_ = words_.size();
        return out;
    }
    void done() const {
        if (!empty()) {
            fail("unexpected " + QuotedEcho(words_[next_]));
        }
    }

  private:
    std::string_view verb_;
    std::vector<std::string> words_;
    std::size_t next_ = 0;
    int line_;
};

// TEXT of type and dial: everything after exactly one blank, kept verbatim.
std::string VerbatimText(std::string_view rest, std::string_view verb, int line) {
    if (rest.empty()) {
        return {};
    }
    if (!IsBlank(rest.front())) {
        throw LineError(line, std::string(verb) + ": a blank must separate the text");
    }
    return std::string(rest.substr(1));
}

void ParseCustomize(Command& command, Args& args) {
    const std::string action = args.take("action (move, delete, restore or remove-toolbar)");
    if (action == "move") {
        command.action = CustomizeAction::Move;
        command.control = args.control(false);
        command.names.push_back(args.take("bar name"));
        if (!args.empty()) {
            command.number = args.number("position", 1, static_cast<std::uint64_t>(kMaxWindow));
        }
    } else if (action == "delete") {
        command.action = CustomizeAction::Delete;
        command.control = args.control(false);
    } else if (action == "restore") {
        command.action = CustomizeAction::Restore;
        command.control = args.control(false);
    } else if (action == "remove-toolbar") {
        command.action = CustomizeAction::RemoveToolbar;
    } else {
        args.fail("unknown action " + QuotedEcho(action) +
                  " (move, delete, restore or remove-toolbar)");
    }
    args.done();
}

// fail OP [TIMES] and calls.
void ParseOwnCommand(Command& command, std::vector<std::string> words) {
    const int line = command.line;
    if (command.verb == Verb::Calls) {
        if (!words.empty()) {
            throw LineError(line, "calls takes no arguments");
        }
        return;
    }
    if (words.empty() || words.size() > 2 || words[0].find('.') == std::string::npos) {
        throw LineError(line, "usage: fail Interface.Member [TIMES]");
    }
    command.operation = words[0];
    if (words.size() == 2) {
        const std::string& word = words[1];
        int times = 0;
        const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), times);
        if (error != std::errc() || end != word.data() + word.size() || times < 0) {
            throw LineError(line, "fail: TIMES must be a whole number from 0");
        }
        command.times = times;
    }
}

// type W TEXT, or type W ribbon:Combo TEXT: the window number is an ordinary word, the text
// after it is not split.
void ParseType(Command& command, std::string_view rest, std::string_view verb) {
    const int line = command.line;
    std::size_t i = 0;
    while (i < rest.size() && IsBlank(rest[i])) {
        ++i;
    }
    std::size_t j = i;
    while (j < rest.size() && !IsBlank(rest[j])) {
        ++j;
    }
    Args args(verb, Words(rest.substr(0, j), line), line);
    command.window = args.window();
    command.text = VerbatimText(rest.substr(j), verb, line);
    if (std::string_view(command.text).starts_with(kRibbonPrefix)) {
        // The ribbon's box, and TEXT after one blank.
        const std::size_t blank = command.text.find_first_of(" \t");
        const std::string word = command.text.substr(0, blank);
        Args target(verb, {word}, line);
        command.control = target.ribbonControl(false);
        command.ribbon = true;
        command.text =
            VerbatimText(blank == std::string::npos ? std::string_view{}
                                                    : std::string_view(command.text).substr(blank),
                         verb, line);
    }
}

// The commands of items and menus; false for another command.
bool ParseItemCommand(Command& command, Args& args) {
    switch (command.verb) {
        case Verb::Inspect:
        case Verb::RightClick:
            command.window = args.window();
            command.names.push_back(args.take("item name"));
            return true;
        case Verb::Drop:
            command.window = args.window();
            if (!args.empty()) {
                command.text = args.take("menu");
            }
            return true;
        case Verb::Choose:
            command.window = args.window();
            command.number = args.number("entry number", 1, kMaxMenuEntry);
            return true;
        case Verb::Set:
            command.names.push_back(args.take("item name"));
            command.property = args.take("property name");
            command.text = args.take("value (quote one with blanks; \"\" empties the property)");
            return true;
        default:
            return false;
    }
}

// The commands of windows, their toolbar and ribbon, and time.
void ParseWindowCommand(Command& command, Args& args) {
    switch (command.verb) {
        case Verb::Open:
            command.names = args.rest();
            if (command.names.size() > 1) {
                args.fail("unexpected " + QuotedEcho(command.names[1]) +
                          " (quote a folder name that has blanks)");
            }
            break;
        case Verb::Activate:
        case Verb::Close:
            command.window = args.window();
            break;
        case Verb::Select:
            command.window = args.window();
            command.names = args.rest();
            break;
        case Verb::Folder:
            command.window = args.window();
            command.names.push_back(args.take("folder name"));
            break;
        case Verb::Click:
            command.window = args.window();
            command.ribbon = args.nextIsRibbon();
            command.control = command.ribbon ? args.ribbonControl(true) : args.control(true);
            break;
        case Verb::Pick:
            command.window = args.window();
            if (args.nextIsRibbon()) {
                command.control = args.ribbonControl(false);
                command.ribbon = true;
            }
            command.number = args.number("entry number", 1, static_cast<std::uint64_t>(kMaxWindow));
            break;
        case Verb::Wait:
            command.number = args.number("milliseconds", 0, kMaxWait);
            break;
        case Verb::Customize:
            command.window = args.window();
            ParseCustomize(command, args);
            break;
        case Verb::Show:
            if (!args.empty()) {
                command.window = args.window();
            }
            break;
        default:  // softphones and shutdown take nothing
            break;
    }
}

}  // namespace

std::string_view VerbName(Verb verb) {
    for (const auto& [name, v] : kVerbs) {
        if (v == verb) {
            return name;
        }
    }
    return "?";
}

std::optional<Command> ParseLine(std::string_view text, int line, OwnVerbs own) {
    if (!text.empty() && text.back() == '\r') {
        text.remove_suffix(1);
    }
    if (!IsValidUtf8(text)) {
        throw LineError(line, "the line is not valid UTF-8");
    }
    std::size_t start = 0;
    while (start < text.size() && IsBlank(text[start])) {
        ++start;
    }
    if (start == text.size() || text[start] == '#') {
        return std::nullopt;
    }
    std::size_t end = start;
    while (end < text.size() && !IsBlank(text[end])) {
        ++end;
    }
    const std::string_view verbWord = text.substr(start, end - start);
    std::string_view rest = text.substr(end);

    Command command;
    command.line = line;
    const auto verb = VerbOf(verbWord, own);
    if (!verb) {
        throw LineError(line, "unknown command " + QuotedEcho(verbWord));
    }
    command.verb = *verb;
    if (command.verb == Verb::Fail || command.verb == Verb::Calls) {
        ParseOwnCommand(command, Words(rest, line));
        return command;
    }

    if (command.verb == Verb::Dial) {
        command.text = VerbatimText(rest, verbWord, line);
        return command;
    }
    if (command.verb == Verb::Type) {
        ParseType(command, rest, verbWord);
        return command;
    }
    Args args(verbWord, Words(rest, line), line);
    if (!ParseItemCommand(command, args)) {
        ParseWindowCommand(command, args);
    }
    args.done();
    return command;
}

std::vector<Command> ParseScript(std::string_view text, OwnVerbs own) {
    std::vector<Command> commands;
    int line = 0;
    while (!text.empty()) {
        ++line;
        const std::size_t newline = text.find('\n');
        const std::string_view current = text.substr(0, newline);
        text = newline == std::string_view::npos ? std::string_view{} : text.substr(newline + 1);
        if (auto command = ParseLine(current, line, own)) {
            commands.push_back(std::move(*command));
        }
    }
    return commands;
}

}  // namespace tessaly::frontend
