// The add-in's windows: one ExplorerHandler for every open Explorer window, kept from the
// add-in's connection until the window closes or the add-in lets go, and the ribbon that
// shows them. The connect class owns one; everything the host hands a callback as its window
// (a ribbon control's Context) is looked up here, so no window code reaches back into the
// connect class.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "explorer/library.h"
#include "host/events.h"
#include "host/outlook.h"

namespace tessaly::explorer {

class ExplorerHandler;
class Ribbon;

class AddinWindows : public std::enable_shared_from_this<AddinWindows> {
    struct Passkey {};

  public:
    using HandlerList = std::vector<std::shared_ptr<ExplorerHandler>>;

    static std::shared_ptr<AddinWindows> Create(Library& library);
    AddinWindows(Passkey, Library& library);
    AddinWindows(const AddinWindows&) = delete;
    AddinWindows& operator=(const AddinWindows&) = delete;

    // Takes the application's Explorers with events and a handler for every open window.
    // A failing host call propagates; nothing made before it outlives the failure.
    void Connect(const std::shared_ptr<host::Application>& Application);
    // Clears every handler and drops the list; the next window starts a new one.
    void ReleaseHandlers();
    // Called by a handler whose window has closed: drops that handler.
    void OnExplorerClose(const std::shared_ptr<ExplorerHandler>& oExplorer);

    // The handler of the Explorer window `context` is; nothing when there is none.
    std::shared_ptr<ExplorerHandler> HandlerOf(const std::shared_ptr<host::Object>& context) const;

    // The live handlers; nothing after a release until the next window.
    const std::optional<HandlerList>& handlers() const { return oHandlers; }
    // The ribbon of the Explorer windows: what Office asks for after the connection.
    Ribbon& ribbon() const { return *ribbon_; }

  private:
    void oExplorers_NewExplorer(const std::shared_ptr<host::Explorer>& Explorer);
    void AddHandlerFor(const std::shared_ptr<host::Explorer>& explorer);
    HandlerList& Handlers();

    Library& library_;
    std::optional<HandlerList> oHandlers;
    host::WithEvents<host::Explorers> oExplorers;
    std::shared_ptr<Ribbon> ribbon_;
};

}  // namespace tessaly::explorer
