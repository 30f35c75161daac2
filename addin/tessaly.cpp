#include "addin/tessaly.h"

#include "explorer/ribbon.h"
#include "platform/error.h"

namespace tessaly {

std::shared_ptr<Tessaly> Tessaly::Create(Library& library) {
    return std::make_shared<Tessaly>(Passkey{}, library);
}

Tessaly::Tessaly(Passkey, Library& library)
    : library_(library), windows_(explorer::AddinWindows::Create(library)) {}

void Tessaly::IDTExtensibility2_OnConnection(const std::shared_ptr<host::Application>& Application,
                                             host::ConnectMode) {
    library_.common.InitSettings();
    if (!Application) {
        throw Error(kE_INVALIDARG, "no application object");
    }
    windows_->Connect(Application);
}

void Tessaly::IDTExtensibility2_OnDisconnection(host::DisconnectMode) {
    windows_->ReleaseHandlers();
    windows_->ribbon().Release();
}

void Tessaly::IDTExtensibility2_OnAddInsUpdate() {}

void Tessaly::IDTExtensibility2_OnStartupComplete() {
    library_.common.InitSettings();
}

void Tessaly::IDTExtensibility2_OnBeginShutdown() {
    windows_->ReleaseHandlers();
}

void Tessaly::OnExplorerClose(const std::shared_ptr<explorer::ExplorerHandler>& oExplorer) {
    windows_->OnExplorerClose(oExplorer);
}

}  // namespace tessaly
