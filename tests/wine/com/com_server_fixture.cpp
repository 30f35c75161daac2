#include "tests/wine/com/com_server_fixture.h"

#include <objbase.h>

#include "addin/win32/guids.h"

namespace tessaly::testing {

HMODULE ComServer::dll = nullptr;

std::wstring DllPath() {
    std::string path = TESSALY_DLL_PATH;
    std::wstring result;
    if (!path.empty() && path[0] == '/') {
        result = L"Z:";  // Wine maps the Unix root to drive Z:
    }
    for (char c : path) {
        result += c == '/' ? L'\\' : static_cast<wchar_t>(c);
    }
    return result;
}

void ComServer::SetUpTestSuite() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    dll = LoadLibraryW(DllPath().c_str());
}

void ComServer::TearDownTestSuite() {
    if (dll) {
        FreeLibrary(dll);
        dll = nullptr;
    }
    CoUninitialize();
}

void ComServer::SetUp() {
    ASSERT_NE(dll, nullptr) << "cannot load the DLL";
}

void ComServer::TearDown() {
    // Every test leaves the module unloadable, or it leaked an object, lock or timer.
    EXPECT_EQ(canUnloadNow(), S_OK);
}

win32::ComPtr<win32::IDTExtensibility2> ComServer::createAddin() {
    win32::ComPtr<IClassFactory> factory;
    EXPECT_EQ(getClassObject(win32::CLSID_Tessaly, IID_IClassFactory, factory.putVoid()), S_OK);
    win32::ComPtr<win32::IDTExtensibility2> addin;
    if (factory) {
        EXPECT_EQ(factory->CreateInstance(nullptr, win32::IID_IDTExtensibility2, addin.putVoid()),
                  S_OK);
    }
    return addin;
}

}  // namespace tessaly::testing
