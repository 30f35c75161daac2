// The connect class: the one object Outlook creates when it loads the add-in. It keeps one
// ExplorerHandler per Explorer window.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "explorer/handler_parent.h"
#include "explorer/library.h"
#include "host/events.h"
#include "host/outlook.h"

namespace tessaly {

class Tessaly : public explorer::HandlerParent, public std::enable_shared_from_this<Tessaly> {
    struct Passkey {};

  public:
    using HandlerList = std::vector<std::shared_ptr<explorer::ExplorerHandler>>;

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

    // Called by a handler whose window has closed.
    void OnExplorerClose(const std::shared_ptr<explorer::ExplorerHandler>& oExplorer) override;

    // The live handlers; nothing after a release until the next use.
    const std::optional<HandlerList>& handlers() const { return oHandlers; }
    Library& library() const { return library_; }
    // The Explorer windows' ribbon: what Office asks for after OnConnection.
    explorer::Ribbon& ribbon() const override { return *ribbon_; }

  private:
    void oExplorers_NewExplorer(const std::shared_ptr<host::Explorer>& Explorer);
    void AddHandlerFor(const std::shared_ptr<host::Explorer>& explorer);
    void ReleaseHandlers();
    HandlerList& Handlers();
    // The handler of the window a ribbon control is in.
    std::shared_ptr<explorer::ExplorerHandler> HandlerOf(
        const std::shared_ptr<host::Object>& context) const;

    Library& library_;
    std::optional<HandlerList> oHandlers;
    std::shared_ptr<explorer::Ribbon> ribbon_;
    host::WithEvents<host::Explorers> oExplorers;
};

}  // namespace tessaly
