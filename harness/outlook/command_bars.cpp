#include <algorithm>
#include <string>

#include "harness/outlook/internal.h"
#include "platform/case_fold.h"

namespace tessaly::host::sim {

using detail::args;
using detail::returned;

namespace {

inline constexpr std::int32_t msoBarFloating = 4;
inline constexpr std::int32_t msoBarMenuBar = 6;

// FindControl's criteria; an id never matches because the model's controls carry none.
bool matches(const SimControl& control, const SimCommandBar& bar,
             const std::optional<std::int32_t>& type, const std::optional<std::int32_t>& id,
             const std::optional<String>& tag, const std::optional<bool>& visible) {
    if (id) {
        return false;
    }
    if (type && control.type() != *type) {
        return false;
    }
    if (tag && control.tag() != *tag) {
        return false;
    }
    // Office counts a control as visible only while its bar is shown too.
    if (visible.value_or(false) && !(control.visible() && bar.visible())) {
        return false;
    }
    return true;
}

std::shared_ptr<SimControl> findIn(const SimCommandBar& bar,
                                   const std::optional<std::int32_t>& type,
                                   const std::optional<std::int32_t>& id,
                                   const std::optional<String>& tag,
                                   const std::optional<bool>& visible) {
    for (const auto& control : bar.controls()) {
        if (matches(*control, bar, type, id, tag, visible)) {
            return control;
        }
    }
    return nullptr;
}

}  // namespace

// ---- CommandBar --------------------------------------------------------------------------

SimCommandBar::SimCommandBar(World& world, std::weak_ptr<SimCommandBars> owner, String name,
                             bool builtIn, bool temporary)
    : world_(world),
      owner_(std::move(owner)),
      name_(std::move(name)),
      builtIn_(builtIn),
      temporary_(temporary) {}

void SimCommandBar::call(const std::string& operation, const detail::Arguments& arguments) {
    if (!alive()) {
        world_.refuse(operation, arguments);
    }
    world_.check(operation, arguments);
}

String SimCommandBar::Name() {
    call("CommandBar.Name");
    return returned(world_, name_);
}

std::shared_ptr<CommandBarControls> SimCommandBar::Controls() {
    call("CommandBar.Controls");
    if (!controlsObject_) {
        controlsObject_ = std::make_shared<SimControls>(weak_from_this(), world_);
    }
    return returned(world_, controlsObject_);
}

void SimCommandBar::Delete() {
    if (alive() && builtIn_) {
        world_.refuse("CommandBar.Delete");
    }
    call("CommandBar.Delete");
    const auto self = shared_from_this();
    for (const auto& control : controls_) {
        world_.noteRemoved(*control);
    }
    const auto owner = owner_.lock();
    if (owner) {
        owner->removeBar(*this);
    }
    markDeleted();
    if (owner) {
        owner->changed();
    }
}

std::shared_ptr<CommandBarControl> SimCommandBar::FindControl(std::optional<std::int32_t> type,
                                                              std::optional<std::int32_t> id,
                                                              std::optional<String> tag,
                                                              std::optional<bool> visible,
                                                              std::optional<bool> recursive) {
    // The model has no popups, so a recursive search finds what a flat one does.
    call("CommandBar.FindControl", args(type, id, tag, visible, recursive));
    return returned(world_, findIn(*this, type, id, tag, visible));
}

bool SimCommandBar::AdaptiveMenu() {
    call("CommandBar.AdaptiveMenu");
    return returned(world_, adaptiveMenu_);
}
void SimCommandBar::SetAdaptiveMenu(bool value) {
    call("CommandBar.AdaptiveMenu=", args(value));
    adaptiveMenu_ = value;
    changed();
}
bool SimCommandBar::Enabled() {
    call("CommandBar.Enabled");
    return returned(world_, enabled_);
}
void SimCommandBar::SetEnabled(bool value) {
    call("CommandBar.Enabled=", args(value));
    enabled_ = value;
    changed();
}
bool SimCommandBar::Visible() {
    call("CommandBar.Visible");
    return returned(world_, visible_);
}
void SimCommandBar::SetVisible(bool value) {
    call("CommandBar.Visible=", args(value));
    visible_ = value;
    changed();
}
std::int32_t SimCommandBar::RowIndex() {
    call("CommandBar.RowIndex");
    return returned(world_, rowIndex_);
}
void SimCommandBar::SetRowIndex(std::int32_t value) {
    call("CommandBar.RowIndex=", args(value));
    rowIndex_ = value;
    changed();
}
std::int32_t SimCommandBar::Position() {
    call("CommandBar.Position");
    return returned(world_, position_);
}
void SimCommandBar::SetPosition(std::int32_t value) {
    // Office accepts only the MsoBarPosition codes, msoBarLeft (0) to msoBarMenuBar (6).
    if (alive() && (value < 0 || value > msoBarMenuBar)) {
        world_.refuse("CommandBar.Position=", args(value), kE_INVALIDARG);
    }
    call("CommandBar.Position=", args(value));
    position_ = value;
    changed();
}
std::int32_t SimCommandBar::Top() {
    call("CommandBar.Top");
    return returned(world_, top_);
}
void SimCommandBar::SetTop(std::int32_t value) {
    call("CommandBar.Top=", args(value));
    top_ = value;
    changed();
}
std::int32_t SimCommandBar::Left() {
    call("CommandBar.Left");
    return returned(world_, left_);
}
void SimCommandBar::SetLeft(std::int32_t value) {
    call("CommandBar.Left=", args(value));
    left_ = value;
    changed();
}
std::int32_t SimCommandBar::Width() {
    call("CommandBar.Width");
    return returned(world_, width_);
}
void SimCommandBar::SetWidth(std::int32_t value) {
    call("CommandBar.Width=", args(value));
    width_ = value;
    changed();
}
std::int32_t SimCommandBar::Height() {
    call("CommandBar.Height");
    return returned(world_, height_);
}
void SimCommandBar::SetHeight(std::int32_t value) {
    call("CommandBar.Height=", args(value));
    height_ = value;
    changed();
}
std::int32_t SimCommandBar::Protection() {
    call("CommandBar.Protection");
    return returned(world_, protection_);
}
void SimCommandBar::SetProtection(std::int32_t value) {
    call("CommandBar.Protection=", args(value));
    protection_ = value;
    changed();
}

void SimCommandBar::insert(const std::shared_ptr<SimControl>& control, std::int32_t before) {
    const auto count = static_cast<std::int32_t>(controls_.size());
    const auto at =
        (before < 1 || before > count) ? controls_.end() : controls_.begin() + (before - 1);
    controls_.insert(at, control);
    control->bar_ = weak_from_this();
    control->deleted_ = false;
}

void SimCommandBar::remove(const SimControl& control) {
    std::erase_if(controls_, [&](const auto& c) { return c.get() == &control; });
}

std::int32_t SimCommandBar::indexOf(const SimControl& control) const {
    const auto it = std::find_if(controls_.begin(), controls_.end(),
                                 [&](const auto& c) { return c.get() == &control; });
    return it == controls_.end() ? 0 : static_cast<std::int32_t>(it - controls_.begin()) + 1;
}

void SimCommandBar::changed() {
    if (const auto owner = owner_.lock(); owner && !deleted_) {
        owner->changed();
    }
}

void SimCommandBar::markDeleted() {
    deleted_ = true;
    for (const auto& control : controls_) {
        control->deleted_ = true;
    }
    controls_.clear();
}

// ---- CommandBars -------------------------------------------------------------------------

SimCommandBars::SimCommandBars(World& world) : world_(world) {}

void SimCommandBars::addBuiltInBars() {
    struct BuiltIn {
        const char16_t* name;
        bool visible;
        std::int32_t position;
        std::int32_t rowIndex;
        std::vector<const char16_t*> buttons;
    };
    // Placeholders for Outlook's own bars: enough for searches and positions to be
    // realistic. Their controls carry no tag, so they never match the add-in's.
    const BuiltIn builtIns[] = {
        {u"Menu Bar", true, msoBarMenuBar, 1, {u"File", u"Edit", u"View"}},
        {u"Standard", true, msoBarTop, 2, {u"New", u"Reply", u"Forward"}},
        {u"Advanced", false, msoBarTop, 3, {u"Back", u"Folder List"}},
        {u"Web", false, msoBarTop, 4, {u"Address"}},
    };
    for (const auto& b : builtIns) {
        auto bar = std::make_shared<SimCommandBar>(world_, weak_from_this(), b.name, true, false);
        bar->visible_ = b.visible;
        bar->position_ = b.position;
        bar->rowIndex_ = b.rowIndex;
        for (const char16_t* caption : b.buttons) {
            auto button = std::make_shared<SimButton>(world_);
            button->caption_ = caption;
            bar->insert(button, 0);
        }
        bars_.push_back(std::move(bar));
    }
}

void SimCommandBars::call(const std::string& operation, const detail::Arguments& arguments) {
    if (detached_) {
        world_.refuse(operation, arguments);
    }
    world_.check(operation, arguments);
}

std::shared_ptr<CommandBar> SimCommandBars::Item(const String& name) {
    const auto arguments = args(name);
    auto bar = detached_ ? nullptr : find(name);
    if (!detached_ && !bar) {
        world_.refuse("CommandBars.Item", arguments, kE_INVALIDARG);
    }
    call("CommandBars.Item", arguments);
    return returned(world_, bar);
}

std::shared_ptr<CommandBar> SimCommandBars::Add(std::optional<String> name,
                                                std::optional<std::int32_t> position,
                                                std::optional<bool> menuBar,
                                                std::optional<bool> temporary) {
    const auto arguments = args(name, position, menuBar, temporary);
    if (!detached_) {
        const bool nameTaken = name && !name->empty() && find(*name);
        // msoBarLeft (0) to msoBarMenuBar (6); msoBarPopup (5) makes a popup, not a toolbar.
        const bool badPosition = position && (*position < 0 || *position > msoBarMenuBar);
        if (nameTaken || badPosition) {
            world_.refuse("CommandBars.Add", arguments, kE_INVALIDARG);
        }
    }
    call("CommandBars.Add", arguments);
    String barName = name.value_or(String());
    for (int n = 1; barName.empty(); ++n) {
        const std::string candidate = "Custom " + std::to_string(n);
        const String wide(candidate.begin(), candidate.end());
        if (!find(wide)) {
            barName = wide;
        }
    }
    // A new bar is hidden and floating unless a position is given, as in Office.
    auto bar = addBar(barName, temporary.value_or(false));
    bar->visible_ = false;
    bar->position_ = position.value_or(msoBarFloating);
    // The result before the update: in the strict mode the update re-enters the add-in.
    returned(world_, bar);
    changed();
    return bar;
}

std::shared_ptr<CommandBarControl> SimCommandBars::FindControl(std::optional<std::int32_t> type,
                                                               std::optional<std::int32_t> id,
                                                               std::optional<String> tag,
                                                               std::optional<bool> visible) {
    call("CommandBars.FindControl", args(type, id, tag, visible));
    for (const auto& bar : bars_) {
        if (auto control = findIn(*bar, type, id, tag, visible)) {
            return returned(world_, control);
        }
    }
    return returned(world_, std::shared_ptr<SimControl>());
}

void SimCommandBars::SetAdaptiveMenus(bool value) {
    call("CommandBars.AdaptiveMenus=", args(value));
    adaptiveMenus_ = value;
    changed();
}

Subscription SimCommandBars::Advise(std::shared_ptr<const Events> sink) {
    call("CommandBars.Advise");
    if (!sink) {
        throw Error(kE_INVALIDARG, "CommandBars.Advise: no sink");
    }
    return detail::connect(weak_from_this(), sinks_, nextCookie_, std::move(sink),
                           &SimCommandBars::sinks_);
}

std::shared_ptr<SimCommandBar> SimCommandBars::find(const String& name) const {
    for (const auto& bar : bars_) {
        // Office compares bar names without regard to case; names are ASCII in practice.
        if (platform::equalsIgnoringAsciiCase(bar->name(), name)) {
            return bar;
        }
    }
    return nullptr;
}

std::shared_ptr<SimControl> SimCommandBars::findControl(std::int32_t type,
                                                        const String& tag) const {
    for (const auto& bar : bars_) {
        if (auto control = findIn(*bar, type, std::nullopt, tag, std::nullopt)) {
            return control;
        }
    }
    return nullptr;
}

void SimCommandBars::removeBar(const SimCommandBar& bar) {
    std::erase_if(bars_, [&](const auto& b) { return b.get() == &bar; });
}

void SimCommandBars::raiseOnUpdate() {
    const auto keepAlive = shared_from_this();
    struct Raising {
        int& depth;
        explicit Raising(int& d) : depth(d) { ++depth; }
        ~Raising() { --depth; }
    } raising(raising_);
    detail::raiseOn(world_, sinks_, "CommandBars.OnUpdate", [](const Events& sink) {
        if (sink.OnUpdate) {
            sink.OnUpdate();
        }
    });
}

void SimCommandBars::changed() {
    if (detached_) {
        return;
    }
    updatePending_ = true;
    // An update handler that changes the bars gets its own update at the next idle moment
    // rather than re-entering itself.
    if (world_.updateMode() == UpdateMode::Strict && raising_ == 0) {
        raisePending();
    }
}

void SimCommandBars::raisePending() {
    if (!updatePending_ || detached_ || raising_ > 0) {
        return;
    }
    updatePending_ = false;
    raiseOnUpdate();
}

std::shared_ptr<SimCommandBar> SimCommandBars::addBar(const String& name, bool temporary) {
    auto bar = std::make_shared<SimCommandBar>(world_, weak_from_this(), name, false, temporary);
    bars_.push_back(bar);
    return bar;
}

void SimCommandBars::detach() {
    detached_ = true;
    for (const auto& bar : bars_) {
        bar->markDeleted();
    }
    bars_.clear();
}

}  // namespace tessaly::host::sim
