// The dial commands of the toolbar's buttons and combo box.
#include "explorer/explorer_handler.h"

namespace tessaly::explorer {

void ExplorerHandler::oComboBox_Change(const std::shared_ptr<host::CommandBarComboBox>&) {}

void ExplorerHandler::oComboButton_Click(const std::shared_ptr<host::CommandBarButton>&, bool&) {}

void ExplorerHandler::oBusinessButton_Click(const std::shared_ptr<host::CommandBarButton>&, bool&) {
}

void ExplorerHandler::oMobileButton_Click(const std::shared_ptr<host::CommandBarButton>&, bool&) {}

void ExplorerHandler::oHomeButton_Click(const std::shared_ptr<host::CommandBarButton>&, bool&) {}

void ExplorerHandler::oShowContactsButton_Click(const std::shared_ptr<host::CommandBarButton>&,
                                                bool&) {}

}  // namespace tessaly::explorer
