#include "addin_loader.h"

#include <chrono>
#include <cwchar>

#include "dispatch_base.h"
#include "launch_tracker.h"
#include "platform/utf.h"
#include "platform/win32/com/invoke.h"
#include "platform/win32/text.h"
#include "timer_tracker.h"

namespace tessaly::standin {

using win32::ComPtr;

const IID IID_IDTExtensibility2 = {
    0xB65AD801, 0xABAF, 0x11D0, {0xBB, 0x8B, 0x00, 0xA0, 0xC9, 0x0F, 0x27, 0x44}};

namespace {

constexpr const wchar_t* kAddinsKey = L"Software\\Microsoft\\Office\\Outlook\\Addins";

std::optional<std::wstring> ReadString(HKEY root, const std::wstring& key, const wchar_t* value) {
    DWORD bytes = 0;
    if (RegGetValueW(root, key.c_str(), value, RRF_RT_REG_SZ, nullptr, nullptr, &bytes) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (RegGetValueW(root, key.c_str(), value, RRF_RT_REG_SZ, nullptr, text.data(), &bytes) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    text.resize(wcsnlen(text.c_str(), text.size()));
    return text;
}

std::optional<DWORD> ReadDword(HKEY root, const std::wstring& key, const wchar_t* value) {
    DWORD data = 0;
    DWORD bytes = sizeof data;
    if (RegGetValueW(root, key.c_str(), value, RRF_RT_REG_DWORD, nullptr, &data, &bytes) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    return data;
}

std::vector<std::wstring> Subkeys(HKEY root, const wchar_t* path) {
    std::vector<std::wstring> names;
    win32::UniqueHKey key;
    if (RegOpenKeyExW(root, path, 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
        return names;
    }
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD length = 256;
        const LONG status =
            RegEnumKeyExW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) {
            break;
        }
        if (status == ERROR_SUCCESS) {
            names.emplace_back(name, length);
        }
    }
    return names;
}

std::string Failure(const char* call, HRESULT hr) {
    return std::string(call) + ": " + HresultText(hr);
}

struct Custom {
    Custom() : array(SafeArrayCreateVector(VT_VARIANT, 0, 0)) {}
    ~Custom() { SafeArrayDestroy(array); }
    Custom(const Custom&) = delete;
    Custom& operator=(const Custom&) = delete;
    SAFEARRAY* array;
};

}  // namespace

std::string Narrow(std::wstring_view text) {
    return platform::toPrintableUtf8(win32::Utf16View(text));
}

AddinScan FindRegisteredAddins() {
    AddinScan scan;
    for (const std::wstring& progId : Subkeys(HKEY_CURRENT_USER, kAddinsKey)) {
        const std::wstring key = std::wstring(kAddinsKey) + L"\\" + progId;
        const std::string name = Narrow(progId);
        const auto behavior = ReadDword(HKEY_CURRENT_USER, key, L"LoadBehavior");
        if (behavior != 3u) {
            scan.skipped.push_back(name + ": LoadBehavior is " +
                                   (behavior ? std::to_string(*behavior) : "missing") + ", not 3");
            continue;
        }
        const auto clsid =
            ReadString(HKEY_CURRENT_USER, L"Software\\Classes\\" + progId + L"\\CLSID", nullptr);
        if (!clsid) {
            scan.skipped.push_back(name + ": no HKCU\\Software\\Classes\\" + name + "\\CLSID");
            continue;
        }
        const auto path =
            ReadString(HKEY_CURRENT_USER,
                       L"Software\\Classes\\CLSID\\" + *clsid + L"\\InprocServer32", nullptr);
        if (!path || path->empty()) {
            scan.skipped.push_back(name + ": no InprocServer32 for " + Narrow(*clsid));
            continue;
        }
        AddinRegistration registration;
        registration.progId = progId;
        registration.dllPath = *path;
        registration.description =
            ReadString(HKEY_CURRENT_USER, key, L"FriendlyName")
                .value_or(ReadString(HKEY_CURRENT_USER, key, L"Description").value_or(progId));
        scan.load.push_back(std::move(registration));
    }
    return scan;
}

LoadedAddin::LoadedAddin(const AddinRegistration& registration, bool throughInvoke, bool launch)
    : registration_(registration), throughInvoke_(throughInvoke) {
    const auto clsidText = ReadString(
        HKEY_CURRENT_USER, L"Software\\Classes\\" + registration.progId + L"\\CLSID", nullptr);
    CLSID clsid{};
    if (!clsidText || FAILED(CLSIDFromString(clsidText->c_str(), &clsid))) {
        throw AddinFailure("CLSID: the ProgID's CLSID cannot be read");
    }
    using Clock = std::chrono::steady_clock;
    const auto loading = Clock::now();
    module_ = LoadLibraryW(registration.dllPath.c_str());
    if (!module_) {
        throw AddinFailure("LoadLibraryW: error " + std::to_string(GetLastError()));
    }
    const auto loaded = Clock::now();
    // Before any code of the add-in runs but DllMain, so that no timer escapes the count.
    trackedTimerImports_ = TrackTimers(module_);
    TrackLaunches(module_, launch);
    const auto creating = Clock::now();
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    const auto getClassObject = reinterpret_cast<GetClassObject>(
        reinterpret_cast<void*>(GetProcAddress(module_, "DllGetClassObject")));
    if (!getClassObject) {
        throw AddinFailure("DllGetClassObject: not exported");
    }
    ComPtr<IClassFactory> factory;
    HRESULT hr = getClassObject(clsid, IID_IClassFactory, factory.putVoid());
    if (FAILED(hr) || !factory) {
        throw AddinFailure(Failure("DllGetClassObject", hr));
    }
    ComPtr<IUnknown> object;
    hr = factory->CreateInstance(nullptr, IID_IUnknown, object.putVoid());
    if (FAILED(hr) || !object) {
        throw AddinFailure(Failure("IClassFactory::CreateInstance", hr));
    }
    hr = object->QueryInterface(IID_IDTExtensibility2, addin_.putVoid());
    if (FAILED(hr) || !addin_) {
        throw AddinFailure(Failure("QueryInterface(IDTExtensibility2)", hr));
    }
    loadMicroseconds_ =
        std::chrono::duration<double, std::micro>((loaded - loading) + (Clock::now() - creating))
            .count();
    if (throughInvoke_) {
        hr = object->QueryInterface(IID_IDispatch, dispatch_.putVoid());
        if (FAILED(hr) || !dispatch_) {
            throw AddinFailure(Failure("QueryInterface(IDispatch)", hr));
        }
    }
}

LoadedAddin::~LoadedAddin() {
    Release();
}

template <class VtableCall>
double LoadedAddin::call(const char* name, DISPID id, std::span<const win32::Variant> args,
                         VtableCall&& direct) {
    if (!addin_) {
        throw AddinFailure(std::string(name) + ": the add-in was released");
    }
    const auto start = std::chrono::steady_clock::now();
    win32::com::Invoked outcome;
    if (throughInvoke_) {
        outcome = win32::com::Invoke(*dispatch_.get(), id, DISPATCH_METHOD, args);
    } else {
        outcome.code = direct();
    }
    const auto elapsed =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (outcome.failed()) {
        const std::string description =
            outcome.description.empty() ? std::string() : " " + Narrow(outcome.description);
        throw AddinFailure(Failure(name, outcome.code) + description);
    }
    return elapsed;
}

// The arguments go in their declared order; the custom array by reference, as declared.
double LoadedAddin::OnConnection(IDispatch* application, IDispatch* addInInst) {
    Custom custom;
    const win32::Variant args[] = {application, ext_cm_Startup, addInInst,
                                   win32::Variant::ByRef(&custom.array)};
    return call("OnConnection", 1, args, [&] {
        return addin_->OnConnection(application, ext_cm_Startup, addInInst, &custom.array);
    });
}

double LoadedAddin::OnStartupComplete() {
    Custom custom;
    const win32::Variant args[] = {win32::Variant::ByRef(&custom.array)};
    return call("OnStartupComplete", 4, args,
                [&] { return addin_->OnStartupComplete(&custom.array); });
}

double LoadedAddin::OnBeginShutdown() {
    Custom custom;
    const win32::Variant args[] = {win32::Variant::ByRef(&custom.array)};
    return call("OnBeginShutdown", 5, args, [&] { return addin_->OnBeginShutdown(&custom.array); });
}

double LoadedAddin::OnDisconnection() {
    Custom custom;
    const win32::Variant args[] = {ext_dm_HostShutdown, win32::Variant::ByRef(&custom.array)};
    return call("OnDisconnection", 2, args,
                [&] { return addin_->OnDisconnection(ext_dm_HostShutdown, &custom.array); });
}

void LoadedAddin::Release() {
    dispatch_.reset();
    addin_.reset();
}

HRESULT LoadedAddin::DllCanUnloadNow() {
    using CanUnload = HRESULT(STDAPICALLTYPE*)();
    const auto canUnload = reinterpret_cast<CanUnload>(
        reinterpret_cast<void*>(GetProcAddress(module_, "DllCanUnloadNow")));
    return canUnload ? canUnload() : E_NOTIMPL;
}

void LoadedAddin::FreeLibrary() {
    if (module_) {
        ::FreeLibrary(std::exchange(module_, nullptr));
    }
}

}  // namespace tessaly::standin
