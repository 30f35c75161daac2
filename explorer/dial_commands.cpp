// The dial commands of the toolbar's buttons and combo box, and the dialing notice.
#include "explorer/explorer_handler.h"
#include "platform/error.h"

namespace tessaly::explorer {
// Office raises a control's event on every connected control with the same tag, in every
// window, with Ctrl the control the user used: a member, or a copy the user made of one
// (which keeps the tag). A handler acts only on a control of its own window, so that one
// click dials once, in the window it was made in.
bool ExplorerHandler::OwnControl(const std::shared_ptr<host::CommandBarControl>& ctrl,
                                 const std::shared_ptr<host::CommandBarControl>& member) {
    if (!ctrl || !member) {
        return false;
    }
    if (host::SameObject(ctrl, member)) {
        return true;
    }
    try {
        if (!oBars || ctrl->Tag() != member->Tag()) {
            return false;
        }
        // A bar of another window may carry the same name; only this window's is the same
        // object.
        const auto parent = ctrl->Parent();
        return parent && host::SameObject(oBars->Item(parent->Name()), parent);
    } catch (const std::exception&) {
        return false;  // a control that cannot be placed is nobody's
    }
}

void ExplorerHandler::RequestDial(const String& number) {
    if (!sDialingNumber.empty()) {
        return;  // a notice is showing
    }
    const RibbonPublisher publish{*this};
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
    // The ribbon shows the notice while the softphone starts (or a message box is open).
    PublishRibbon();
    common.DialNumber(number);
}

void ExplorerHandler::oComboBox_Change(const std::shared_ptr<host::CommandBarComboBox>& oCtrl) {
    if (!OwnControl(oCtrl, oComboBox.get())) {
        return;
    }
    const RibbonPublisher publish{*this};
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
    if (OwnControl(oCtrl, oComboButton.get()) && oComboBox) {
        RequestDial(oComboBox->Text());
    }
}

void ExplorerHandler::oBusinessButton_Click(const std::shared_ptr<host::CommandBarButton>& oCtrl,
                                            bool&) {
    if (OwnControl(oCtrl, oBusinessButton.get())) {
        RequestDial(sBusinessNumber);
    }
}

void ExplorerHandler::oMobileButton_Click(const std::shared_ptr<host::CommandBarButton>& oCtrl,
                                          bool&) {
    if (OwnControl(oCtrl, oMobileButton.get())) {
        RequestDial(sMobileNumber);
    }
}

void ExplorerHandler::oHomeButton_Click(const std::shared_ptr<host::CommandBarButton>& oCtrl,
                                        bool&) {
    if (OwnControl(oCtrl, oHomeButton.get())) {
        RequestDial(sHomeNumber);
    }
}

void ExplorerHandler::oShowContactsButton_Click(
    const std::shared_ptr<host::CommandBarButton>& oCtrl, bool&) {
    if (OwnControl(oCtrl, oShowContactsButton.get())) {
        ShowContactsFolder();
    }
}

void ExplorerHandler::ShowContactsFolder() {
    auto& window = must(oExplorer.get());
    const auto folder = must(window.Session()).GetDefaultFolder(host::olFolderContacts);
    window.SetCurrentFolder(folder);
}

}  // namespace tessaly::explorer
