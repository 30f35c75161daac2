// An open item's window, as far as the add-in has dialed from it: the dialing notice that its
// dial menu's label shows, and the rule of one dial per notice. Made at the window's first
// dial, dropped when the window closes.
#pragma once

#include <memory>
#include <string>

#include "explorer/library.h"
#include "host/events.h"
#include "host/outlook.h"
#include "timers/timer_manager.h"

namespace tessaly::explorer {

class AddinWindows;

class InspectorWindow : public timers::WaitingHandler,
                        public std::enable_shared_from_this<InspectorWindow> {
    struct Passkey {};

  public:
    static std::shared_ptr<InspectorWindow> Create(Library& library);
    InspectorWindow(Passkey, Library& library);
    InspectorWindow(const InspectorWindow&) = delete;
    InspectorWindow& operator=(const InspectorWindow&) = delete;

    // Takes the window with its Close event. A failure propagates; nothing is kept then.
    void Init(const std::shared_ptr<AddinWindows>& oParent,
              const std::shared_ptr<host::Inspector>& inspector);
    // Ends the notice and lets go of the window, without telling the parent.
    void Clear() noexcept;

    // Dials the number, showing the notice for the notice's delay; ignored while one shows.
    void RequestDial(const std::u16string& number);
    // The dial menu's label: the notice while it shows, else `label`.
    std::u16string MenuLabel(const std::u16string& label) const;
    void OnExplorerEventTimedOut() override;

    const std::shared_ptr<host::Inspector>& inspector() const { return oInspector.get(); }

  private:
    void oInspector_Close();
    void PublishLabel() noexcept;

    Library& library_;
    std::shared_ptr<AddinWindows> oParent;
    host::WithEvents<host::Inspector> oInspector;
    std::u16string sDialingNumber;
};

}  // namespace tessaly::explorer
