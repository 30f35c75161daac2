// The people behind a mail in the in-memory Outlook: mails with their sender and recipients,
// the address book entries these stand for (a contact of the Contacts address book, an
// Exchange user), the session's current user, and the search of a folder's items.
//
// As in Outlook, a mail the user sent has a sender equal to the current user in every value
// but is another object, and a mail not sent yet has no sender. Every member the add-in
// calls goes through the world's fault check and trace ("MailItem.Sender",
// "AddressEntry.GetContact", "Items.Find(\"...\")").
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "harness/outlook/sim_host.h"
#include "host/mail.h"

namespace tessaly::host::sim {

// OlMailRecipientType; olTo is in host/mail.h.
inline constexpr std::int32_t olOriginator = 0;
inline constexpr std::int32_t olCC = 2;
inline constexpr std::int32_t olBCC = 3;

inline constexpr const char16_t* kSmtpType = u"SMTP";
inline constexpr const char16_t* kExchangeType = u"EX";

struct ExchangeUserData {
    String businessTelephoneNumber;
    String mobileTelephoneNumber;
    String primarySmtpAddress;
};

struct AddressEntryData {
    String name;
    String address;                       // an SMTP address for "SMTP", an Exchange one for "EX"
    String type = kSmtpType;              // "SMTP" or "EX"
    std::shared_ptr<SimContact> contact;  // set for an entry of the Contacts book
    std::optional<ExchangeUserData> exchangeUser;  // set for an Exchange user's entry
};

struct RecipientData {
    AddressEntryData entry;
    std::int32_t type = olTo;  // olTo, olCC or olBCC
};

struct MailData {
    String subject;                          // the item's name
    std::optional<AddressEntryData> sender;  // nothing: not sent yet (a draft)
    std::vector<RecipientData> recipients;
};

class SimExchangeUser final : public ExchangeUser, public ModelObject {
  public:
    SimExchangeUser(World& world, ExchangeUserData data) : world_(world), data_(std::move(data)) {}
    std::string traceType() const override { return "ExchangeUser"; }
    String BusinessTelephoneNumber() override;
    String MobileTelephoneNumber() override;
    String PrimarySmtpAddress() override;
    const ExchangeUserData& data() const { return data_; }

  private:
    World& world_;
    ExchangeUserData data_;
};

class SimAddressEntry final : public AddressEntry, public ModelObject {
  public:
    SimAddressEntry(World& world, AddressEntryData data);
    std::string traceType() const override { return "AddressEntry"; }
    String Name() override;
    String Address() override;
    String Type() override;
    std::shared_ptr<ContactItem> GetContact() override;              // nothing when none
    std::shared_ptr<host::ExchangeUser> GetExchangeUser() override;  // nothing when none
    const AddressEntryData& data() const { return data_; }

  private:
    String read(const char* operation, const String& value);
    World& world_;
    AddressEntryData data_;
    std::shared_ptr<SimExchangeUser> exchangeUser_;
};

class SimRecipient final : public Recipient, public ModelObject {
  public:
    SimRecipient(World& world, const RecipientData& data);
    std::string traceType() const override { return "Recipient"; }
    // The entry's name and address, as Outlook's resolved recipients give them.
    String Name() override;
    String Address() override;
    std::int32_t Type() override;
    std::shared_ptr<host::AddressEntry> AddressEntry() override;
    const std::shared_ptr<SimAddressEntry>& entry() const { return entry_; }
    std::int32_t type() const { return type_; }

  private:
    World& world_;
    std::shared_ptr<SimAddressEntry> entry_;
    std::int32_t type_;
};

class SimRecipients final : public Recipients, public ModelObject {
  public:
    SimRecipients(World& world, std::vector<std::shared_ptr<SimRecipient>> recipients)
        : world_(world), recipients_(std::move(recipients)) {}
    std::string traceType() const override { return "Recipients"; }
    std::int32_t Count() override;
    std::shared_ptr<Recipient> Item(std::int32_t index) override;  // 1-based
    const std::vector<std::shared_ptr<SimRecipient>>& list() const { return recipients_; }

  private:
    World& world_;
    std::vector<std::shared_ptr<SimRecipient>> recipients_;
};

// A mail: its subject is the item's name and its type name "MailItem".
class SimMail final : public SimItem, public MailItem {
  public:
    SimMail(World& world, const MailData& data);
    std::shared_ptr<AddressEntry> Sender() override;  // nothing while not sent
    std::shared_ptr<host::Recipients> Recipients() override;
    const std::shared_ptr<SimAddressEntry>& sender() const { return sender_; }
    const std::vector<std::shared_ptr<SimRecipient>>& recipients() const {
        return recipients_->list();
    }

  private:
    World& world_;
    std::shared_ptr<SimAddressEntry> sender_;
    std::shared_ptr<SimRecipients> recipients_;
};

// The items of a folder, as MAPIFolder.Items gives them. Find reads the folder's model
// directly: one call of the object model, whatever the folder holds.
class SimItems final : public Items, public ModelObject {
  public:
    SimItems(World& world, std::shared_ptr<const SimFolder> folder)
        : world_(world), folder_(std::move(folder)) {}
    std::string traceType() const override { return "Items"; }
    // The first item in folder order that matches (see find_filter.h); a condition the
    // model cannot read fails with E_INVALIDARG, as Outlook refuses one it cannot parse.
    std::shared_ptr<Item> Find(const String& filter) override;

  private:
    World& world_;
    std::shared_ptr<const SimFolder> folder_;
};

}  // namespace tessaly::host::sim
