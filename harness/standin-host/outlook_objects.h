// The simulated Outlook (harness/outlook) over COM: one IDispatch object per sim object, created on
// first use and remembered weakly, so that every reference the add-in gets to one sim object
// is the same COM object (the add-in compares controls by identity).
#pragma once

#include <map>
#include <memory>
#include <string>

#include "dispatch_base.h"
#include "harness/outlook/sim_host.h"
#include "host/dispatch/event_ids.h"

namespace tessaly::standin {

// The outgoing interfaces the host offers and the DISPIDs of their events are Office's,
// as the add-in knows them.
using namespace host::dispatch::event_ids;

class Server {
  public:
    explicit Server(host::sim::World& world) : world_(world) {}
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    host::sim::World& world() { return world_; }
    ObjectRegistry& registry() { return registry_; }

    // The COM object of a sim object (null for null). Throws Error(E_NOINTERFACE)
    // for an object that is not the sim's.
    ComPtr<IDispatch> wrap(const std::shared_ptr<host::Object>& object);
    ComPtr<IDispatch> application() { return wrap(world_.application()); }
    // The COMAddIn object handed to OnConnection.
    ComPtr<IDispatch> makeAddInObject(const std::u16string& progId,
                                      const std::u16string& description);

    // Used by the objects: they leave the cache on their final release.
    void forget(const void* key) noexcept { cache_.erase(key); }

  private:
    host::sim::World& world_;
    ObjectRegistry registry_;
    std::map<const void*, DispatchBase*> cache_;
};

}  // namespace tessaly::standin
