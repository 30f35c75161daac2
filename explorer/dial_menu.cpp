#include "explorer/dial_menu.h"

#include "explorer/ribbon_definition.h"
#include "explorer/xml_text.h"
#include "host/ribbon.h"
#include "platform/error.h"
#include "softphone/text.h"

namespace tessaly::explorer {
namespace {

// The item as the kind its type name says it is.
template <class Kind>
Kind& AsKind(const std::shared_ptr<host::Item>& item) {
    auto* kind = dynamic_cast<Kind*>(item.get());
    if (!kind) {
        throw Error(kDISP_E_TYPEMISMATCH, "the item is not of the kind its type names");
    }
    return *kind;
}

}  // namespace

DialMenuEntries EntriesOfItem(const std::shared_ptr<host::Item>& item, const SessionOf& session) {
    const std::u16string type = must(item).TypeName();
    if (type == u"ContactItem") {
        return {{}, ReadContactNumbers(AsKind<host::ContactItem>(item))};
    }
    if (type != u"MailItem") {
        return {};
    }
    const auto person = PersonOfMail(AsKind<host::MailItem>(item), session);
    if (!person) {
        return {};
    }
    DialMenuEntries entries{person->Name(), {}};
    entries.numbers = NumbersOfPerson(*person, session);
    return entries;
}

std::u16string DialMenuContent(const std::u16string& menuId, const DialMenuEntries& menu,
                               const softphone::Common& texts) {
    std::u16string entries;
    int position = 0;
    const std::u16string screentip =
        menu.person.empty() ? std::u16string{} : XmlAttribute(u"screentip", menu.person);
    for (const ContactNumber& entry : menu.numbers) {
        const auto& kind = texts.aNumberLabels[static_cast<std::size_t>(entry.kind)];
        entries += u"<button" +
                   XmlAttribute(u"id", menuId + u"_" + softphone::DecimalText(++position)) +
                   XmlAttribute(u"label", kind + u": " + entry.number) + screentip +
                   XmlAttribute(u"tag", entry.number) +
                   XmlAttribute(u"onAction", ribbon_callbacks::kOnDialNumber) + u"/>";
    }
    if (menu.numbers.empty()) {
        entries = u"<button" + XmlAttribute(u"id", menuId + u"_0") +
                  XmlAttribute(u"label", texts.sNoNumbersText) + screentip +
                  XmlAttribute(u"enabled", u"false") + u"/>";
    }
    return std::u16string(u"<menu") + XmlAttribute(u"xmlns", host::kCustomUINamespace2009) + u">" +
           entries + u"</menu>";
}

}  // namespace tessaly::explorer
