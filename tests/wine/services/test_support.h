// Shared pieces of the Win32 service tests: a message pump and paths next to the program.
#pragma once

#include <windows.h>

#include <chrono>
#include <string>

#include "platform/win32/text.h"

namespace tessaly::win32::testing {

// Dispatches the thread's messages (timers among them) until `done` holds or time runs out.
template <class Predicate>
bool PumpMessagesUntil(Predicate done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return true;
}

inline void PumpMessagesFor(std::chrono::milliseconds duration) {
    PumpMessagesUntil([] { return false; }, duration);
}

// The running test program's own path.
inline std::wstring ProgramPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

// The folder of the running test program, with a trailing backslash.
inline std::wstring ProgramDirectory() {
    const std::wstring path = ProgramPath();
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

inline std::u16string U16(const std::wstring& text) {
    return FromWide(text.data(), text.size());
}

}  // namespace tessaly::win32::testing
