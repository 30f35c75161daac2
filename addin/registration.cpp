#include "addin/registration.h"

#include <algorithm>
#include <stdexcept>

namespace tessaly::registration {

namespace {

constexpr std::u16string_view kClasses = u"Software\\Classes\\";
constexpr std::u16string_view kAddins = u"Software\\Microsoft\\Office\\Outlook\\Addins\\";
constexpr std::u16string_view kTypeLibDescription = u"Tessaly Outlook Add-In";
constexpr std::u16string_view kDispatchProxy = u"{00020420-0000-0000-C000-000000000046}";

struct Interface {
    std::u16string_view iid;
    std::u16string_view name;
};
// The library's dispatch interfaces, as resources/BrindleAddin.idl declares them.
constexpr Interface kDispatchInterfaces[] = {
    {u"{C790B70A-AF7A-4EFE-96F2-1B4238FBD19B}", u"_Tessaly"},
    {u"{16193E2F-2A3D-4B74-82E4-E23294F52825}", u"_ExplorerHandler"},
};

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

std::vector<String> ParentKeys() {
    // Software\Classes is among them: a fresh Wine profile has none until the first class is
    // registered, while in Windows it is the root of a hive of its own and never empty.
    const std::vector<std::u16string_view> roots = {u"Software", u"Software\\Microsoft"};
    std::vector<String> parents;
    for (const auto& key : RegistrationKeys()) {
        String parent = key;
        for (auto cut = parent.rfind(u'\\'); cut != String::npos; cut = parent.rfind(u'\\')) {
            parent.resize(cut);
            if (std::find(roots.begin(), roots.end(), parent) != roots.end()) {
                break;
            }
            if (std::find(parents.begin(), parents.end(), parent) == parents.end()) {
                parents.push_back(parent);
            }
        }
    }
    // Deepest first, so that a parent is judged after its children are gone.
    std::stable_sort(parents.begin(), parents.end(), [](const String& a, const String& b) {
        return std::count(a.begin(), a.end(), u'\\') > std::count(b.begin(), b.end(), u'\\');
    });
    return parents;
}

std::vector<Row> TypeLibRows(std::u16string_view dllPath, std::u16string_view helpDir,
                             Bitness bitness) {
    if (dllPath.empty()) {
        throw std::invalid_argument("the DLL's path is needed to register its type library");
    }
    const String version =
        join(join(join(kClasses, u"TypeLib\\"), kLibId), join(u"\\", kTypeLibVersion));
    const std::u16string_view platform = bitness == Bitness::Win64 ? u"\\0\\win64" : u"\\0\\win32";
    std::vector<Row> rows = {
        {version, u"", String(kTypeLibDescription)},
        {join(version, platform), u"", String(dllPath)},
        // LIBFLAG_FHASDISKIMAGE: the library is read from the file, not built in memory.
        {join(version, u"\\FLAGS"), u"", String(u"8")},
        {join(version, u"\\HELPDIR"), u"", String(helpDir)},
    };
    for (const auto& [iid, name] : kDispatchInterfaces) {
        const String key = join(join(kClasses, u"Interface\\"), iid);
        rows.push_back({key, u"", String(name)});
        // Dispatch interfaces are marshalled by the system's IDispatch proxy.
        rows.push_back({join(key, u"\\ProxyStubClsid"), u"", String(kDispatchProxy)});
        rows.push_back({join(key, u"\\ProxyStubClsid32"), u"", String(kDispatchProxy)});
        rows.push_back({join(key, u"\\TypeLib"), u"", String(kLibId)});
        rows.push_back({join(key, u"\\TypeLib"), u"Version", String(kTypeLibVersion)});
    }
    return rows;
}

}  // namespace tessaly::registration
