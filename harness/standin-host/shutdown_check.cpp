// The end of a stand-in host run: the figures --stats asks for and the check that each add-in,
// once let go, left nothing behind.
#include <cmath>

#include "com_session.h"
#include "timer_tracker.h"

namespace tessaly::standin {

int ComSession::Finish(int status) {
    if (status == frontend::kExitAddinFailed) {
        abandon();
    } else if (own_.stats) {
        printStartupTimes();
        printCalls();
    }
    if (!shutdownCheck()) {
        // Kept: the objects the add-in left point into the world, and its DLL may still call
        // them; the process ends without tearing either down.
        world_.setTrace(nullptr);
        leftBehind_ = true;
        if (status == frontend::kExitOk) {
            status = kExitUncleanShutdown;
        }
    }
    return status;
}

void ComSession::printStartupTimes() {
    for (const StartupTime& time : startupTimes_) {
        out_.Line("stats: " + time.name + ": load=" + std::to_string(std::lround(time.loadUs)) +
                  " us on-connection=" + std::to_string(std::lround(time.connectionUs)) + " us");
    }
}

void ComSession::printCalls() {
    CallCounts& counts = server_.registry().counts();
    unsigned repeated = 0;
    for (const auto& [key, n] : counts.lookups) {
        repeated += n > 1 ? 1 : 0;
    }
    out_.Line("calls: invoke=" + std::to_string(counts.invokes) + " (+" +
              std::to_string(counts.invokes - lastInvokes_) +
              ") get-ids-of-names=" + std::to_string(counts.getIdsOfNames) + " (+" +
              std::to_string(counts.getIdsOfNames - lastLookups_) +
              ") repeated-lookups=" + std::to_string(repeated));
    for (const auto& [key, n] : counts.lookups) {
        if (n > 1) {
            out_.Line("calls: repeated " + counts.objectTypes[key.first] + "#" +
                      std::to_string(key.first) + "." + Narrow(key.second) + " x" +
                      std::to_string(n));
        }
    }
    lastInvokes_ = counts.invokes;
    lastLookups_ = counts.getIdsOfNames;
    if (addinRibbon_) {
        const RibbonCallCounts& ribbon = addinRibbon_->counts();
        out_.Line("calls: ribbon callbacks invoke=" + std::to_string(ribbon.invokes) + " (+" +
                  std::to_string(ribbon.invokes - lastRibbon_.invokes) +
                  ") get-ids-of-names=" + std::to_string(ribbon.getIdsOfNames) + " (+" +
                  std::to_string(ribbon.getIdsOfNames - lastRibbon_.getIdsOfNames) +
                  ") time=" + std::to_string(std::lround(ribbon.microseconds)) + " us (+" +
                  std::to_string(std::lround(ribbon.microseconds - lastRibbon_.microseconds)) +
                  " us)");
        lastRibbon_ = ribbon;
    }
}

std::size_t ComSession::reportLeaks(std::size_t& connections) {
    std::size_t objects = 0;
    for (const auto& [serial, object] : server_.registry().live()) {
        ++objects;
        const std::string type = server_.registry().counts().objectTypes[serial];
        if (!object) {
            out_.Line("leak: " + type + " #" + std::to_string(serial) + " is still referenced");
            continue;
        }
        out_.Line("leak: " + type + " #" + std::to_string(serial) + " holds " +
                  std::to_string(object->references()) + " reference(s)");
        if (const std::size_t n = object->connections()) {
            connections += n;
            out_.Line("leak: " + type + " #" + std::to_string(serial) + " has " +
                      std::to_string(n) + " connection(s)");
        }
    }
    return objects;
}

// After the add-ins are released: what is still referenced, what is still advised, the
// add-in's timers still set, DllCanUnloadNow, FreeLibrary.
bool ComSession::shutdownCheck() {
    pumpFor(std::chrono::milliseconds(0));
    std::size_t connections = 0;
    const std::size_t objects = reportLeaks(connections);
    const std::vector<SetTimerRecord> timers = TimersStillSet();
    for (const SetTimerRecord& timer : timers) {
        out_.Line("leak: timer " + std::to_string(timer.id) + " (" + std::to_string(timer.elapse) +
                  " ms" + (timer.window ? ", of a window" : "") + ") is still set");
    }
    out_.Line("check: objects=" + std::to_string(objects) + " connections=" +
              std::to_string(connections) + " timers=" + std::to_string(timers.size()));
    bool clean = objects == 0 && timers.empty();
    for (auto& addin : addins_) {
        if (addin->trackedTimerImports() == 0) {
            out_.Note(
                "the add-in imports neither SetTimer nor KillTimer; its timers are not tracked");
        }
        const HRESULT hr = addin->DllCanUnloadNow();
        out_.Line("unload: DllCanUnloadNow returned " + (hr == S_OK      ? std::string("S_OK")
                                                         : hr == S_FALSE ? std::string("S_FALSE")
                                                                         : HresultText(hr)));
        // A timer still set would fire into the unloaded DLL.
        if (hr == S_OK && connections == 0 && timers.empty()) {
            addin->FreeLibrary();
        } else {
            clean = false;
            out_.Note("the add-in's DLL stays loaded");
        }
    }
    return clean;
}

}  // namespace tessaly::standin
