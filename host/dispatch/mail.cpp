#include "host/dispatch/mail.h"

#include "host/dispatch/outlook.h"

namespace tessaly::host::dispatch {

std::shared_ptr<host::AddressEntry> WrapAddressEntry(ComPtr<IDispatch> object) {
    return wrap<AddressEntry, host::AddressEntry>(std::move(object));
}

std::shared_ptr<host::Recipient> WrapRecipient(ComPtr<IDispatch> object) {
    return wrap<Recipient, host::Recipient>(std::move(object));
}

std::shared_ptr<host::Recipients> WrapRecipients(ComPtr<IDispatch> object) {
    return wrap<Recipients, host::Recipients>(std::move(object));
}

// ExchangeUser

String ExchangeUser::BusinessTelephoneNumber() {
    return object_.get(u"BusinessTelephoneNumber").toString();
}

String ExchangeUser::MobileTelephoneNumber() {
    return object_.get(u"MobileTelephoneNumber").toString();
}

String ExchangeUser::PrimarySmtpAddress() {
    return object_.get(u"PrimarySmtpAddress").toString();
}

// AddressEntry

String AddressEntry::Name() {
    return object_.get(u"Name").toString();
}

String AddressEntry::Address() {
    return object_.get(u"Address").toString();
}

String AddressEntry::Type() {
    return object_.get(u"Type").toString();
}

std::shared_ptr<ContactItem> AddressEntry::GetContact() {
    return WrapContact(object_.call(u"GetContact").toDispatch());
}

std::shared_ptr<host::ExchangeUser> AddressEntry::GetExchangeUser() {
    return wrap<ExchangeUser, host::ExchangeUser>(object_.call(u"GetExchangeUser").toDispatch());
}

// Recipient, Recipients

String Recipient::Name() {
    return object_.get(u"Name").toString();
}

String Recipient::Address() {
    return object_.get(u"Address").toString();
}

std::int32_t Recipient::Type() {
    return object_.get(u"Type").toInt32();
}

std::shared_ptr<host::AddressEntry> Recipient::AddressEntry() {
    return WrapAddressEntry(object_.get(u"AddressEntry").toDispatch());
}

std::int32_t Recipients::Count() {
    return object_.get(u"Count").toInt32();
}

std::shared_ptr<host::Recipient> Recipients::Item(std::int32_t index) {
    return WrapRecipient(object_.call(u"Item", {index}).toDispatch());
}

}  // namespace tessaly::host::dispatch
