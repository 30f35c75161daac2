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
    return ToString(*object_.invoke(kDispRibbonControlId, DISPATCH_PROPERTYGET, {}).get());
}

std::shared_ptr<Object> RibbonControl::Context() {
    return WrapExplorer(
        ToDispatch(*object_.invoke(kDispRibbonControlContext, DISPATCH_PROPERTYGET, {}).get()));
}

String RibbonControl::Tag() {
    return ToString(*object_.invoke(kDispRibbonControlTag, DISPATCH_PROPERTYGET, {}).get());
}

void RibbonUI::Invalidate() {
    object_.invoke(kDispInvalidate, DISPATCH_METHOD, {});
}

void RibbonUI::InvalidateControl(const String& controlId) {
    object_.invoke(kDispInvalidateControl, DISPATCH_METHOD, {controlId});
}

}  // namespace tessaly::host::dispatch
