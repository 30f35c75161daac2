// The least an add-in can be: it registers itself per user the way ours does, and its
// IDTExtensibility2 does nothing. The host's figures for it are the floor against which the
// real add-in's load and connection times are read.
#include <windows.h>

#include <atomic>
#include <span>
#include <string>

#include "addin/win32/extensibility.h"
#include "platform/win32/com/dispatch.h"
#include "platform/win32/com/object.h"

namespace {

using tessaly::win32::IDTExtensibility2;
namespace com = tessaly::win32::com;

// {5B0E36A4-9C1D-4E55-8F27-6A3D2C9E7B10}
constexpr CLSID kClsid = {
    0x5B0E36A4, 0x9C1D, 0x4E55, {0x8F, 0x27, 0x6A, 0x3D, 0x2C, 0x9E, 0x7B, 0x10}};
constexpr wchar_t kClsidText[] = L"{5B0E36A4-9C1D-4E55-8F27-6A3D2C9E7B10}";
constexpr wchar_t kProgId[] = L"Tessaly.NullAddin";

HMODULE module = nullptr;
std::atomic<long> liveObjects{0};
std::atomic<long> serverLocks{0};

// Every object of the DLL keeps it loaded while it lives, as DllCanUnloadNow reports.
struct ModuleCount {
    ModuleCount() noexcept { ++liveObjects; }
    ~ModuleCount() { --liveObjects; }
    ModuleCount(const ModuleCount&) = delete;
    ModuleCount& operator=(const ModuleCount&) = delete;
};

class NullConnect final : public com::Dispatch<com::CountedObject<ModuleCount, IDTExtensibility2>> {
  public:
    HRESULT STDMETHODCALLTYPE OnConnection(IDispatch*, tessaly::win32::ext_ConnectMode, IDispatch*,
                                           SAFEARRAY**) noexcept override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnDisconnection(tessaly::win32::ext_DisconnectMode,
                                              SAFEARRAY**) noexcept override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY**) noexcept override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY**) noexcept override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY**) noexcept override { return S_OK; }

  private:
    using Method = com::Method<NullConnect>;
    // Through IDispatch the members take their arguments and do nothing, as through the vtable.
    HRESULT nothing(const com::Invocation&) { return S_OK; }
    static std::span<const Method> Methods() {
        static constexpr Method kMethods[] = {
            {L"OnConnection", tessaly::win32::kDispOnConnection, 4, &NullConnect::nothing},
            {L"OnDisconnection", tessaly::win32::kDispOnDisconnection, 2, &NullConnect::nothing},
            {L"OnAddInsUpdate", tessaly::win32::kDispOnAddInsUpdate, 1, &NullConnect::nothing},
            {L"OnStartupComplete", tessaly::win32::kDispOnStartupComplete, 1,
             &NullConnect::nothing},
            {L"OnBeginShutdown", tessaly::win32::kDispOnBeginShutdown, 1, &NullConnect::nothing},
        };
        return kMethods;
    }
    DISPID memberId(std::wstring_view name) override {
        const Method* method = com::FindName(Methods(), name);
        return method ? method->id : DISPID_UNKNOWN;
    }
    HRESULT invoke(const com::Invocation& call) override {
        return com::CallMethod(*this, Methods(), call);
    }
};

class NullFactory final : public com::CountedObject<ModuleCount, IClassFactory> {
  public:
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid,
                                             void** out) noexcept override {
        if (!out) {
            return E_POINTER;
        }
        *out = nullptr;
        return outer ? CLASS_E_NOAGGREGATION : com::MakeAs<NullConnect>(iid, out);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) noexcept override {
        lock ? ++serverLocks : --serverLocks;
        return S_OK;
    }
};

// The same kinds of values under the same per-user keys as the real add-in's registration.
struct Row {
    std::wstring key;  // below HKEY_CURRENT_USER
    const wchar_t* name;
    std::wstring text;  // a REG_SZ, unless `number` is used
    DWORD number = 0;
    bool isNumber = false;
};

const std::wstring kProgIdKey = std::wstring(L"Software\\Classes\\") + kProgId;
const std::wstring kClsidKey = std::wstring(L"Software\\Classes\\CLSID\\") + kClsidText;
const std::wstring kAddinKey =
    std::wstring(L"Software\\Microsoft\\Office\\Outlook\\Addins\\") + kProgId;

std::wstring ModulePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

HRESULT WriteRow(const Row& row) {
    const LSTATUS status =
        row.isNumber ? RegSetKeyValueW(HKEY_CURRENT_USER, row.key.c_str(), row.name, REG_DWORD,
                                       &row.number, sizeof row.number)
                     : RegSetKeyValueW(HKEY_CURRENT_USER, row.key.c_str(), row.name, REG_SZ,
                                       row.text.c_str(),
                                       static_cast<DWORD>((row.text.size() + 1) * sizeof(wchar_t)));
    return HRESULT_FROM_WIN32(status);
}

HRESULT DeleteKey(const std::wstring& key) {
    LSTATUS status = RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
    if (status == ERROR_SUCCESS) {
        status = RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
    }
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ? S_OK
                                                                     : HRESULT_FROM_WIN32(status);
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        module = instance;
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) {
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    return clsid == kClsid ? com::MakeAs<NullFactory>(iid, out) : CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() {
    return liveObjects.load() == 0 && serverLocks.load() == 0 ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer() {
    return com::Guard([]() -> HRESULT {
        const std::wstring path = ModulePath();
        if (path.empty()) {
            return HRESULT_FROM_WIN32(GetLastError());
        }
        const Row rows[] = {
            {kProgIdKey, nullptr, L"Tessaly null add-in"},
            {kProgIdKey + L"\\CLSID", nullptr, kClsidText},
            {kClsidKey, nullptr, L"Tessaly null add-in"},
            {kClsidKey + L"\\ProgID", nullptr, kProgId},
            {kClsidKey + L"\\InprocServer32", nullptr, path},
            {kClsidKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
            {kAddinKey, L"FriendlyName", L"Null add-in"},
            {kAddinKey, L"Description", L"Does nothing: the floor of the host's figures"},
            {kAddinKey, L"LoadBehavior", {}, 3, true},
            {kAddinKey, L"CommandLineSafe", {}, 0, true},
        };
        for (const Row& row : rows) {
            if (const HRESULT hr = WriteRow(row); FAILED(hr)) {
                return hr;
            }
        }
        return S_OK;
    });
}

// Removes what DllRegisterServer wrote; what is already gone counts as removed.
STDAPI DllUnregisterServer() {
    return com::Guard([]() -> HRESULT {
        HRESULT first = S_OK;
        for (const std::wstring& key : {kProgIdKey, kClsidKey, kAddinKey}) {
            if (const HRESULT hr = DeleteKey(key); FAILED(hr) && SUCCEEDED(first)) {
                first = hr;
            }
        }
        return first;
    });
}

}  // extern "C"
