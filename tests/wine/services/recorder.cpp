// A child program for the process launcher test: writes the command line it was started with,
// as UTF-16, to the file named by TESSALY_RECORD_FILE. The file appears complete or not at all.
#include <windows.h>

#include <string>

int main() {
    wchar_t target[MAX_PATH] = {};
    if (GetEnvironmentVariableW(L"TESSALY_RECORD_FILE", target, MAX_PATH) == 0) {
        return 2;
    }
    // With TESSALY_RECORD_GATE set, nothing is written before that file exists: a test can
    // then tell a launcher that returned at once from one that waited for the child.
    wchar_t gate[MAX_PATH] = {};
    if (GetEnvironmentVariableW(L"TESSALY_RECORD_GATE", gate, MAX_PATH) != 0) {
        for (int waited = 0; GetFileAttributesW(gate) == INVALID_FILE_ATTRIBUTES; ++waited) {
            if (waited == 3000) {
                break;  // a minute without the gate: the launcher waited for us, so record it
            }
            Sleep(20);
        }
    }
    const wchar_t* line = GetCommandLineW();
    const std::wstring temporary = std::wstring(target) + L".partial";
    HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return 3;
    }
    DWORD written = 0;
    const auto bytes = static_cast<DWORD>(wcslen(line) * sizeof(wchar_t));
    const BOOL ok = WriteFile(file, line, bytes, &written, nullptr);
    CloseHandle(file);
    if (!ok || written != bytes ||
        !MoveFileExW(temporary.c_str(), target, MOVEFILE_REPLACE_EXISTING)) {
        return 4;
    }
    return 0;
}
