#include <optional>
#include <string>

#include "harness/outlook/internal.h"

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

void World::check(const std::string& operation, const detail::Arguments& arguments) {
    if (faults_.empty() && !trace_) {
        return;  // the common case: nothing to format, nothing to keep
    }
    std::optional<std::string> text;
    const auto argumentText = [&]() -> const std::string& {
        if (!text) {
            text = arguments.text(*this);
        }
        return *text;
    };
    try {
        faults_.Check(operation);
        if (!faults_.empty()) {
            faults_.Check(operation + "(" + argumentText() + ")");
        }
    } catch (const Error& e) {
        if (trace_) {
            traceCall({operation, argumentText(), {}, true, e.code()});
        }
        throw;
    }
    if (trace_) {
        traceCall({operation, argumentText(), {}, false, 0});
    }
}

void World::refuse(const std::string& operation, const detail::Arguments& arguments, hresult code,
                   const std::string& why) {
    if (trace_) {
        traceCall({operation, arguments.text(*this), {}, true, code});
    }
    throw Error(code, why.empty() ? operation + " is not possible on this object" : why);
}

}  // namespace tessaly::host::sim
