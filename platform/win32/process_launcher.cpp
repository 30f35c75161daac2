// ProcessLauncher through CreateProcessW.
#include <windows.h>

#include <string>

#include "platform/win32/raii.h"
#include "platform/win32/service_impls.h"
#include "platform/win32/text.h"

namespace tessaly::win32 {

bool Win32ProcessLauncher::Start(std::u16string_view commandLine) {
    // CreateProcessW would run whatever precedes a NUL, which is not what was asked for.
    if (commandLine.empty() || HasNul(commandLine)) {
        return false;
    }
    // The line goes to CreateProcessW exactly as given: no quoting, no expansion. With no
    // application name, Windows takes the program from the line itself (quoted or not, with its
    // usual search). CreateProcessW may write into the buffer, hence the copy.
    std::wstring buffer = ToWide(commandLine);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
        return false;
    }
    // Nobody waits for the program; only the handles are given back.
    const UniqueHandle process(info.hProcess);
    const UniqueHandle thread(info.hThread);
    return true;
}

}  // namespace tessaly::win32
