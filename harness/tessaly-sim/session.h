// tessaly-sim's session: the add-in in this process, inside the simulated Outlook, with the
// POSIX services, the Library and the connect class; `wait` passes virtual time.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "addin/tessaly.h"
#include "explorer/library.h"
#include "harness/frontend/session.h"
#include "harness/outlook/xml.h"
#include "sim_services.h"

namespace tessaly::sim_tool {

// What tessaly-sim's session takes beyond the profile.
struct SessionConfig {
    std::filesystem::path registryFile;
    frontend::CommonOptions options;        // --no-launch and --on-update
    host::sim::TraceSink* trace = nullptr;  // outlives the session
    int inputFd = -1;                       // what interactive mode reads
};

class InProcessSession final : public frontend::Session {
  public:
    InProcessSession(const frontend::Profile& profile, frontend::Output& out,
                     const SessionConfig& config);
    ~InProcessSession() override;

    // Creates the connect class, then OnConnection and OnStartupComplete.
    void Connect() override;
    // OnBeginShutdown and OnDisconnection, unless already disconnected.
    void Disconnect() override;
    bool connected() const override { return static_cast<bool>(addin_); }
    // In real time on the terminal (see interactive.h).
    void Interact() override;
    // Every command that changes the windows is followed by what they show once the host is
    // idle again, ribbon included, as `show` prints it.
    void Echo(const frontend::Command& command) override;

    // How `wait` passes time; by default the virtual clock jumps ahead.
    void setWaiter(std::function<void(std::uint64_t)> waiter) { waiter_ = std::move(waiter); }
    host::sim::EventLoop& loop() { return services_.loop(); }
    PrintedMessageBoxes& messages() { return services_.messages(); }

  private:
    // The toolbar name and tag prefix are the add-in's own settings.
    std::u16string ToolbarName() const override;
    std::u16string TagPrefix(const host::sim::SimExplorer& window,
                             std::u16string_view toolbar) const override;
    void RunProgramCommand(const frontend::Command& command) override;
    template <class F>
    void CallAddin(const char* what, F&& call);

    std::unique_ptr<host::sim::XmlParser> parser_;
    SimServices services_;
    std::unique_ptr<Library> library_;
    std::shared_ptr<Tessaly> addin_;
    std::function<void(std::uint64_t)> waiter_;
    int inputFd_;
};

}  // namespace tessaly::sim_tool
