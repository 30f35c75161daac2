#include <cstdio>
#include <ostream>
#include <string>

#include "harness/outlook/internal.h"

namespace tessaly::host::sim {

std::string TraceLine(const CallRecord& call) {
    std::string line = "call ";
    if (!call.operation.empty() && call.operation.back() == '=') {
        line += call.operation.substr(0, call.operation.size() - 1) + " = " + call.arguments;
    } else {
        line += call.operation;
        if (!call.arguments.empty()) {
            line += "(" + call.arguments + ")";
        }
    }
    if (call.failed) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(call.code));
        line += " -> failed ";
        line += code;
    } else if (!call.result.empty()) {
        line += " -> " + call.result;
    }
    return line;
}

void TraceWriter::Call(const CallRecord& call) {
    out_ << TraceLine(call) << '\n';
}

void TraceWriter::Event(const std::string& event) {
    out_ << "event " << event << '\n';
}

void World::setTrace(TraceSink* sink) {
    flushTrace();
    trace_ = sink;
}

void World::flushTrace() {
    if (!pendingCall_) {
        return;
    }
    const CallRecord call = std::move(*pendingCall_);
    pendingCall_.reset();
    trace_->Call(call);
}

void World::traceCall(CallRecord call) {
    flushTrace();
    if (call.failed) {
        trace_->Call(call);
    } else {
        pendingCall_ = std::move(call);  // its result comes with the return
    }
}

void World::setResult(std::string value) {
    if (!pendingCall_) {
        return;
    }
    pendingCall_->result = std::move(value);
    flushTrace();
}

void World::traceEvent(const char* event) {
    if (!trace_) {
        return;
    }
    flushTrace();
    trace_->Event(event);
}

std::string World::traceName(const ModelObject& object) {
    const std::string type = object.traceType();
    if (object.traceNumber_ == 0) {
        object.traceNumber_ = ++traceNumbers_[type];
    }
    return type + "#" + std::to_string(object.traceNumber_);
}

namespace detail {

std::string quoted(std::u16string_view text) {
    return platform::quotedUtf8(text);
}

}  // namespace detail

}  // namespace tessaly::host::sim
