#include "program.h"

#include "session.h"
#include "softphones.h"

namespace tessaly::sim_tool {

using frontend::CommonOptions;
using frontend::kExitBadInput;
using frontend::kExitOk;
using frontend::Output;

namespace {

// Whether the registry file parses (a missing one is an empty hive), after printing why not.
bool RegistryIsReadable(const std::filesystem::path& file, Output& out) {
    try {
        platform::posix::RegFileRegistry(file).SubkeyNames(u"");
        return true;
    } catch (const platform::Error& e) {
        out.Error(e.what());
        return false;
    }
}

}  // namespace

std::string SimProgram::help() const {
    return HelpText();
}

void SimProgram::addOptions(frontend::OptionTable& table) {
    table.value("--registry", registry_);
    table.flag("--softphones", softphones_);
}

std::filesystem::path SimProgram::registryFile() const {
    return registry_ ? std::filesystem::path(*registry_) : DefaultRegistryFile();
}

std::optional<int> SimProgram::instead(const CommonOptions& options, Output& out) {
    if (!softphones_) {
        return std::nullopt;
    }
    if (!RegistryIsReadable(registryFile(), out)) {
        return kExitBadInput;
    }
    SimServices services(out, registryFile(), !options.noLaunch);
    Library library(services.services());
    if (!library.common.InitSettings()) {
        out.Note("the add-in's settings could not be loaded, so no softphone discovery ran");
    }
    ShowSoftphones(out, library.common);
    return kExitOk;
}

bool SimProgram::ready(const CommonOptions& /*options*/, Output& out) {
    return RegistryIsReadable(registryFile(), out);
}

std::unique_ptr<frontend::Session> SimProgram::start(const frontend::Profile& profile,
                                                     const CommonOptions& options, Output& out,
                                                     host::sim::TraceSink* trace) {
    SessionConfig config;
    config.registryFile = registryFile();
    config.options = options;
    config.trace = trace;
    config.inputFd = inFd_;
    return std::make_unique<InProcessSession>(profile, out, config);
}

int Run(const std::vector<std::string>& args, Output& out, std::istream& in, int inFd,
        bool inIsTerminal) {
    SimProgram program(inFd);
    return frontend::Run(program, args, out, in, inIsTerminal);
}

}  // namespace tessaly::sim_tool
