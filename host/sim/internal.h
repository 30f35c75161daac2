// Helpers shared by the simulated host's sources: formatting call arguments for the log
// and raising an event on a snapshot of a sink list.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/sim/sim_host.h"
#include "platform/utf.h"

namespace tessaly::host::sim::detail {

inline std::string arg(const std::string& value) {
    return value;
}
inline std::string arg(const char* value) {
    return value;
}
inline std::string arg(const String& value) {
    return platform::toPrintableUtf8(value);
}
inline std::string arg(bool value) {
    return value ? "true" : "false";
}
inline std::string arg(std::int32_t value) {
    return std::to_string(value);
}
template <class T>
std::string arg(const std::optional<T>& value) {
    return value ? arg(*value) : std::string("-");
}

// The arguments of one call as the log shows them: comma-separated, "-" for omitted ones.
template <class... T>
std::string args(const T&... values) {
    std::string out;
    bool first = true;
    ((out += (first ? "" : ","), out += arg(values), first = false), ...);
    return out;
}

// An object argument: its name when the model knows one, "nothing" for a null reference.
std::string objectArg(const std::shared_ptr<MAPIFolder>& folder);
std::string objectArg(const std::shared_ptr<Picture>& picture);

template <class Events>
using SinkMap = std::map<std::uint64_t, std::shared_ptr<const Events>>;

// Adds a sink and returns the subscription that removes it again. The subscription holds
// only a weak reference to the source, so ending it after the source is gone does nothing.
template <class Source, class Events>
Subscription connect(const std::weak_ptr<Source>& source, SinkMap<Events>& sinks,
                     std::uint64_t& nextCookie, std::shared_ptr<const Events> sink,
                     SinkMap<Events> Source::*member) {
    const std::uint64_t cookie = nextCookie++;
    sinks.emplace(cookie, std::move(sink));
    return Subscription([source, cookie, member] {
        if (auto self = source.lock()) {
            ((*self).*member).erase(cookie);
        }
    });
}

// Calls `invoke(sink)` for each sink connected when the event starts, through
// World::dispatch. A sink disconnected by an earlier handler of the same event is skipped;
// the caller keeps the source alive for the duration.
template <class Events, class F>
void raiseOn(World& world, const SinkMap<Events>& sinks, const char* event, F&& invoke) {
    const std::vector<std::pair<std::uint64_t, std::shared_ptr<const Events>>> snapshot(
        sinks.begin(), sinks.end());
    for (const auto& entry : snapshot) {
        if (sinks.find(entry.first) == sinks.end()) {
            continue;
        }
        const Events& sink = *entry.second;
        world.dispatch(event, [&] { invoke(sink); });
    }
}

}  // namespace tessaly::host::sim::detail

namespace tessaly::host::sim {

template <class F>
void SimExplorer::raise(const char* event, F&& invoke) {
    const auto keepAlive = shared_from_this();
    detail::raiseOn(world_, sinks_, event, std::forward<F>(invoke));
}

}  // namespace tessaly::host::sim
