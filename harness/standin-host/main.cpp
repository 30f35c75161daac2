// tessaly-standin: the simulated Outlook over COM, loading the registered add-ins. See --help.
#include <windows.h>

// After windows.h, which it needs.
#include <io.h>
#include <shellapi.h>

#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "addin_loader.h"
#include "harness/frontend/output.h"
#include "standin_program.h"

int main() {
    std::ios::sync_with_stdio(false);
    tessaly::frontend::Output out(std::cout, std::cerr);
    try {
        // The arguments as UTF-16 from Windows, then UTF-8 like tessaly-sim's.
        int count = 0;
        LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
        std::vector<std::string> args;
        for (int i = 1; wide && i < count; ++i) {
            args.push_back(tessaly::standin::Narrow(wide[i]));
        }
        LocalFree(wide);
        return tessaly::standin::Run(args, out, std::cin, _isatty(_fileno(stdin)) != 0);
    } catch (const std::exception& e) {
        out.Error(std::string("internal: ") + e.what());
        return 1;
    }
}
