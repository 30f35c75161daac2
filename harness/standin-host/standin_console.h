// Interactive input for the stand-in host: a reader thread hands over the lines while the
// main thread keeps Outlook's message loop running, so that the add-in's timers fire while
// the user types.
#pragma once

#include <windows.h>

#include <deque>
#include <iosfwd>
#include <mutex>
#include <optional>
#include <string>

#include "harness/frontend/run.h"
#include "platform/win32/raii.h"

namespace tessaly::standin {

class ComSession;

class PumpingLineSource final : public frontend::LineSource {
  public:
    PumpingLineSource(std::istream& in, ComSession& session);
    std::optional<std::string> ReadLine() override;

  private:
    // What the reader thread shares with this object, which the thread may outlive: a read
    // cannot be interrupted, and the process ends with it blocked.
    struct Shared {
        win32::UniqueHandle event;
        std::mutex mutex;
        // The lines read; an empty optional for the end of input.
        std::deque<std::optional<std::string>> lines;
        void push(std::optional<std::string> line);
    };
    // Nothing while no line is there; an empty optional inside for the end of input.
    std::optional<std::optional<std::string>> next();

    std::shared_ptr<Shared> shared_;
    ComSession& session_;
};

}  // namespace tessaly::standin
