#include "addin/tessaly.h"

#include <algorithm>

#include "explorer/explorer_handler.h"
#include "explorer/ribbon.h"
#include "platform/error.h"

namespace tessaly {

std::shared_ptr<Tessaly> Tessaly::Create(Library& library) {
    auto self = std::make_shared<Tessaly>(Passkey{}, library);
    auto sink = std::make_shared<host::ExplorersEvents>();
    sink->NewExplorer =
        host::weakCallback(std::weak_ptr<Tessaly>(self), &Tessaly::oExplorers_NewExplorer);
    self->oExplorers.setSink(std::move(sink));
    // The ribbon holds the connect class weakly: Office holds the ribbon, and must not keep
    // the handlers alive through it.
    self->ribbon_ = explorer::Ribbon::Create(
        library,
        [weak = std::weak_ptr<Tessaly>(self)](const std::shared_ptr<host::Object>& context) {
            const auto addin = weak.lock();
            return addin ? addin->HandlerOf(context) : nullptr;
        });
    return self;
}

Tessaly::Tessaly(Passkey, Library& library) : library_(library) {}

void Tessaly::IDTExtensibility2_OnConnection(const std::shared_ptr<host::Application>& Application,
                                             host::ConnectMode) {
    library_.common.InitSettings();
    if (!Application) {
        throw Error(kE_INVALIDARG, "no application object");
    }
    try {
        oExplorers = Application->Explorers();
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

void Tessaly::IDTExtensibility2_OnDisconnection(host::DisconnectMode) {
    ReleaseHandlers();
    ribbon_->Release();
}

void Tessaly::IDTExtensibility2_OnAddInsUpdate() {}

void Tessaly::IDTExtensibility2_OnStartupComplete() {
    library_.common.InitSettings();
}

void Tessaly::IDTExtensibility2_OnBeginShutdown() {
    ReleaseHandlers();
}

void Tessaly::oExplorers_NewExplorer(const std::shared_ptr<host::Explorer>& Explorer) {
    AddHandlerFor(Explorer);
}

void Tessaly::AddHandlerFor(const std::shared_ptr<host::Explorer>& explorer) {
    auto handler = explorer::ExplorerHandler::Create(library_);
    if (handler->Init(shared_from_this(), explorer)) {
        Handlers().push_back(std::move(handler));
    }
}

void Tessaly::OnExplorerClose(const std::shared_ptr<explorer::ExplorerHandler>& oExplorer) {
    auto& list = Handlers();
    auto found = std::find(list.begin(), list.end(), oExplorer);
    if (found != list.end()) {
        list.erase(found);
    }
}

void Tessaly::ReleaseHandlers() {
    // Work on a copy: clearing a handler hands control to the host, which must not be able
    // to invalidate the walk.
    const HandlerList handlers = Handlers();
    for (const auto& handler : handlers) {
        handler->Clear();
    }
    oHandlers.reset();
}

std::shared_ptr<explorer::ExplorerHandler> Tessaly::HandlerOf(
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

Tessaly::HandlerList& Tessaly::Handlers() {
    if (!oHandlers) {
        oHandlers.emplace();
    }
    return *oHandlers;
}

}  // namespace tessaly
