// The ribbon model's XML parser on the system the tests run on: pugixml on Linux, MSXML on
// Windows. Both run the same tests, so that the model reads a customisation alike on both.
#pragma once

#include <memory>

#ifdef _WIN32
#include <objbase.h>

#include "harness/outlook/win32/msxml_parser.h"
#else
#include "harness/outlook/pugixml/pugixml_parser.h"
#endif

namespace tessaly::testing {

inline std::unique_ptr<host::sim::XmlParser> MakeXmlParser() {
#ifdef _WIN32
    // MSXML is a COM server: the tests' one thread joins an apartment once, for good.
    static const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    static_cast<void>(com);
    return host::sim::MakeMsXmlParser();
#else
    return host::sim::MakePugiXmlParser();
#endif
}

}  // namespace tessaly::testing
