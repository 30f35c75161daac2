#include "sim_services.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "harness/frontend/utf8.h"

namespace tessaly::sim_tool {

using frontend::OneLine;
using frontend::Output;

void PrintedMessageBoxes::ShowMessage(std::u16string_view text, std::u16string_view title) {
    out_.Line("message: " + OneLine(title) + ": " + OneLine(text));
    if (dismiss_) {
        dismiss_();
    }
}

bool PrintingLauncher::Start(std::u16string_view commandLine) {
    const bool started = inner_ != nullptr ? inner_->Start(commandLine)
                                           : platform::IsStartableCommandLine(commandLine);
    out_.Line((started ? "launch: " : "launch failed: ") + OneLine(commandLine));
    return started;
}

SimServices::SimServices(Output& out, const std::filesystem::path& registryFile, bool launch)
    : registry_(registryFile), launcher_(out, launch ? &realLauncher_ : nullptr), messages_(out) {
    // The add-in gives up quietly on a store it cannot use; the user learns of it here, and
    // the store never replaces a file it cannot read.
    registry_.setFailureReporter([&out](const std::string& message) { out.Error(message); });
}

platform::Services SimServices::services() {
    return platform::Services{registry_, registry_, files_,    versions_,
                              launcher_, loop_,     messages_, resources_};
}

std::filesystem::path DefaultRegistryFile() {
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config) {
        return std::filesystem::path(config) / "tessaly" / "HKCU.reg";
    }
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0') {
        if (const passwd* pw = getpwuid(getuid()); pw != nullptr) {
            home = pw->pw_dir;
        }
    }
    return std::filesystem::path(home != nullptr ? home : ".") / ".config" / "tessaly" / "HKCU.reg";
}

}  // namespace tessaly::sim_tool
