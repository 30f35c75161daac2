#include "addin/win32/module.h"

#include <atomic>
#include <memory>
#include <mutex>

#include "host/dispatch/event_sink.h"
#include "platform/win32/services.h"

namespace tessaly::win32::module {

namespace {

std::atomic<HMODULE> handle{nullptr};
std::atomic<long> objects{0};
std::atomic<long> locks{0};

struct LibraryContext {
    explicit LibraryContext(HMODULE m) : platform(m), library(platform.services()) {}
    Win32Platform platform;
    Library library;
};

std::mutex contextMutex;
std::unique_ptr<LibraryContext> context;

}  // namespace

void SetHandle(HMODULE h) noexcept {
    handle = h;
}

HMODULE Handle() noexcept {
    return handle;
}

std::wstring Path() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(Handle(), path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

void ObjectCreated() noexcept {
    ++objects;
}
void ObjectDestroyed() noexcept {
    --objects;
}
void Lock(bool lock) noexcept {
    lock ? ++locks : --locks;
}

bool CanUnload() noexcept {
    if (objects.load() != 0 || locks.load() != 0 || host::dispatch::LiveSinks() != 0) {
        return false;
    }
    std::lock_guard guard(contextMutex);
    return !context || context->platform.liveTimers() == 0;
}

Library& Context() {
    std::lock_guard guard(contextMutex);
    if (!context) {
        context = std::make_unique<LibraryContext>(Handle());
    }
    return context->library;
}

}  // namespace tessaly::win32::module
