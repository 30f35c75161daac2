#include "addin/registration.h"

#include <stdexcept>

namespace tessaly::registration {

namespace {

constexpr std::u16string_view kClasses = u"Software\\Classes\\";
constexpr std::u16string_view kAddins = u"Software\\Microsoft\\Office\\Outlook\\Addins\\";

String join(std::u16string_view a, std::u16string_view b) {
    String result(a);
    result += b;
    return result;
}

String progIdKey() {
    return join(kClasses, kProgId);
}
String clsidKey() {
    return join(join(kClasses, u"CLSID\\"), kClsidTessaly);
}
String addinKey() {
    return join(kAddins, kProgId);
}

}  // namespace

std::vector<Row> RegistrationRows(std::u16string_view dllPath) {
    if (dllPath.empty()) {
        throw std::invalid_argument("the DLL's path is needed to register it");
    }
    const String progId = progIdKey();
    const String clsid = clsidKey();
    const String addin = addinKey();
    return {
        {progId, u"", String(u"Tessaly")},
        {join(progId, u"\\CLSID"), u"", String(kClsidTessaly)},
        {clsid, u"", String(u"Tessaly")},
        {join(clsid, u"\\ProgID"), u"", String(kProgId)},
        {join(clsid, u"\\InprocServer32"), u"", String(dllPath)},
        {join(clsid, u"\\InprocServer32"), u"ThreadingModel", String(u"Apartment")},
        {join(clsid, u"\\TypeLib"), u"", String(kLibId)},
        {join(clsid, u"\\Version"), u"", String(kTypeLibVersion)},
        {addin, u"FriendlyName", String(u"Brindle Add-in")},
        {addin, u"Description", String(u"Tessaly Add-In for Microsoft Outlook")},
        {addin, u"LoadBehavior", std::uint32_t{3}},
        {addin, u"CommandLineSafe", std::uint32_t{0}},
    };
}

std::vector<String> RegistrationKeys() {
    return {progIdKey(), clsidKey(), addinKey()};
}

}  // namespace tessaly::registration
