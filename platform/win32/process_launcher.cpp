// ProcessLauncher through CreateProcessW.
#include <windows.h>

#include <string>

#include "platform/win32/raii.h"
#include "platform/win32/service_impls.h"
#include "platform/win32/text.h"

namespace tessaly::win32 {

bool Win32ProcessLauncher::Start(std::u16string_view commandLine) {
    // CreateProcessW would run whatever precedes a NUL, and cuts a line that is too long.
    if (!platform::IsStartableCommandLine(commandLine)) {
        return false;
    }
    // The line goes to CreateProcessW exactly as given: no quoting, no expansion. With no
    // application name, Windows takes the program from the line itself (quoted or not): a
    // name with a directory part relative to the working directory, a bare name searched
    // for in the host's directory, the working directory, the system directories and PATH.
    // CreateProcessW may write into the buffer, hence the copy.
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
