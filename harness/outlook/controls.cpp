#include <algorithm>
#include <string>

#include "harness/outlook/internal.h"

namespace tessaly::host::sim {

using detail::args;
using detail::returned;

// ---- CommandBarControl -------------------------------------------------------------------

SimControl::SimControl(World& world, std::int32_t type) : world_(world), type_(type) {}

void SimControl::changed() {
    if (const auto bar = bar_.lock(); bar && !deleted_) {
        bar->changed();
    }
}

void SimControl::call(const std::string& operation, const detail::Arguments& arguments) {
    if (!alive()) {
        world_.refuse(operation, arguments);
    }
    world_.check(operation, arguments);
}

std::int32_t SimControl::Type() {
    call("CommandBarControl.Type");
    return returned(world_, type_);
}

std::shared_ptr<CommandBar> SimControl::Parent() {
    call("CommandBarControl.Parent");
    return returned(world_, bar_.lock());
}

std::int32_t SimControl::Index() {
    call("CommandBarControl.Index");
    return returned(world_, bar_.lock()->indexOf(*this));
}

void SimControl::Move(const std::shared_ptr<CommandBar>& bar, std::optional<std::int32_t> before) {
    const auto owner = bar_.lock();
    auto target = bar ? std::dynamic_pointer_cast<SimCommandBar>(bar) : owner;
    const auto barArgument = bar ? std::optional(bar) : std::nullopt;
    const auto arguments = args(barArgument, before);
    if (alive()) {
        // Only a live bar of the same window can take the control.
        if (!target || !target->alive() || target->owner_.lock() != owner->owner_.lock()) {
            world_.refuse("CommandBarControl.Move", arguments, kE_INVALIDARG);
        }
        const auto count = static_cast<std::int32_t>(target->controls().size());
        if (before && (*before < 1 || *before > count + 1)) {
            world_.refuse("CommandBarControl.Move", arguments, kE_INVALIDARG);
        }
    }
    call("CommandBarControl.Move", arguments);
    std::int32_t to = before.value_or(0);
    if (target == owner && to > owner->indexOf(*this)) {
        --to;  // the positions after this control move up once it is taken out
    }
    const auto self = shared_from_this();
    owner->remove(*this);
    target->insert(self, to);
    owner->changed();
}

void SimControl::Delete(std::optional<bool> temporary) {
    call("CommandBarControl.Delete", args(temporary));
    const auto self = shared_from_this();
    world_.noteRemoved(*this);
    const auto owner = bar_.lock();
    owner->remove(*this);
    deleted_ = true;
    owner->changed();
}

String SimControl::Tag() {
    call("CommandBarControl.Tag");
    return returned(world_, tag_);
}
void SimControl::SetTag(const String& value) {
    call("CommandBarControl.Tag=", args(value));
    tag_ = value;
    changed();
}
bool SimControl::Visible() {
    call("CommandBarControl.Visible");
    return returned(world_, visible_);
}
void SimControl::SetVisible(bool value) {
    call("CommandBarControl.Visible=", args(value));
    visible_ = value;
    changed();
}
bool SimControl::BeginGroup() {
    call("CommandBarControl.BeginGroup");
    return returned(world_, beginGroup_);
}
void SimControl::SetBeginGroup(bool value) {
    call("CommandBarControl.BeginGroup=", args(value));
    beginGroup_ = value;
    changed();
}
bool SimControl::Enabled() {
    call("CommandBarControl.Enabled");
    return returned(world_, enabled_);
}
void SimControl::SetEnabled(bool value) {
    call("CommandBarControl.Enabled=", args(value));
    enabled_ = value;
    changed();
}
String SimControl::Caption() {
    call("CommandBarControl.Caption");
    return returned(world_, caption_);
}
void SimControl::SetCaption(const String& value) {
    call("CommandBarControl.Caption=", args(value));
    caption_ = value;
    changed();
}
String SimControl::TooltipText() {
    call("CommandBarControl.TooltipText");
    return returned(world_, tooltipText_);
}
void SimControl::SetTooltipText(const String& value) {
    call("CommandBarControl.TooltipText=", args(value));
    tooltipText_ = value;
    changed();
}
std::int32_t SimControl::Width() {
    call("CommandBarControl.Width");
    return returned(world_, width_);
}
void SimControl::SetWidth(std::int32_t value) {
    call("CommandBarControl.Width=", args(value));
    width_ = value;
    changed();
}

// ---- CommandBarButton --------------------------------------------------------------------

SimButton::SimButton(World& world) : SimControl(world, msoControlButton) {}

void SimButton::SetStyle(std::int32_t value) {
    call("CommandBarButton.Style=", args(value));
    style_ = value;
    changed();
}

void SimButton::SetPicture(const std::shared_ptr<Picture>& value) {
    call("CommandBarButton.Picture=", args(value));
    picture_ = value;
    changed();
}

void SimButton::SetMask(const std::shared_ptr<Picture>& value) {
    call("CommandBarButton.Mask=", args(value));
    mask_ = value;
    changed();
}

Subscription SimButton::Advise(std::shared_ptr<const Events> sink) {
    call("CommandBarButton.Advise");
    if (!sink) {
        throw Error(kE_INVALIDARG, "CommandBarButton.Advise: no sink");
    }
    const std::weak_ptr<SimButton> self =
        std::static_pointer_cast<SimButton>(weak_from_this().lock());
    return detail::connect(self, sinks_, nextCookie_, std::move(sink), &SimButton::sinks_);
}

void SimButton::raiseClick(const std::shared_ptr<CommandBarButton>& ctrl, bool& cancelDefault) {
    const auto keepAlive = shared_from_this();
    detail::raiseOn(world_, sinks_, "CommandBarButton.Click", [&](const Events& sink) {
        if (sink.Click) {
            sink.Click(ctrl, cancelDefault);
        }
    });
}

// ---- CommandBarComboBox ------------------------------------------------------------------

SimComboBox::SimComboBox(World& world) : SimControl(world, msoControlComboBox) {}

void SimComboBox::SetStyle(std::int32_t value) {
    call("CommandBarComboBox.Style=", args(value));
    style_ = value;
    changed();
}

void SimComboBox::SetDropDownLines(std::int32_t value) {
    call("CommandBarComboBox.DropDownLines=", args(value));
    dropDownLines_ = value;
    changed();
}

void SimComboBox::Clear() {
    call("CommandBarComboBox.Clear");
    list_.clear();
    listIndex_ = 0;  // the text stays, as in Office
    changed();
}

void SimComboBox::AddItem(const String& text, std::optional<std::int32_t> index) {
    const auto arguments = args(text, index);
    const auto count = static_cast<std::int32_t>(list_.size());
    const std::int32_t at = index.value_or(count + 1);
    if (alive() && (at < 1 || at > count + 1)) {
        world_.refuse("CommandBarComboBox.AddItem", arguments, kE_INVALIDARG);
    }
    call("CommandBarComboBox.AddItem", arguments);
    list_.insert(list_.begin() + (at - 1), text);
    if (listIndex_ >= at) {
        ++listIndex_;  // the chosen entry keeps being chosen
    }
    changed();
}

std::int32_t SimComboBox::ListCount() {
    call("CommandBarComboBox.ListCount");
    return returned(world_, static_cast<std::int32_t>(list_.size()));
}

std::int32_t SimComboBox::ListIndex() {
    call("CommandBarComboBox.ListIndex");
    return returned(world_, listIndex_);
}

void SimComboBox::SetListIndex(std::int32_t value) {
    const auto arguments = args(value);
    if (alive() && (value < 0 || value > static_cast<std::int32_t>(list_.size()))) {
        world_.refuse("CommandBarComboBox.ListIndex=", arguments, kE_INVALIDARG);
    }
    call("CommandBarComboBox.ListIndex=", arguments);
    listIndex_ = value;
    text_ = value == 0 ? String() : list_[static_cast<std::size_t>(value - 1)];
    changed();
}

String SimComboBox::List(std::int32_t index) {
    const auto arguments = args(index);
    if (alive() && (index < 1 || index > static_cast<std::int32_t>(list_.size()))) {
        world_.refuse("CommandBarComboBox.List", arguments, kE_INVALIDARG);
    }
    call("CommandBarComboBox.List", arguments);
    return returned(world_, list_[static_cast<std::size_t>(index - 1)]);
}

String SimComboBox::Text() {
    call("CommandBarComboBox.Text");
    return returned(world_, text_);
}

void SimComboBox::SetText(const String& value) {
    call("CommandBarComboBox.Text=", args(value));
    text_ = value;
    changed();
    const auto it = std::find(list_.begin(), list_.end(), value);
    listIndex_ = it == list_.end() ? 0 : static_cast<std::int32_t>(it - list_.begin()) + 1;
}

Subscription SimComboBox::Advise(std::shared_ptr<const Events> sink) {
    call("CommandBarComboBox.Advise");
    if (!sink) {
        throw Error(kE_INVALIDARG, "CommandBarComboBox.Advise: no sink");
    }
    const std::weak_ptr<SimComboBox> self =
        std::static_pointer_cast<SimComboBox>(weak_from_this().lock());
    return detail::connect(self, sinks_, nextCookie_, std::move(sink), &SimComboBox::sinks_);
}

void SimComboBox::raiseChange(const std::shared_ptr<CommandBarComboBox>& ctrl) {
    const auto keepAlive = shared_from_this();
    detail::raiseOn(world_, sinks_, "CommandBarComboBox.Change", [&](const Events& sink) {
        if (sink.Change) {
            sink.Change(ctrl);
        }
    });
}

// ---- CommandBarControls ------------------------------------------------------------------

SimControls::SimControls(std::weak_ptr<SimCommandBar> bar, World& world)
    : bar_(std::move(bar)), world_(world) {}

std::int32_t SimControls::Count() {
    const auto bar = bar_.lock();
    if (!bar || !bar->alive()) {
        world_.refuse("CommandBarControls.Count");
    }
    world_.check("CommandBarControls.Count");
    return returned(world_, static_cast<std::int32_t>(bar->controls().size()));
}

std::shared_ptr<CommandBarControl> SimControls::Add(std::optional<std::int32_t> type,
                                                    std::optional<std::int32_t> id,
                                                    std::optional<std::int32_t> before,
                                                    std::optional<bool> temporary) {
    const auto arguments = args(type, id, before, temporary);
    const auto bar = bar_.lock();
    if (!bar || !bar->alive()) {
        world_.refuse("CommandBarControls.Add", arguments);
    }
    const auto count = static_cast<std::int32_t>(bar->controls().size());
    const std::int32_t kind = type.value_or(msoControlButton);
    // Popups, edit boxes and the other kinds of control are not modelled.
    if ((kind != msoControlButton && kind != msoControlComboBox) ||
        (before && (*before < 1 || *before > count + 1))) {
        world_.refuse("CommandBarControls.Add", arguments, kE_INVALIDARG);
    }
    world_.check("CommandBarControls.Add", arguments);
    std::shared_ptr<SimControl> control;
    if (kind == msoControlButton) {
        control = std::make_shared<SimButton>(world_);
    } else {
        control = std::make_shared<SimComboBox>(world_);
    }
    control->temporary_ = temporary.value_or(false);
    bar->insert(control, before.value_or(0));
    // The result before the update: in the strict mode the update re-enters the add-in.
    returned(world_, control);
    bar->changed();
    return control;
}

}  // namespace tessaly::host::sim
