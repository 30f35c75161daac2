// A stand-in for the softphone, for demonstrations and tests: it records the arguments it
// was started with, one line per start, in the file named by TESSALY_SOFTPHONE_LOG (or on
// standard error), and exits.
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    std::string line = "softphone received:";
    for (int i = 1; i < argc; ++i) {
        line += " [";
        line += argv[i];
        line += "]";
    }
    line += "\n";
    const char* log = std::getenv("TESSALY_SOFTPHONE_LOG");
    std::FILE* out = log ? std::fopen(log, "a") : stderr;
    if (!out) {
        return 1;
    }
    std::fputs(line.c_str(), out);
    if (out != stderr) {
        std::fclose(out);
    }
    return 0;
}
