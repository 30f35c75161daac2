// Toolbar construction: finds or creates the add-in's toolbar and its controls.
#include "explorer/explorer_handler.h"

namespace tessaly::explorer {

void ExplorerHandler::BuildToolbar() {
    // Not built yet: the window gets no toolbar controls.
}

}  // namespace tessaly::explorer
