// The numbers of the contact selected in the window.
#include "explorer/explorer_handler.h"

namespace tessaly::explorer {

void ExplorerHandler::BusinessNumber(const String&) {}

void ExplorerHandler::MobileNumber(const String&) {}

void ExplorerHandler::HomeNumber(const String&) {}

void ExplorerHandler::RefreshContactNumbers() {
    // The combo box is not filled yet.
}

}  // namespace tessaly::explorer
