#include "explorer/layout_values.h"

#include <string>

#include "platform/case_fold.h"
#include "softphone/text.h"

namespace tessaly::explorer {
using platform::equalsIgnoringAsciiCase;
using softphone::DecimalText;
using softphone::ParseDecimal;
using softphone::TrimBlanks;

std::optional<platform::RegistryValue> LayoutValues::Read(std::u16string_view name) const {
    try {
        // A key that is not a key's path with its backslash reads value by value.
        if (!key_.ends_with(u'\\')) {
            return registry_.RegRead(key_ + std::u16string(name));
        }
        if (!keyLookedUp_) {
            // A key that cannot be opened is tried again at the next read, as a RegRead of
            // each value would.
            opened_ = registry_.OpenKey(std::u16string_view(key_).substr(0, key_.size() - 1));
            keyLookedUp_ = true;
        }
        return opened_ ? opened_->Read(name) : std::nullopt;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

void LayoutValues::Write(std::u16string_view name, const platform::RegistryValue& value) const {
    opened_.reset();
    keyLookedUp_ = false;
    registry_.RegWrite(key_ + std::u16string(name), value);
}

std::optional<bool> LayoutValues::ReadBoolean(std::u16string_view name) const {
    const auto value = Read(name);
    if (!value) {
        return std::nullopt;
    }
    if (const auto* dword = std::get_if<std::uint32_t>(&*value)) {
        return *dword != 0;
    }
    const auto& text = std::get<std::u16string>(*value);
    const std::u16string word = TrimBlanks(text);
    if (equalsIgnoringAsciiCase(word, u"True")) {
        return true;
    }
    if (equalsIgnoringAsciiCase(word, u"False")) {
        return false;
    }
    if (const auto number = ParseDecimal<std::int32_t>(text)) {
        return *number != 0;
    }
    return std::nullopt;
}

std::optional<std::int32_t> LayoutValues::ReadInt32(std::u16string_view name) const {
    const auto value = Read(name);
    if (!value) {
        return std::nullopt;
    }
    if (const auto* dword = std::get_if<std::uint32_t>(&*value)) {
        return static_cast<std::int32_t>(*dword);
    }
    return ParseDecimal<std::int32_t>(std::get<std::u16string>(*value));
}

std::optional<std::u16string> LayoutValues::ReadString(std::u16string_view name) const {
    const auto value = Read(name);
    if (!value) {
        return std::nullopt;
    }
    if (const auto* dword = std::get_if<std::uint32_t>(&*value)) {
        return DecimalText(*dword);
    }
    return std::get<std::u16string>(*value);
}

void LayoutValues::WriteDword(std::u16string_view name, std::int32_t value) const {
    Write(name, static_cast<std::uint32_t>(value));
}

void LayoutValues::WriteDword(std::u16string_view name, bool value) const {
    WriteDword(name, value ? std::int32_t{-1} : std::int32_t{0});
}

void LayoutValues::WriteText(std::u16string_view name, const std::u16string& value) const {
    Write(name, value);
}

void LayoutValues::WriteText(std::u16string_view name, std::int32_t value) const {
    Write(name, DecimalText(value));
}

void LayoutValues::WriteText(std::u16string_view name, bool value) const {
    Write(name, std::u16string(value ? u"True" : u"False"));
}

}  // namespace tessaly::explorer
