#include "explorer/inspector_window.h"

#include "explorer/addin_windows.h"
#include "explorer/ribbon.h"
#include "platform/error.h"

namespace tessaly::explorer {

std::shared_ptr<InspectorWindow> InspectorWindow::Create(Library& library) {
    auto self = std::make_shared<InspectorWindow>(Passkey{}, library);
    auto sink = std::make_shared<host::InspectorEvents>();
    sink->Close = host::weakCallback(std::weak_ptr<InspectorWindow>(self),
                                     &InspectorWindow::oInspector_Close);
    self->oInspector.setSink(std::move(sink));
    return self;
}

InspectorWindow::InspectorWindow(Passkey, Library& library) : library_(library) {}

void InspectorWindow::Init(const std::shared_ptr<AddinWindows>& parent,
                           const std::shared_ptr<host::Inspector>& inspector) {
    oInspector = inspector;
    oParent = parent;
}

void InspectorWindow::Clear() noexcept {
    oInspector.reset();
    step([&] {
        if (auto self = weak_from_this().lock()) {
            library_.timers.StopTimer(self);
        }
    });
    sDialingNumber.clear();
}

void InspectorWindow::RequestDial(const std::u16string& number) {
    if (!sDialingNumber.empty()) {
        return;  // a notice is showing
    }
    auto& common = library_.common;
    // When the system refuses a timer the number is dialed without a notice, so that no
    // request can block the next ones for good.
    if (common.lDialingTextDelay != 0 &&
        library_.timers.StartTimer(common.lDialingTextDelay, shared_from_this())) {
        sDialingNumber = number;
        PublishLabel();
    }
    common.DialNumber(number);
}

std::u16string InspectorWindow::MenuLabel(const std::u16string& label) const {
    return sDialingNumber.empty() ? label : library_.common.sDialingText + u" " + sDialingNumber;
}

void InspectorWindow::OnExplorerEventTimedOut() {
    sDialingNumber.clear();
    PublishLabel();
}

void InspectorWindow::oInspector_Close() {
    const auto self = shared_from_this();
    const auto parent = oParent;
    Clear();
    oParent.reset();
    if (parent) {
        parent->OnInspectorClose(self);
    }
}

void InspectorWindow::PublishLabel() noexcept {
    if (oParent) {
        oParent->ribbon().InvalidateInspectorMenu();
    }
}

}  // namespace tessaly::explorer
