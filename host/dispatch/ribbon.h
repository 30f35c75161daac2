// The ribbon's objects that Office hands to the add-in's callbacks, reached through IDispatch
// by the DISPIDs of their dual interfaces: no name is looked up, and every call is one Invoke.
#pragma once

#include <oaidl.h>

#include <memory>

#include "host/dispatch/late_binding.h"
#include "host/ribbon.h"

namespace tessaly::host::dispatch {

// Each returns an empty pointer for a null object.
std::shared_ptr<host::RibbonControl> WrapRibbonControl(ComPtr<IDispatch> object);
std::shared_ptr<host::RibbonUI> WrapRibbonUI(ComPtr<IDispatch> object);

class RibbonControl final : public host::RibbonControl {
  public:
    explicit RibbonControl(DispatchObject object) : object_(std::move(object)) {}
    String Id() override;
    // The window's Explorer, as the Explorer adapter: its identity is the host object's, so
    // it compares equal to the adapter the add-in holds for that window.
    std::shared_ptr<Object> Context() override;
    // The Context wrapped as the adapter of that kind.
    std::shared_ptr<Object> ContextAs(ContextKind kind) override;
    String Tag() override;
    const void* Identity() const noexcept override { return object_.identity(); }

  private:
    DispatchObject object_;
};

// Holds its IRibbonUI exactly as long as the add-in holds the adapter.
class RibbonUI final : public host::RibbonUI {
  public:
    explicit RibbonUI(DispatchObject object) : object_(std::move(object)) {}
    void Invalidate() override;
    void InvalidateControl(const String& controlId) override;
    const void* Identity() const noexcept override { return object_.identity(); }

  private:
    DispatchObject object_;
};

}  // namespace tessaly::host::dispatch
