#include "tools/msi/wix_rows.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace tessaly::msi {
namespace {

using registration::Bitness;
using registration::Row;
using registration::String;

TEST(FormattedLiteral, KeepsBracketsFromBecomingProperties) {
    const struct {
        std::u16string_view text;
        std::string_view formatted;
    } cases[] = {
        {u"{77A93BD5-642A-486A-95E4-93077930DBAE}", "{77A93BD5-642A-486A-95E4-93077930DBAE}"},
        {u"[INSTALLDIR]", "[\\[]INSTALLDIR[\\]]"},
        {u"a]b[", "a[\\]]b[\\[]"},
        {u"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormattedLiteral(String(c.text)), c.formatted);
    }
    EXPECT_THROW(FormattedLiteral(u"caf\u00e9"), std::invalid_argument);
}

TEST(WixInclude, TheRowNamingTheDllIsTheOnlyKeyPathOfTheClasses) {
    const String dll = u"<dll>";
    const auto rows = registration::RegistrationRows(dll);
    const std::string text = WixInclude(rows, dll, u"<folder>", Bitness::Win64);
    const std::string inproc =
        "Key=\"Software\\Classes\\CLSID\\{77A93BD5-642A-486A-95E4-93077930DBAE}\\InprocServer32\" "
        "Type=\"string\" Value=\"[INSTALLDIR]TessalyOutlook.dll\" KeyPath=\"yes\"/>";
    EXPECT_NE(text.find(inproc), std::string::npos) << text;
    // One key path per component: the DLL's row and the first row of the Outlook entry.
    std::size_t keyPaths = 0;
    for (auto at = text.find("KeyPath"); at != std::string::npos;
         at = text.find("KeyPath", at + 1)) {
        ++keyPaths;
    }
    EXPECT_EQ(keyPaths, 2u);
    EXPECT_NE(text.find("Name=\"LoadBehavior\" Type=\"integer\" Value=\"3\""), std::string::npos);
    EXPECT_NE(text.find("Win64=\"yes\""), std::string::npos);
    EXPECT_EQ(WixInclude(rows, dll, u"<folder>", Bitness::Win32).find("Win64"), std::string::npos);
}

TEST(WixInclude, RefusesRowsThatLeaveAComponentWithoutKeyPath) {
    const std::vector<Row> onlyClasses = {{u"Software\\Classes\\X", u"", String(u"<dll>")}};
    EXPECT_THROW(WixInclude(onlyClasses, u"<dll>", u"", Bitness::Win64), std::invalid_argument);
    const std::vector<Row> noDll = {{u"Software\\Classes\\X", u"", String(u"x")},
                                    {u"Software\\Y", u"", String(u"y")}};
    EXPECT_THROW(WixInclude(noDll, u"<dll>", u"", Bitness::Win64), std::invalid_argument);
    const std::vector<Row> markup = {{u"Software\\Classes\\X", u"", String(u"<dll>")},
                                     {u"Software\\Y", u"A&B", String(u"\"<x>\"")}};
    const std::string text = WixInclude(markup, u"<dll>", u"", Bitness::Win64);
    EXPECT_NE(text.find("Name=\"A&amp;B\" Type=\"string\" Value=\"&quot;&lt;x&gt;&quot;\""),
              std::string::npos)
        << text;
}

}  // namespace
}  // namespace tessaly::msi
