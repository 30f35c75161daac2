// Softphone discovery as OnConnection runs it, on the Windows registry with many installations
// under a scratch key of the current user: prints how long one pass takes (the median of
// several) and fails only when a pass does not find every installation. The time is a
// figure to read, not a condition.
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
    for (int pass = 0; pass < passes; ++pass) {
        const auto start = std::chrono::steady_clock::now();
        common.FindSoftphones();
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
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
