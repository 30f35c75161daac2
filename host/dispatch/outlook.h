// The Outlook objects the add-in uses, reached through late-bound IDispatch. Each adapter
// owns one DispatchObject (and with it the DISPID cache of that object) and reports the COM
// identity of the object it wraps.
#pragma once

#include <oaidl.h>

#include <memory>

#include "host/dispatch/late_binding.h"
#include "host/outlook.h"

namespace tessaly::host::dispatch {

// ExplorersEvents.
inline constexpr IID DIID_ExplorersEvents = {
    0x00063078, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr DISPID kDispNewExplorer = 0xF001;

// Each returns an empty pointer for a null object.
std::shared_ptr<host::Application> WrapApplication(ComPtr<IDispatch> object);
std::shared_ptr<host::Explorers> WrapExplorers(ComPtr<IDispatch> object);
std::shared_ptr<host::Explorer> WrapExplorer(ComPtr<IDispatch> object);

class Application final : public host::Application {
  public:
    explicit Application(ComPtr<IDispatch> object) : object_(std::move(object)) {}
    std::shared_ptr<host::Explorers> Explorers() override;
    const void* Identity() const noexcept override { return object_.identity(); }

  private:
    DispatchObject object_;
};

class Explorers final : public host::Explorers {
  public:
    explicit Explorers(ComPtr<IDispatch> object) : object_(std::move(object)) {}
    std::int32_t Count() override;
    std::shared_ptr<host::Explorer> Item(std::int32_t index) override;
    Subscription Advise(std::shared_ptr<const Events> sink) override;
    const void* Identity() const noexcept override { return object_.identity(); }

  private:
    DispatchObject object_;
};

// Stands for an Explorer window until its adapter exists: it keeps the window's identity,
// and every call fails with E_NOTIMPL, which the core treats like a window that is not
// ready.
class PlaceholderExplorer final : public host::Explorer {
  public:
    explicit PlaceholderExplorer(ComPtr<IDispatch> object) : object_(std::move(object)) {}
    std::shared_ptr<host::CommandBars> CommandBars() override;
    std::shared_ptr<host::Selection> Selection() override;
    std::shared_ptr<NameSpace> Session() override;
    void SetCurrentFolder(const std::shared_ptr<MAPIFolder>& folder) override;
    Subscription Advise(std::shared_ptr<const Events> sink) override;
    const void* Identity() const noexcept override { return object_.identity(); }

  private:
    DispatchObject object_;
};

}  // namespace tessaly::host::dispatch
