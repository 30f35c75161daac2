#include "tools/msi/wix_rows.h"

#include <stdexcept>
#include <variant>

namespace tessaly::msi {

namespace {

// The rows hold ASCII only; anything else would need an encoding MSI tables may not keep.
std::string ascii(const std::u16string& text) {
    std::string out;
    for (const char16_t c : text) {
        if (c > 0x7E || c < 0x20) {
            throw std::invalid_argument("registry text outside printable ASCII");
        }
        out += static_cast<char>(c);
    }
    return out;
}

std::string xmlEscaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

}  // namespace

std::string FormattedLiteral(const std::u16string& text) {
    std::string out;
    for (const char c : ascii(text)) {
        if (c == '[') {
            out += "[\\[]";
        } else if (c == ']') {
            out += "[\\]]";
        } else {
            out += c;
        }
    }
    return out;
}

namespace {

std::string registryValue(const registration::Row& row, const std::u16string& dllPath,
                          const std::u16string& helpDir, bool keyPath) {
    std::string type = "string";
    std::string value;
    if (const auto* number = std::get_if<std::uint32_t>(&row.value)) {
        type = "integer";
        value = std::to_string(*number);
    } else {
        const auto& text = std::get<std::u16string>(row.value);
        if (text == dllPath) {
            value = "[INSTALLDIR]TessalyOutlook.dll";
        } else if (!helpDir.empty() && text == helpDir) {
            value = "[INSTALLDIR]";
        } else {
            value = FormattedLiteral(text);
        }
    }
    std::string out =
        "      <RegistryValue Root=\"HKCU\" Key=\"" + xmlEscaped(FormattedLiteral(row.key)) + "\"";
    if (!row.name.empty()) {
        out += " Name=\"" + xmlEscaped(FormattedLiteral(row.name)) + "\"";
    }
    out += " Type=\"" + type + "\" Value=\"" + xmlEscaped(value) + "\"";
    return out + (keyPath ? " KeyPath=\"yes\"/>\n" : "/>\n");
}

bool isClassesRow(const registration::Row& row) {
    constexpr std::u16string_view classes = u"Software\\Classes\\";
    return row.key.compare(0, classes.size(), classes) == 0;
}

}  // namespace

std::string WixInclude(const std::vector<registration::Row>& rows, const std::u16string& dllPath,
                       const std::u16string& helpDir, registration::Bitness bitness) {
    // Component identifiers are fixed for good; the two bitnesses have their own.
    const bool win64 = bitness == registration::Bitness::Win64;
    const std::string classesGuid =
        win64 ? "{A3C9E1F4-2B7D-4E58-9F06-7D41B2C8E5A9}" : "{4D2B8A61-7C3E-4F19-B5A0-92E6D1C47F38}";
    const std::string outlookGuid =
        win64 ? "{E81F5C27-3A94-4B6D-8E02-C5D7A3F1B964}" : "{2C6A9E13-F5B8-4D70-A1E4-6B3D8F2C0A57}";
    // 64-bit components write the 64-bit registry view: Windows keeps the classes of 32-bit
    // programs apart (Wow6432Node), also in the user's hive.
    const std::string win64Attribute = win64 ? " Win64=\"yes\"" : "";
    std::string classes;
    std::string outlook;
    bool classesKeyed = false;
    for (const auto& row : rows) {
        if (isClassesRow(row)) {
            const bool names = std::holds_alternative<std::u16string>(row.value) &&
                               std::get<std::u16string>(row.value) == dllPath;
            classes += registryValue(row, dllPath, helpDir, names && !classesKeyed);
            classesKeyed = classesKeyed || names;
        } else {
            outlook += registryValue(row, dllPath, helpDir, outlook.empty());
        }
    }
    if (!classesKeyed || outlook.empty()) {
        throw std::invalid_argument("a component of the package would have no key path");
    }
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<!-- Generated from addin/registration.cpp by tools/msi; do not edit. -->\n"
           "<Include>\n"
           "  <DirectoryRef Id=\"INSTALLDIR\">\n"
           "    <Component Id=\"Classes\" Guid=\"" +
           classesGuid + "\"" + win64Attribute +
           ">\n"
           "      <File Id=\"TessalyOutlook.dll\" Name=\"TessalyOutlook.dll\" "
           "Source=\"TessalyOutlook.dll\"/>\n" +
           classes +
           "      <RemoveFolder Id=\"RemoveInstallDir\" On=\"uninstall\"/>\n"
           "    </Component>\n"
           "  </DirectoryRef>\n"
           "  <DirectoryRef Id=\"WrenfieldFolder\">\n"
           "    <Component Id=\"OutlookEntry\" Guid=\"" +
           outlookGuid + "\"" + win64Attribute + ">\n" + outlook +
           "      <RemoveFolder Id=\"RemoveWrenfieldFolder\" On=\"uninstall\"/>\n"
           "    </Component>\n"
           "  </DirectoryRef>\n"
           "</Include>\n";
}

}  // namespace tessaly::msi
