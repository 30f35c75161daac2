// Text conversions at the program's edges (files, argv, stdout).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tessaly::frontend {

// Strict: throws platform::platform::UtfError on malformed UTF-8. Script lines are checked when
// parsed and the JSON parser rejects malformed strings, so input never reaches here broken.
std::u16string ToUtf16(std::string_view utf8);

// For display: what the host model holds is printed even when it has unpaired surrogates,
// which become U+FFFD rather than stop the run.
std::string ToUtf8(std::u16string_view utf16);

bool IsValidUtf8(std::string_view text);

// Input bytes made safe to echo on a terminal: control characters (C0, DEL and the C1
// range) become \xHH or \uHHHH, so that neither an escape sequence nor a NUL that would cut
// the message gets through; the rest is kept. Longer results are cut, at a character
// boundary, to at most `limit` bytes followed by "...".
std::string Printable(std::string_view text, std::size_t limit = std::string_view::npos);

// The longest echo of a script's or profile's text in a message.
inline constexpr std::size_t kMaxEcho = 200;

// The input's text as a message echoes it: quoted, printable, and cut when long.
std::string QuotedEcho(std::string_view text);

}  // namespace tessaly::frontend
