// Message boxes belong to the add-in (it calls MessageBoxW itself), so the host sees them
// only as windows: a watcher thread finds this process's dialog boxes, reads their title
// and text, queues a transcript line and dismisses them, as a script user would at once.
// Without a display MessageBoxW fails without showing anything, and nothing is seen.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace tessaly::standin {

class MessageBoxWatcher {
  public:
    MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;
    ~MessageBoxWatcher();

    // The "message: <title>: <text>" lines queued since the last call.
    std::vector<std::string> take();

  private:
    void run() noexcept;
    void scan();
    // EnumWindows' callback: lets nothing escape into user32.
    static BOOL CALLBACK visit(HWND window, LPARAM self) noexcept;
    void report(HWND window);

    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<std::string> pending_;
    std::set<HWND> seen_;  // boxes already reported; the watcher thread's own
    std::set<HWND> present_;
    std::thread thread_;
};

}  // namespace tessaly::standin
