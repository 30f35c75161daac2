#include "host/dispatch/ribbon.h"

#include "host/dispatch/outlook.h"
#include "host/dispatch/ribbon_interfaces.h"

namespace tessaly::host::dispatch {

std::shared_ptr<host::RibbonControl> WrapRibbonControl(ComPtr<IDispatch> object) {
    return wrap<RibbonControl, host::RibbonControl>(std::move(object));
}

std::shared_ptr<host::RibbonUI> WrapRibbonUI(ComPtr<IDispatch> object) {
    return wrap<RibbonUI, host::RibbonUI>(std::move(object));
}

String RibbonControl::Id() {
    return object_.invoke(kDispRibbonControlId, DISPATCH_PROPERTYGET, {}).toString();
}

std::shared_ptr<Object> RibbonControl::Context() {
    return WrapExplorer(
        object_.invoke(kDispRibbonControlContext, DISPATCH_PROPERTYGET, {}).toDispatch());
}

String RibbonControl::Tag() {
    return object_.invoke(kDispRibbonControlTag, DISPATCH_PROPERTYGET, {}).toString();
}

void RibbonUI::Invalidate() {
    object_.invoke(kDispInvalidate, DISPATCH_METHOD, {});
}

void RibbonUI::InvalidateControl(const String& controlId) {
    object_.invoke(kDispInvalidateControl, DISPATCH_METHOD, {controlId});
}

}  // namespace tessaly::host::dispatch
