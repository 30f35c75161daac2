// The Outlook objects of a mail and of the people behind it: its sender and recipients, the
// address book entries they stand for, and an Exchange user's details. Every call may throw
// Error.
#pragma once

#include <cstdint>
#include <memory>

#include "host/object.h"
#include "host/outlook.h"

namespace tessaly::host {

inline constexpr std::int32_t olTo = 1;

class ExchangeUser : public Object {
  public:
    virtual String BusinessTelephoneNumber() = 0;
    virtual String MobileTelephoneNumber() = 0;
    virtual String PrimarySmtpAddress() = 0;
};

// An entry of an address book: a person or list as a mail names them.
class AddressEntry : public Object {
  public:
    virtual String Name() = 0;
    // For Type "SMTP" an internet address; for "EX" an Exchange one, not an SMTP address.
    virtual String Address() = 0;
    virtual String Type() = 0;
    // The contact an entry of the Contacts address book stands for; else nothing.
    virtual std::shared_ptr<ContactItem> GetContact() = 0;
    // The Exchange user an Exchange entry stands for; else nothing.
    virtual std::shared_ptr<host::ExchangeUser> GetExchangeUser() = 0;
};

class Recipient : public Object {
  public:
    virtual String Name() = 0;
    virtual String Address() = 0;
    virtual std::int32_t Type() = 0;  // olTo, ...
    virtual std::shared_ptr<host::AddressEntry> AddressEntry() = 0;
};

class Recipients : public Object {
  public:
    virtual std::int32_t Count() = 0;
    virtual std::shared_ptr<Recipient> Item(std::int32_t index) = 0;  // 1-based
};

class MailItem : public virtual Item {
  public:
    // Nothing on a mail not sent yet.
    virtual std::shared_ptr<AddressEntry> Sender() = 0;
    virtual std::shared_ptr<host::Recipients> Recipients() = 0;
};

}  // namespace tessaly::host
