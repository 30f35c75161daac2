// MSXML's DOM reads the UTF-16 text as it comes (a BSTR from the add-in) and says where a
// document stops being well-formed; the elements are copied out of the DOM into XmlElement.
#include "harness/outlook/win32/msxml_parser.h"

#include <msxml2.h>
#include <objbase.h>
#include <oleauto.h>

#include <algorithm>
#include <string>

#include "platform/utf.h"
#include "platform/win32/com/error.h"
#include "platform/win32/com/ptr.h"
#include "platform/win32/com/variant.h"

namespace tessaly::host::sim {
namespace {

using win32::Bstr;
using win32::ComPtr;

// msxml6.dll and msxml3.dll; MinGW's import libraries carry neither class identifier.
constexpr CLSID kDOMDocument60 = {
    0x88D96A05, 0xF192, 0x11D4, {0xA6, 0x5F, 0x00, 0x40, 0x96, 0x32, 0x51, 0xE5}};
constexpr CLSID kDOMDocument30 = {
    0xF5078F32, 0xC551, 0x11D3, {0x89, 0xB9, 0x00, 0x00, 0xF8, 0x1F, 0xE2, 0x21}};

std::u16string Text(const Bstr& text) {
    return std::u16string(reinterpret_cast<const char16_t*>(text.get()), text.length());
}

// A failure of MSXML itself (not of the document): the parser cannot be used.
void Check(HRESULT hr, const char* what) {
    win32::com::Check(hr, what);
}

ComPtr<IXMLDOMDocument> NewDocument() {
    ComPtr<IXMLDOMDocument> document;
    HRESULT hr = E_FAIL;
    for (const CLSID* clsid : {&kDOMDocument60, &kDOMDocument30}) {
        hr = CoCreateInstance(*clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                              document.putVoid());
        if (SUCCEEDED(hr) && document) {
            break;
        }
    }
    Check(hr, "MSXML's DOMDocument cannot be created");
    // The text is the whole document: nothing is fetched, validated or loaded later.
    Check(document->put_async(VARIANT_FALSE), "DOMDocument.async");
    Check(document->put_validateOnParse(VARIANT_FALSE), "DOMDocument.validateOnParse");
    Check(document->put_resolveExternals(VARIANT_FALSE), "DOMDocument.resolveExternals");
    return document;
}

std::string ParseErrorText(IXMLDOMDocument& document) {
    ComPtr<IXMLDOMParseError> error;
    Bstr reason;
    long line = 0;
    long column = 0;
    if (FAILED(document.get_parseError(error.put())) || !error) {
        return "MSXML refused the document";
    }
    static_cast<void>(error->get_reason(reason.put()));
    static_cast<void>(error->get_line(&line));
    static_cast<void>(error->get_linepos(&column));
    std::string text = platform::toPrintableUtf8(Text(reason));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
        text.pop_back();
    }
    if (text.empty()) {
        text = "MSXML refused the document";
    }
    if (line > 0) {
        text += " (line " + std::to_string(line) + ", column " + std::to_string(column) + ")";
    }
    return text;
}

std::u16string NameOf(IXMLDOMNode& node) {
    Bstr name;
    Check(node.get_nodeName(name.put()), "IXMLDOMNode.nodeName");
    return Text(name);
}

std::u16string ValueOf(IXMLDOMNode& attribute) {
    win32::Variant value;
    Check(attribute.get_nodeValue(value.get()), "IXMLDOMNode.nodeValue");
    return value.type() == VT_BSTR ? value.toString() : std::u16string();
}

// Some MSXML (Wine's) count a default namespace declaration among an element's attributes but
// cannot hand it out. An element without prefix lives in the default namespace in scope, so
// its own namespace gives the lost declaration back; any other lost attribute cannot be
// recovered, and the document is not read wrongly for it.
void RecoverDefaultNamespace(IXMLDOMNode& node, XmlElement& element) {
    const bool declared =
        std::any_of(element.attributes.begin(), element.attributes.end(),
                    [](const auto& attribute) { return attribute.first == u"xmlns"; });
    Bstr uri;
    if (!declared && element.name.find(u':') == std::u16string::npos &&
        SUCCEEDED(node.get_namespaceURI(uri.put())) && uri.length() != 0) {
        element.attributes.emplace(element.attributes.begin(), u"xmlns", Text(uri));
        return;
    }
    throw XmlError("an attribute of element " + platform::toPrintableUtf8(element.name) +
                   " cannot be read");
}

void ReadAttributes(IXMLDOMNode& node, XmlElement& element) {
    ComPtr<IXMLDOMNamedNodeMap> attributes;
    Check(node.get_attributes(attributes.put()), "IXMLDOMNode.attributes");
    long count = 0;
    if (attributes) {
        Check(attributes->get_length(&count), "IXMLDOMNamedNodeMap.length");
    }
    bool lost = false;
    for (long i = 0; i < count; ++i) {
        ComPtr<IXMLDOMNode> attribute;
        if (FAILED(attributes->get_item(i, attribute.put())) || !attribute) {
            lost = true;
            continue;
        }
        element.attributes.emplace_back(NameOf(*attribute.get()), ValueOf(*attribute.get()));
    }
    if (lost) {
        RecoverDefaultNamespace(node, element);
    }
}

XmlElement Convert(IXMLDOMNode& node) {
    XmlElement element;
    element.name = NameOf(node);
    ReadAttributes(node, element);
    ComPtr<IXMLDOMNodeList> children;
    Check(node.get_childNodes(children.put()), "IXMLDOMNode.childNodes");
    long count = 0;
    Check(children->get_length(&count), "IXMLDOMNodeList.length");
    for (long i = 0; i < count; ++i) {
        ComPtr<IXMLDOMNode> child;
        Check(children->get_item(i, child.put()), "IXMLDOMNodeList.item");
        DOMNodeType type = NODE_INVALID;
        Check(child->get_nodeType(&type), "IXMLDOMNode.nodeType");
        if (type == NODE_ELEMENT) {
            element.children.push_back(Convert(*child.get()));
        }
    }
    return element;
}

class MsXmlParser : public XmlParser {
  protected:
    XmlElement ParseValid(std::u16string_view text) override {
        const ComPtr<IXMLDOMDocument> document = NewDocument();
        const Bstr source(reinterpret_cast<const wchar_t*>(text.data()),
                          static_cast<UINT>(text.size()));
        VARIANT_BOOL loaded = VARIANT_FALSE;
        const HRESULT hr = document->loadXML(source.get(), &loaded);
        if (FAILED(hr) || loaded != VARIANT_TRUE) {
            throw XmlError(ParseErrorText(*document.get()));
        }
        ComPtr<IXMLDOMElement> root;
        if (FAILED(document->get_documentElement(root.put())) || !root) {
            throw XmlError("no document element");
        }
        return Convert(*root.get());
    }
};

}  // namespace

std::unique_ptr<XmlParser> MakeMsXmlParser() {
    return std::make_unique<MsXmlParser>();
}

}  // namespace tessaly::host::sim
