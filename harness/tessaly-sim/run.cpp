#include "run.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <istream>
#include <iterator>
#include <optional>
#include <sstream>

#include "harness/frontend/default_profile.h"
#include "harness/frontend/profile.h"
#include "harness/frontend/script.h"
#include "interactive.h"
#include "options.h"
#include "session.h"
#include "softphones.h"

namespace tessaly::sim_tool {

using frontend::Command;
using frontend::DefaultProfileText;
using frontend::kDefaultProfileName;
using frontend::LineError;
using frontend::Output;
using frontend::ParseProfile;
using frontend::ParseScript;
using frontend::Profile;
using frontend::TraceFile;

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

std::string ReadAll(std::istream& in) {
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

SessionConfig ConfigFrom(const Options& options) {
    SessionConfig config;
    config.registryFile =
        options.registry ? std::filesystem::path(*options.registry) : DefaultRegistryFile();
    config.launch = !options.noLaunch;
    if (options.onUpdate) {
        config.updateMode = *options.onUpdate == "strict" ? host::sim::UpdateMode::Strict
                                                          : host::sim::UpdateMode::Idle;
    }
    return config;
}

// Whether the registry file parses (a missing one is an empty hive), after printing why not.
// Checked before the add-in runs: it would take an unreadable store for an empty registry.
bool RegistryIsReadable(const std::filesystem::path& file, Output& out) {
    try {
        platform::posix::RegFileRegistry(file).SubkeyNames(u"");
        return true;
    } catch (const platform::Error& e) {
        out.Error(e.what());
        return false;
    }
}

int ListSoftphones(const Options& options, Output& out) {
    const SessionConfig config = ConfigFrom(options);
    if (!RegistryIsReadable(config.registryFile, out)) {
        return kExitBadInput;
    }
    SimServices services(out, config.registryFile, config.launch);
    Library library(services.services());
    if (!library.common.InitSettings()) {
        out.Note("the add-in's settings could not be loaded, so no softphone discovery ran");
    }
    ShowSoftphones(out, library.common);
    return kExitOk;
}

}  // namespace

int Run(const std::vector<std::string>& args, Output& out, std::istream& in, int inFd,
        bool inIsTerminal) {
    Options options;
    try {
        options = ParseOptions(args);
    } catch (const UsageError& e) {
        out.Error(std::string(e.what()) + " (see tessaly-sim --help)");
        return kExitBadInput;
    }
    if (options.help) {
        out.Prompt(HelpText());
        return kExitOk;
    }
    if (options.softphones) {
        return ListSoftphones(options, out);
    }

    // Everything the run needs is read and checked before the add-in sees anything.
    std::string profileName(kDefaultProfileName);
    std::string profileText(DefaultProfileText());
    if (options.profile) {
        profileName = *options.profile;
        auto text = ReadFile(profileName, out);
        if (!text) {
            return kExitBadInput;
        }
        profileText = std::move(*text);
    }
    Profile profile;
    try {
        profile = ParseProfile(profileText);
    } catch (const LineError& e) {
        out.Error(profileName + ":" + std::to_string(e.line()) + ": " + e.what());
        return kExitBadInput;
    }

    const bool interactive = options.interactive || (!options.script && inIsTerminal);
    std::string scriptName(kStdinName);
    std::vector<Command> commands;
    if (!interactive) {
        std::string scriptText;
        if (options.script && *options.script != "-") {
            scriptName = *options.script;
            auto text = ReadFile(scriptName, out);
            if (!text) {
                return kExitBadInput;
            }
            scriptText = std::move(*text);
        } else {
            scriptText = ReadAll(in);
        }
        try {
            commands = ParseScript(scriptText);
        } catch (const LineError& e) {
            out.Error(scriptName + ":" + std::to_string(e.line()) + ": " + e.what());
            return kExitBadInput;
        }
    }

    SessionConfig config = ConfigFrom(options);
    if (!RegistryIsReadable(config.registryFile, out)) {
        return kExitBadInput;
    }
    // Outlives the session, which writes to it until its world is gone.
    TraceFile trace;
    if (!trace.Open(options.trace, out)) {
        return kExitBadInput;
    }
    config.trace = trace.sink();
    try {
        Session session(profile, out, config);
        session.Connect();
        session.ReportEventFailures();
        if (interactive) {
            RunInteractive(session, out, inFd);
        } else {
            for (const Command& command : commands) {
                try {
                    session.Execute(command);
                } catch (const LineError& e) {
                    session.ReportEventFailures();
                    out.Error(scriptName + ":" + std::to_string(e.line()) + ": " + e.what());
                    return kExitBadInput;
                }
                session.ReportEventFailures();
            }
        }
        session.Disconnect();
        session.ReportEventFailures();
    } catch (const AddinFailure& e) {
        out.Error(std::string("add-in: ") + e.what());
        return kExitAddinFailed;
    }
    return kExitOk;
}

}  // namespace tessaly::sim_tool
