// The controller of the add-in's toolbar in one Explorer window.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "explorer/contact_numbers.h"
#include "explorer/library.h"
#include "explorer/ribbon_values.h"
#include "explorer/toolbar_controls.h"
#include "host/events.h"
#include "host/office.h"
#include "host/outlook.h"
#include "timers/timer_manager.h"

namespace tessaly::explorer {

using String = std::u16string;
class AddinWindows;
class LayoutValues;

class ExplorerHandler : public timers::WaitingHandler,
                        public std::enable_shared_from_this<ExplorerHandler> {
    struct Passkey {};

  public:
    static std::shared_ptr<ExplorerHandler> Create(Library& library);
    ExplorerHandler(Passkey, Library& library);
    ExplorerHandler(const ExplorerHandler&) = delete;
    ExplorerHandler& operator=(const ExplorerHandler&) = delete;

    // The published interface, in its slot order.
    void BusinessNumber(const String& s);
    void MobileNumber(const String& s);
    void HomeNumber(const String& s);
    bool Init(const std::shared_ptr<AddinWindows>& oParent,
              const std::shared_ptr<host::Explorer>& e);
    void Clear() noexcept;
    void OnExplorerEventTimedOut() override;

    // Read-only views for diagnostics and tests; not part of the published interface.
    bool attached() const { return static_cast<bool>(oBars); }
    const std::shared_ptr<host::Explorer>& explorer() const { return oExplorer.get(); }
    const String& comboText() const { return sComboText; }
    const String& dialingNumber() const { return sDialingNumber; }
    const String& businessNumber() const { return sBusinessNumber; }
    const String& mobileNumber() const { return sMobileNumber; }
    const String& homeNumber() const { return sHomeNumber; }
    const std::shared_ptr<host::CommandBar>& toolbar() const { return oToolbar; }

    // The window's ribbon group: a second view of the same state, with the same commands.
    RibbonValues ribbonValues() const;
    void RibbonCommand(RibbonItem item);
    void RibbonComboChange(const String& text);

  private:
    void AttachToolbar();

    // Events of the window.
    void oExplorer_Activate();
    void oExplorer_SelectionChange();
    void oExplorer_FolderSwitch();
    void oExplorer_Close();

    // Toolbar construction and its settings store.
    void BuildToolbar();
    void RestoreToolbarPlacement(const LayoutValues& stored);
    std::shared_ptr<host::CommandBarControl> FindOrAddControl(std::int32_t type,
                                                              const String& suffix);
    // Where the layout store puts a control: its bar (found or made on the way) and place.
    struct StoredPlace {
        String barName;
        std::int32_t position = -1;  // 1-based; -1 at the end
        std::shared_ptr<host::CommandBar> bar;
    };
    void RemoveControlEverywhere(std::int32_t type, const String& tag);
    StoredPlace ReadStoredPlace(const LayoutValues& stored);
    std::shared_ptr<host::CommandBarControl> FindOrAddOnBar(std::int32_t type, const String& tag,
                                                            StoredPlace& place);
    static void PlaceAsStored(host::CommandBarControl& control, const String& tag,
                              const StoredPlace& place, const LayoutValues& stored);
    void CreateControl(host::WithEvents<host::CommandBarButton>& button,
                       const ToolbarControlInfo& info);
    void CreateControl(host::WithEvents<host::CommandBarComboBox>& combo,
                       const ToolbarControlInfo& info);
    std::shared_ptr<host::CommandBarButton> CreateButton(const String& suffix, int index);
    std::shared_ptr<host::CommandBarComboBox> CreateComboBox();
    void SaveToolbarLayout();
    void SaveToolbarValues();
    void SaveControlLayout(std::shared_ptr<host::CommandBarControl> control);

    // The selected contact's numbers.
    void RefreshContactNumbers();
    bool FillNumbersFromSelection();
    void ListContactNumbers(host::ContactItem& contact);
    void ShowFirstListedNumber();
    void AddNumbersToCombo(const std::vector<ContactNumber>& numbers);
    static String ApplyButtonNumber(String number,
                                    const std::shared_ptr<host::CommandBarButton>& button);

    // Dial commands.
    bool OwnControl(const std::shared_ptr<host::CommandBarControl>& ctrl,
                    const std::shared_ptr<host::CommandBarControl>& member);
    void RequestDial(const String& number);
    void oComboBox_Change(const std::shared_ptr<host::CommandBarComboBox>& oCtrl);
    void oComboButton_Click(const std::shared_ptr<host::CommandBarButton>& oCtrl,
                            bool& bCancelDefault);
    void oBusinessButton_Click(const std::shared_ptr<host::CommandBarButton>& oCtrl,
                               bool& bCancelDefault);
    void oMobileButton_Click(const std::shared_ptr<host::CommandBarButton>& oCtrl,
                             bool& bCancelDefault);
    void oHomeButton_Click(const std::shared_ptr<host::CommandBarButton>& oCtrl,
                           bool& bCancelDefault);
    void oShowContactsButton_Click(const std::shared_ptr<host::CommandBarButton>& oCtrl,
                                   bool& bCancelDefault);

    // Tracking of the user's toolbar changes.
    void oBars_OnUpdate();

    void connectSinks();
    // Calls `action` with the member that holds the control.
    template <class Action>
    void WithMember(ToolbarControl control, Action&& action);

    // Tells the ribbon which of its controls now answer differently for this window.
    void PublishRibbon() noexcept;
    // Publishes when it goes out of scope, also when the procedure ends in an error.
    struct RibbonPublisher {
        ExplorerHandler& handler;
        ~RibbonPublisher() { handler.PublishRibbon(); }
    };
    void ShowContactsFolder();

    Library& library_;

    std::shared_ptr<host::CommandBar> oToolbar;
    // Whether this handler has built or found its toolbar, or read that the user removed it.
    // Until then it knows nothing of the toolbar, and a save must not record it as removed.
    bool toolbarKnown_ = false;
    String sBusinessNumber;
    String sMobileNumber;
    String sHomeNumber;
    String sComboText;
    String sDialingNumber;
    // The add-in's windows, which keep this handler until its window closes.
    std::shared_ptr<AddinWindows> oParent;
    // The numbers the last refresh listed in the combo box, and what the ribbon was last told.
    std::vector<String> listedNumbers_;
    RibbonValues ribbonPublished_;

    host::WithEvents<host::CommandBarButton> oComboButton;
    host::WithEvents<host::CommandBarButton> oBusinessButton;
    host::WithEvents<host::CommandBarButton> oHomeButton;
    host::WithEvents<host::CommandBarButton> oMobileButton;
    host::WithEvents<host::Explorer> oExplorer;
    host::WithEvents<host::CommandBarButton> oShowContactsButton;
    host::WithEvents<host::CommandBarComboBox> oComboBox;
    host::WithEvents<host::CommandBars> oBars;
};

template <class Action>
void ExplorerHandler::WithMember(ToolbarControl control, Action&& action) {
    switch (control) {
        case ToolbarControl::Dial:
            return action(oComboButton);
        case ToolbarControl::Combo:
            return action(oComboBox);
        case ToolbarControl::Business:
            return action(oBusinessButton);
        case ToolbarControl::Mobile:
            return action(oMobileButton);
        case ToolbarControl::Home:
            return action(oHomeButton);
        case ToolbarControl::ShowContacts:
            return action(oShowContactsButton);
    }
}

}  // namespace tessaly::explorer
