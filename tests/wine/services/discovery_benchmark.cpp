// Softphone discovery as OnConnection runs it, on the Windows registry with many installations
// under a scratch key of the current user: prints how long one pass takes (the median of
// several) beside its floor, the same system calls made directly with nothing around them,
// and fails only when a pass does not find every installation. The times are figures to
// read, not conditions.
//   win32_discovery_benchmark [INSTALLATIONS [PASSES]]   (default 1000 and 5)
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/win32/raii.h"
#include "platform/win32/services.h"
#include "platform/win32/text.h"
#include "softphone/common.h"
#include "test_support.h"

namespace {

using tessaly::win32::FromWide;
using tessaly::win32::UniqueHKey;
using tessaly::win32::testing::ProgramPath;

// The preferred installation sorts last, so that ordering has work to do.
constexpr wchar_t kPreferred[] = L"{5E0A4C21-7B3D-4F19-9C62-1D8E4A7B3F90}";

// The scratch key and its installations, removed again when the benchmark ends.
class ScratchInstallations {
  public:
    ScratchInstallations(int count, const std::wstring& appPath)
        : root_(L"Software\\TessalyBenchmark\\" + std::to_wstring(GetCurrentProcessId())) {
        for (int i = 0; i < count; ++i) {
            wchar_t guid[64];
            if (i == count - 1) {
                std::swprintf(guid, 64, L"%ls", kPreferred);
            } else {
                std::swprintf(guid, 64, L"{%08d-0000-4000-8000-000000000000}", i);
            }
            UniqueHKey key;
            const std::wstring path = softphoneKey() + L"\\" + guid;
            if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                nullptr, key.put(), nullptr) != ERROR_SUCCESS ||
                !set(key.get(), L"AppPath", appPath) || !set(key.get(), L"CmdLineParams", L"")) {
                throw std::runtime_error("cannot write the installations");
            }
        }
    }
    ~ScratchInstallations() {
        RegDeleteTreeW(HKEY_CURRENT_USER, root_.c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, root_.c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\TessalyBenchmark");  // only when empty
    }
    ScratchInstallations(const ScratchInstallations&) = delete;
    ScratchInstallations& operator=(const ScratchInstallations&) = delete;

    std::wstring softphoneKey() const { return root_ + L"\\Softphone"; }

  private:
    static bool set(HKEY key, const wchar_t* name, const std::wstring& text) {
        return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                              static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) ==
               ERROR_SUCCESS;
    }
    std::wstring root_;
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

template <class F>
double Milliseconds(F&& f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// The floor of one pass: the calls discovery cannot do without, made directly. Each
// installation is one enumeration step, an open of its key, the reads of its three values (the
// third is missing here, as it mostly is), a close, and the check that its program exists.
// Returns how many installations it found with a program.
std::size_t BareDiscovery(const std::wstring& softphoneKey) {
    UniqueHKey parent;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, softphoneKey.c_str(), 0, KEY_READ, parent.put()) !=
        ERROR_SUCCESS) {
        return 0;
    }
    std::size_t found = 0;
    wchar_t name[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = 256;
        if (RegEnumKeyExW(parent.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            return found;
        }
        UniqueHKey key;
        if (RegOpenKeyExW(parent.get(), name, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) {
            continue;
        }
        wchar_t path[MAX_PATH];
        BYTE other[512];
        DWORD size = sizeof path;
        const bool hasPath =
            RegQueryValueExW(key.get(), L"AppPath", nullptr, nullptr, reinterpret_cast<BYTE*>(path),
                             &size) == ERROR_SUCCESS;
        for (const wchar_t* value : {L"CmdLineParams", L"PersonalDataRootDir"}) {
            size = sizeof other;
            (void)RegQueryValueExW(key.get(), value, nullptr, nullptr, other, &size);
        }
        if (hasPath && GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES) {
            ++found;
        }
    }
}

// The registry calls per installation above: the enumeration step, the open, three reads, the
// close.
constexpr int kRegistryCallsPerInstallation = 6;

// One registry call on its own: the cost every step above pays at least.
double MicrosecondsPerRegistryCall(const std::wstring& softphoneKey) {
    UniqueHKey parent;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, softphoneKey.c_str(), 0, KEY_READ, parent.put()) !=
        ERROR_SUCCESS) {
        return 0;
    }
    constexpr int kCalls = 2000;
    return 1000 * Milliseconds([&] {
               for (int i = 0; i < kCalls; ++i) {
                   DWORD subkeys = 0;
                   (void)RegQueryInfoKeyW(parent.get(), nullptr, nullptr, nullptr, &subkeys,
                                          nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                          nullptr);
               }
           }) /
           kCalls;
}

int Run(int count, int passes) {
    const ScratchInstallations installations(count, ProgramPath());
    tessaly::win32::Win32Platform platform(GetModuleHandleW(nullptr));
    tessaly::platform::Services services = platform.services();
    tessaly::softphone::Common common(services);
    const std::wstring key = installations.softphoneKey();
    common.sSoftphoneKey = FromWide(key.data(), key.size());
    common.sPreferredGUIDs = FromWide(kPreferred, std::wcslen(kPreferred));
    common.bUseFirstFound = true;

    std::vector<double> times;
    std::vector<double> floors;
    for (int pass = 0; pass < passes; ++pass) {
        times.push_back(Milliseconds([&] { common.FindSoftphones(); }));
        std::size_t bare = 0;
        floors.push_back(Milliseconds([&] { bare = BareDiscovery(key); }));
        if (bare != static_cast<std::size_t>(count)) {
            std::fprintf(stderr, "the floor's pass %d found %zu of %d installations\n", pass + 1,
                         bare, count);
            return 1;
        }
        if (common.colPhones.size() != static_cast<std::size_t>(count) ||
            common.colPhones.front().sGUID != common.sPreferredGUIDs) {
            std::fprintf(stderr,
                         "pass %d found %zu of %d installations, or not the preferred first\n",
                         pass + 1, common.colPhones.size(), count);
            return 1;
        }
    }
    std::printf("softphone discovery over %d installations: %.1f ms (median of %d passes:", count,
                Median(times), passes);
    for (const double ms : times) {
        std::printf(" %.1f", ms);
    }
    std::printf(")\n");
    std::printf(
        "its floor, the same calls made directly: %.1f ms (ratio %.2f); one registry call "
        "here takes %.1f us, %d of them per installation\n",
        Median(floors), Median(times) / Median(floors), MicrosecondsPerRegistryCall(key),
        kRegistryCallsPerInstallation);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int passes = argc > 2 ? std::atoi(argv[2]) : 5;
    if (count < 1 || passes < 1) {
        std::fputs("usage: win32_discovery_benchmark [INSTALLATIONS [PASSES]]\n", stderr);
        return 2;
    }
    try {
        return Run(count, passes);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "error: %s\n", e.what());
        return 1;
    }
}
