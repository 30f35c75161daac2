#include "harness/frontend/run.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <istream>
#include <iterator>

#include "harness/frontend/default_profile.h"

namespace tessaly::frontend {

namespace {

constexpr std::string_view kStdinName = "<stdin>";

// The file's contents, or nothing after printing why not.
std::optional<std::string> ReadFile(const std::string& path, Output& out) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        out.Error(path + ": cannot open: " + std::strerror(errno));
        return std::nullopt;
    }
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad()) {
        out.Error(path + ": cannot read: " + std::strerror(errno));
        return std::nullopt;
    }
    return text;
}

// The profile the options name (the bundled one without --profile), or nothing after
// printing why it cannot be used.
std::optional<Profile> LoadProfile(const CommonOptions& options, Output& out) {
    std::string name(kDefaultProfileName);
    std::string text(DefaultProfileText());
    if (options.profile) {
        name = *options.profile;
        auto read = ReadFile(name, out);
        if (!read) {
            return std::nullopt;
        }
        text = std::move(*read);
    }
    try {
        return ParseProfile(text);
    } catch (const LineError& e) {
        out.Error(name + ":" + std::to_string(e.line()) + ": " + e.what());
        return std::nullopt;
    }
}

struct Script {
    std::string name{kStdinName};
    std::vector<Command> commands;
};

// The script the options name (standard input without --script, or with "-"), parsed whole,
// or nothing after printing why it cannot run.
std::optional<Script> LoadScript(const CommonOptions& options, OwnVerbs own, std::istream& in,
                                 Output& out) {
    Script script;
    std::string text;
    if (options.script && *options.script != "-") {
        script.name = *options.script;
        auto read = ReadFile(script.name, out);
        if (!read) {
            return std::nullopt;
        }
        text = std::move(*read);
    } else {
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    try {
        script.commands = ParseScript(text, own);
    } catch (const LineError& e) {
        out.Error(script.name + ":" + std::to_string(e.line()) + ": " + e.what());
        return std::nullopt;
    }
    return script;
}

// Connects the add-in, runs the script (or the user's commands) and disconnects it, reporting
// after each step. The exit status; AddinFailure is the caller's.
int RunSession(Session& session, const std::optional<Script>& script, Output& out) {
    session.Connect();
    session.Report();
    if (!script) {
        session.Interact();
    } else {
        for (const Command& command : script->commands) {
            try {
                session.Execute(command);
            } catch (const LineError& e) {
                session.Report();
                out.Error(script->name + ":" + std::to_string(e.line()) + ": " + e.what());
                return kExitBadInput;
            }
            session.Report();
        }
    }
    session.Disconnect();
    session.Report();
    return kExitOk;
}

std::string Trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

}  // namespace

int Run(Program& program, const std::vector<std::string>& args, Output& out, std::istream& in,
        bool inIsTerminal) {
    CommonOptions options;
    OptionTable table(options);
    program.addOptions(table);
    try {
        table.Parse(args);
    } catch (const UsageError& e) {
        out.Error(std::string(e.what()) + " (see " + std::string(program.name()) + " --help)");
        return kExitBadInput;
    }
    if (options.help) {
        out.Prompt(program.help());
        return kExitOk;
    }
    if (const auto status = program.instead(options, out)) {
        return *status;
    }

    // Everything the run needs is read and checked before the add-in sees anything.
    const auto profile = LoadProfile(options, out);
    if (!profile) {
        return kExitBadInput;
    }
    std::optional<Script> script;
    if (!options.interactive && (options.script || !inIsTerminal)) {
        script = LoadScript(options, program.ownVerbs(), in, out);
        if (!script) {
            return kExitBadInput;
        }
    }
    if (!program.ready(options, out)) {
        return kExitBadInput;
    }
    // Outlives the session, which writes to it until its world is gone.
    TraceFile trace;
    if (!trace.Open(options.trace, out)) {
        return kExitBadInput;
    }
    auto session = program.start(*profile, options, out, trace.sink());
    int status = kExitOk;
    try {
        status = RunSession(*session, script, out);
        if (status == kExitBadInput) {
            return status;
        }
    } catch (const AddinFailure& e) {
        session->Report();
        out.Error(std::string("add-in: ") + e.what());
        status = kExitAddinFailed;
    }
    status = session->Finish(status);
    if (session->mustOutliveRun()) {
        static_cast<void>(session.release());
    }
    return status;
}

void Interact(Session& session, LineSource& lines, Output& out, const std::string& help,
              OwnVerbs own) {
    int number = 0;
    for (;;) {
        out.Prompt("tessaly> ");
        const auto text = lines.ReadLine();
        if (!text) {
            out.Line("");
            return;
        }
        ++number;
        const std::string word = Trimmed(*text);
        if (word == "quit") {
            return;
        }
        if (word == "help") {
            out.Prompt(help);
            continue;
        }
        try {
            if (auto command = ParseLine(*text, number, own)) {
                session.Execute(*command);
                session.Echo(*command);
            }
        } catch (const LineError& e) {
            out.Error(std::string(kStdinName) + ":" + std::to_string(e.line()) + ": " + e.what());
        }
        session.Report();
    }
}

}  // namespace tessaly::frontend
