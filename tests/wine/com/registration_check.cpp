// Judges the registry after the real regsvr32 has run:
//   registration_check registered <dll path>   or   registration_check unregistered
#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/wine/com/registry_probe.h"

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    std::vector<std::string> problems;
    if (mode == L"registered" && argc == 3) {
        problems = tessaly::testing::RegistrationProblems(argv[2]);
    } else if (mode == L"unregistered" && argc == 2) {
        problems = tessaly::testing::LeftoverRegistration();
    } else {
        std::fputs("usage: registration_check registered <dll> | unregistered\n", stderr);
        return 2;
    }
    for (const auto& p : problems) {
        std::fprintf(stderr, "%s\n", p.c_str());
    }
    return problems.empty() ? 0 : 1;
}
