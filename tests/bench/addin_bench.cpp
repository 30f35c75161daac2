// What a user waits for: the add-in's connection, one selection refresh, one dial.
#include <benchmark/benchmark.h>

#include <string>

#include "addin/tessaly.h"
#include "explorer/ribbon.h"
#include "harness/outlook/pugixml/pugixml_parser.h"
#include "harness/outlook/ribbon.h"
#include "harness/outlook/sim_host.h"
#include "resources/embedded_resources.h"
#include "tests/unit/support/fake_services.h"

namespace {

using tessaly::Library;
using tessaly::Tessaly;
namespace sim = tessaly::host::sim;

// The simulated Outlook with ten softphone installations and a contact with all nine numbers.
// Counts the add-in's calls into the host without keeping them.
struct CallCounter : sim::TraceSink {
    void Call(const sim::CallRecord&) override { ++calls; }
    void Event(const std::string&) override {}
    std::size_t calls = 0;
};

struct Session {
    explicit Session(int windows) {
        auto folder = world.AddFolder(u"Contacts");
        world.SetDefaultContactsFolder(folder);
        std::map<std::u16string, std::u16string> numbers;
        int n = 0;
        for (const char16_t* property : sim::kTelephoneProperties) {
            numbers[property] = u"+1 555 01" + std::u16string(1, static_cast<char16_t>(u'0' + n++));
        }
        contact = world.AddContact(*folder, u"Full", numbers);
        other = world.AddContact(*folder, u"Other", {{u"MobileTelephoneNumber", u"555"}});
        for (int i = 0; i < 10; ++i) {
            const std::u16string guid =
                u"0000000" + std::u16string(1, static_cast<char16_t>(u'0' + i));
            platform.registry.RegWrite(
                u"HKCU\\Software\\Wrenfield\\Brindle Outlook AddIn\\Softphone\\" + guid +
                    u"\\AppPath",
                u"/opt/phone" + guid);
            platform.files.attributes[u"/opt/phone" + guid] = 0x20;
        }
        for (int i = 0; i < windows; ++i) {
            world.OpenExplorer(folder);
        }
        world.setTrace(&counter);
    }
    ~Session() {
        if (addin) {
            addin->IDTExtensibility2_OnBeginShutdown();
            addin->IDTExtensibility2_OnDisconnection();
        }
        world.setTrace(nullptr);
    }
    void connect() {
        addin = Tessaly::Create(library);
        addin->IDTExtensibility2_OnConnection(world.application());
        addin->IDTExtensibility2_OnStartupComplete();
    }
    // Outlook's part after the connection: the Explorer ribbon, queried in every window.
    void loadRibbon() { ribbon.Load(addin->ribbon(), *parser); }
    // The add-in's calls into the host and the host's calls of its ribbon callbacks.
    void count(benchmark::State& state) {
        std::size_t queries = 0;
        for (const auto& window : world.explorers()) {
            queries += ribbon.queries(*window);
        }
        state.counters["host_calls"] = static_cast<double>(counter.calls);
        state.counters["ribbon_callbacks"] = static_cast<double>(queries);
    }

    sim::World world;
    CallCounter counter;
    tessaly::testing::FakePlatform platform;
    tessaly::resources::EmbeddedResources resources;
    Library library{tessaly::platform::Services{
        platform.registry, platform.registry, platform.files, platform.versions, platform.launcher,
        platform.loop, platform.messages, resources}};
    std::unique_ptr<sim::XmlParser> parser = sim::MakePugiXmlParser();
    sim::SimRibbon ribbon{world};
    std::shared_ptr<Tessaly> addin;
    std::shared_ptr<sim::SimContact> contact;
    std::shared_ptr<sim::SimContact> other;
};

void BM_Connection(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto session = std::make_unique<Session>(static_cast<int>(state.range(0)));
        state.ResumeTiming();
        session->connect();
        state.PauseTiming();
        session.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Connection)->Arg(1)->Arg(20)->Unit(benchmark::kMicrosecond);

// The counters are those of the last connection: the add-in's calls into the host, and the
// ribbon callbacks the host called to show every window's group.
void BM_ConnectionWithRibbon(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto session = std::make_unique<Session>(static_cast<int>(state.range(0)));
        state.ResumeTiming();
        session->connect();
        session->loadRibbon();
        state.PauseTiming();
        session->count(state);
        session.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ConnectionWithRibbon)->Arg(1)->Arg(20)->Unit(benchmark::kMicrosecond);

void BM_SelectionRefresh(benchmark::State& state) {
    Session session(1);
    session.connect();
    auto& window = *session.world.explorers().front();
    bool full = false;
    for (auto _ : state) {
        full = !full;
        session.world.Select(window, {full ? session.contact : session.other});
    }
}
BENCHMARK(BM_SelectionRefresh)->Unit(benchmark::kMicrosecond);

// With the ribbon shown in 20 windows: the refresh, its invalidation and the queries that
// follow in every window. The counters are per selection change.
void BM_SelectionRefreshWithRibbon(benchmark::State& state) {
    Session session(20);
    session.connect();
    session.loadRibbon();
    auto& window = *session.world.explorers().front();
    session.counter.calls = 0;
    session.ribbon.clearInvalidations();
    std::size_t before = 0;
    for (const auto& w : session.world.explorers()) {
        before += session.ribbon.queries(*w);
    }
    bool full = false;
    for (auto _ : state) {
        full = !full;
        session.world.Select(window, {full ? session.contact : session.other});
        session.world.Idle();
    }
    session.count(state);
    const double changes = static_cast<double>(state.iterations());
    state.counters["host_calls"] = state.counters["host_calls"] / changes;
    state.counters["ribbon_callbacks"] =
        (state.counters["ribbon_callbacks"] - static_cast<double>(before)) / changes;
    state.counters["invalidations"] =
        static_cast<double>(session.ribbon.invalidations().size()) / changes;
}
// A fixed count: the host model logs every call.
BENCHMARK(BM_SelectionRefreshWithRibbon)->Iterations(2000)->Unit(benchmark::kMicrosecond);

void BM_DialFromClick(benchmark::State& state) {
    Session session(1);
    session.connect();
    auto window = session.world.explorers().front();
    session.world.Select(*window, {session.contact});
    auto mobile = std::dynamic_pointer_cast<sim::SimButton>(window->commandBars()->findControl(
        tessaly::host::msoControlButton, u"Brindle_OutlookAddIn__Mobile"));
    for (auto _ : state) {
        session.world.Click(mobile);
        state.PauseTiming();
        session.platform.loop.Advance(1500);  // the notice ends
        session.platform.launcher.started.clear();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DialFromClick)->Unit(benchmark::kMicrosecond);

}  // namespace
