#include "harness/outlook/mail.h"

#include <string>

#include "harness/outlook/internal.h"

namespace tessaly::host::sim {

using detail::args;
using detail::returned;

// ---- ExchangeUser, AddressEntry ----------------------------------------------------------

String SimExchangeUser::BusinessTelephoneNumber() {
    world_.check("ExchangeUser.BusinessTelephoneNumber");
    return returned(world_, data_.businessTelephoneNumber);
}

String SimExchangeUser::MobileTelephoneNumber() {
    world_.check("ExchangeUser.MobileTelephoneNumber");
    return returned(world_, data_.mobileTelephoneNumber);
}

String SimExchangeUser::PrimarySmtpAddress() {
    world_.check("ExchangeUser.PrimarySmtpAddress");
    return returned(world_, data_.primarySmtpAddress);
}

SimAddressEntry::SimAddressEntry(World& world, AddressEntryData data)
    : world_(world), data_(std::move(data)) {
    if (data_.exchangeUser) {
        exchangeUser_ = std::make_shared<SimExchangeUser>(world_, *data_.exchangeUser);
    }
}

String SimAddressEntry::read(const char* operation, const String& value) {
    world_.check(operation);
    return returned(world_, value);
}

String SimAddressEntry::Name() {
    return read("AddressEntry.Name", data_.name);
}

String SimAddressEntry::Address() {
    return read("AddressEntry.Address", data_.address);
}

String SimAddressEntry::Type() {
    return read("AddressEntry.Type", data_.type);
}

std::shared_ptr<ContactItem> SimAddressEntry::GetContact() {
    world_.check("AddressEntry.GetContact");
    return returned(world_, std::shared_ptr<ContactItem>(data_.contact));
}

std::shared_ptr<host::ExchangeUser> SimAddressEntry::GetExchangeUser() {
    world_.check("AddressEntry.GetExchangeUser");
    return returned(world_, std::shared_ptr<host::ExchangeUser>(exchangeUser_));
}

// ---- Recipient, Recipients ---------------------------------------------------------------

SimRecipient::SimRecipient(World& world, const RecipientData& data)
    : world_(world),
      entry_(std::make_shared<SimAddressEntry>(world, data.entry)),
      type_(data.type) {}

String SimRecipient::Name() {
    world_.check("Recipient.Name");
    return returned(world_, entry_->data().name);
}

String SimRecipient::Address() {
    world_.check("Recipient.Address");
    return returned(world_, entry_->data().address);
}

std::int32_t SimRecipient::Type() {
    world_.check("Recipient.Type");
    return returned(world_, type_);
}

std::shared_ptr<host::AddressEntry> SimRecipient::AddressEntry() {
    world_.check("Recipient.AddressEntry");
    return returned(world_, std::shared_ptr<host::AddressEntry>(entry_));
}

std::int32_t SimRecipients::Count() {
    world_.check("Recipients.Count");
    return returned(world_, static_cast<std::int32_t>(recipients_.size()));
}

std::shared_ptr<Recipient> SimRecipients::Item(std::int32_t index) {
    const auto arguments = args(index);
    if (index < 1 || index > static_cast<std::int32_t>(recipients_.size())) {
        world_.refuse("Recipients.Item", arguments, kDISP_E_BADINDEX);
    }
    world_.check("Recipients.Item", arguments);
    return returned(world_,
                    std::shared_ptr<Recipient>(recipients_[static_cast<std::size_t>(index - 1)]));
}

// ---- MailItem ----------------------------------------------------------------------------

namespace {

std::vector<std::shared_ptr<SimRecipient>> MakeRecipients(World& world,
                                                          const std::vector<RecipientData>& list) {
    std::vector<std::shared_ptr<SimRecipient>> out;
    out.reserve(list.size());
    for (const RecipientData& data : list) {
        out.push_back(std::make_shared<SimRecipient>(world, data));
    }
    return out;
}

}  // namespace

SimMail::SimMail(World& world, const MailData& data)
    : SimItem(world, u"MailItem", data.subject),
      world_(world),
      sender_(data.sender ? std::make_shared<SimAddressEntry>(world, *data.sender) : nullptr),
      recipients_(std::make_shared<SimRecipients>(world, MakeRecipients(world, data.recipients))) {}

std::shared_ptr<AddressEntry> SimMail::Sender() {
    world_.check("MailItem.Sender");
    return returned(world_, std::shared_ptr<AddressEntry>(sender_));
}

std::shared_ptr<host::Recipients> SimMail::Recipients() {
    world_.check("MailItem.Recipients");
    return returned(world_, std::shared_ptr<host::Recipients>(recipients_));
}

// ---- The session's user ------------------------------------------------------------------

std::shared_ptr<Recipient> SimNameSpace::CurrentUser() {
    const auto& user = world_.currentUser();
    if (!user) {
        // Outlook has a user once logged on; a profile without one models no session.
        world_.refuse("NameSpace.CurrentUser");
    }
    world_.check("NameSpace.CurrentUser");
    return returned(world_, std::shared_ptr<Recipient>(user));
}

std::shared_ptr<SimMail> World::AddMail(SimFolder& folder, const MailData& mail) {
    auto item = std::make_shared<SimMail>(*this, mail);
    folder.add(item);
    return item;
}

std::shared_ptr<SimRecipient> World::SetCurrentUser(const AddressEntryData& user) {
    currentUser_ = std::make_shared<SimRecipient>(*this, RecipientData{user, olOriginator});
    return currentUser_;
}

}  // namespace tessaly::host::sim
