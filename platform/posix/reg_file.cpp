#include "platform/posix/reg_file.h"

#include <algorithm>
#include <atomic>
#include <iterator>
#include <stdexcept>
#include <utility>

#include "platform/services.h"
#include "platform/utf.h"

namespace tessaly::platform::posix {

namespace {

constexpr std::u16string_view kHeader = u"Windows Registry Editor Version 5.00";
constexpr std::u16string_view kRootName = u"HKEY_CURRENT_USER";
constexpr std::u16string_view kRootShortName = u"HKCU";

bool isBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

bool isHexDigit(char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

std::uint32_t hexDigitValue(char16_t c) {
    if (c <= u'9') {
        return c - u'0';
    }
    return (foldCase(c) - u'A') + 10;
}

std::u16string_view trimRight(std::u16string_view s) {
    while (!s.empty() && isBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

std::u16string_view trimLeft(std::u16string_view s) {
    while (!s.empty() && isBlank(s.front())) {
        s.remove_prefix(1);
    }
    return s;
}

bool startsWithIgnoringCase(std::u16string_view s, std::u16string_view prefix) {
    return s.size() >= prefix.size() && equalsIgnoringCase(s.substr(0, prefix.size()), prefix);
}

bool hasLineBreak(std::u16string_view s) {
    return s.find_first_of(u"\r\n") != std::u16string_view::npos;
}

// Line number (1-based) of the unit at `offset`, counting CRLF, LF and a lone CR as breaks
// the same way the line reader does.
template <typename Char>
std::size_t lineAt(std::basic_string_view<Char> text, std::size_t offset) {
    std::size_t line = 1;
    for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
        if (text[i] == Char('\n') ||
            (text[i] == Char('\r') && (i + 1 >= text.size() || text[i + 1] != Char('\n')))) {
            ++line;
        }
    }
    return line;
}

[[noreturn]] void fail(std::string_view source, std::size_t line, std::string_view message) {
    std::string text(source);
    text += ':';
    text += std::to_string(line);
    text += ": ";
    text += message;
    throw Error(text);
}

std::u16string decode(std::string_view bytes, std::string_view source, RegEncoding& encoding) {
    const auto byteAt = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
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
    if (bytes.size() >= 2 && byteAt(0) == 0xFE && byteAt(1) == 0xFF) {
        fail(source, 1, "big-endian UTF-16 is not supported");
    }
    encoding = RegEncoding::Utf8;
    if (bytes.size() >= 3 && byteAt(0) == 0xEF && byteAt(1) == 0xBB && byteAt(2) == 0xBF) {
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

RegLineEnding detectLineEnding(std::u16string_view text) {
    const auto pos = text.find_first_of(u"\r\n");
    if (pos != std::u16string_view::npos && text[pos] == u'\n') {
        return RegLineEnding::Lf;
    }
    return RegLineEnding::CrLf;
}

class LineReader {
  public:
    explicit LineReader(std::u16string_view text) : text_(text) {}

    // The next line without its terminator; false at the end of the text. A final line break
    // does not start another (empty) line.
    bool next(std::u16string_view& line) {
        if (pos_ >= text_.size()) {
            return false;
        }
        ++number_;
        const auto end = std::min(text_.find_first_of(u"\r\n", pos_), text_.size());
        line = text_.substr(pos_, end - pos_);
        pos_ = end;
        if (pos_ < text_.size()) {
            pos_ += (text_[pos_] == u'\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == u'\n')
                        ? 2
                        : 1;
        }
        return true;
    }
    std::size_t number() const { return number_; }

  private:
    std::u16string_view text_;
    std::size_t pos_ = 0;
    std::size_t number_ = 0;
};

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

void appendDword(std::u16string& out, std::uint32_t value) {
    static constexpr char16_t kDigits[] = u"0123456789abcdef";
    out += u"dword:";
    for (int shift = 28; shift >= 0; shift -= 4) {
        out += kDigits[(value >> shift) & 0xF];
    }
}

std::string encode(std::u16string_view text, RegEncoding encoding) {
    switch (encoding) {
        case RegEncoding::Utf16Le: {
            std::string out;
            out.reserve(2 + text.size() * 2);
            out += "\xFF\xFE";
            for (const char16_t c : text) {
                out += static_cast<char>(c & 0xFF);
                out += static_cast<char>(c >> 8);
            }
            return out;
        }
        case RegEncoding::Utf8Bom:
            return "\xEF\xBB\xBF" + toUtf8(text);
        case RegEncoding::Utf8:
            break;
    }
    return toUtf8(text);
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
    if (hasLineBreak(text)) {
        throw std::invalid_argument(std::string(what) + " contains a line break");
    }
    if (findInvalidUtf16(text) != std::u16string_view::npos) {
        throw std::invalid_argument(std::string(what) + " contains an unpaired surrogate");
    }
}

}  // namespace

char16_t foldCaseNonAscii(char16_t c) noexcept {
    const auto minus = [c](int delta) { return static_cast<char16_t>(c - delta); };
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
    if (c >= 0x430 && c <= 0x44F) {
        return minus(0x20);
    }
    if (c >= 0x450 && c <= 0x45F) {
        return minus(0x50);
    }
    if (c >= 0xFF41 && c <= 0xFF5A) {
        return minus(0x20);
    }
    return c;
}

bool equalsIgnoringCase(std::u16string_view a, std::u16string_view b) noexcept {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && foldCase(a[i]) != foldCase(b[i])) {
            return false;
        }
    }
    return true;
}

bool CaseInsensitiveLess::operator()(std::u16string_view a, std::u16string_view b) const noexcept {
    const auto n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        if (a[i] == b[i]) {
            continue;
        }
        const auto x = foldCase(a[i]);
        const auto y = foldCase(b[i]);
        if (x != y) {
            return x < y;
        }
    }
    return a.size() < b.size();
}

// ---- RegHive --------------------------------------------------------------------------------

RegHive::RegHive() {
    keys_.emplace_back();
}

std::optional<RegHive::KeyId> RegHive::findKey(std::u16string_view path) const noexcept {
    KeyId key = kRoot;
    while (!path.empty()) {
        const auto end = std::min(path.find(u'\\'), path.size());
        const auto& children = keys_[key].children;
        const auto it = children.find(path.substr(0, end));
        if (it == children.end()) {
            return std::nullopt;
        }
        key = it->second;
        if (end == path.size()) {
            break;
        }
        path.remove_prefix(end + 1);
        if (path.empty()) {
            return std::nullopt;  // trailing backslash: an empty key name never exists
        }
    }
    return key;
}

const RegData* RegHive::findValue(KeyId key, std::u16string_view name) const noexcept {
    const auto& k = keys_[key];
    const auto it = k.valueIndex.find(name);
    return it == k.valueIndex.end() ? nullptr : &k.values[it->second].data;
}

std::vector<std::u16string> RegHive::subkeyNames(KeyId key) const {
    std::vector<std::u16string> names;
    names.reserve(keys_[key].children.size());
    for (const auto& [name, child] : keys_[key].children) {
        names.push_back(keys_[child].name);
    }
    return names;
}

RegHive::KeyId RegHive::childOf(KeyId parent, std::u16string_view name) {
    auto& children = keys_[parent].children;
    if (const auto it = children.find(name); it != children.end()) {
        return it->second;
    }
    const KeyId id = keys_.size();
    Key key;
    key.name = std::u16string(name);
    key.parent = parent;
    keys_.push_back(std::move(key));
    keys_[parent].children.emplace(name, id);
    return id;
}

RegValueEntry& RegHive::putValue(KeyId key, std::u16string_view name, RegData data) {
    auto& k = keys_[key];
    if (const auto it = k.valueIndex.find(name); it != k.valueIndex.end()) {
        auto& entry = k.values[it->second];
        entry.data = std::move(data);
        return entry;
    }
    k.valueIndex.emplace(name, k.values.size());
    k.values.push_back(RegValueEntry{std::u16string(name), std::move(data), {}});
    return k.values.back();
}

bool RegHive::isWithin(KeyId key, KeyId ancestor) const noexcept {
    for (;;) {
        if (key == ancestor) {
            return true;
        }
        if (key == kRoot) {
            return false;
        }
        key = keys_[key].parent;
    }
}

void RegHive::insertSection(KeyId key) {
    keys_[key].hasSection = true;
    const auto below =
        std::find_if(sections_.begin(), sections_.end(), [&](KeyId s) { return isWithin(s, key); });
    if (below != sections_.end()) {
        sections_.insert(below, key);
        return;
    }
    for (KeyId anchor = key; anchor != kRoot;) {
        anchor = keys_[anchor].parent;
        const auto last = std::find_if(sections_.rbegin(), sections_.rend(),
                                       [&](KeyId s) { return isWithin(s, anchor); });
        if (last != sections_.rend()) {
            sections_.insert(last.base(), key);
            return;
        }
    }
    sections_.push_back(key);
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
    } else if (const auto* raw = std::get_if<RegRawValue>(&data)) {
        for (const auto& line : raw->lines) {
            checkWritable(line, "value data");
        }
    }

    KeyId key = kRoot;
    for (const auto component : components) {
        key = childOf(key, component);
    }
    if (!keys_[key].hasSection) {
        insertSection(key);
    }
    putValue(key, name, std::move(data));
}

std::vector<std::u16string_view> RegHive::pathOf(KeyId key) const {
    std::vector<std::u16string_view> path;
    for (; key != kRoot; key = keys_[key].parent) {
        path.push_back(keys_[key].name);
    }
    std::reverse(path.begin(), path.end());
    return path;
}

bool RegHive::sameSubtree(const RegHive& other, KeyId mine, KeyId theirs) const {
    const Key& a = keys_[mine];
    const Key& b = other.keys_[theirs];
    if (a.name != b.name || a.hasSection != b.hasSection || a.values != b.values ||
        a.headerComments != b.headerComments || a.trailingComments != b.trailingComments ||
        a.children.size() != b.children.size()) {
        return false;
    }
    auto it = b.children.begin();
    for (const auto& [name, child] : a.children) {
        if (name != it->first || !sameSubtree(other, child, it->second)) {
            return false;
        }
        ++it;
    }
    return true;
}

bool operator==(const RegHive& a, const RegHive& b) {
    if (a.encoding_ != b.encoding_ || a.lineEnding_ != b.lineEnding_ ||
        a.preamble_ != b.preamble_ || a.sections_.size() != b.sections_.size() ||
        !a.sameSubtree(b, RegHive::kRoot, RegHive::kRoot)) {
        return false;
    }
    for (std::size_t i = 0; i < a.sections_.size(); ++i) {
        if (a.pathOf(a.sections_[i]) != b.pathOf(b.sections_[i])) {
            return false;
        }
    }
    return true;
}

// ---- Parsing --------------------------------------------------------------------------------

class RegFileParser {
  public:
    RegFileParser(std::string_view bytes, std::string_view source) : source_(source) {
        text_ = decode(bytes, source, hive_.encoding_);
        hive_.lineEnding_ = detectLineEnding(text_);
    }

    RegHive run() && {
        LineReader reader(text_);
        std::u16string_view raw;
        bool sawHeader = false;
        while (reader.next(raw)) {
            line_ = reader.number();
            const auto line = trimLeft(trimRight(raw));
            if (line.empty()) {
                flushPendingComments();
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
            } else if (line.front() == u';') {
                pending_.emplace_back(line);
            } else if (line.front() == u'[') {
                section(line);
            } else if (line.front() == u'"' || line.front() == u'@') {
                value(line, reader);
            } else {
                error("expected a [key], a \"value\"=... line or a ; comment");
            }
        }
        flushPendingComments();
        return std::move(hive_);
    }

  private:
    [[noreturn]] void error(std::string_view message) const { fail(source_, line_, message); }

    // Comments separated from what follows by a blank line (or the end of the file) stay
    // with what precedes them.
    void flushPendingComments() {
        auto& target = current_ ? hive_.keys_[*current_].trailingComments : hive_.preamble_;
        std::move(pending_.begin(), pending_.end(), std::back_inserter(target));
        pending_.clear();
    }

    void takePendingComments(std::vector<std::u16string>& target) {
        std::move(pending_.begin(), pending_.end(), std::back_inserter(target));
        pending_.clear();
    }

    void section(std::u16string_view line) {
        if (line.back() != u']') {
            error("missing ']' at the end of the key name");
        }
        auto path = line.substr(1, line.size() - 2);
        if (!path.empty() && path.front() == u'-') {
            error("deleting keys is not supported");
        }
        const auto rootEnd = std::min(path.find(u'\\'), path.size());
        const auto root = path.substr(0, rootEnd);
        if (!equalsIgnoringCase(root, kRootName) && !equalsIgnoringCase(root, kRootShortName)) {
            error("only keys under HKEY_CURRENT_USER are allowed");
        }
        RegHive::KeyId key = RegHive::kRoot;
        if (rootEnd < path.size()) {
            std::vector<std::u16string_view> components;
            if (const char* problem = splitKeyPath(path.substr(rootEnd + 1), components)) {
                error(problem);
            }
            for (const auto component : components) {
                key = hive_.childOf(key, component);
            }
        }
        auto& k = hive_.keys_[key];
        if (!k.hasSection) {
            k.hasSection = true;
            hive_.sections_.push_back(key);
        }
        takePendingComments(k.headerComments);
        current_ = key;
    }

    // Reads a quoted string starting at line[pos] == '"'; leaves pos after the closing quote.
    std::u16string quoted(std::u16string_view line, std::size_t& pos) const {
        std::u16string text;
        for (++pos; pos < line.size(); ++pos) {
            const char16_t c = line[pos];
            if (c == u'"') {
                ++pos;
                return text;
            }
            if (c == u'\\') {
                if (++pos == line.size() || (line[pos] != u'\\' && line[pos] != u'"')) {
                    error("invalid escape in string (only \\\\ and \\\" are allowed)");
                }
            }
            text += line[pos];
        }
        error("missing closing '\"'");
    }

    void value(std::u16string_view line, LineReader& reader) {
        if (!current_) {
            error("value outside of a [key]");
        }
        std::size_t pos = 0;
        std::u16string name;
        if (line.front() == u'@') {
            pos = 1;
        } else {
            name = quoted(line, pos);
        }
        auto rest = trimLeft(line.substr(pos));
        if (rest.empty() || rest.front() != u'=') {
            error("expected '=' after the value name");
        }
        rest = trimLeft(rest.substr(1));
        auto& entry = hive_.putValue(*current_, name, data(rest, reader));
        takePendingComments(entry.comments);
    }

    RegData data(std::u16string_view text, LineReader& reader) {
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
        if (startsWithIgnoringCase(text, u"dword:")) {
            const auto digits = text.substr(6);
            if (digits.empty() || digits.size() > 8 ||
                !std::all_of(digits.begin(), digits.end(), isHexDigit)) {
                error("dword needs 1 to 8 hexadecimal digits");
            }
            std::uint32_t value = 0;
            for (const char16_t c : digits) {
                value = (value << 4) | hexDigitValue(c);
            }
            return value;
        }
        if (startsWithIgnoringCase(text, u"hex")) {
            return rawData(text, reader);
        }
        error("unsupported value type");
    }

    // hex:... and hex(N):..., possibly continued over several lines by a trailing backslash.
    RegData rawData(std::u16string_view text, LineReader& reader) {
        std::size_t pos = 3;
        if (pos < text.size() && text[pos] == u'(') {
            const auto close = text.find(u')', pos);
            const auto digits = close == std::u16string_view::npos
                                    ? std::u16string_view{}
                                    : text.substr(pos + 1, close - pos - 1);
            if (digits.empty() || digits.size() > 8 ||
                !std::all_of(digits.begin(), digits.end(), isHexDigit)) {
                error("hex(N) needs a type of 1 to 8 hexadecimal digits");
            }
            pos = close + 1;
        }
        if (pos >= text.size() || text[pos] != u':') {
            error("expected ':' after the value type");
        }
        RegRawValue raw;
        checkHexBytes(text.substr(pos + 1));
        raw.lines.emplace_back(text);
        while (raw.lines.back().ends_with(u'\\')) {
            std::u16string_view next;
            if (!reader.next(next)) {
                error("value continues past the end of the file");
            }
            line_ = reader.number();
            next = trimRight(next);
            checkHexBytes(next);
            raw.lines.emplace_back(next);
        }
        return raw;
    }

    // Bytes of one or two hexadecimal digits separated by commas; only the last may be empty
    // (a line continued after its comma, or no data at all).
    void checkHexBytes(std::u16string_view bytes) const {
        if (bytes.ends_with(u'\\')) {
            bytes.remove_suffix(1);
        }
        for (;;) {
            const auto comma = bytes.find(u',');
            const auto token = trimLeft(trimRight(bytes.substr(0, comma)));
            if (!std::all_of(token.begin(), token.end(), isHexDigit)) {
                error("invalid character in hexadecimal data");
            }
            if (token.size() > 2 || (token.empty() && comma != std::u16string_view::npos)) {
                error("hexadecimal data needs bytes of one or two digits separated by ','");
            }
            if (comma == std::u16string_view::npos) {
                return;
            }
            bytes.remove_prefix(comma + 1);
        }
    }

    std::string_view source_;
    std::u16string text_;
    RegHive hive_;
    std::optional<RegHive::KeyId> current_;
    std::vector<std::u16string> pending_;
    std::size_t line_ = 1;
};

RegTypedBytes decodeRawValue(const RegRawValue& raw) {
    RegTypedBytes decoded{3, {}};  // REG_BINARY
    for (std::size_t i = 0; i < raw.lines.size(); ++i) {
        std::u16string_view line = raw.lines[i];
        if (i == 0) {
            const auto colon = line.find(u':');
            if (line.size() > 3 && line[3] == u'(') {
                decoded.type = 0;
                for (const char16_t c : line.substr(4, line.find(u')') - 4)) {
                    decoded.type = (decoded.type << 4) | hexDigitValue(c);
                }
            }
            line.remove_prefix(colon + 1);
        }
        std::uint32_t byte = 0;
        bool any = false;
        for (const char16_t c : line) {
            if (isHexDigit(c)) {
                byte = (byte << 4) | hexDigitValue(c);
                any = true;
            } else if (c == u',' && any) {
                decoded.bytes += static_cast<char>(byte);
                byte = 0;
                any = false;
            }
        }
        if (any) {
            decoded.bytes += static_cast<char>(byte);
        }
    }
    return decoded;
}

namespace {
std::atomic<std::uint64_t> readCount{0};
std::atomic<std::uint64_t> parseCount{0};
std::atomic<std::uint64_t> saveCount{0};
}  // namespace

RegFileCounts regFileCounts() noexcept {
    return {readCount.load(), parseCount.load(), saveCount.load()};
}

void countRegFileRead() noexcept {
    ++readCount;
}

void countRegFileSave() noexcept {
    ++saveCount;
}

RegHive parseRegFile(std::string_view bytes, std::string_view sourceName) {
    ++parseCount;
    return RegFileParser(bytes, sourceName).run();
}

// ---- Serializing ----------------------------------------------------------------------------

std::string serializeRegFile(const RegHive& hive) {
    const std::u16string_view eol = hive.lineEnding_ == RegLineEnding::CrLf ? u"\r\n" : u"\n";
    std::u16string out;
    const auto lines = [&](const std::vector<std::u16string>& comments) {
        for (const auto& comment : comments) {
            out += comment;
            out += eol;
        }
    };
    out += kHeader;
    out += eol;
    out += eol;
    if (!hive.preamble_.empty()) {
        lines(hive.preamble_);
        out += eol;
    }
    for (const auto id : hive.sections_) {
        const auto& key = hive.keys_[id];
        lines(key.headerComments);
        out += u'[';
        out += kRootName;
        for (const auto component : hive.pathOf(id)) {
            out += u'\\';
            out += component;
        }
        out += u']';
        out += eol;
        for (const auto& value : key.values) {
            lines(value.comments);
            if (value.name.empty()) {
                out += u'@';
            } else {
                appendQuoted(out, value.name);
            }
            out += u'=';
            if (const auto* dword = std::get_if<std::uint32_t>(&value.data)) {
                appendDword(out, *dword);
                out += eol;
            } else if (const auto* text = std::get_if<std::u16string>(&value.data)) {
                appendQuoted(out, *text);
                out += eol;
            } else {
                lines(std::get<RegRawValue>(value.data).lines);
            }
        }
        lines(key.trailingComments);
        out += eol;
    }
    return encode(out, hive.encoding_);
}

}  // namespace tessaly::platform::posix
