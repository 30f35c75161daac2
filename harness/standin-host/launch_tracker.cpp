#include "launch_tracker.h"

#include <atomic>
#include <mutex>

#include "addin_loader.h"
#include "import_redirect.h"

namespace tessaly::standin {
namespace {

std::mutex& LinesMutex() {
    static std::mutex mutex;
    return mutex;
}

std::vector<std::string>& Lines() {
    static std::vector<std::string> lines;
    return lines;
}

std::atomic<bool>& StartProcesses() {
    static std::atomic<bool> start{true};
    return start;
}

// Called by the add-in in place of kernel32's: no exception may leave it.
BOOL WINAPI TrackedCreateProcessW(LPCWSTR application, LPWSTR commandLine,
                                  LPSECURITY_ATTRIBUTES processAttributes,
                                  LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles,
                                  DWORD flags, LPVOID environment, LPCWSTR directory,
                                  LPSTARTUPINFOW startup, LPPROCESS_INFORMATION info) noexcept {
    BOOL started = TRUE;
    if (StartProcesses()) {
        started = ::CreateProcessW(application, commandLine, processAttributes, threadAttributes,
                                   inheritHandles, flags, environment, directory, startup, info);
    } else if (info) {
        *info = PROCESS_INFORMATION{};
    }
    const DWORD error = GetLastError();  // the caller's to read, whatever reporting does
    try {
        const std::lock_guard lock(LinesMutex());
        Lines().push_back((started ? "launch: " : "launch failed: ") +
                          Narrow(commandLine ? commandLine : L""));
    } catch (...) {
        // Out of memory: the start goes unreported rather than failing the add-in's call.
    }
    SetLastError(error);
    return started;
}

}  // namespace

int TrackLaunches(HMODULE module, bool start) {
    StartProcesses() = start;
    return RedirectImports(module, {{ExportAddress(L"kernel32.dll", "CreateProcessW"),
                                     reinterpret_cast<ULONG_PTR>(&TrackedCreateProcessW)}});
}

std::vector<std::string> TakeLaunchLines() {
    const std::lock_guard lock(LinesMutex());
    std::vector<std::string> lines;
    lines.swap(Lines());
    return lines;
}

}  // namespace tessaly::standin
