// Stands in for a softphone in the end-to-end tests: appends the command line it was started
// with, as one UTF-8 line, to the file named by TESSALY_RECORD_FILE, so that the tests can
// count the starts as well as check each command line.
#include <windows.h>

#include <string>

#include "platform/utf.h"
#include "platform/win32/raii.h"
#include "platform/win32/text.h"

int main() {
    wchar_t target[MAX_PATH] = {};
    if (GetEnvironmentVariableW(L"TESSALY_RECORD_FILE", target, MAX_PATH) == 0) {
        return 2;
    }
    std::string text =
        tessaly::platform::toPrintableUtf8(tessaly::win32::Utf16View(GetCommandLineW()));
    text += '\n';
    // Appending in one write keeps the lines of two starts from interleaving.
    const tessaly::win32::UniqueHandle file(
        CreateFileW(target, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        return 3;
    }
    DWORD written = 0;
    if (!WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size()) {
        return 4;
    }
    return 0;
}
