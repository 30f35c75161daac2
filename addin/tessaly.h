// The connect class: the one object Outlook creates when it loads the add-in. It loads the
// settings and hands the host's windows to the add-in's windows (explorer/addin_windows.h),
// which keep one ExplorerHandler per Explorer window.
#pragma once

#include <memory>

#include "explorer/addin_windows.h"
#include "explorer/library.h"
#include "host/outlook.h"

namespace tessaly {

class Tessaly {
    struct Passkey {};

  public:
    static std::shared_ptr<Tessaly> Create(Library& library);
    Tessaly(Passkey, Library& library);
    Tessaly(const Tessaly&) = delete;
    Tessaly& operator=(const Tessaly&) = delete;

    // IDTExtensibility2. Failures of host calls propagate to the caller (the host).
    void IDTExtensibility2_OnConnection(const std::shared_ptr<host::Application>& Application,
                                        host::ConnectMode ConnectMode = host::ConnectMode::Startup);
    void IDTExtensibility2_OnDisconnection(
        host::DisconnectMode RemoveMode = host::DisconnectMode::HostShutdown);
    void IDTExtensibility2_OnAddInsUpdate();
    void IDTExtensibility2_OnStartupComplete();
    void IDTExtensibility2_OnBeginShutdown();

    // The published interface: drops the handler of a window that has closed.
    void OnExplorerClose(const std::shared_ptr<explorer::ExplorerHandler>& oExplorer);

    Library& library() const { return library_; }
    explorer::AddinWindows& windows() const { return *windows_; }
    // The live handlers; nothing after a release until the next use.
    const std::optional<explorer::AddinWindows::HandlerList>& handlers() const {
        return windows_->handlers();
    }
    // The Explorer windows' ribbon: what Office asks for after OnConnection.
    explorer::Ribbon& ribbon() const { return windows_->ribbon(); }

  private:
    Library& library_;
    std::shared_ptr<explorer::AddinWindows> windows_;
};

}  // namespace tessaly
