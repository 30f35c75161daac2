// The dial commands of the toolbar's buttons and combo box, and the dialing notice.
#include "explorer/explorer_handler.h"
#include "host/error.h"

namespace tessaly::explorer {
namespace {

// Office raises a control's event on every connected control with the same tag, in every
// window; a handler acts only on its own control, or one click would dial in every window.
template <class A, class B>
bool Own(const std::shared_ptr<A>& ctrl, const std::shared_ptr<B>& member) {
    return ctrl && member && host::SameObject(ctrl, member);
}

}  // namespace

void ExplorerHandler::RequestDial(const String& number) {
    if (!sDialingNumber.empty()) {
        return;  // a notice is showing
    }
    auto& common = library_.common;
    // Without a combo box, or when the system refuses a timer, the number is dialed without
    // a notice, so that no request can block the next ones for good.
    if (common.lDialingTextDelay != 0 && oComboBox &&
        library_.timers.StartTimer(common.lDialingTextDelay, shared_from_this())) {
        const String notice = common.sDialingText + u" " + number;
        sDialingNumber = number;
        sComboText = notice;
        oComboBox->SetText(notice);
    } else {
        sComboText = number;
        if (oComboBox) {
            oComboBox->SetText(number);
        }
    }
    common.DialNumber(number);
}

void ExplorerHandler::oComboBox_Change(const std::shared_ptr<host::CommandBarComboBox>& oCtrl) {
    if (!Own(oCtrl, oComboBox.get())) {
        return;
    }
    const String text = oCtrl->Text();
    if (oComboButton) {
        oComboButton->SetEnabled(!text.empty());
    }
    const String entry = oCtrl->Text();
    if (entry != sComboText) {
        RequestDial(entry);
    }
    sComboText = oCtrl->Text();
}

void ExplorerHandler::oComboButton_Click(const std::shared_ptr<host::CommandBarButton>& oCtrl,
                                         bool&) {
    if (Own(oCtrl, oComboButton.get()) && oComboBox) {
        RequestDial(oComboBox->Text());
    }
}

void ExplorerHandler::oBusinessButton_Click(const std::shared_ptr<host::CommandBarButton>& oCtrl,
                                            bool&) {
    if (Own(oCtrl, oBusinessButton.get())) {
        RequestDial(sBusinessNumber);
    }
}

void ExplorerHandler::oMobileButton_Click(const std::shared_ptr<host::CommandBarButton>& oCtrl,
                                          bool&) {
    if (Own(oCtrl, oMobileButton.get())) {
        RequestDial(sMobileNumber);
    }
}

void ExplorerHandler::oHomeButton_Click(const std::shared_ptr<host::CommandBarButton>& oCtrl,
                                        bool&) {
    if (Own(oCtrl, oHomeButton.get())) {
        RequestDial(sHomeNumber);
    }
}

void ExplorerHandler::oShowContactsButton_Click(
    const std::shared_ptr<host::CommandBarButton>& oCtrl, bool&) {
    if (!Own(oCtrl, oShowContactsButton.get())) {
        return;
    }
    auto& window = host::must(oExplorer.get());
    const auto folder = host::must(window.Session()).GetDefaultFolder(host::olFolderContacts);
    window.SetCurrentFolder(folder);
}

}  // namespace tessaly::explorer
