// Tracking of the add-in's windows: a handler for each Explorer open at connection and for each
// opened later, a record for each open item's window dialed from, each dropped when its window
// closes, all cleared when the add-in lets go.
#include "explorer/addin_windows.h"

#include <utility>

#include "explorer/explorer_handler.h"
#include "explorer/inspector_window.h"
#include "explorer/ribbon.h"
#include "platform/error.h"

namespace tessaly::explorer {

std::shared_ptr<AddinWindows> AddinWindows::Create(Library& library) {
    auto self = std::make_shared<AddinWindows>(Passkey{}, library);
    auto sink = std::make_shared<host::ExplorersEvents>();
    sink->NewExplorer = host::weakCallback(std::weak_ptr<AddinWindows>(self),
                                           &AddinWindows::oExplorers_NewExplorer);
    self->oExplorers.setSink(std::move(sink));
    // The ribbon finds its windows here, but holds them weakly: Office holds the ribbon, and
    // must not keep the handlers alive through it.
    self->ribbon_ = Ribbon::Create(library, self);
    return self;
}

AddinWindows::AddinWindows(Passkey, Library& library) : library_(library) {}

void AddinWindows::Connect(const std::shared_ptr<host::Application>& Application) {
    try {
        oExplorers = must(Application).Explorers();
        auto& explorers = must(oExplorers.get());
        const std::int32_t count = explorers.Count();
        for (std::int32_t i = 1; i <= count; ++i) {
            AddHandlerFor(explorers.Item(i));
        }
    } catch (...) {
        // The host may let go of a failed add-in without disconnecting it: nothing made here
        // may outlive the failure (a handler and this object keep each other alive, and its
        // subscriptions would keep serving the windows).
        ReleaseHandlers();
        oExplorers.reset();
        throw;
    }
}

void AddinWindows::oExplorers_NewExplorer(const std::shared_ptr<host::Explorer>& Explorer) {
    AddHandlerFor(Explorer);
}

void AddinWindows::AddHandlerFor(const std::shared_ptr<host::Explorer>& explorer) {
    auto handler = ExplorerHandler::Create(library_);
    if (handler->Init(shared_from_this(), explorer)) {
        Handlers().push_back(std::move(handler));
    }
}

void AddinWindows::OnExplorerClose(const std::shared_ptr<ExplorerHandler>& oExplorer) {
    std::erase(Handlers(), oExplorer);
}

void AddinWindows::ReleaseHandlers() {
    // Work on a copy: clearing a handler hands control to the host, which must not be able
    // to invalidate the walk.
    const HandlerList handlers = Handlers();
    for (const auto& handler : handlers) {
        handler->Clear();
    }
    oHandlers.reset();
    for (const auto& window : std::exchange(inspectors_, {})) {
        window->Clear();
    }
}

std::shared_ptr<ExplorerHandler> AddinWindows::HandlerOf(
    const std::shared_ptr<host::Object>& context) const {
    if (context && oHandlers) {
        for (const auto& handler : *oHandlers) {
            if (host::SameObject(handler->explorer(), context)) {
                return handler;
            }
        }
    }
    return nullptr;
}

std::shared_ptr<InspectorWindow> AddinWindows::InspectorOf(
    const std::shared_ptr<host::Inspector>& inspector, bool make) {
    if (!inspector) {
        return nullptr;
    }
    for (const auto& window : inspectors_) {
        if (host::SameObject(window->inspector(), inspector)) {
            return window;
        }
    }
    if (!make) {
        return nullptr;
    }
    auto window = InspectorWindow::Create(library_);
    try {
        window->Init(shared_from_this(), inspector);
    } catch (const std::exception&) {
        // Without its Close the record could never be dropped: the window dials without one.
        return nullptr;
    }
    inspectors_.push_back(window);
    return window;
}

void AddinWindows::OnInspectorClose(const std::shared_ptr<InspectorWindow>& window) {
    std::erase(inspectors_, window);
}

AddinWindows::HandlerList& AddinWindows::Handlers() {
    if (!oHandlers) {
        oHandlers.emplace();
    }
    return *oHandlers;
}

}  // namespace tessaly::explorer
