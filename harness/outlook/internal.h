// Helpers shared by the simulated host's sources: call arguments and results for the trace,
// and raising an event on a snapshot of a sink list.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "harness/outlook/sim_host.h"
#include "platform/utf.h"

namespace tessaly::host::sim::detail {

// A value as the trace writes it (see CallRecord).
std::string quoted(std::u16string_view text);
inline std::string arg(World&, const String& value) {
    return quoted(value);
}
inline std::string arg(World&, bool value) {
    return value ? "True" : "False";
}
inline std::string arg(World&, std::int32_t value) {
    return std::to_string(value);
}
inline std::string arg(World&, const std::shared_ptr<Picture>& picture) {
    return picture ? "Picture" : "Nothing";
}
template <class T>
std::string arg(World& world, const std::shared_ptr<T>& object) {
    if (!object) {
        return "Nothing";
    }
    const auto* model = dynamic_cast<const ModelObject*>(object.get());
    return model ? world.traceName(*model) : "Object";
}
template <class T>
std::string arg(World& world, const std::optional<T>& value) {
    return value ? arg(world, *value) : std::string();
}

// The arguments of one call, by reference: formatted (separated by ", ") only when asked.
template <class... T>
class ArgumentList final : public Arguments {
  public:
    explicit ArgumentList(const T&... values) : values_(values...) {}
    std::string text(World& world) const override {
        std::string out;
        std::apply(
            [&](const auto&... value) {
                bool first = true;
                ((out += (first ? "" : ", "), out += arg(world, value), first = false), ...);
            },
            values_);
        return out;
    }

  private:
    std::tuple<const T&...> values_;
};

// The list lives as long as the values it refers to; keep it only beside them.
template <class... T>
ArgumentList<T...> args(const T&... values) {
    return ArgumentList<T...>(values...);
}

// What a call returns, reported to the trace on its way out.
template <class T>
const T& returned(World& world, const T& value) {
    if (world.tracing()) {
        world.setResult(arg(world, value));
    }
    return value;
}

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
    world.traceEvent(event);
    const std::vector<std::pair<std::uint64_t, std::shared_ptr<const Events>>> snapshot(
        sinks.begin(), sinks.end());
    for (const auto& entry : snapshot) {
        if (sinks.find(entry.first) == sinks.end()) {
            continue;
        }
        const Events& sink = *entry.second;
        world.dispatch(event, [&] { invoke(sink); });
    }
    // A call the handlers left waiting for its result gets none: the next one may belong to
    // the call that raised the event.
    world.flushTrace();
}

}  // namespace tessaly::host::sim::detail

namespace tessaly::host::sim {

template <class F>
void SimExplorer::raise(const char* event, F&& invoke) {
    const auto keepAlive = shared_from_this();
    detail::raiseOn(world_, sinks_, event, std::forward<F>(invoke));
}

}  // namespace tessaly::host::sim
