// A short tessaly-sim script on a large registry file: what the .reg store costs a user who
// keeps many other settings in it. Reports the time per script and, as counters, how often the
// file was parsed and replaced during one run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/posix/reg_file.h"
#include "program.h"

namespace {

namespace fs = std::filesystem;

// Seven commands: the toolbar is shown, used, customised and saved when the window closes.
constexpr char kScript[] =
    "show 1\n"
    "click 1 Mobile\n"
    "wait 1500\n"
    "customize 1 move Home Standard\n"
    "close 1\n"
    "open\n"
    "shutdown\n";

// About `megabytes` MB of keys that belong to other programs.
void WriteStore(const fs::path& file, int megabytes) {
    std::ofstream out(file, std::ios::binary);
    out << "Windows Registry Editor Version 5.00\r\n\r\n";
    char line[160];
    for (int i = 0; out.tellp() < megabytes * 1'000'000L; ++i) {
        std::snprintf(line, sizeof line,
                      "[HKEY_CURRENT_USER\\Software\\Other Vendor\\Application\\Item %07d]\r\n"
                      "\"Name\"=\"item number %d\"\r\n\"Count\"=dword:%08x\r\n\r\n",
                      i, i, i);
        out << line;
    }
}

void BM_SevenCommandScript(benchmark::State& state) {
    char pattern[] = "/tmp/tessaly-store-bench-XXXXXX";
    const fs::path dir = ::mkdtemp(pattern);
    const fs::path file = dir / "HKCU.reg";
    WriteStore(file, static_cast<int>(state.range(0)));
    const auto before = tessaly::platform::posix::regFileCounts();
    for (auto _ : state) {
        std::ostringstream text;
        std::ostringstream errors;
        tessaly::frontend::Output out(text, errors);
        std::istringstream script(kScript);
        const int status = tessaly::sim_tool::Run({"--no-launch", "--registry", file.string()}, out,
                                                  script, -1, false);
        if (status != tessaly::frontend::kExitOk || !errors.str().empty()) {
            state.SkipWithError(("the script failed: " + errors.str()).c_str());
            break;
        }
    }
    const auto after = tessaly::platform::posix::regFileCounts();
    const auto perRun = [&](std::uint64_t n) {
        return benchmark::Counter(static_cast<double>(n) / static_cast<double>(state.iterations()));
    };
    state.counters["reads"] = perRun(after.reads - before.reads);
    state.counters["parses"] = perRun(after.parses - before.parses);
    state.counters["saves"] = perRun(after.saves - before.saves);
    state.counters["MB"] = static_cast<double>(fs::file_size(file)) / 1e6;
    fs::remove_all(dir);
}
BENCHMARK(BM_SevenCommandScript)->Arg(10)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
