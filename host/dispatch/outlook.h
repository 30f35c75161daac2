// The Outlook objects the add-in uses, reached through late-bound IDispatch. Each adapter
// owns one DispatchObject (whose DISPIDs are shared by every object of its type) and reports
// the COM identity of the object it wraps.
#pragma once

#include <oaidl.h>

#include <memory>
#include <optional>

#include "host/dispatch/event_ids.h"
#include "host/dispatch/late_binding.h"
#include "host/mail.h"
#include "host/outlook.h"

namespace tessaly::host::dispatch {

// Each returns an empty pointer for a null object.
std::shared_ptr<host::Application> WrapApplication(ComPtr<IDispatch> object);
std::shared_ptr<host::Explorers> WrapExplorers(ComPtr<IDispatch> object);
std::shared_ptr<host::Explorer> WrapExplorer(ComPtr<IDispatch> object);
std::shared_ptr<host::Selection> WrapSelection(ComPtr<IDispatch> object);
// Every item gets the adapter of every kind of item: the members of another kind fail, as
// they do in late-bound code.
std::shared_ptr<host::Item> WrapItem(ComPtr<IDispatch> object);
std::shared_ptr<host::ContactItem> WrapContact(ComPtr<IDispatch> object);
std::shared_ptr<host::NameSpace> WrapNameSpace(ComPtr<IDispatch> object);
std::shared_ptr<host::MAPIFolder> WrapFolder(ComPtr<IDispatch> object);
std::shared_ptr<host::Inspector> WrapInspector(ComPtr<IDispatch> object);

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

class Explorer final : public host::Explorer {
  public:
    explicit Explorer(DispatchObject object) : object_(std::move(object)) {}
    std::shared_ptr<host::CommandBars> CommandBars() override;
    std::shared_ptr<host::Selection> Selection() override;
    std::shared_ptr<host::NameSpace> Session() override;
    // Only folders this DLL wrapped can be assigned; others are E_INVALIDARG.
    void SetCurrentFolder(const std::shared_ptr<host::MAPIFolder>& folder) override;
    // On ExplorerEvents_10, or on ExplorerEvents where the window has only those.
    Subscription Advise(std::shared_ptr<const Events> sink) override;
    const void* Identity() const noexcept override { return object_.identity(); }

  private:
    DispatchObject object_;
};

class Selection final : public host::Selection {
  public:
    explicit Selection(DispatchObject object) : object_(std::move(object)) {}
    std::int32_t Count() override;
    std::shared_ptr<host::Item> Item(std::int32_t index) override;
    std::shared_ptr<host::Explorer> Parent() override;
    const void* Identity() const noexcept override { return object_.identity(); }

  private:
    DispatchObject object_;
};

class OutlookItem final : public host::ContactItem, public host::MailItem {
  public:
    explicit OutlookItem(DispatchObject object) : object_(std::move(object)) {}
    // Asked once: an item does not change its type.
    String TypeName() override;
    String BusinessTelephoneNumber() override;
    String Business2TelephoneNumber() override;
    String MobileTelephoneNumber() override;
    String HomeTelephoneNumber() override;
    String Home2TelephoneNumber() override;
    String CallbackTelephoneNumber() override;
    String CarTelephoneNumber() override;
    String AssistantTelephoneNumber() override;
    String CompanyMainTelephoneNumber() override;
    std::shared_ptr<host::AddressEntry> Sender() override;
    std::shared_ptr<host::Recipients> Recipients() override;
    const void* Identity() const noexcept override { return object_.identity(); }

  private:
    String text(std::u16string_view name);

    DispatchObject object_;
    std::optional<String> typeName_;
};

class NameSpace final : public host::NameSpace {
  public:
    explicit NameSpace(DispatchObject object) : object_(std::move(object)) {}
    std::shared_ptr<host::MAPIFolder> GetDefaultFolder(std::int32_t folderType) override;
    std::shared_ptr<host::Recipient> CurrentUser() override;
    const void* Identity() const noexcept override { return object_.identity(); }

  private:
    DispatchObject object_;
};

// Handed back to the Explorer, or searched.
class MAPIFolder final : public host::MAPIFolder {
  public:
    explicit MAPIFolder(DispatchObject object) : object_(std::move(object)) {}
    std::shared_ptr<host::Items> Items() override;
    IDispatch* get() const noexcept { return object_.get(); }
    const void* Identity() const noexcept override { return object_.identity(); }

  private:
    DispatchObject object_;
};

class Items final : public host::Items {
  public:
    explicit Items(DispatchObject object) : object_(std::move(object)) {}
    std::shared_ptr<host::Item> Find(const String& filter) override;
    const void* Identity() const noexcept override { return object_.identity(); }

  private:
    DispatchObject object_;
};

class Inspector final : public host::Inspector {
  public:
    explicit Inspector(DispatchObject object) : object_(std::move(object)) {}
    std::shared_ptr<host::Item> CurrentItem() override;
    std::shared_ptr<host::NameSpace> Session() override;
    // On InspectorEvents_10, or on InspectorEvents where the window has only those.
    Subscription Advise(std::shared_ptr<const Events> sink) override;
    const void* Identity() const noexcept override { return object_.identity(); }

  private:
    DispatchObject object_;
};

}  // namespace tessaly::host::dispatch
