// The platform services tessaly-sim hands to the core: the real POSIX registry, files,
// version reader, process launcher and the compiled-in string table, the simulated host's
// timers, and message boxes and a launcher decorator that write the transcript lines.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>

#include "harness/frontend/output.h"
#include "harness/outlook/event_loop.h"
#include "platform/pe/pe_version.h"
#include "platform/posix/file_system.h"
#include "platform/posix/process_launcher.h"
#include "platform/posix/reg_file_registry.h"
#include "platform/services.h"
#include "resources/embedded_resources.h"

namespace tessaly::sim_tool {

// Prints "message: <title>: <text>", then waits for the user to dismiss the box (interactive
// mode) or dismisses it at once (scripts).
class PrintedMessageBoxes final : public platform::MessageBoxes {
  public:
    explicit PrintedMessageBoxes(frontend::Output& out) : out_(out) {}
    // Called after printing; returns once the box is dismissed. Empty: dismissed at once.
    void setDismiss(std::function<void()> dismiss) { dismiss_ = std::move(dismiss); }
    void ShowMessage(std::u16string_view text, std::u16string_view title) override;

  private:
    frontend::Output& out_;
    std::function<void()> dismiss_;
};

// Starts each line with the wrapped launcher and prints "launch: <command line>", or
// "launch failed: <command line>" when it did not start. Without a launcher (--no-launch)
// it starts nothing and reports success for every line a launcher would try.
class PrintingLauncher final : public platform::ProcessLauncher {
  public:
    PrintingLauncher(frontend::Output& out, platform::ProcessLauncher* inner)
        : out_(out), inner_(inner) {}
    bool Start(std::u16string_view commandLine) override;

  private:
    frontend::Output& out_;
    platform::ProcessLauncher* inner_;
};

// Owns every service; `services()` is what the Library takes. Must outlive the Library.
class SimServices {
  public:
    SimServices(frontend::Output& out, const std::filesystem::path& registryFile, bool launch);
    SimServices(const SimServices&) = delete;
    SimServices& operator=(const SimServices&) = delete;

    platform::Services services();
    host::sim::EventLoop& loop() { return loop_; }
    PrintedMessageBoxes& messages() { return messages_; }

  private:
    platform::posix::RegFileRegistry registry_;
    platform::posix::PosixFileSystem files_;
    platform::pe::PeVersionResources versions_;
    platform::posix::PosixProcessLauncher realLauncher_;
    PrintingLauncher launcher_;
    host::sim::EventLoop loop_;
    PrintedMessageBoxes messages_;
    resources::EmbeddedResources resources_;
};

// $XDG_CONFIG_HOME/tessaly/HKCU.reg, else ~/.config/tessaly/HKCU.reg.
std::filesystem::path DefaultRegistryFile();

}  // namespace tessaly::sim_tool
