// The Office command bar objects of an Explorer window, as the add-in uses them.
// Every call may throw Error; optional arguments left out are std::nullopt.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "host/events.h"
#include "host/object.h"
#include "platform/picture.h"

namespace tessaly::host {

// Values of the Office enumerations that the add-in passes.
inline constexpr std::int32_t msoControlButton = 1;
inline constexpr std::int32_t msoControlComboBox = 4;
inline constexpr std::int32_t msoButtonCaption = 2;
inline constexpr std::int32_t msoButtonIconAndCaption = 3;
inline constexpr std::int32_t msoComboNormal = 0;
inline constexpr std::int32_t msoBarTop = 1;
inline constexpr std::int32_t msoBarNoCustomize = 1;

class CommandBar;
class CommandBarButton;
class CommandBarComboBox;

// A button's face and mask are pictures that the platform's resources service made.
using platform::Picture;

class CommandBarControl : public Object {
  public:
    virtual std::int32_t Type() = 0;
    virtual std::shared_ptr<CommandBar> Parent() = 0;
    virtual std::int32_t Index() = 0;
    // The destination is a bar object, as Office requires (a bar's name is a type mismatch
    // there); nothing moves the control within its own bar.
    virtual void Move(const std::shared_ptr<CommandBar>& bar,
                      std::optional<std::int32_t> before) = 0;
    virtual void Delete(std::optional<bool> temporary) = 0;

    virtual String Tag() = 0;
    virtual void SetTag(const String& value) = 0;
    virtual bool Visible() = 0;
    virtual void SetVisible(bool value) = 0;
    virtual bool BeginGroup() = 0;
    virtual void SetBeginGroup(bool value) = 0;
    virtual bool Enabled() = 0;
    virtual void SetEnabled(bool value) = 0;
    virtual String Caption() = 0;
    virtual void SetCaption(const String& value) = 0;
    virtual String TooltipText() = 0;
    virtual void SetTooltipText(const String& value) = 0;
    virtual std::int32_t Width() = 0;
    virtual void SetWidth(std::int32_t value) = 0;
};

struct CommandBarButtonEvents {
    // Ctrl is the button the user actually clicked, which need not be the subscribed one.
    std::function<void(const std::shared_ptr<CommandBarButton>& Ctrl, bool& CancelDefault)> Click;
};

class CommandBarButton : public virtual CommandBarControl {
  public:
    using Events = CommandBarButtonEvents;
    virtual void SetStyle(std::int32_t value) = 0;
    virtual void SetPicture(const std::shared_ptr<Picture>& value) = 0;
    virtual void SetMask(const std::shared_ptr<Picture>& value) = 0;
    virtual Subscription Advise(std::shared_ptr<const Events> sink) = 0;
};

struct CommandBarComboBoxEvents {
    std::function<void(const std::shared_ptr<CommandBarComboBox>& Ctrl)> Change;
};

class CommandBarComboBox : public virtual CommandBarControl {
  public:
    using Events = CommandBarComboBoxEvents;
    virtual void SetStyle(std::int32_t value) = 0;
    virtual void SetDropDownLines(std::int32_t value) = 0;
    virtual void Clear() = 0;
    virtual void AddItem(const String& text, std::optional<std::int32_t> index) = 0;
    virtual std::int32_t ListCount() = 0;
    virtual std::int32_t ListIndex() = 0;
    virtual void SetListIndex(std::int32_t value) = 0;
    virtual String List(std::int32_t index) = 0;
    virtual String Text() = 0;
    virtual void SetText(const String& value) = 0;
    virtual Subscription Advise(std::shared_ptr<const Events> sink) = 0;
};

class CommandBarControls : public Object {
  public:
    virtual std::int32_t Count() = 0;
    // Parameter (a variant in Office) is never passed by the add-in and is left out.
    virtual std::shared_ptr<CommandBarControl> Add(std::optional<std::int32_t> type,
                                                   std::optional<std::int32_t> id,
                                                   std::optional<std::int32_t> before,
                                                   std::optional<bool> temporary) = 0;
};

class CommandBar : public Object {
  public:
    virtual String Name() = 0;
    virtual std::shared_ptr<CommandBarControls> Controls() = 0;
    virtual void Delete() = 0;
    // Returns nothing when no control matches.
    virtual std::shared_ptr<CommandBarControl> FindControl(std::optional<std::int32_t> type,
                                                           std::optional<std::int32_t> id,
                                                           std::optional<String> tag,
                                                           std::optional<bool> visible,
                                                           std::optional<bool> recursive) = 0;

    virtual bool AdaptiveMenu() = 0;
    virtual void SetAdaptiveMenu(bool value) = 0;
    virtual bool Enabled() = 0;
    virtual void SetEnabled(bool value) = 0;
    virtual bool Visible() = 0;
    virtual void SetVisible(bool value) = 0;
    virtual std::int32_t RowIndex() = 0;
    virtual void SetRowIndex(std::int32_t value) = 0;
    virtual std::int32_t Position() = 0;
    virtual void SetPosition(std::int32_t value) = 0;
    virtual std::int32_t Top() = 0;
    virtual void SetTop(std::int32_t value) = 0;
    virtual std::int32_t Left() = 0;
    virtual void SetLeft(std::int32_t value) = 0;
    virtual std::int32_t Width() = 0;
    virtual void SetWidth(std::int32_t value) = 0;
    virtual std::int32_t Height() = 0;
    virtual void SetHeight(std::int32_t value) = 0;
    virtual std::int32_t Protection() = 0;
    virtual void SetProtection(std::int32_t value) = 0;
};

struct CommandBarsEvents {
    std::function<void()> OnUpdate;
};

class CommandBars : public Object {
  public:
    using Events = CommandBarsEvents;
    // Throws when the window has no bar of that name.
    virtual std::shared_ptr<CommandBar> Item(const String& name) = 0;
    virtual std::shared_ptr<CommandBar> Add(std::optional<String> name,
                                            std::optional<std::int32_t> position,
                                            std::optional<bool> menuBar,
                                            std::optional<bool> temporary) = 0;
    // Searches every bar of the window; returns nothing when no control matches.
    virtual std::shared_ptr<CommandBarControl> FindControl(std::optional<std::int32_t> type,
                                                           std::optional<std::int32_t> id,
                                                           std::optional<String> tag,
                                                           std::optional<bool> visible) = 0;
    virtual void SetAdaptiveMenus(bool value) = 0;
    virtual Subscription Advise(std::shared_ptr<const Events> sink) = 0;
};

}  // namespace tessaly::host
