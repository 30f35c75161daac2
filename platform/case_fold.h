// Names compared without regard to case. Two folds: plain ASCII, for names that are ASCII by
// definition (registry roots, version resource keys, command words, member names), and the
// registry's own, which also pairs the letters of the Latin, Greek and Cyrillic blocks that
// users type into key and value names.
#pragma once

#include <algorithm>
#include <string_view>

namespace tessaly::platform {

template <class Char>
constexpr Char upperAscii(Char c) noexcept {
    return c >= Char('a') && c <= Char('z') ? static_cast<Char>(c - 0x20) : c;
}

template <class Char>
constexpr Char lowerAscii(Char c) noexcept {
    return c >= Char('A') && c <= Char('Z') ? static_cast<Char>(c + 0x20) : c;
}

constexpr bool equalsIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) noexcept {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char16_t x, char16_t y) { return upperAscii(x) == upperAscii(y); });
}

constexpr bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) noexcept {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return upperAscii(x) == upperAscii(y); });
}

// Upper-cases one UTF-16 unit the way the registry compares names: ASCII, Latin-1, Latin
// Extended-A, Greek, Cyrillic and full-width Latin letters; other units compare as they are.
constexpr char16_t foldCase(char16_t c) noexcept {
    const auto minus = [c](int delta) { return static_cast<char16_t>(c - delta); };
    if (c < 0x80) {
        return upperAscii(c);
    }
    if (c == 0xB5) {
        return 0x39C;
    }
    if (c >= 0xE0 && c <= 0xFE) {
        return c == 0xF7 ? c : minus(0x20);
    }
    if (c == 0xFF) {
        return 0x178;
    }
    if (c >= 0x100 && c <= 0x17F) {
        // Upper/lower pairs; the case letter sits on the even unit except in the two runs
        // that start on an odd one. The dotless i, kra, apostrophe-n and long s stay put.
        if (c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) {
            return c;
        }
        const bool oddRun = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        return ((c % 2 == 0) == oddRun) ? minus(1) : c;
    }
    if (c >= 0x3B1 && c <= 0x3CB) {
        return c == 0x3C2 ? char16_t{0x3A3} : minus(0x20);
    }
    if ((c >= 0x430 && c <= 0x44F) || (c >= 0xFF41 && c <= 0xFF5A)) {
        return minus(0x20);
    }
    return (c >= 0x450 && c <= 0x45F) ? minus(0x50) : c;
}

constexpr bool equalsIgnoringCase(std::u16string_view a, std::u16string_view b) noexcept {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char16_t x, char16_t y) { return x == y || foldCase(x) == foldCase(y); });
}

// Orders names as the registry enumerates them: by upper-cased UTF-16 units, so '_' sorts
// after the letters.
struct CaseInsensitiveLess {
    using is_transparent = void;
    constexpr bool operator()(std::u16string_view a, std::u16string_view b) const noexcept {
        return std::lexicographical_compare(
            a.begin(), a.end(), b.begin(), b.end(),
            [](char16_t x, char16_t y) { return x != y && foldCase(x) < foldCase(y); });
    }
};

}  // namespace tessaly::platform
