// Small text helpers shared by the settings, the dialing and the toolbar layout store.
#pragma once

#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tessaly::softphone {

// The text without its leading and trailing blanks (U+0020 only; tabs and line breaks stay).
inline std::u16string TrimBlanks(std::u16string_view s) {
    const auto first = s.find_first_not_of(u' ');
    if (first == std::u16string_view::npos) {
        return {};
    }
    return std::u16string(s.substr(first, s.find_last_not_of(u' ') - first + 1));
}

// A decimal integer: blanks around an optionally signed run of digits that fits Int.
template <class Int>
std::optional<Int> ParseDecimal(std::u16string_view text) {
    std::string narrow;
    for (char16_t c : TrimBlanks(text)) {
        if (c > 0x7F) {
            return std::nullopt;
        }
        narrow.push_back(static_cast<char>(c));
    }
    if (!narrow.empty() && narrow.front() == '+') {
        narrow.erase(0, 1);
    }
    Int value{};
    const auto [end, error] = std::from_chars(narrow.data(), narrow.data() + narrow.size(), value);
    if (narrow.empty() || error != std::errc{} || end != narrow.data() + narrow.size()) {
        return std::nullopt;
    }
    return value;
}

inline std::u16string DecimalText(std::int64_t value) {
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

}  // namespace tessaly::softphone
