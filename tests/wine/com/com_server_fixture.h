// The DLL under test, loaded once per test program the way a host loads it.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "addin/win32/extensibility.h"
#include "platform/win32/raii.h"

namespace tessaly::testing {

// The DLL's path as Windows programs see it ("Z:\..." for the build tree under Wine).
std::wstring DllPath();

class ComServer : public ::testing::Test {
  protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    template <class F>
    static F entry(const char* name) {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
    }
    [[nodiscard]] static HRESULT canUnloadNow() {
        return entry<HRESULT(WINAPI*)()>("DllCanUnloadNow")();
    }
    [[nodiscard]] static HRESULT registerServer() {
        return entry<HRESULT(WINAPI*)()>("DllRegisterServer")();
    }
    [[nodiscard]] static HRESULT unregisterServer() {
        return entry<HRESULT(WINAPI*)()>("DllUnregisterServer")();
    }
    [[nodiscard]] static HRESULT getClassObject(REFCLSID clsid, REFIID iid, void** out) {
        return entry<HRESULT(WINAPI*)(REFCLSID, REFIID, void**)>("DllGetClassObject")(clsid, iid,
                                                                                      out);
    }
    win32::ComPtr<win32::IDTExtensibility2> createAddin();

    static HMODULE dll;
};

}  // namespace tessaly::testing
