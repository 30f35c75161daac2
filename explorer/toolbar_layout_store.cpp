// The toolbar layout store: written when a window closes, read when a toolbar is built.
#include "explorer/explorer_handler.h"

namespace tessaly::explorer {

void ExplorerHandler::SaveToolbarLayout() {
    // Nothing is stored yet.
}

}  // namespace tessaly::explorer
