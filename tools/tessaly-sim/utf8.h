// Text conversions at the program's edges (files, argv, stdout).
#pragma once

#include <string>
#include <string_view>

namespace tessaly::sim_tool {

// Strict: throws platform::platform::UtfError on malformed UTF-8. Script lines are checked when
// parsed and the JSON parser rejects malformed strings, so input never reaches here broken.
std::u16string ToUtf16(std::string_view utf8);

// For display: what the host model holds is printed even when it has unpaired surrogates,
// which become U+FFFD rather than stop the run.
std::string ToUtf8(std::u16string_view utf16);

bool IsValidUtf8(std::string_view text);

}  // namespace tessaly::sim_tool
