// Arbitrary bytes into the .reg parser. Whatever parses must serialize to a file that parses
// back to the same hive, and serializing that must give the same bytes again; a UTF-8 file
// written holds no NUL byte (hex data is written as digits).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/posix/reg_file.h"
#include "platform/services.h"

using tessaly::platform::Error;
using tessaly::platform::posix::parseRegFile;
using tessaly::platform::posix::RegHive;
using tessaly::platform::posix::serializeRegFile;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    RegHive hive;
    try {
        hive = parseRegFile(bytes, "fuzz.reg");
    } catch (const Error&) {
        return 0;
    }
    const std::string written = serializeRegFile(hive);
    const RegHive reread = parseRegFile(written, "serialized.reg");  // must not throw
    const bool nulInText =
        hive.encoding != RegHive::Encoding::Utf16Le && written.find('\0') != written.npos;
    if (nulInText || !(reread == hive) || serializeRegFile(reread) != written) {
        __builtin_trap();
    }
    return 0;
}
