// The XML parser of the Linux builds of the simulated host.
#pragma once

#include <memory>

#include "harness/outlook/xml.h"

namespace tessaly::host::sim {

std::unique_ptr<XmlParser> MakePugiXmlParser();

}  // namespace tessaly::host::sim
