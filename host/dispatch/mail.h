// The address book objects behind a mail, reached through late-bound IDispatch.
#pragma once

#include <oaidl.h>

#include <memory>

#include "host/dispatch/late_binding.h"
#include "host/mail.h"

namespace tessaly::host::dispatch {

// Each returns an empty pointer for a null object.
std::shared_ptr<host::AddressEntry> WrapAddressEntry(ComPtr<IDispatch> object);
std::shared_ptr<host::Recipient> WrapRecipient(ComPtr<IDispatch> object);
std::shared_ptr<host::Recipients> WrapRecipients(ComPtr<IDispatch> object);

class ExchangeUser final : public host::ExchangeUser {
  public:
    explicit ExchangeUser(DispatchObject object) : object_(std::move(object)) {}
    String BusinessTelephoneNumber() override;
    String MobileTelephoneNumber() override;
    String PrimarySmtpAddress() override;
    const void* Identity() const noexcept override { return object_.identity(); }

  private:
    DispatchObject object_;
};

class AddressEntry final : public host::AddressEntry {
  public:
    explicit AddressEntry(DispatchObject object) : object_(std::move(object)) {}
    String Name() override;
    String Address() override;
    String Type() override;
    std::shared_ptr<ContactItem> GetContact() override;
    std::shared_ptr<host::ExchangeUser> GetExchangeUser() override;
    const void* Identity() const noexcept override { return object_.identity(); }

  private:
    DispatchObject object_;
};

class Recipient final : public host::Recipient {
  public:
    explicit Recipient(DispatchObject object) : object_(std::move(object)) {}
    String Name() override;
    String Address() override;
    std::int32_t Type() override;
    std::shared_ptr<host::AddressEntry> AddressEntry() override;
    const void* Identity() const noexcept override { return object_.identity(); }

  private:
    DispatchObject object_;
};

class Recipients final : public host::Recipients {
  public:
    explicit Recipients(DispatchObject object) : object_(std::move(object)) {}
    std::int32_t Count() override;
    std::shared_ptr<host::Recipient> Item(std::int32_t index) override;
    const void* Identity() const noexcept override { return object_.identity(); }

  private:
    DispatchObject object_;
};

}  // namespace tessaly::host::dispatch
