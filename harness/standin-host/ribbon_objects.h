// The ribbon's objects that the host hands to an add-in's callbacks: an IRibbonControl per
// call (its Id, its window's Explorer as Context, its Tag) and the one IRibbonUI that onLoad
// gets. Both answer IDispatch by their interfaces' own DISPIDs, as Office's do, and are
// counted among the host's objects like every other.
#pragma once

#include <memory>

#include "dispatch_base.h"
#include "host/object.h"

namespace tessaly::standin {

class Server;

// The COM object of a sim RibbonControl or RibbonUI; empty for any other object.
ComPtr<DispatchBase> MakeRibbonObject(Server& server, const std::shared_ptr<host::Object>& object);

}  // namespace tessaly::standin
