#include "harness/frontend/utf8.h"

#include <algorithm>

#include "platform/utf.h"

namespace tessaly::frontend {

std::u16string ToUtf16(std::string_view utf8) {
    return platform::fromUtf8(utf8);
}

std::string ToUtf8(std::u16string_view utf16) {
    return platform::toPrintableUtf8(utf16);
}

bool IsValidUtf8(std::string_view text) {
    try {
        platform::fromUtf8(text);
        return true;
    } catch (const platform::UtfError&) {
        return false;
    }
}

namespace {

// The bytes of the character that starts with `lead`; a stray byte stands alone.
std::size_t SequenceLength(unsigned char lead) {
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 4;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 3;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 2;
    }
    return 1;
}

std::string Hex(unsigned value, int digits) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out(static_cast<std::size_t>(digits), '0');
    for (int i = digits - 1; i >= 0; --i, value >>= 4) {
        out[static_cast<std::size_t>(i)] = kDigits[value & 0xF];
    }
    return out;
}

}  // namespace

std::string Printable(std::string_view text, std::size_t limit) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = std::min(SequenceLength(lead), text.size() - i);
        std::string piece;
        if (lead < 0x20 || lead == 0x7F) {
            piece = "\\x" + Hex(lead, 2);
        } else if (lead == 0xC2 && length == 2 && static_cast<unsigned char>(text[i + 1]) <= 0x9F &&
                   static_cast<unsigned char>(text[i + 1]) >= 0x80) {
            piece = "\\u00" + Hex(static_cast<unsigned char>(text[i + 1]), 2);
        } else {
            piece.assign(text.substr(i, length));
        }
        if (limit != std::string_view::npos && out.size() + piece.size() > limit) {
            return out + "...";
        }
        out += piece;
        i += length;
    }
    return out;
}

std::string QuotedEcho(std::string_view text) {
    return "\"" + Printable(text, kMaxEcho) + "\"";
}

}  // namespace tessaly::frontend
