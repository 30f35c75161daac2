// Follows the user's changes to the window's command bars: after each change the members
// are bound again to the controls the window holds, wherever the user put them.
#include "explorer/explorer_handler.h"
#include "platform/error.h"

namespace tessaly::explorer {
namespace {

// A control found under our tag that is not of the member's type is not taken; the member
// keeps what it had.
template <class T>
std::shared_ptr<T> As(const std::shared_ptr<host::CommandBarControl>& control) {
    if (!control) {
        return nullptr;
    }
    auto typed = std::dynamic_pointer_cast<T>(control);
    if (!typed) {
        throw Error(kE_NOINTERFACE, "control of another type");
    }
    return typed;
}

}  // namespace

void ExplorerHandler::oBars_OnUpdate() {
    const auto& prefix = library_.common.sTagPrefix;
    using enum ToolbarControl;
    for (const ToolbarControl control : {ShowContacts, Dial, Business, Home, Mobile, Combo}) {
        const ToolbarControlInfo& info = InfoOf(control);
        WithMember(control, [&]<class T>(host::WithEvents<T>& member) {
            step([&] {
                member = As<T>(
                    must(oBars.get())
                        .FindControl(info.type, std::nullopt, prefix + info.suffix, std::nullopt));
            });
        });
    }
    // Only a toolbar the build made or found is followed. While the toolbar is stored as
    // removed, a bar of its name holds only controls stored there; it is hidden and floating
    // as the host makes new bars, and saving its placement would bring the toolbar back
    // hidden instead of where the user last had it.
    if (oToolbar) {
        step([&] { oToolbar = must(oBars.get()).Item(library_.common.sToolbarName); });
    }
}

}  // namespace tessaly::explorer
