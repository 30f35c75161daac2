#include "standin_console.h"

#include <istream>
#include <memory>
#include <thread>

#include "com_session.h"

namespace tessaly::standin {

void PumpingLineSource::Shared::push(std::optional<std::string> line) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        lines.push_back(std::move(line));
    }
    SetEvent(event.get());
}

PumpingLineSource::PumpingLineSource(std::istream& in, ComSession& session)
    : shared_(std::make_shared<Shared>()), session_(session) {
    shared_->event.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    std::thread([shared = shared_, &in] {
        std::string line;
        while (std::getline(in, line)) {
            shared->push(std::move(line));
        }
        shared->push(std::nullopt);
    }).detach();
}

std::optional<std::optional<std::string>> PumpingLineSource::next() {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    if (shared_->lines.empty()) {
        return std::nullopt;
    }
    auto line = std::move(shared_->lines.front());
    shared_->lines.pop_front();
    return line;
}

std::optional<std::string> PumpingLineSource::ReadLine() {
    std::optional<std::optional<std::string>> line;
    while (!(line = next())) {
        const HANDLE event = shared_->event.get();
        MsgWaitForMultipleObjects(1, &event, FALSE, 20, QS_ALLINPUT);
        session_.pumpFor(std::chrono::milliseconds(0));
    }
    return *line;
}

}  // namespace tessaly::standin
