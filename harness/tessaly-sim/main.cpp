// tessaly-sim: the add-in inside the simulated Outlook. See --help.
#include <unistd.h>

#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "harness/frontend/output.h"
#include "program.h"

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    tessaly::frontend::Output out(std::cout, std::cerr);
    try {
        const std::vector<std::string> args(argv + 1, argv + argc);
        return tessaly::sim_tool::Run(args, out, std::cin, STDIN_FILENO, isatty(STDIN_FILENO) != 0);
    } catch (const std::exception& e) {
        out.Error(std::string("internal: ") + e.what());
        return 1;
    }
}
