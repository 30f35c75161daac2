// Started by the launcher tests: writes its argv, each argument followed by a NUL (arguments
// may hold line breaks), to the file named by TESSALY_ARGV_OUT. The file appears complete or
// not at all. With TESSALY_ARGV_SLEEP it then sleeps that many seconds.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

int main(int argc, char** argv) {
    const char* out = std::getenv("TESSALY_ARGV_OUT");
    if (out == nullptr) {
        return 2;
    }
    const std::string part = std::string(out) + ".part";
    {
        const std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(part.c_str(), "wb"),
                                                         &std::fclose);
        if (!file) {
            return 3;
        }
        for (int i = 0; i < argc; ++i) {
            std::fwrite(argv[i], 1, std::strlen(argv[i]) + 1, file.get());
        }
    }
    if (std::rename(part.c_str(), out) != 0) {
        return 4;
    }
    if (const char* seconds = std::getenv("TESSALY_ARGV_SLEEP")) {
        sleep(static_cast<unsigned>(std::atoi(seconds)));
    }
    return 0;
}
