// The simulated host's trace kept in memory, for tests that look at the calls the add-in
// made. It attaches itself to the world for its lifetime.
#pragma once

#include <string>
#include <vector>

#include "harness/outlook/sim_host.h"

namespace tessaly::testing {

class CallLog : public host::sim::TraceSink {
  public:
    explicit CallLog(host::sim::World& world) : world_(world) { world_.setTrace(this); }
    CallLog(const CallLog&) = delete;
    CallLog& operator=(const CallLog&) = delete;
    ~CallLog() override { world_.setTrace(nullptr); }

    void Call(const host::sim::CallRecord& call) override { calls_.push_back(call); }
    void Event(const std::string& event) override { events_.push_back(event); }

    // Every call so far, the last one included even while it awaits its result.
    const std::vector<host::sim::CallRecord>& calls() {
        world_.flushTrace();
        return calls_;
    }
    const std::vector<std::string>& events() const { return events_; }
    void clear() {
        world_.flushTrace();
        calls_.clear();
        events_.clear();
    }

  private:
    host::sim::World& world_;
    std::vector<host::sim::CallRecord> calls_;
    std::vector<std::string> events_;
};

}  // namespace tessaly::testing
