#include "host/dispatch/office.h"

#include "host/dispatch/event_sink.h"
#include "platform/win32/picture.h"

namespace tessaly::host::dispatch {

namespace {

std::int32_t intOf(DispatchObject& object, std::u16string_view name) {
    return object.get(name).toInt32();
}
bool boolOf(DispatchObject& object, std::u16string_view name) {
    return object.get(name).toBool();
}
String stringOf(DispatchObject& object, std::u16string_view name) {
    return object.get(name).toString();
}

IDispatch* pictureOf(const std::shared_ptr<Picture>& value) {
    const auto* picture = dynamic_cast<const win32::Win32Picture*>(value.get());
    if (!picture || !picture->get()) {
        throw Error(E_INVALIDARG, "not a picture of this add-in");
    }
    return picture->get();
}

}  // namespace

std::shared_ptr<host::CommandBars> WrapCommandBars(ComPtr<IDispatch> object) {
    return wrap<CommandBars, host::CommandBars>(std::move(object));
}

std::shared_ptr<host::CommandBar> WrapCommandBar(ComPtr<IDispatch> object) {
    return wrap<CommandBar, host::CommandBar>(std::move(object));
}

std::shared_ptr<host::CommandBarButton> WrapButton(ComPtr<IDispatch> object) {
    return wrap<CommandBarButton, host::CommandBarButton>(std::move(object));
}

std::shared_ptr<host::CommandBarComboBox> WrapComboBox(ComPtr<IDispatch> object) {
    return wrap<CommandBarComboBox, host::CommandBarComboBox>(std::move(object));
}

// A control of the type asked for (the host finds and adds only controls of the type it is
// given) needs no call to tell its type.
std::shared_ptr<host::CommandBarControl> WrapControl(ComPtr<IDispatch> object,
                                                     std::optional<std::int32_t> type = {}) {
    if (!object) {
        return nullptr;
    }
    DispatchObject control(std::move(object));
    switch (type ? *type : intOf(control, u"Type")) {
        case msoControlButton:
            return std::make_shared<CommandBarButton>(std::move(control));
        case msoControlComboBox:
            return std::make_shared<CommandBarComboBox>(std::move(control));
        default:
            return std::make_shared<PlainControl>(std::move(control));
    }
}

// CommandBars

std::shared_ptr<host::CommandBar> CommandBars::Item(const String& name) {
    Variant result;
    try {
        // Item is the collection's default member: no name to look up.
        result = object_.invoke(DISPID_VALUE, DISPATCH_PROPERTYGET | DISPATCH_METHOD, {name});
    } catch (const Error& e) {
        if (e.code() != DISP_E_MEMBERNOTFOUND) {
            throw;
        }
        result = object_.get(u"Item", {name});
    }
    auto bar = WrapCommandBar(result.toDispatch());
    if (!bar) {
        throw Error(DISP_E_BADINDEX, "no command bar of that name");
    }
    return bar;
}

std::shared_ptr<host::CommandBar> CommandBars::Add(std::optional<String> name,
                                                   std::optional<std::int32_t> position,
                                                   std::optional<bool> menuBar,
                                                   std::optional<bool> temporary) {
    return WrapCommandBar(object_.call(u"Add", {name, position, menuBar, temporary}).toDispatch());
}

std::shared_ptr<host::CommandBarControl> CommandBars::FindControl(std::optional<std::int32_t> type,
                                                                  std::optional<std::int32_t> id,
                                                                  std::optional<String> tag,
                                                                  std::optional<bool> visible) {
    return WrapControl(object_.call(u"FindControl", {type, id, tag, visible}).toDispatch(), type);
}

void CommandBars::SetAdaptiveMenus(bool value) {
    object_.put(u"AdaptiveMenus", value);
}

Subscription CommandBars::Advise(std::shared_ptr<const Events> sink) {
    if (!sink) {
        return {};
    }
    EventHandlers handlers;
    handlers[kDispOnUpdate] = [sink](const EventArgs&) {
        if (sink->OnUpdate) {
            sink->OnUpdate();
        }
    };
    return AdviseEvents(object_.get(), DIID_CommandBarsEvents, std::move(handlers));
}

// CommandBar

String CommandBar::Name() {
    return stringOf(object_, u"Name");
}

std::shared_ptr<host::CommandBarControls> CommandBar::Controls() {
    return wrap<CommandBarControls, host::CommandBarControls>(
        object_.get(u"Controls").toDispatch());
}

void CommandBar::Delete() {
    object_.call(u"Delete");
}

std::shared_ptr<host::CommandBarControl> CommandBar::FindControl(std::optional<std::int32_t> type,
                                                                 std::optional<std::int32_t> id,
                                                                 std::optional<String> tag,
                                                                 std::optional<bool> visible,
                                                                 std::optional<bool> recursive) {
    return WrapControl(
        object_.call(u"FindControl", {type, id, tag, visible, recursive}).toDispatch(), type);
}

bool CommandBar::AdaptiveMenu() {
    return boolOf(object_, u"AdaptiveMenu");
}
void CommandBar::SetAdaptiveMenu(bool value) {
    object_.put(u"AdaptiveMenu", value);
}
bool CommandBar::Enabled() {
    return boolOf(object_, u"Enabled");
}
void CommandBar::SetEnabled(bool value) {
    object_.put(u"Enabled", value);
}
bool CommandBar::Visible() {
    return boolOf(object_, u"Visible");
}
void CommandBar::SetVisible(bool value) {
    object_.put(u"Visible", value);
}
std::int32_t CommandBar::RowIndex() {
    return intOf(object_, u"RowIndex");
}
void CommandBar::SetRowIndex(std::int32_t value) {
    object_.put(u"RowIndex", value);
}
std::int32_t CommandBar::Position() {
    return intOf(object_, u"Position");
}
void CommandBar::SetPosition(std::int32_t value) {
    object_.put(u"Position", value);
}
std::int32_t CommandBar::Top() {
    return intOf(object_, u"Top");
}
void CommandBar::SetTop(std::int32_t value) {
    object_.put(u"Top", value);
}
std::int32_t CommandBar::Left() {
    return intOf(object_, u"Left");
}
void CommandBar::SetLeft(std::int32_t value) {
    object_.put(u"Left", value);
}
std::int32_t CommandBar::Width() {
    return intOf(object_, u"Width");
}
void CommandBar::SetWidth(std::int32_t value) {
    object_.put(u"Width", value);
}
std::int32_t CommandBar::Height() {
    return intOf(object_, u"Height");
}
void CommandBar::SetHeight(std::int32_t value) {
    object_.put(u"Height", value);
}
std::int32_t CommandBar::Protection() {
    return intOf(object_, u"Protection");
}
void CommandBar::SetProtection(std::int32_t value) {
    object_.put(u"Protection", value);
}

// CommandBarControls

std::int32_t CommandBarControls::Count() {
    return intOf(object_, u"Count");
}

std::shared_ptr<host::CommandBarControl> CommandBarControls::Add(std::optional<std::int32_t> type,
                                                                 std::optional<std::int32_t> id,
                                                                 std::optional<std::int32_t> before,
                                                                 std::optional<bool> temporary) {
    ComPtr<IDispatch> added =
        object_.call(u"Add", {type, id, win32::Missing{}, before, temporary}).toDispatch();
    try {
        return WrapControl(added, type);
    } catch (const Error&) {
        // A control nobody can read would stay on the bar as a blank button without a tag,
        // which no later build finds again.
        try {
            DispatchObject(std::move(added)).call(u"Delete");
        } catch (const Error&) {
        }
        throw;
    }
}

// CommandBarControl

std::int32_t CommandBarControl::Type() {
    return intOf(object_, u"Type");
}

std::shared_ptr<host::CommandBar> CommandBarControl::Parent() {
    return WrapCommandBar(object_.get(u"Parent").toDispatch());
}

std::int32_t CommandBarControl::Index() {
    return intOf(object_, u"Index");
}

void CommandBarControl::Move(const std::shared_ptr<host::CommandBar>& bar,
                             std::optional<std::int32_t> before) {
    if (!bar) {
        object_.call(u"Move", {win32::Missing{}, before});
        return;
    }
    const auto* ours = dynamic_cast<const CommandBar*>(bar.get());
    if (!ours) {
        throw Error(E_INVALIDARG, "not a command bar of this host");
    }
    object_.call(u"Move", {ours->dispatch(), before});
}

void CommandBarControl::Delete(std::optional<bool> temporary) {
    object_.call(u"Delete", {temporary});
}

String CommandBarControl::Tag() {
    return stringOf(object_, u"Tag");
}
void CommandBarControl::SetTag(const String& value) {
    object_.put(u"Tag", value);
}
bool CommandBarControl::Visible() {
    return boolOf(object_, u"Visible");
}
void CommandBarControl::SetVisible(bool value) {
    object_.put(u"Visible", value);
}
bool CommandBarControl::BeginGroup() {
    return boolOf(object_, u"BeginGroup");
}
void CommandBarControl::SetBeginGroup(bool value) {
    object_.put(u"BeginGroup", value);
}
bool CommandBarControl::Enabled() {
    return boolOf(object_, u"Enabled");
}
void CommandBarControl::SetEnabled(bool value) {
    object_.put(u"Enabled", value);
}
String CommandBarControl::Caption() {
    return stringOf(object_, u"Caption");
}
void CommandBarControl::SetCaption(const String& value) {
    object_.put(u"Caption", value);
}
String CommandBarControl::TooltipText() {
    return stringOf(object_, u"TooltipText");
}
void CommandBarControl::SetTooltipText(const String& value) {
    object_.put(u"TooltipText", value);
}
std::int32_t CommandBarControl::Width() {
    return intOf(object_, u"Width");
}
void CommandBarControl::SetWidth(std::int32_t value) {
    object_.put(u"Width", value);
}

// CommandBarButton

void CommandBarButton::SetStyle(std::int32_t value) {
    object_.put(u"Style", value);
}

void CommandBarButton::SetPicture(const std::shared_ptr<Picture>& value) {
    object_.put(u"Picture", pictureOf(value));
}

void CommandBarButton::SetMask(const std::shared_ptr<Picture>& value) {
    object_.put(u"Mask", pictureOf(value));
}

Subscription CommandBarButton::Advise(std::shared_ptr<const Events> sink) {
    if (!sink) {
        return {};
    }
    // Office raises Click on every connected button with the same tag, so Ctrl is wrapped
    // anew: it is the button that was used, which may belong to another window.
    EventHandlers handlers;
    handlers[kDispClick] = [sink](const EventArgs& args) {
        if (!sink->Click) {
            return;
        }
        auto ctrl = WrapButton(args.object(0));
        const VARIANT& cancelArgument = args[1];
        bool cancelDefault = win32::ToBool(cancelArgument);
        sink->Click(ctrl, cancelDefault);
        win32::SetByRef(cancelArgument, cancelDefault);
    };
    return AdviseEvents(object_.get(), DIID_CommandBarButtonEvents, std::move(handlers));
}

// CommandBarComboBox

void CommandBarComboBox::SetStyle(std::int32_t value) {
    object_.put(u"Style", value);
}

void CommandBarComboBox::SetDropDownLines(std::int32_t value) {
    object_.put(u"DropDownLines", value);
}

void CommandBarComboBox::Clear() {
    object_.call(u"Clear");
}

void CommandBarComboBox::AddItem(const String& text, std::optional<std::int32_t> index) {
    object_.call(u"AddItem", {text, index});
}

std::int32_t CommandBarComboBox::ListCount() {
    return intOf(object_, u"ListCount");
}

std::int32_t CommandBarComboBox::ListIndex() {
    return intOf(object_, u"ListIndex");
}

void CommandBarComboBox::SetListIndex(std::int32_t value) {
    object_.put(u"ListIndex", value);
}

String CommandBarComboBox::List(std::int32_t index) {
    return object_.get(u"List", {index}).toString();
}

String CommandBarComboBox::Text() {
    return stringOf(object_, u"Text");
}

void CommandBarComboBox::SetText(const String& value) {
    object_.put(u"Text", value);
}

Subscription CommandBarComboBox::Advise(std::shared_ptr<const Events> sink) {
    if (!sink) {
        return {};
    }
    EventHandlers handlers;
    handlers[kDispChange] = [sink](const EventArgs& args) {
        if (sink->Change) {
            sink->Change(WrapComboBox(args.object(0)));
        }
    };
    return AdviseEvents(object_.get(), DIID_CommandBarComboBoxEvents, std::move(handlers));
}

}  // namespace tessaly::host::dispatch
