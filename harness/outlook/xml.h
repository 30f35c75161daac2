// The XML the simulated Office reads (a ribbon's customUI), behind a small interface: the
// Linux model parses with pugixml, the Windows stand-in host with the system's MSXML, and
// everything that interprets the document is shared.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/utf.h"

namespace tessaly::host::sim {

// One element: its name and attributes as written (prefixes and xmlns attributes
// included, in document order) and its child elements. Text and comments are left out.
struct XmlElement {
    std::u16string name;
    std::vector<std::pair<std::u16string, std::u16string>> attributes;
    std::vector<XmlElement> children;
};

// The text is not well-formed XML.
class XmlError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class XmlParser {
  public:
    virtual ~XmlParser() = default;
    // The document element. Throws XmlError when the text is not valid UTF-16 or not
    // well-formed; a parser need not detect a repeated attribute, which the caller checks.
    XmlElement Parse(std::u16string_view text) {
        if (platform::findInvalidUtf16(text) != std::u16string_view::npos) {
            throw XmlError("the text is not valid UTF-16");
        }
        return ParseValid(text);
    }

  protected:
    // Parse, for a text already known to be valid UTF-16.
    virtual XmlElement ParseValid(std::u16string_view text) = 0;
};

}  // namespace tessaly::host::sim
