#include "interactive.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include "harness/frontend/options.h"
#include "harness/frontend/run.h"
#include "session.h"

namespace tessaly::sim_tool {

using frontend::Output;

namespace {

using Clock = std::chrono::steady_clock;

// Keeps the event loop's virtual clock in step with the real one.
class RealTime {
  public:
    explicit RealTime(InProcessSession& session) : session_(session), synced_(Clock::now()) {}

    // Fires what has fallen due since the last call; true when a timer fired.
    bool Sync() {
        const auto due = session_.loop().nextDue();
        const auto elapsed =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - synced_);
        if (elapsed.count() > 0) {
            synced_ += elapsed;  // the remainder below a millisecond carries over
            session_.loop().Advance(static_cast<std::uint64_t>(elapsed.count()));
        } else {
            session_.loop().RunDue();
        }
        session_.Report();
        return due && *due <= session_.loop().now();
    }
    // Milliseconds until the next timer is due; -1 (forever) when none is running.
    int TimeoutMs() const {
        const auto due = session_.loop().nextDue();
        if (!due) {
            return -1;
        }
        const std::uint64_t now = session_.loop().now();
        const std::uint64_t wait = *due > now ? *due - now : 0;
        return static_cast<int>(std::min<std::uint64_t>(wait, 60'000));
    }
    // Lets `ms` pass in real time, firing timers as they fall due.
    void Wait(std::uint64_t ms) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            Sync();
            const auto now = Clock::now();
            if (now >= deadline) {
                return;
            }
            auto nap = deadline - now;
            if (const int timeout = TimeoutMs(); timeout >= 0) {
                nap = std::min<Clock::duration>(nap, std::chrono::milliseconds(timeout));
            }
            std::this_thread::sleep_for(nap);
        }
    }

  private:
    InProcessSession& session_;
    Clock::time_point synced_;
};

// Lines from a descriptor, read without blocking the timers.
class LineReader final : public frontend::LineSource {
  public:
    // `onTimers` runs when timers fired while waiting for input (a notice ended, say).
    LineReader(int fd, RealTime& time, std::function<void()> onTimers)
        : fd_(fd), time_(time), onTimers_(std::move(onTimers)) {}

    // The next line without its newline; nothing at end of input.
    std::optional<std::string> ReadLine() override {
        for (;;) {
            if (auto newline = buffer_.find('\n'); newline != std::string::npos) {
                std::string line = buffer_.substr(0, newline);
                buffer_.erase(0, newline + 1);
                return line;
            }
            if (eof_) {
                if (buffer_.empty()) {
                    return std::nullopt;
                }
                return std::exchange(buffer_, {});
            }
            if (time_.Sync() && onTimers_) {
                onTimers_();
            }
            pollfd p{fd_, POLLIN, 0};
            const int ready = poll(&p, 1, time_.TimeoutMs());
            if (ready < 0 && errno != EINTR) {
                eof_ = true;
            } else if (ready > 0) {
                char chunk[4096];
                const ssize_t n = read(fd_, chunk, sizeof chunk);
                if (n > 0) {
                    buffer_.append(chunk, static_cast<std::size_t>(n));
                } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
                    eof_ = true;
                }
            }
        }
    }

  private:
    int fd_;
    RealTime& time_;
    std::function<void()> onTimers_;
    std::string buffer_;
    bool eof_ = false;
};

}  // namespace

void RunInteractive(InProcessSession& session, Output& out, int fd) {
    RealTime time(session);
    // What the user sees changes when a notice ends, so show it again then.
    LineReader reader(fd, time, [&] {
        out.Line("");
        session.ShowAll();
        out.Prompt("tessaly> ");
    });
    session.setWaiter([&](std::uint64_t ms) { time.Wait(ms); });
    session.messages().setDismiss([&] {
        out.Prompt("(press Enter to dismiss) ");
        reader.ReadLine();
    });

    const std::string help = std::string(frontend::CommandSummary()) +
                             "  help                               this list\n"
                             "  quit                               end the session\n";
    frontend::Interact(session, reader, out, help, {});
    session.messages().setDismiss({});
    session.setWaiter([&session](std::uint64_t ms) { session.loop().Advance(ms); });
}

}  // namespace tessaly::sim_tool
