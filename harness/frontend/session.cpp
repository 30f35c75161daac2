#include "harness/frontend/session.h"

#include "platform/utf.h"

namespace tessaly::frontend {

namespace sim = host::sim;

namespace {

// Opens the profile's windows in a world set to the mode the options name.
std::vector<std::shared_ptr<sim::SimExplorer>> Populate(sim::World& world, const Profile& profile,
                                                        const CommonOptions& options) {
    if (options.onUpdate) {
        world.setUpdateMode(*options.onUpdate == "strict" ? sim::UpdateMode::Strict
                                                          : sim::UpdateMode::Idle);
    }
    return PopulateWorld(profile, world);
}

}  // namespace

Session::Session(const Profile& profile, const CommonOptions& options, Output& out,
                 sim::TraceSink* trace)
    : out_(out), commands_(world_, Populate(world_, profile, options), out, *this) {
    // From the add-in's loading on: opening the profile's windows is not part of it.
    world_.setTrace(trace);
    for (const Failure& failure : options.failures) {
        Fail(failure);
    }
}

Session::~Session() {
    world_.setTrace(nullptr);
}

void Session::Report() {
    for (const sim::EventFailure& failure : world_.eventFailures()) {
        out_.Line("event-error: " + failure.event + ": " + failure.what);
    }
    world_.clearEventFailures();
    for (const sim::SimRibbon::Asked& asked : ribbon_.TakeAsked()) {
        out_.Line("ribbon: " + platform::toPrintableUtf8(asked.ribbonId) + ": " +
                  (asked.customised.value_or(false) ? "customised" : "not customised"));
    }
    for (const std::string& error : ribbon_.errors()) {
        out_.Line("ribbon-error: " + error);
    }
    ribbon_.clearErrors();
}

void Session::Fail(const Failure& failure) {
    if (failure.times == 0) {
        world_.faults().Clear(failure.operation);
    } else {
        world_.faults().Fail(failure.operation, failure.times);
    }
}

void Session::RunHostCommand(const Command& command) {
    switch (command.verb) {
        case Verb::Fail:
            Fail({command.operation, command.times});
            break;
        case Verb::Shutdown:
            if (!connected()) {
                out_.Note("the add-in is not connected; shutdown has no effect");
            }
            Disconnect();
            break;
        default:
            RunProgramCommand(command);
            break;
    }
}

}  // namespace tessaly::frontend
