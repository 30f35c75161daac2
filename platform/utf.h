// Conversions between the core's UTF-16 strings and the UTF-8 the POSIX side speaks. Both
// directions are strict: text that would not survive the trip back raises UtfError instead
// of being patched with replacement characters.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tessaly::platform {

class UtfError : public std::range_error {
  public:
    UtfError(const char* what, std::size_t offset) : std::range_error(what), offset_(offset) {}
    // Index, in code units of the input, of the first unit that could not be converted.
    std::size_t offset() const noexcept { return offset_; }

  private:
    std::size_t offset_;
};

// Throws UtfError on an unpaired surrogate.
std::string toUtf8(std::u16string_view text);

// For messages and display, where the text matters more than its exact units: an unpaired
// surrogate becomes U+FFFD.
std::string toPrintableUtf8(std::u16string_view text);

// The text as a quoted string for display, as Visual Basic and C write one: in double quotes,
// with " \\ and the line breaks and tabs escaped (\" \\ \n \r \t).
std::string quotedUtf8(std::u16string_view text);

// Throws UtfError on malformed UTF-8: bad lead or continuation bytes, truncated or overlong
// sequences, encoded surrogates, code points above U+10FFFF.
std::u16string fromUtf8(std::string_view text);

// The UTF-16LE bytes that files and registry data hold, and back; an odd last byte is
// dropped. Units are copied as they are, unpaired surrogates included.
std::string toUtf16Le(std::u16string_view text);
std::u16string fromUtf16Le(std::string_view bytes);

// Index of the first unpaired surrogate, or std::u16string_view::npos when the text is valid.
std::size_t findInvalidUtf16(std::u16string_view text) noexcept;

}  // namespace tessaly::platform
