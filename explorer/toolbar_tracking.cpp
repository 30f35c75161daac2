// Follows the user's changes to the window's command bars.
#include "explorer/explorer_handler.h"

namespace tessaly::explorer {

void ExplorerHandler::oBars_OnUpdate() {}

}  // namespace tessaly::explorer
