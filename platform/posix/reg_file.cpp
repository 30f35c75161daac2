#include "platform/posix/reg_file.h"

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "platform/services.h"
#include "platform/utf.h"

namespace tessaly::platform::posix {

namespace {

constexpr std::u16string_view kHeader = u"Windows Registry Editor Version 5.00";
constexpr std::u16string_view kRootName = u"HKEY_CURRENT_USER";
// What a backslash escapes inside a quoted name or string; nothing else may follow one, so
// no escape makes a NUL either.
constexpr std::u16string_view kEscaped = u"\\\"";
constexpr std::string_view kBadEscape = "invalid escape in string (only \\\\ and \\\" are allowed)";
// Keys and value names never hold a NUL, and the registry keeps one in string data only as
// its terminator; a NUL in the text of a store is damage, not data. (Bytes of hex data may be
// anything.)
constexpr char kContainsNul[] = " contains a NUL character (U+0000)";

using Path = std::vector<std::u16string_view>;

std::u16string_view trim(std::u16string_view s) {
    const auto first = s.find_first_not_of(u" \t");
    if (first == std::u16string_view::npos) {
        return {};
    }
    return s.substr(first, s.find_last_not_of(u" \t") - first + 1);
}

bool startsWithIgnoringCase(std::u16string_view text, std::u16string_view prefix) {
    return equalsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

constexpr std::u16string_view kHexDigits = u"0123456789abcdef";

// 1 to `maxDigits` hexadecimal digits of either case; std::nullopt for anything else.
std::optional<std::uint32_t> hexNumber(std::u16string_view digits, std::size_t maxDigits) {
    std::uint32_t value = 0;
    for (const char16_t c : digits) {
        const auto digit = kHexDigits.find(lowerAscii(c));
        if (digit == kHexDigits.npos) {
            return std::nullopt;
        }
        value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    return digits.empty() || digits.size() > maxDigits ? std::nullopt : std::optional(value);
}

[[noreturn]] void fail(std::string_view source, std::size_t line, std::string_view message) {
    throw Error(std::string(source) + ':' + std::to_string(line) + ": " + std::string(message));
}

// Line number (1-based) of the unit at `offset`, counting CRLF, LF and a lone CR as breaks.
template <typename Char>
std::size_t lineAt(std::basic_string_view<Char> text, std::size_t offset) {
    std::size_t line = 1;
    for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
        const bool crlf = text[i] == Char('\r') && i + 1 < text.size() && text[i + 1] == Char('\n');
        line += (text[i] == Char('\n') || (text[i] == Char('\r') && !crlf)) ? 1 : 0;
    }
    return line;
}

std::u16string decode(std::string_view bytes, std::string_view source, RegHive& hive) {
    if (bytes.starts_with("\xFE\xFF")) {
        fail(source, 1, "big-endian UTF-16 is not supported");
    }
    if (bytes.starts_with("\xFF\xFE")) {
        hive.encoding = RegHive::Encoding::Utf16Le;
        const std::u16string text = fromUtf16Le(bytes.substr(2));
        if (bytes.size() % 2 != 0) {
            fail(source, lineAt<char16_t>(text, text.size()),
                 "truncated UTF-16 file (odd number of bytes)");
        }
        if (const auto bad = findInvalidUtf16(text); bad != std::u16string_view::npos) {
            fail(source, lineAt<char16_t>(text, bad), "invalid UTF-16 (unpaired surrogate)");
        }
        return text;
    }
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        hive.encoding = RegHive::Encoding::Utf8Bom;
        bytes.remove_prefix(3);
    }
    try {
        return fromUtf8(bytes);
    } catch (const UtfError& e) {
        fail(source, lineAt<char>(bytes, e.offset()),
             std::string("invalid UTF-8 (") + e.what() + ")");
    }
}

// Splits a backslash-separated key path into its key names. Returns why the path is unusable,
// or nullptr.
const char* splitKeyPath(std::u16string_view path, Path& components) {
    for (;;) {
        const auto end = std::min(path.find(u'\\'), path.size());
        const auto component = path.substr(0, end);
        if (component.empty()) {
            return "empty key name";
        }
        if (component.size() > RegHive::kMaxKeyNameLength) {
            return "key name longer than 255 characters";
        }
        if (components.size() == RegHive::kMaxKeyDepth) {
            return "key nested too deeply";
        }
        components.push_back(component);
        if (end == path.size()) {
            return nullptr;
        }
        path.remove_prefix(end + 1);
    }
}

void checkWritable(std::u16string_view text, const char* what) {
    if (text.find_first_of(u"\r\n") != std::u16string_view::npos) {
        throw std::invalid_argument(std::string(what) + " contains a line break");
    }
    if (text.find(u'\0') != std::u16string_view::npos) {
        throw std::invalid_argument(std::string(what) + kContainsNul);
    }
    if (findInvalidUtf16(text) != std::u16string_view::npos) {
        throw std::invalid_argument(std::string(what) + " contains an unpaired surrogate");
    }
}

RegKey& descend(RegKey& key, const Path& components) {
    RegKey* at = &key;
    for (const auto component : components) {
        auto it = at->subkeys.find(component);
        if (it == at->subkeys.end()) {
            it = at->subkeys.emplace(std::u16string(component), RegKey{}).first;
        }
        at = &it->second;
    }
    return *at;
}

}  // namespace

// No stored key has an empty, over-long or too deeply nested name, so such a path finds none.
const RegKey* RegHive::findKey(std::u16string_view path) const noexcept {
    const RegKey* key = &root;
    for (std::size_t start = 0; key != nullptr && !path.empty() && start <= path.size();) {
        const auto end = std::min(path.find(u'\\', start), path.size());
        const auto it = key->subkeys.find(path.substr(start, end - start));
        key = it == key->subkeys.end() ? nullptr : &it->second;
        start = end + 1;
    }
    return key;
}

void RegHive::setValue(std::u16string_view keyPath, std::u16string_view name, RegData data) {
    Path components;
    if (!keyPath.empty()) {
        if (const char* problem = splitKeyPath(keyPath, components)) {
            throw std::invalid_argument(problem);
        }
    }
    for (const auto component : components) {
        checkWritable(component, "key name");
    }
    checkWritable(name, "value name");
    if (const auto* text = std::get_if<std::u16string>(&data)) {
        checkWritable(*text, "string value");
    }
    auto& values = descend(root, components).values;
    if (const auto it = values.find(name); it != values.end()) {
        it->second = std::move(data);
    } else {
        values.emplace(std::u16string(name), std::move(data));
    }
}

// ---- Parsing --------------------------------------------------------------------------------

namespace {

// The lines of the decoded text, and errors that name the current one.
struct Lines {
    std::u16string_view text;
    std::string_view source;
    std::size_t pos = 0;
    std::size_t number = 0;

    // The next line without its terminator; false at the end of the text. A final line break
    // does not start another (empty) line.
    bool next(std::u16string_view& line) {
        if (pos >= text.size()) {
            return false;
        }
        ++number;
        const auto end = std::min(text.find_first_of(u"\r\n", pos), text.size());
        line = text.substr(pos, end - pos);
        pos = end + (text.substr(end).starts_with(u"\r\n") ? 2 : 1);
        return true;
    }

    [[noreturn]] void fail(std::string_view message) const { posix::fail(source, number, message); }
};

RegKey& parseSection(std::u16string_view line, const Lines& lines, RegHive& hive) {
    if (!line.ends_with(u']')) {
        lines.fail("missing ']' at the end of the key name");
    }
    const auto path = line.substr(1, line.size() - 2);
    if (path.find(u'\0') != path.npos) {
        lines.fail(std::string("key name") + kContainsNul);
    }
    if (path.starts_with(u'-')) {
        lines.fail("deleting keys is not supported");
    }
    const auto rootEnd = std::min(path.find(u'\\'), path.size());
    const auto root = path.substr(0, rootEnd);
    if (!equalsIgnoringAsciiCase(root, u"HKCU") && !equalsIgnoringAsciiCase(root, kRootName)) {
        lines.fail("only keys under HKEY_CURRENT_USER are allowed");
    }
    Path components;
    if (rootEnd < path.size()) {
        if (const char* problem = splitKeyPath(path.substr(rootEnd + 1), components)) {
            lines.fail(problem);
        }
    }
    return descend(hive.root, components);
}

// The quoted text at the start of `text`, unescaped; `text` is left after the closing quote.
// `what` (a value name or string value) names it when it holds a NUL.
std::u16string unquote(std::u16string_view& text, const Lines& lines, const char* what) {
    std::u16string out;
    for (std::size_t i = 1; i < text.size(); ++i) {
        if (text[i] == u'"') {
            text.remove_prefix(i + 1);
            return out;
        }
        const bool escape = text[i] == u'\\';
        if (escape && ++i == text.size()) {
            lines.fail(kBadEscape);
        }
        if (text[i] == u'\0') {
            lines.fail(std::string(what) + kContainsNul);
        }
        if (escape && kEscaped.find(text[i]) == text.npos) {
            lines.fail(kBadEscape);
        }
        out += text[i];
    }
    lines.fail("missing closing '\"'");
}

// The data of hex: and hex(N): after "hex", continued over further lines after a trailing
// backslash: bytes of one or two digits separated by commas, of which only the last may be
// empty (a line continued after its comma, or no data at all).
RegBytes parseHex(std::u16string_view text, Lines& lines) {
    RegBytes value;
    if (text.starts_with(u'(')) {
        const auto close = text.find(u')');
        const auto type =
            close == text.npos ? std::nullopt : hexNumber(text.substr(1, close - 1), 8);
        if (!type) {
            lines.fail("hex(N) needs a type of 1 to 8 hexadecimal digits");
        }
        value.type = *type;
        text.remove_prefix(close + 1);
    }
    if (!text.starts_with(u':')) {
        lines.fail("expected ':' after the value type");
    }
    text.remove_prefix(1);
    for (;;) {
        text = trim(text);
        const bool continued = text.ends_with(u'\\');
        text.remove_suffix(continued ? 1 : 0);
        for (;;) {
            const auto comma = text.find(u',');
            const auto token = trim(text.substr(0, comma));
            if (token.empty() && comma == text.npos) {
                break;
            }
            const auto byte = hexNumber(token, 2);
            if (!byte) {
                lines.fail("hexadecimal data needs bytes of one or two digits separated by ','");
            }
            value.bytes += static_cast<char>(*byte);
            if (comma == text.npos) {
                break;
            }
            text.remove_prefix(comma + 1);
        }
        if (!continued) {
            return value;
        }
        if (!lines.next(text)) {
            lines.fail("value continues past the end of the file");
        }
    }
}

RegData parseData(std::u16string_view text, Lines& lines) {
    if (text.empty()) {
        lines.fail("missing value data");
    }
    if (text.front() == u'"') {
        auto string = unquote(text, lines, "string value");
        if (!text.empty()) {
            lines.fail("unexpected text after the string");
        }
        return string;
    }
    if (text.front() == u'-') {
        lines.fail("deleting values is not supported");
    }
    if (startsWithIgnoringCase(text, u"dword:")) {
        if (const auto number = hexNumber(text.substr(6), 8)) {
            return *number;
        }
        lines.fail("dword needs 1 to 8 hexadecimal digits");
    }
    if (startsWithIgnoringCase(text, u"hex")) {
        return parseHex(text.substr(3), lines);
    }
    lines.fail("unsupported value type");
}

void parseValue(std::u16string_view line, Lines& lines, RegKey& key) {
    std::u16string name;  // '@' is the default value
    if (line.front() == u'"') {
        name = unquote(line, lines, "value name");
    } else {
        line.remove_prefix(1);
    }
    line = trim(line);
    if (!line.starts_with(u'=')) {
        lines.fail("expected '=' after the value name");
    }
    key.values.insert_or_assign(std::move(name), parseData(trim(line.substr(1)), lines));
}

}  // namespace

RegHive parseRegFile(std::string_view bytes, std::string_view sourceName) {
    ++regFileParses;
    RegHive hive;
    const std::u16string text = decode(bytes, sourceName, hive);
    const auto eol = text.find_first_of(u"\r\n");
    hive.crlf = eol == text.npos || text[eol] == u'\r';
    Lines lines{text, sourceName};
    bool sawHeader = false;
    RegKey* current = nullptr;
    for (std::u16string_view raw; lines.next(raw);) {
        const auto line = trim(raw);
        if (line.empty() || (sawHeader && line.front() == u';')) {
            continue;
        }
        if (!sawHeader) {
            if (line != kHeader) {
                lines.fail(line == u"REGEDIT4"
                               ? "REGEDIT4 files are not supported; expected \"Windows Registry "
                                 "Editor Version 5.00\""
                               : "expected \"Windows Registry Editor Version 5.00\"");
            }
            sawHeader = true;
        } else if (line.front() == u'[') {
            current = &parseSection(line, lines, hive);
        } else if (line.front() != u'"' && line.front() != u'@') {
            lines.fail("expected a [key], a \"value\"=... line or a ; comment");
        } else if (current == nullptr) {
            lines.fail("value outside of a [key]");
        } else {
            parseValue(line, lines, *current);
        }
    }
    return hive;
}

namespace {

// A blank byte of a line (named apart from the other files' helpers of a unity build).
bool IsBlankStoreByte(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Nothing but blank lines after the byte-order mark, in UTF-8 or UTF-16LE: a store truncated
// or overwritten with nothing, which must not pass for a new one.
bool StoreHoldsNothing(std::string_view bytes) {
    if (bytes.starts_with("\xFF\xFE")) {
        bytes.remove_prefix(2);
        for (std::size_t i = 0; i < bytes.size(); i += 2) {
            if (i + 1 == bytes.size() || !IsBlankStoreByte(bytes[i]) || bytes[i + 1] != '\0') {
                return false;
            }
        }
        return true;
    }
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        bytes.remove_prefix(3);
    }
    return std::all_of(bytes.begin(), bytes.end(), IsBlankStoreByte);
}

}  // namespace

void refuseEmptyRegFile(std::string_view bytes, std::string_view sourceName) {
    if (StoreHoldsNothing(bytes)) {
        fail(sourceName, 1, "the file is empty; a store begins with \"" + toUtf8(kHeader) + "\"");
    }
}

// ---- Serializing ----------------------------------------------------------------------------

namespace {

void appendQuoted(std::u16string& out, std::u16string_view text) {
    out += u'"';
    for (const char16_t c : text) {
        if (kEscaped.find(c) != kEscaped.npos) {
            out += u'\\';
        }
        out += c;
    }
    out += u'"';
}

// At least `digits` lowercase hexadecimal digits, as many as the value needs.
void appendHex(std::u16string& out, std::uint32_t value, int digits) {
    while (digits < 8 && (value >> (4 * digits)) != 0) {
        ++digits;
    }
    for (int i = digits - 1; i >= 0; --i) {
        out += kHexDigits[(value >> (4 * i)) & 0xF];
    }
}

void appendData(std::u16string& out, const RegData& data, std::u16string_view eol) {
    if (const auto* dword = std::get_if<std::uint32_t>(&data)) {
        out += u"dword:";
        appendHex(out, *dword, 8);
        return;
    }
    if (const auto* text = std::get_if<std::u16string>(&data)) {
        appendQuoted(out, *text);
        return;
    }
    const auto& value = std::get<RegBytes>(data);
    out += u"hex";
    if (value.type != 3) {
        out += u'(';
        appendHex(out, value.type, 1);
        out += u')';
    }
    out += u':';
    for (std::size_t i = 0; i < value.bytes.size(); ++i) {
        if (i > 0) {
            out += u',';
            if (i % 25 == 0) {  // as regedit, which keeps its lines under 80 columns
                out.append(u"\\").append(eol).append(u"  ");
            }
        }
        appendHex(out, static_cast<unsigned char>(value.bytes[i]), 2);
    }
}

void appendKey(std::u16string& out, const RegKey& key, std::u16string& path,
               std::u16string_view eol, bool isRoot) {
    if (!key.values.empty() || (key.subkeys.empty() && !isRoot)) {
        out.append(u"[").append(path).append(u"]").append(eol);
        for (const auto& [name, data] : key.values) {
            if (name.empty()) {
                out += u'@';
            } else {
                appendQuoted(out, name);
            }
            out += u'=';
            appendData(out, data, eol);
            out += eol;
        }
        out += eol;
    }
    for (const auto& [name, subkey] : key.subkeys) {
        const auto length = path.size();
        path.append(u"\\").append(name);
        appendKey(out, subkey, path, eol, false);
        path.resize(length);
    }
}

}  // namespace

std::string serializeRegFile(const RegHive& hive) {
    const std::u16string_view eol = hive.crlf ? u"\r\n" : u"\n";
    std::u16string text(kHeader);
    text.append(eol).append(eol);
    std::u16string path(kRootName);
    appendKey(text, hive.root, path, eol, true);
    switch (hive.encoding) {
        case RegHive::Encoding::Utf16Le:
            return "\xFF\xFE" + toUtf16Le(text);
        case RegHive::Encoding::Utf8Bom:
            return "\xEF\xBB\xBF" + toUtf8(text);
        case RegHive::Encoding::Utf8:
            break;
    }
    return toUtf8(text);
}

}  // namespace tessaly::platform::posix
