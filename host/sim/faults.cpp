#include <optional>
#include <string>

#include "host/sim/internal.h"

namespace tessaly::host::sim {

void Faults::Fail(const std::string& operation, int times, hresult code) {
    if (times == 0) {
        armed_.erase(operation);
        return;
    }
    armed_[operation] = Armed{times, code};
}

void Faults::Clear(const std::string& operation) {
    armed_.erase(operation);
}

void Faults::ClearAll() {
    armed_.clear();
}

void Faults::Check(const std::string& operation) {
    const auto it = armed_.find(operation);
    if (it == armed_.end()) {
        return;
    }
    const hresult code = it->second.code;
    if (it->second.remaining > 0 && --it->second.remaining == 0) {
        armed_.erase(it);
    }
    throw Error(code, "simulated failure of " + operation);
}

void World::check(const std::string& operation, const detail::Arguments& arguments) {
    if (faults_.empty() && !trace_) {
        return;  // the common case: nothing to format, nothing to keep
    }
    std::optional<std::string> text;
    const auto argumentText = [&]() -> const std::string& {
        if (!text) {
            text = arguments.text(*this);
        }
        return *text;
    };
    try {
        faults_.Check(operation);
        if (!faults_.empty()) {
            faults_.Check(operation + "(" + argumentText() + ")");
        }
    } catch (const Error& e) {
        if (trace_) {
            traceCall({operation, argumentText(), {}, true, e.code()});
        }
        throw;
    }
    if (trace_) {
        traceCall({operation, argumentText(), {}, false, 0});
    }
}

void World::refuse(const std::string& operation, const detail::Arguments& arguments, hresult code) {
    if (trace_) {
        traceCall({operation, arguments.text(*this), {}, true, code});
    }
    throw Error(code, operation + " is not possible on this object");
}

namespace detail {

std::string utf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<std::uint32_t>(text[i + 1]) - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;  // an unpaired surrogate has no UTF-8 form
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

bool sameNameIgnoringCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    const auto fold = [](char16_t c) {
        return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
    };
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (fold(a[i]) != fold(b[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace detail

}  // namespace tessaly::host::sim
