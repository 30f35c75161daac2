// Feeds arbitrary bytes to the version reader, both as a whole image and as a bare
// VS_VERSIONINFO block (which random images rarely reach). Sanitizers catch any read outside
// the input; the reader must simply answer or not.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "platform/pe/pe_version.h"

namespace pe = tessaly::platform::pe;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::byte> bytes(reinterpret_cast<const std::byte*>(data), size);
    for (std::u16string_view path : {u"\\StringFileInfo\\040904b0\\ProductVersion",
                                     u"\\StringFileInfo\\040904B0\\FileDescription"}) {
        const auto fromImage = pe::QueryVersionString(bytes, path);
        const auto block = pe::VersionInfoBlock(bytes);
        // The two ways through the reader must agree.
        if (fromImage != (block ? pe::QueryVersionInfoString(*block, path) : std::nullopt)) {
            std::abort();
        }
        (void)pe::QueryVersionInfoString(bytes, path);
    }
    return 0;
}
