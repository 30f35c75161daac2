// Writes the installer package's registry rows: tessaly-wix-rows win64|win32 OUTPUT.wxi
// Built for and run on the build machine.
#include <cstdio>
#include <exception>
#include <fstream>
#include <string>

#include "addin/registration.h"
#include "tools/msi/wix_rows.h"

int main(int argc, char** argv) {
    using namespace tessaly;
    const std::string bitness = argc == 3 ? argv[1] : "";
    if (bitness != "win64" && bitness != "win32") {
        std::fputs("usage: tessaly-wix-rows win64|win32 OUTPUT.wxi\n", stderr);
        return 2;
    }
    try {
        // Stand-ins that cannot occur in the rows otherwise; the include turns them into the
        // installed folder.
        const std::u16string dll = u"<dll>";
        const std::u16string folder = u"<folder>";
        auto rows = registration::RegistrationRows(dll);
        const auto kind =
            bitness == "win64" ? registration::Bitness::Win64 : registration::Bitness::Win32;
        const auto typeLib = registration::TypeLibRows(dll, folder, kind);
        rows.insert(rows.end(), typeLib.begin(), typeLib.end());
        const std::string text = msi::WixInclude(rows, dll, folder, kind);
        std::ofstream out(argv[2], std::ios::binary);
        out << text;
        out.close();
        if (!out) {
            std::fprintf(stderr, "error: %s: cannot write\n", argv[2]);
            return 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "error: %s\n", e.what());
        return 1;
    }
    return 0;
}
