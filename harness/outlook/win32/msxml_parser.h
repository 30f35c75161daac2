// The XML parser of the Windows builds of the simulated host: the system's MSXML (version
// 6.0, else 3.0), as Office reads a ribbon's customUI. COM must be initialised on the thread
// that parses.
#pragma once

#include <memory>

#include "harness/outlook/xml.h"

namespace tessaly::host::sim {

std::unique_ptr<XmlParser> MakeMsXmlParser();

}  // namespace tessaly::host::sim
