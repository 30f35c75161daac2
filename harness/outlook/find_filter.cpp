#include "harness/outlook/find_filter.h"

#include <string>

#include "harness/outlook/sim_host.h"
#include "platform/case_fold.h"
#include "platform/utf.h"

namespace tessaly::host::sim {

namespace {

// Parentheses deeper than this are refused: no condition the add-in builds comes close, and
// the parser recurses once per level.
constexpr int kMaxDepth = 16;

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

bool IsWordCharacter(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
           c == u'_';
}

}  // namespace

// Recursive descent over the grammar in find_filter.h, writing the steps in postfix order.
class FindFilterParser {
  public:
    FindFilterParser(std::u16string_view text, std::vector<FindFilter::Step>& out)
        : text_(text), out_(out) {}

    void condition() {
        orList();
        skipBlanks();
        if (pos_ < text_.size()) {
            fail(text_[pos_] == u')' ? "a \")\" without its \"(\""
                                     : "more text after the condition, where OR or AND may stand");
        }
    }

  private:
    using Kind = FindFilter::Step::Kind;

    void orList() {
        andList();
        while (keyword(u"OR")) {
            andList();
            out_.push_back({Kind::Or, 0, {}});
        }
    }

    void andList() {
        primary();
        while (keyword(u"AND")) {
            primary();
            out_.push_back({Kind::And, 0, {}});
        }
    }

    void primary() {
        skipBlanks();
        if (!take(u'(')) {
            comparison();
            return;
        }
        if (++depth_ > kMaxDepth) {
            fail("parentheses nested deeper than " + std::to_string(kMaxDepth) + " levels");
        }
        orList();
        skipBlanks();
        if (!take(u')')) {
            fail("a \"(\" without its \")\"");
        }
        --depth_;
    }

    void comparison() {
        const std::size_t slot = property();
        skipBlanks();
        if (!take(u'=')) {
            const bool other = pos_ < text_.size() && (text_[pos_] == u'<' || text_[pos_] == u'>');
            fail(other ? "the model compares only with \"=\""
                       : "\"=\" expected after the property");
        }
        skipBlanks();
        out_.push_back({Kind::Compare, slot, quotedString()});
    }

    // "[EmailNAddress]": the slot N.
    std::size_t property() {
        if (!take(u'[')) {
            fail("a property in brackets, \"[Email1Address]\", or \"(\" expected");
        }
        const std::size_t end = text_.find(u']', pos_);
        if (end == std::u16string_view::npos) {
            fail("a \"[\" without its \"]\"");
        }
        const std::u16string_view name = text_.substr(pos_, end - pos_);
        for (std::size_t slot = 1; slot <= std::size(kEmailProperties); ++slot) {
            if (platform::equalsIgnoringAsciiCase(name, kEmailProperties[slot - 1])) {
                pos_ = end + 1;
                return slot;
            }
        }
        fail("the property " + platform::quotedUtf8(name) +
             " is not one the model knows (Email1Address, Email2Address, Email3Address)");
    }

    // A string in single or double quotes; the quote doubled stands for itself.
    String quotedString() {
        if (pos_ >= text_.size() || (text_[pos_] != u'\'' && text_[pos_] != u'"')) {
            fail("a string in quotes expected after \"=\"");
        }
        const char16_t quote = text_[pos_++];
        String value;
        while (pos_ < text_.size()) {
            const char16_t c = text_[pos_++];
            if (c != quote) {
                value.push_back(c);
            } else if (pos_ < text_.size() && text_[pos_] == quote) {
                value.push_back(quote);
                ++pos_;
            } else {
                return value;
            }
        }
        fail("a string without its closing quote");
    }

    // The keyword as a whole word, after blanks; consumed when present.
    bool keyword(std::u16string_view word) {
        skipBlanks();
        const std::u16string_view rest = text_.substr(pos_);
        if (rest.size() < word.size() ||
            !platform::equalsIgnoringAsciiCase(rest.substr(0, word.size()), word) ||
            (rest.size() > word.size() && IsWordCharacter(rest[word.size()]))) {
            return false;
        }
        pos_ += word.size();
        return true;
    }

    bool take(char16_t c) {
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }

    void skipBlanks() {
        while (pos_ < text_.size() && IsBlank(text_[pos_])) {
            ++pos_;
        }
    }

    [[noreturn]] void fail(const std::string& why) const {
        throw Error(kE_INVALIDARG, "cannot read the condition at character " +
                                       std::to_string(pos_ + 1) + ": " + why);
    }

    std::u16string_view text_;
    std::vector<FindFilter::Step>& out_;
    std::size_t pos_ = 0;
    int depth_ = 0;
};

FindFilter FindFilter::Parse(std::u16string_view text) {
    FindFilter filter;
    FindFilterParser(text, filter.steps_).condition();
    return filter;
}

bool FindFilter::Matches(const Item& item) const {
    const auto* contact = dynamic_cast<const SimContact*>(&item);
    if (contact == nullptr) {
        return false;
    }
    std::vector<bool> stack;
    for (const Step& step : steps_) {
        if (step.kind == Step::Kind::Compare) {
            stack.push_back(
                platform::equalsIgnoringCase(contact->emailAddress(step.slot), step.value));
            continue;
        }
        const bool right = stack.back();
        stack.pop_back();
        stack.back() =
            step.kind == Step::Kind::And ? (stack.back() && right) : (stack.back() || right);
    }
    return !stack.empty() && stack.back();
}

}  // namespace tessaly::host::sim
