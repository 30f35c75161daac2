#include "platform/posix/reg_file.h"

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <utility>

#include "platform/services.h"
#include "platform/utf.h"

namespace tessaly::platform::posix {

namespace {

constexpr std::u16string_view kHeader = u"Windows Registry Editor Version 5.00";
constexpr std::u16string_view kRootName = u"HKEY_CURRENT_USER";

bool isHexDigit(char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

bool allHex(std::u16string_view s) {
    return std::all_of(s.begin(), s.end(), isHexDigit);
}

std::uint32_t hexNumber(std::u16string_view digits) {
    std::uint32_t value = 0;
    for (const char16_t c : digits) {
        value = (value << 4) | (c <= u'9' ? c - u'0' : (foldCase(c) - u'A') + 10);
    }
    return value;
}

std::u16string_view trim(std::u16string_view s) {
    const auto first = s.find_first_not_of(u" \t");
    if (first == std::u16string_view::npos) {
        return {};
    }
    return s.substr(first, s.find_last_not_of(u" \t") - first + 1);
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

std::u16string decode(std::string_view bytes, std::string_view source, RegEncoding& encoding) {
    const auto byteAt = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    if (bytes.size() >= 2 && byteAt(0) == 0xFE && byteAt(1) == 0xFF) {
        fail(source, 1, "big-endian UTF-16 is not supported");
    }
    if (bytes.size() >= 2 && byteAt(0) == 0xFF && byteAt(1) == 0xFE) {
        encoding = RegEncoding::Utf16Le;
        std::u16string text;
        text.reserve(bytes.size() / 2);
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
            text.push_back(static_cast<char16_t>(byteAt(i) | (byteAt(i + 1) << 8)));
        }
        if (bytes.size() % 2 != 0) {
            fail(source, lineAt<char16_t>(text, text.size()),
                 "truncated UTF-16 file (odd number of bytes)");
        }
        if (const auto bad = findInvalidUtf16(text); bad != std::u16string_view::npos) {
            fail(source, lineAt<char16_t>(text, bad), "invalid UTF-16 (unpaired surrogate)");
        }
        return text;
    }
    encoding = RegEncoding::Utf8;
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        encoding = RegEncoding::Utf8Bom;
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
const char* splitKeyPath(std::u16string_view path, std::vector<std::u16string_view>& components) {
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
    if (findInvalidUtf16(text) != std::u16string_view::npos) {
        throw std::invalid_argument(std::string(what) + " contains an unpaired surrogate");
    }
}

RegKey& descend(RegKey& key, const std::vector<std::u16string_view>& components) {
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

char16_t foldCase(char16_t c) noexcept {
    const auto minus = [c](int delta) { return static_cast<char16_t>(c - delta); };
    if (c < 0x80) {
        return (c >= u'a' && c <= u'z') ? minus(0x20) : c;
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

bool equalsIgnoringCase(std::u16string_view a, std::u16string_view b) noexcept {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char16_t x, char16_t y) { return x == y || foldCase(x) == foldCase(y); });
}

bool CaseInsensitiveLess::operator()(std::u16string_view a, std::u16string_view b) const noexcept {
    return std::lexicographical_compare(
        a.begin(), a.end(), b.begin(), b.end(),
        [](char16_t x, char16_t y) { return x != y && foldCase(x) < foldCase(y); });
}

const RegKey* RegHive::findKey(std::u16string_view path) const noexcept {
    std::vector<std::u16string_view> components;
    if (!path.empty() && splitKeyPath(path, components) != nullptr) {
        return nullptr;  // no such name can exist
    }
    const RegKey* key = &root;
    for (const auto component : components) {
        const auto it = key->subkeys.find(component);
        if (it == key->subkeys.end()) {
            return nullptr;
        }
        key = &it->second;
    }
    return key;
}

void RegHive::setValue(std::u16string_view keyPath, std::u16string_view name, RegData data) {
    std::vector<std::u16string_view> components;
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

class Parser {
  public:
    Parser(std::string_view bytes, std::string_view source) : source_(source) {
        text_ = decode(bytes, source, hive_.encoding);
        const auto eol = text_.find_first_of(u"\r\n");
        hive_.lineEnding = eol != std::u16string::npos && text_[eol] == u'\n' ? RegLineEnding::Lf
                                                                              : RegLineEnding::CrLf;
    }

    RegHive run() && {
        bool sawHeader = false;
        std::u16string_view raw;
        while (nextLine(raw)) {
            const auto line = trim(raw);
            if (line.empty()) {
                continue;
            }
            if (!sawHeader) {
                if (line != kHeader) {
                    error(line == u"REGEDIT4"
                              ? "REGEDIT4 files are not supported; expected \"Windows Registry "
                                "Editor Version 5.00\""
                              : "expected \"Windows Registry Editor Version 5.00\"");
                }
                sawHeader = true;
            } else if (line.front() == u'[') {
                section(line);
            } else if (line.front() == u'"' || line.front() == u'@') {
                value(line);
            } else if (line.front() != u';') {
                error("expected a [key], a \"value\"=... line or a ; comment");
            }
        }
        return std::move(hive_);
    }

  private:
    [[noreturn]] void error(std::string_view message) const { fail(source_, line_, message); }

    // The next line without its terminator; false at the end of the text. A final line break
    // does not start another (empty) line.
    bool nextLine(std::u16string_view& line) {
        if (pos_ >= text_.size()) {
            return false;
        }
        ++line_;
        const auto end = std::min(text_.find_first_of(u"\r\n", pos_), text_.size());
        line = std::u16string_view(text_).substr(pos_, end - pos_);
        pos_ = end + (text_.compare(end, 2, u"\r\n") == 0 ? 2 : 1);
        return true;
    }

    void section(std::u16string_view line) {
        if (line.back() != u']') {
            error("missing ']' at the end of the key name");
        }
        const auto path = line.substr(1, line.size() - 2);
        if (path.starts_with(u'-')) {
            error("deleting keys is not supported");
        }
        const auto rootEnd = std::min(path.find(u'\\'), path.size());
        const auto rootName = path.substr(0, rootEnd);
        if (!equalsIgnoringCase(rootName, kRootName) && !equalsIgnoringCase(rootName, u"HKCU")) {
            error("only keys under HKEY_CURRENT_USER are allowed");
        }
        std::vector<std::u16string_view> components;
        if (rootEnd < path.size()) {
            if (const char* problem = splitKeyPath(path.substr(rootEnd + 1), components)) {
                error(problem);
            }
        }
        current_ = &descend(hive_.root, components);
    }

    // Reads a quoted string starting at line[pos] == '"'; leaves pos after the closing quote.
    std::u16string quoted(std::u16string_view line, std::size_t& pos) const {
        std::u16string text;
        for (++pos; pos < line.size(); ++pos) {
            if (line[pos] == u'"') {
                ++pos;
                return text;
            }
            if (line[pos] == u'\\' &&
                (++pos == line.size() || (line[pos] != u'\\' && line[pos] != u'"'))) {
                error("invalid escape in string (only \\\\ and \\\" are allowed)");
            }
            text += line[pos];
        }
        error("missing closing '\"'");
    }

    void value(std::u16string_view line) {
        if (current_ == nullptr) {
            error("value outside of a [key]");
        }
        std::size_t pos = 1;  // after '@', the default value's name
        std::u16string name;
        if (line.front() == u'"') {
            pos = 0;
            name = quoted(line, pos);
        }
        auto rest = trim(line.substr(pos));
        if (!rest.starts_with(u'=')) {
            error("expected '=' after the value name");
        }
        current_->values.insert_or_assign(std::move(name), data(trim(rest.substr(1))));
    }

    RegData data(std::u16string_view text) {
        if (text.empty()) {
            error("missing value data");
        }
        if (text.front() == u'"') {
            std::size_t pos = 0;
            auto string = quoted(text, pos);
            if (pos != text.size()) {
                error("unexpected text after the string");
            }
            return string;
        }
        if (text.front() == u'-') {
            error("deleting values is not supported");
        }
        if (text.size() >= 6 && equalsIgnoringCase(text.substr(0, 6), u"dword:")) {
            const auto digits = text.substr(6);
            if (digits.empty() || digits.size() > 8 || !allHex(digits)) {
                error("dword needs 1 to 8 hexadecimal digits");
            }
            return hexNumber(digits);
        }
        if (text.size() >= 3 && equalsIgnoringCase(text.substr(0, 3), u"hex")) {
            return hexData(text);
        }
        error("unsupported value type");
    }

    // hex:... and hex(N):..., possibly continued over several lines by a trailing backslash.
    RegData hexData(std::u16string_view text) {
        RegBytes value;
        std::size_t pos = 3;
        if (pos < text.size() && text[pos] == u'(') {
            const auto close = text.find(u')', pos);
            const auto digits = close == std::u16string_view::npos
                                    ? std::u16string_view{}
                                    : text.substr(pos + 1, close - pos - 1);
            if (digits.empty() || digits.size() > 8 || !allHex(digits)) {
                error("hex(N) needs a type of 1 to 8 hexadecimal digits");
            }
            value.type = hexNumber(digits);
            pos = close + 1;
        }
        if (pos >= text.size() || text[pos] != u':') {
            error("expected ':' after the value type");
        }
        for (auto line = text.substr(pos + 1); hexBytes(line, value.bytes);) {
            if (!nextLine(line)) {
                error("value continues past the end of the file");
            }
        }
        return value;
    }

    // Bytes of one or two hexadecimal digits separated by commas; only the last may be empty
    // (a line continued after its comma, or no data at all). True when the line continues.
    bool hexBytes(std::u16string_view line, std::string& bytes) const {
        line = trim(line);
        const bool continued = line.ends_with(u'\\');
        line.remove_suffix(continued ? 1 : 0);
        for (;;) {
            const auto comma = line.find(u',');
            const auto token = trim(line.substr(0, comma));
            if (!allHex(token)) {
                error("invalid character in hexadecimal data");
            }
            if (token.size() > 2 || (token.empty() && comma != std::u16string_view::npos)) {
                error("hexadecimal data needs bytes of one or two digits separated by ','");
            }
            if (!token.empty()) {
                bytes += static_cast<char>(hexNumber(token));
            }
            if (comma == std::u16string_view::npos) {
                return continued;
            }
            line.remove_prefix(comma + 1);
        }
    }

    std::string_view source_;
    std::u16string text_;
    std::size_t pos_ = 0;
    std::size_t line_ = 0;
    RegHive hive_;
    RegKey* current_ = nullptr;
};

}  // namespace

RegHive parseRegFile(std::string_view bytes, std::string_view sourceName) {
    ++regFileParses;
    return Parser(bytes, sourceName).run();
}

// ---- Serializing ----------------------------------------------------------------------------

namespace {

void appendQuoted(std::u16string& out, std::u16string_view text) {
    out += u'"';
    for (const char16_t c : text) {
        if (c == u'\\' || c == u'"') {
            out += u'\\';
        }
        out += c;
    }
    out += u'"';
}

// At least `digits` lowercase hexadecimal digits, as many as the value needs.
void appendHex(std::u16string& out, std::uint32_t value, int digits) {
    static constexpr char16_t kDigits[] = u"0123456789abcdef";
    while (digits < 8 && (value >> (4 * digits)) != 0) {
        ++digits;
    }
    for (int i = digits - 1; i >= 0; --i) {
        out += kDigits[(value >> (4 * i)) & 0xF];
    }
}

struct Writer {
    std::u16string_view eol;
    std::u16string out;

    void key(const RegKey& key, std::u16string& path, bool isRoot) {
        if (!key.values.empty() || (key.subkeys.empty() && !isRoot)) {
            out.append(u"[").append(path).append(u"]").append(eol);
            for (const auto& [name, data] : key.values) {
                value(name, data);
            }
            out += eol;
        }
        for (const auto& [name, subkey] : key.subkeys) {
            const auto length = path.size();
            path.append(u"\\").append(name);
            this->key(subkey, path, false);
            path.resize(length);
        }
    }

    void value(const std::u16string& name, const RegData& data) {
        if (name.empty()) {
            out += u'@';
        } else {
            appendQuoted(out, name);
        }
        out += u'=';
        if (const auto* dword = std::get_if<std::uint32_t>(&data)) {
            out += u"dword:";
            appendHex(out, *dword, 8);
        } else if (const auto* text = std::get_if<std::u16string>(&data)) {
            appendQuoted(out, *text);
        } else {
            hex(std::get<RegBytes>(data));
        }
        out += eol;
    }

    // Continued after every 25 bytes, as regedit keeps its lines under 80 columns.
    void hex(const RegBytes& value) {
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
                if (i % 25 == 0) {
                    out.append(u"\\").append(eol).append(u"  ");
                }
            }
            appendHex(out, static_cast<unsigned char>(value.bytes[i]), 2);
        }
    }
};

}  // namespace

std::string serializeRegFile(const RegHive& hive) {
    Writer writer{hive.lineEnding == RegLineEnding::CrLf ? u"\r\n" : u"\n", {}};
    writer.out.append(kHeader).append(writer.eol).append(writer.eol);
    std::u16string path(kRootName);
    writer.key(hive.root, path, true);
    const std::u16string& text = writer.out;
    switch (hive.encoding) {
        case RegEncoding::Utf16Le: {
            std::string bytes = "\xFF\xFE";
            bytes.reserve(2 + text.size() * 2);
            for (const char16_t c : text) {
                bytes += static_cast<char>(c & 0xFF);
                bytes += static_cast<char>(c >> 8);
            }
            return bytes;
        }
        case RegEncoding::Utf8Bom:
            return "\xEF\xBB\xBF" + toUtf8(text);
        case RegEncoding::Utf8:
            break;
    }
    return toUtf8(text);
}

}  // namespace tessaly::platform::posix
