#include "standin_session.h"

#include <charconv>

#include "harness/frontend/control_names.h"

namespace tessaly::standin {

namespace sim = host::sim;
using frontend::Command;
using frontend::LineError;

namespace {

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
    auto sim = frontend::ParseLine(text, line);
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
                               frontend::Output& out, sim::SimRibbon* ribbon,
                               std::function<void(const Command&)> hostCommands)
    : ribbon_(ribbon),
      hostCommands_(std::move(hostCommands)),
      commands_(world, std::move(windows), out, *this) {}

std::u16string StandinSession::ToolbarName() const {
    for (const auto& window : commands_.windows()) {
        if (window->closed() || !window->commandBars()) {
            continue;
        }
        for (const auto& bar : window->commandBars()->bars()) {
            if (bar->builtIn() || !bar->alive()) {
                continue;
            }
            for (const auto& control : bar->controls()) {
                if (frontend::ControlOfTag(control->tag())) {
                    return bar->name();
                }
            }
        }
    }
    return std::u16string(kDefaultToolbarName);
}

std::u16string StandinSession::TagPrefix(const sim::SimExplorer& /*window*/,
                                         std::u16string_view /*toolbar*/) const {
    for (const auto& window : commands_.windows()) {
        if (!window->commandBars()) {
            continue;
        }
        for (const auto& bar : window->commandBars()->bars()) {
            for (const auto& control : bar->controls()) {
                if (auto prefix = frontend::PrefixOfTag(control->tag())) {
                    return *prefix;
                }
            }
        }
    }
    return {};
}

void StandinSession::RunHostCommand(const Command& command) {
    hostCommands_(command);
}

}  // namespace tessaly::standin
