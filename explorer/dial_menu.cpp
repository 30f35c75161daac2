#include "explorer/dial_menu.h"

#include "explorer/ribbon_definition.h"
#include "explorer/xml_text.h"
#include "host/ribbon.h"
#include "softphone/text.h"

namespace tessaly::explorer {

std::vector<ContactNumber> NumbersOfItem(const std::shared_ptr<host::Item>& item) {
    const auto contact = ContactOf(item);
    return contact ? ReadContactNumbers(*contact) : std::vector<ContactNumber>{};
}

std::u16string DialMenuContent(const std::u16string& menuId,
                               const std::vector<ContactNumber>& numbers,
                               const softphone::Common& texts) {
    std::u16string entries;
    int position = 0;
    for (const ContactNumber& entry : numbers) {
        const auto& kind = texts.aNumberLabels[static_cast<std::size_t>(entry.kind)];
        entries += u"<button" +
                   XmlAttribute(u"id", menuId + u"_" + softphone::DecimalText(++position)) +
                   XmlAttribute(u"label", kind + u": " + entry.number) +
                   XmlAttribute(u"tag", entry.number) +
                   XmlAttribute(u"onAction", ribbon_callbacks::kOnDialNumber) + u"/>";
    }
    if (numbers.empty()) {
        entries = u"<button" + XmlAttribute(u"id", menuId + u"_0") +
                  XmlAttribute(u"label", texts.sNoNumbersText) +
                  XmlAttribute(u"enabled", u"false") + u"/>";
    }
    return std::u16string(u"<menu") + XmlAttribute(u"xmlns", host::kCustomUINamespace2009) + u">" +
           entries + u"</menu>";
}

}  // namespace tessaly::explorer
