#include "explorer/xml_text.h"

namespace tessaly::explorer {

std::u16string XmlEscaped(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (char16_t c : text) {
        switch (c) {
            case u'&':
                out += u"&amp;";
                break;
            case u'<':
                out += u"&lt;";
                break;
            case u'>':
                out += u"&gt;";
                break;
            case u'"':
                out += u"&quot;";
                break;
            default:
                out.push_back(c);
        }
    }
    return out;
}

std::u16string XmlAttribute(std::u16string_view name, std::u16string_view value) {
    return std::u16string(u" ") + std::u16string(name) + u"=\"" + XmlEscaped(value) + u"\"";
}

}  // namespace tessaly::explorer
