// The handler's side of the ribbon: the values its window's group shows, the group's
// commands, and the invalidation of what changed.
#include <utility>

#include "explorer/addin_windows.h"
#include "explorer/explorer_handler.h"
#include "explorer/ribbon.h"

namespace tessaly::explorer {

RibbonValues ExplorerHandler::ribbonValues() const {
    RibbonValues values;
    values.text = sComboText;
    values.list = listedNumbers_;
    values.dial = !sComboText.empty();
    values.business = !sBusinessNumber.empty();
    values.mobile = !sMobileNumber.empty();
    values.home = !sHomeNumber.empty();
    return values;
}

void ExplorerHandler::PublishRibbon() noexcept {
    try {
        RibbonValues now = ribbonValues();
        const RibbonItems changed = now.DifferingFrom(ribbonPublished_);
        ribbonPublished_ = std::move(now);
        if (changed != 0 && oParent) {
            oParent->ribbon().Invalidate(changed);
        }
    } catch (const std::exception&) {
        // Out of memory: the ribbon keeps its old values until the next change.
    }
}

void ExplorerHandler::RibbonCommand(RibbonItem item) {
    switch (item) {
        case RibbonItem::Dial: {
            // A copy: the request rewrites sComboText before it dials.
            const String text = sComboText;
            RequestDial(text);
            break;
        }
        case RibbonItem::Business:
            RequestDial(sBusinessNumber);
            break;
        case RibbonItem::Mobile:
            RequestDial(sMobileNumber);
            break;
        case RibbonItem::Home:
            RequestDial(sHomeNumber);
            break;
        case RibbonItem::ShowContacts:
            ShowContactsFolder();
            break;
        case RibbonItem::Combo:
            break;
    }
}

void ExplorerHandler::RibbonComboChange(const String& text) {
    const RibbonPublisher publish{*this};
    const bool noticeShowing = !sDialingNumber.empty();
    if (text != sComboText) {
        RequestDial(text);
    }
    // As on the toolbar, an entry dropped during a notice stays until the notice ends.
    if (noticeShowing) {
        sComboText = text;
    }
}

}  // namespace tessaly::explorer
