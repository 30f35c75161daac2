// An add-in's ribbon as Outlook reaches it over COM: IRibbonExtensibility, asked for once after
// OnConnection (its GetCustomUI then for each kind of window as it first opens), and the
// callbacks its XML names, resolved through the add-in's
// IDispatch::GetIDsOfNames and called with Invoke, the host's own IRibbonControl and IRibbonUI
// objects as their arguments. The shared ribbon model (harness/outlook/ribbon.h) drives it.
#pragma once

#include <oaidl.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "harness/outlook/ribbon.h"
#include "host/dispatch/ribbon_interfaces.h"
#include "outlook_objects.h"

namespace tessaly::standin {

// The host's calls into the add-in for its ribbon.
struct RibbonCallCounts {
    std::uint64_t invokes = 0;        // callbacks called
    std::uint64_t getIdsOfNames = 0;  // callback names resolved
    double microseconds = 0;          // spent in the callbacks, the add-in's calls included
};

class AddinRibbon final : public host::sim::RibbonAddin {
  public:
    // Null when the add-in offers no IRibbonExtensibility: it has no ribbon.
    static std::unique_ptr<AddinRibbon> Query(IUnknown* addin, Server& server);
    AddinRibbon(win32::ComPtr<host::dispatch::IRibbonExtensibility> ribbon, Server& server);
    AddinRibbon(const AddinRibbon&) = delete;
    AddinRibbon& operator=(const AddinRibbon&) = delete;

    // Through the interface's vtable, as Office calls it. Throws Error.
    std::u16string GetCustomUI(const std::u16string& ribbonId) override;
    // Each name is resolved once; the callback's calls are Invokes of its DISPID.
    FoundCallback FindCallback(const std::u16string& name,
                               std::optional<std::size_t> kind) override;

    const RibbonCallCounts& counts() const { return *counts_; }

  private:
    win32::ComPtr<host::dispatch::IRibbonExtensibility> ribbon_;
    win32::ComPtr<IDispatch> dispatch_;
    Server& server_;
    std::map<std::u16string, std::optional<DISPID>> resolved_;
    // Shared with the callbacks made here, which the model may keep a while longer.
    std::shared_ptr<RibbonCallCounts> counts_ = std::make_shared<RibbonCallCounts>();
};

}  // namespace tessaly::standin
