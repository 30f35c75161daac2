// pugixml reads the UTF-16 text as it comes (a BSTR from the add-in) and reports where a
// document stops being well-formed.
#include "harness/outlook/pugixml/pugixml_parser.h"

#include <pugixml.hpp>
#include <vector>

#include "platform/utf.h"

namespace tessaly::host::sim {
namespace {

XmlElement Convert(const pugi::xml_node& node) {
    XmlElement element;
    element.name = platform::fromUtf8(node.name());
    for (const pugi::xml_attribute& attribute : node.attributes()) {
        element.attributes.emplace_back(platform::fromUtf8(attribute.name()),
                                        platform::fromUtf8(attribute.value()));
    }
    for (const pugi::xml_node& child : node.children()) {
        if (child.type() == pugi::node_element) {
            element.children.push_back(Convert(child));
        }
    }
    return element;
}

class PugiXmlParser : public XmlParser {
  protected:
    XmlElement ParseValid(std::u16string_view text) override {
        pugi::xml_document document;
        const pugi::xml_parse_result result = document.load_buffer(
            text.data(), text.size() * sizeof(char16_t),
            pugi::parse_default | pugi::parse_declaration, pugi::encoding_utf16);
        if (!result) {
            throw XmlError(result.description());
        }
        // pugixml accepts a fragment; a document has exactly one element and no text around it.
        std::vector<pugi::xml_node> roots;
        for (const pugi::xml_node& child : document.children()) {
            if (child.type() == pugi::node_element) {
                roots.push_back(child);
            } else if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) {
                throw XmlError("text outside the document element");
            }
        }
        if (roots.size() != 1) {
            throw XmlError(roots.empty() ? "no document element"
                                         : "more than one document element");
        }
        return Convert(roots.front());
    }
};

}  // namespace

std::unique_ptr<XmlParser> MakePugiXmlParser() {
    return std::make_unique<PugiXmlParser>();
}

}  // namespace tessaly::host::sim
