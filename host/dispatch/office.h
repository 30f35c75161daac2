// The Office command bar objects of an Explorer window, reached through late-bound IDispatch.
// A control is wrapped by its Type: buttons and combo boxes get adapters of their own kind
// (the core tells them apart with dynamic casts), every other control a plain one.
#pragma once

#include <windows.h>

#include <oaidl.h>

#include <memory>

#include "host/dispatch/event_ids.h"
#include "host/dispatch/late_binding.h"
#include "host/office.h"

namespace tessaly::host::dispatch {

// Each returns an empty pointer for a null object.
std::shared_ptr<host::CommandBars> WrapCommandBars(ComPtr<IDispatch> object);
std::shared_ptr<host::CommandBar> WrapCommandBar(ComPtr<IDispatch> object);
// Asks the control for its Type to choose the adapter.
std::shared_ptr<host::CommandBarControl> WrapControl(ComPtr<IDispatch> object);
// For objects known to be of that kind (the Ctrl of a Click or a Change).
std::shared_ptr<host::CommandBarButton> WrapButton(ComPtr<IDispatch> object);
std::shared_ptr<host::CommandBarComboBox> WrapComboBox(ComPtr<IDispatch> object);

class CommandBars final : public host::CommandBars {
  public:
    explicit CommandBars(DispatchObject object) : object_(std::move(object)) {}
    std::shared_ptr<host::CommandBar> Item(const String& name) override;
    std::shared_ptr<host::CommandBar> Add(std::optional<String> name,
                                          std::optional<std::int32_t> position,
                                          std::optional<bool> menuBar,
                                          std::optional<bool> temporary) override;
    std::shared_ptr<host::CommandBarControl> FindControl(std::optional<std::int32_t> type,
                                                         std::optional<std::int32_t> id,
                                                         std::optional<String> tag,
                                                         std::optional<bool> visible) override;
    void SetAdaptiveMenus(bool value) override;
    Subscription Advise(std::shared_ptr<const Events> sink) override;
    const void* Identity() const noexcept override { return object_.identity(); }

  private:
    DispatchObject object_;
};

class CommandBar final : public host::CommandBar {
  public:
    explicit CommandBar(DispatchObject object) : object_(std::move(object)) {}
    // The host's object, for calls that take the bar as an argument.
    IDispatch* dispatch() const noexcept { return object_.get(); }
    String Name() override;
    std::shared_ptr<host::CommandBarControls> Controls() override;
    void Delete() override;
    std::shared_ptr<host::CommandBarControl> FindControl(std::optional<std::int32_t> type,
                                                         std::optional<std::int32_t> id,
                                                         std::optional<String> tag,
                                                         std::optional<bool> visible,
                                                         std::optional<bool> recursive) override;
    bool AdaptiveMenu() override;
    void SetAdaptiveMenu(bool value) override;
    bool Enabled() override;
    void SetEnabled(bool value) override;
    bool Visible() override;
    void SetVisible(bool value) override;
    std::int32_t RowIndex() override;
    void SetRowIndex(std::int32_t value) override;
    std::int32_t Position() override;
    void SetPosition(std::int32_t value) override;
    std::int32_t Top() override;
    void SetTop(std::int32_t value) override;
    std::int32_t Left() override;
    void SetLeft(std::int32_t value) override;
    std::int32_t Width() override;
    void SetWidth(std::int32_t value) override;
    std::int32_t Height() override;
    void SetHeight(std::int32_t value) override;
    std::int32_t Protection() override;
    void SetProtection(std::int32_t value) override;
    const void* Identity() const noexcept override { return object_.identity(); }

  private:
    DispatchObject object_;
};

class CommandBarControls final : public host::CommandBarControls {
  public:
    explicit CommandBarControls(DispatchObject object) : object_(std::move(object)) {}
    std::int32_t Count() override;
    std::shared_ptr<host::CommandBarControl> Add(std::optional<std::int32_t> type,
                                                 std::optional<std::int32_t> id,
                                                 std::optional<std::int32_t> before,
                                                 std::optional<bool> temporary) override;
    const void* Identity() const noexcept override { return object_.identity(); }

  private:
    DispatchObject object_;
};

// The members every control has; the kinds below add their own.
class CommandBarControl : public virtual host::CommandBarControl {
  public:
    explicit CommandBarControl(DispatchObject object) : object_(std::move(object)) {}
    std::int32_t Type() override;
    std::shared_ptr<host::CommandBar> Parent() override;
    std::int32_t Index() override;
    void Move(const std::shared_ptr<host::CommandBar>& bar,
              std::optional<std::int32_t> before) override;
    void Delete(std::optional<bool> temporary) override;
    String Tag() override;
    void SetTag(const String& value) override;
    bool Visible() override;
    void SetVisible(bool value) override;
    bool BeginGroup() override;
    void SetBeginGroup(bool value) override;
    bool Enabled() override;
    void SetEnabled(bool value) override;
    String Caption() override;
    void SetCaption(const String& value) override;
    String TooltipText() override;
    void SetTooltipText(const String& value) override;
    std::int32_t Width() override;
    void SetWidth(std::int32_t value) override;
    const void* Identity() const noexcept override { return object_.identity(); }

  protected:
    DispatchObject object_;
};

class PlainControl final : public CommandBarControl {
  public:
    explicit PlainControl(DispatchObject object) : CommandBarControl(std::move(object)) {}
};

class CommandBarButton final : public CommandBarControl, public host::CommandBarButton {
  public:
    explicit CommandBarButton(DispatchObject object) : CommandBarControl(std::move(object)) {}
    void SetStyle(std::int32_t value) override;
    // Only pictures made by this DLL (win32::Win32Picture) can be passed; others are
    // E_INVALIDARG.
    void SetPicture(const std::shared_ptr<Picture>& value) override;
    void SetMask(const std::shared_ptr<Picture>& value) override;
    Subscription Advise(std::shared_ptr<const Events> sink) override;
};

class CommandBarComboBox final : public CommandBarControl, public host::CommandBarComboBox {
  public:
    explicit CommandBarComboBox(DispatchObject object) : CommandBarControl(std::move(object)) {}
    void SetStyle(std::int32_t value) override;
    void SetDropDownLines(std::int32_t value) override;
    void Clear() override;
    void AddItem(const String& text, std::optional<std::int32_t> index) override;
    std::int32_t ListCount() override;
    std::int32_t ListIndex() override;
    void SetListIndex(std::int32_t value) override;
    String List(std::int32_t index) override;
    String Text() override;
    void SetText(const String& value) override;
    Subscription Advise(std::shared_ptr<const Events> sink) override;
};

}  // namespace tessaly::host::dispatch
