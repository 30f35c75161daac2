#include <algorithm>
#include <iterator>
#include <string>

#include "harness/outlook/internal.h"
#include "host/mail.h"

namespace tessaly::host::sim {

using detail::args;
using detail::returned;

std::shared_ptr<Item> SimFolder::findItem(const String& name) const {
    for (const auto& item : items_) {
        if (ItemName(*item) == name) {
            return item;
        }
    }
    return nullptr;
}

FolderKind SimFolder::kind() const {
    if (kind_) {
        return *kind_;
    }
    return world_.defaultContactsFolder().get() == this ? FolderKind::Contacts : FolderKind::Mail;
}

String ItemTypeName(const Item& item) {
    if (dynamic_cast<const ContactItem*>(&item) != nullptr) {
        return u"ContactItem";
    }
    if (const auto* other = dynamic_cast<const SimItem*>(&item)) {
        return other->typeName();
    }
    return dynamic_cast<const MailItem*>(&item) != nullptr ? u"MailItem" : u"Item";
}

String ItemName(const Item& item) {
    if (const auto* contact = dynamic_cast<const SimContact*>(&item)) {
        return contact->name();
    }
    if (const auto* other = dynamic_cast<const SimItem*>(&item)) {
        return other->name();
    }
    return u"?";
}

SimItem::SimItem(World& world, String typeName, String name)
    : world_(world), typeName_(std::move(typeName)), name_(std::move(name)) {}

String SimItem::TypeName() {
    world_.check("Item.TypeName");
    return returned(world_, typeName_);
}

std::string SimItem::traceType() const {
    return platform::toPrintableUtf8(typeName_);
}

SimContact::SimContact(World& world, String name, std::map<String, String> numbers)
    : world_(world), name_(std::move(name)), numbers_(std::move(numbers)) {}

String SimContact::TypeName() {
    world_.check("Item.TypeName");
    return returned(world_, String(u"ContactItem"));
}

String SimContact::number(const String& property) const {
    const auto it = numbers_.find(property);
    return it == numbers_.end() ? String() : it->second;
}

bool SimContact::setNumber(const String& property, const String& value) {
    const bool known = std::any_of(std::begin(kTelephoneProperties), std::end(kTelephoneProperties),
                                   [&](const char16_t* p) { return property == p; });
    if (known) {
        numbers_[property] = value;
    }
    return known;
}

String SimContact::read(const char* operation, const char16_t* property) {
    world_.check(operation);
    return returned(world_, number(property));
}

String SimContact::BusinessTelephoneNumber() {
    return read("ContactItem.BusinessTelephoneNumber", u"BusinessTelephoneNumber");
}
String SimContact::Business2TelephoneNumber() {
    return read("ContactItem.Business2TelephoneNumber", u"Business2TelephoneNumber");
}
String SimContact::MobileTelephoneNumber() {
    return read("ContactItem.MobileTelephoneNumber", u"MobileTelephoneNumber");
}
String SimContact::HomeTelephoneNumber() {
    return read("ContactItem.HomeTelephoneNumber", u"HomeTelephoneNumber");
}
String SimContact::Home2TelephoneNumber() {
    return read("ContactItem.Home2TelephoneNumber", u"Home2TelephoneNumber");
}
String SimContact::CallbackTelephoneNumber() {
    return read("ContactItem.CallbackTelephoneNumber", u"CallbackTelephoneNumber");
}
String SimContact::CarTelephoneNumber() {
    return read("ContactItem.CarTelephoneNumber", u"CarTelephoneNumber");
}
String SimContact::AssistantTelephoneNumber() {
    return read("ContactItem.AssistantTelephoneNumber", u"AssistantTelephoneNumber");
}
String SimContact::CompanyMainTelephoneNumber() {
    return read("ContactItem.CompanyMainTelephoneNumber", u"CompanyMainTelephoneNumber");
}

SimSelection::SimSelection(World& world, std::vector<std::shared_ptr<host::Item>> items,
                           std::weak_ptr<SimExplorer> parent)
    : world_(world), items_(std::move(items)), parent_(std::move(parent)) {}

std::shared_ptr<Explorer> SimSelection::Parent() {
    world_.check("Selection.Parent");
    return returned(world_, std::shared_ptr<Explorer>(parent_.lock()));
}

std::int32_t SimSelection::Count() {
    world_.check("Selection.Count");
    return returned(world_, static_cast<std::int32_t>(items_.size()));
}

std::shared_ptr<host::Item> SimSelection::Item(std::int32_t index) {
    const auto arguments = args(index);
    if (index < 1 || index > static_cast<std::int32_t>(items_.size())) {
        world_.refuse("Selection.Item", arguments, kDISP_E_BADINDEX);
    }
    world_.check("Selection.Item", arguments);
    return returned(world_, items_[static_cast<std::size_t>(index - 1)]);
}

std::shared_ptr<MAPIFolder> SimNameSpace::GetDefaultFolder(std::int32_t folderType) {
    const auto arguments = args(folderType);
    if (folderType != olFolderContacts || !world_.defaultContactsFolder()) {
        // Outlook has more default folders, but the model only knows the contacts folder.
        world_.refuse("NameSpace.GetDefaultFolder", arguments, kE_INVALIDARG);
    }
    world_.check("NameSpace.GetDefaultFolder", arguments);
    return returned(world_, world_.defaultContactsFolder());
}

}  // namespace tessaly::host::sim
