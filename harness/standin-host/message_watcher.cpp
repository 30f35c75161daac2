#include "message_watcher.h"

#include <chrono>

#include "harness/frontend/output.h"

namespace tessaly::standin {

namespace {

// The static control that holds a message box's text has this identifier.
constexpr int kMessageTextId = 0xFFFF;
constexpr auto kPollInterval = std::chrono::milliseconds(20);

std::u16string WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    return std::u16string(text.begin(), text.begin() + std::max(copied, 0));
}

}  // namespace

MessageBoxWatcher::MessageBoxWatcher() : thread_([this] { run(); }) {}

MessageBoxWatcher::~MessageBoxWatcher() {
    stop_ = true;
    thread_.join();
}

std::vector<std::string> MessageBoxWatcher::take() {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::exchange(pending_, {});
}

// The watcher thread's body: a scan that fails (out of memory) is tried again at the next
// poll instead of ending the process.
void MessageBoxWatcher::run() noexcept {
    while (!stop_) {
        try {
            scan();
        } catch (...) {
        }
        std::this_thread::sleep_for(kPollInterval);
    }
}

void MessageBoxWatcher::scan() {
    present_.clear();
    EnumWindows(&MessageBoxWatcher::visit, reinterpret_cast<LPARAM>(this));
    // A handle may be reused by a later box once this one is gone.
    for (auto it = seen_.begin(); it != seen_.end();) {
        it = present_.count(*it) ? std::next(it) : seen_.erase(it);
    }
}

BOOL CALLBACK MessageBoxWatcher::visit(HWND window, LPARAM self) noexcept {
    try {
        reinterpret_cast<MessageBoxWatcher*>(self)->report(window);
        return TRUE;
    } catch (...) {
        return FALSE;  // ends this scan; the next one starts over
    }
}

// Queues the line of a message box not seen before and dismisses it. A failure (out of
// memory) leaves the box unmarked, so that the next scan reports it.
void MessageBoxWatcher::report(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t className[16] = {};
    if (process != GetCurrentProcessId() || !IsWindowVisible(window) ||
        GetClassNameW(window, className, 16) == 0 || std::wstring_view(className) != L"#32770") {
        return;
    }
    present_.insert(window);
    if (seen_.count(window) != 0) {
        return;
    }
    const HWND textControl = GetDlgItem(window, kMessageTextId);
    const std::u16string text = textControl ? WindowText(textControl) : std::u16string();
    std::string line =
        "message: " + frontend::OneLine(WindowText(window)) + ": " + frontend::OneLine(text);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pending_.push_back(std::move(line));
    }
    seen_.insert(window);  // should this fail, the box is reported twice rather than never
    PostMessageW(window, WM_COMMAND, IDOK, 0);
}

}  // namespace tessaly::standin
