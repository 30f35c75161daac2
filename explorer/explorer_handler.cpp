// The handler's lifecycle: set-up, the window's events, tear-down and the end of the
// dialing notice.
#include "explorer/explorer_handler.h"

#include <utility>

#include "explorer/addin_windows.h"

#include "platform/error.h"

namespace tessaly::explorer {

std::shared_ptr<ExplorerHandler> ExplorerHandler::Create(Library& library) {
    auto self = std::make_shared<ExplorerHandler>(Passkey{}, library);
    self->connectSinks();
    return self;
}

ExplorerHandler::ExplorerHandler(Passkey, Library& library) : library_(library) {}

void ExplorerHandler::connectSinks() {
    const std::weak_ptr<ExplorerHandler> self = weak_from_this();
    using host::weakCallback;

    auto window = std::make_shared<host::ExplorerEvents>();
    window->Activate = weakCallback(self, &ExplorerHandler::oExplorer_Activate);
    window->SelectionChange = weakCallback(self, &ExplorerHandler::oExplorer_SelectionChange);
    window->FolderSwitch = weakCallback(self, &ExplorerHandler::oExplorer_FolderSwitch);
    window->Close = weakCallback(self, &ExplorerHandler::oExplorer_Close);
    oExplorer.setSink(std::move(window));

    auto bars = std::make_shared<host::CommandBarsEvents>();
    bars->OnUpdate = weakCallback(self, &ExplorerHandler::oBars_OnUpdate);
    oBars.setSink(std::move(bars));

    auto button = [&](auto method) {
        auto sink = std::make_shared<host::CommandBarButtonEvents>();
        sink->Click = weakCallback(self, method);
        return sink;
    };
    oComboButton.setSink(button(&ExplorerHandler::oComboButton_Click));
    oBusinessButton.setSink(button(&ExplorerHandler::oBusinessButton_Click));
    oMobileButton.setSink(button(&ExplorerHandler::oMobileButton_Click));
    oHomeButton.setSink(button(&ExplorerHandler::oHomeButton_Click));
    oShowContactsButton.setSink(button(&ExplorerHandler::oShowContactsButton_Click));

    auto combo = std::make_shared<host::CommandBarComboBoxEvents>();
    combo->Change = weakCallback(self, &ExplorerHandler::oComboBox_Change);
    oComboBox.setSink(std::move(combo));
}

bool ExplorerHandler::Init(const std::shared_ptr<AddinWindows>& parent,
                           const std::shared_ptr<host::Explorer>& e) {
    oParent = parent;
    try {
        // A handler without a window could never be dropped again: refuse it.
        if (!e) {
            throw Error(kE_INVALIDARG, "no Explorer given");
        }
        oExplorer = e;
        AttachToolbar();
        return true;
    } catch (const std::exception&) {
        Clear();
        return false;
    }
}

void ExplorerHandler::AttachToolbar() {
    try {
        if (oBars || !oExplorer) {
            return;
        }
        oBars = oExplorer->CommandBars();
        must(oBars.get()).SetAdaptiveMenus(true);
        BuildToolbar();
        RefreshContactNumbers();
    } catch (const std::exception&) {
        // A window whose command bars cannot be had yet is retried at its next activation.
    }
}

void ExplorerHandler::oExplorer_Activate() {
    AttachToolbar();
}

void ExplorerHandler::oExplorer_SelectionChange() {
    RefreshContactNumbers();
}

void ExplorerHandler::oExplorer_FolderSwitch() {
    RefreshContactNumbers();
}

void ExplorerHandler::oExplorer_Close() {
    SaveToolbarLayout();
    const auto self = shared_from_this();
    library_.timers.StopTimer(self);
    if (oParent) {
        oParent->OnExplorerClose(self);
    }
}

void ExplorerHandler::Clear() noexcept {
    const auto deleteControl = [](auto& member) {
        step([&] {
            if (member) {
                member->Delete(std::nullopt);
            }
        });
        member.reset();
    };
    using enum ToolbarControl;
    for (const ToolbarControl control : {Dial, Business, Home, Mobile, ShowContacts, Combo}) {
        WithMember(control, deleteControl);
    }
    oBars.reset();
    oExplorer.reset();
    // A deferral left running would call a handler that no longer has a window, possibly
    // after the library has been unloaded.
    step([&] {
        if (auto self = weak_from_this().lock()) {
            library_.timers.StopTimer(self);
        }
    });
}

void ExplorerHandler::OnExplorerEventTimedOut() {
    const RibbonPublisher publish{*this};
    sComboText = sDialingNumber;
    // The next dial must stay possible even when the notice cannot be replaced (the user
    // removed the combo box, or the host refuses the text).
    const String number = std::exchange(sDialingNumber, String{});
    if (oComboBox) {
        oComboBox->SetText(number);
    }
}

}  // namespace tessaly::explorer
