// Softphone discovery runs before every dial: measure it over a large registry.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/posix/file_system.h"
#include "platform/posix/reg_file_registry.h"
#include "softphone/common.h"
#include "tests/unit/support/fake_services.h"

namespace {

namespace fs = std::filesystem;
using tessaly::softphone::Common;

constexpr char kPreferred[] = "5E0A4C21-7B3D-4F19-9C62-1D8E4A7B3F90";

// A .reg file with `count` installations; the preferred one sorts last.
fs::path WriteRegistry(const fs::path& dir, int count) {
    const fs::path exe = dir / "phone";
    std::ofstream(exe) << "#!/bin/sh\n";
    const fs::path file = dir / "HKCU.reg";
    std::ofstream out(file);
    out << "Windows Registry Editor Version 5.00\r\n\r\n";
    for (int i = 0; i < count; ++i) {
        char guid[64];
        if (i == count - 1) {
            std::snprintf(guid, sizeof guid, "%s", kPreferred);
        } else {
            std::snprintf(guid, sizeof guid, "%08d-0000-0000-0000-000000000000", i);
        }
        out << "[HKEY_CURRENT_USER\\Software\\Wrenfield\\Brindle Outlook AddIn\\Softphone\\" << guid
            << "]\r\n\"AppPath\"=\"" << exe.string() << "\"\r\n"
            << "\"CmdLineParams\"=\"\"\r\n\r\n";
    }
    return file;
}

void BM_FindSoftphones(benchmark::State& state) {
    char pattern[] = "/tmp/tessaly-bench-XXXXXX";
    const fs::path dir = mkdtemp(pattern);
    const int count = static_cast<int>(state.range(0));
    tessaly::platform::posix::RegFileRegistry registry(WriteRegistry(dir, count));
    tessaly::platform::posix::PosixFileSystem files;
    tessaly::testing::FakePlatform fakes;
    tessaly::platform::Services services{registry,       registry,       files,
                                         fakes.versions, fakes.launcher, fakes.loop,
                                         fakes.messages, fakes.resources};
    Common common(services);
    common.sSoftphoneKey = u"Software\\Wrenfield\\Brindle Outlook AddIn\\Softphone";
    common.sPreferredGUIDs = u"5E0A4C21-7B3D-4F19-9C62-1D8E4A7B3F90";
    common.bUseFirstFound = true;

    for (auto _ : state) {
        common.FindSoftphones();
        benchmark::DoNotOptimize(common.lSelectedPhone);
    }
    if (common.colPhones.size() != static_cast<std::size_t>(count) ||
        common.colPhones.front().sGUID != u"5E0A4C21-7B3D-4F19-9C62-1D8E4A7B3F90") {
        state.SkipWithError("discovery did not find every installation, preferred first");
    }
    fs::remove_all(dir);
}
BENCHMARK(BM_FindSoftphones)->Arg(10)->Arg(1000)->Unit(benchmark::kMicrosecond);

}  // namespace
