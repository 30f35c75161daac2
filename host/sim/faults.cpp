#include <string>

#include "host/sim/internal.h"

namespace tessaly::host::sim {

void Faults::Fail(const std::string& operation, int times, hresult code) {
    if (times == 0) {
        armed_.erase(operation);
        return;
    }
    armed_[operation] = Armed{times, code};
}

void Faults::Clear(const std::string& operation) {
    armed_.erase(operation);
}

void Faults::ClearAll() {
    armed_.clear();
}

void Faults::Check(const std::string& operation) {
    const auto it = armed_.find(operation);
    if (it == armed_.end()) {
        return;
    }
    const hresult code = it->second.code;
    if (it->second.remaining > 0 && --it->second.remaining == 0) {
        armed_.erase(it);
    }
    throw Error(code, "simulated failure of " + operation);
}

void World::record(const std::string& operation, const std::string& arguments, bool failed) {
    calls_.push_back(CallRecord{operation, arguments, failed});
}

void World::check(const std::string& operation, const std::string& arguments) {
    try {
        faults_.Check(operation);
        faults_.Check(operation + "(" + arguments + ")");
    } catch (const Error&) {
        record(operation, arguments, true);
        throw;
    }
    record(operation, arguments, false);
}

void World::refuse(const std::string& operation, const std::string& arguments, hresult code) {
    record(operation, arguments, true);
    throw Error(code, operation + " is not possible on this object");
}

namespace detail {

std::string objectArg(const std::shared_ptr<MAPIFolder>& folder) {
    if (!folder) {
        return "nothing";
    }
    if (const auto* sim = dynamic_cast<const SimFolder*>(folder.get())) {
        return platform::toPrintableUtf8(sim->name());
    }
    return "folder";
}

std::string objectArg(const std::shared_ptr<Picture>& picture) {
    return picture ? "picture" : "nothing";
}

}  // namespace detail

}  // namespace tessaly::host::sim
