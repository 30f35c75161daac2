// Loading add-ins as Outlook does: the per-user Addins key, the ProgID's class, the
// in-process server's DLL, its class factory and IDTExtensibility2. The per-user class keys
// are read here rather than left to COM, because Wine's activation reads only the
// machine-wide ones.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/win32/raii.h"

namespace tessaly::standin {

// The interface every Office add-in implements, declared by the host itself.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
struct IDTExtensibility2 : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* Application, int ConnectMode,
                                                   IDispatch* AddInInst, SAFEARRAY** custom) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnDisconnection(int RemoveMode, SAFEARRAY** custom) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY** custom) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY** custom) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY** custom) = 0;

  protected:
    ~IDTExtensibility2() = default;
};
#pragma GCC diagnostic pop

extern const IID IID_IDTExtensibility2;

inline constexpr int ext_cm_Startup = 1;
inline constexpr int ext_dm_HostShutdown = 0;

// A call into the add-in failed; `what` names the call and the HRESULT.
class AddinFailure : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct AddinRegistration {
    std::wstring progId;
    std::wstring description;  // FriendlyName, else Description, else the ProgID
    std::wstring dllPath;
};

struct AddinScan {
    std::vector<AddinRegistration> load;  // LoadBehavior 3 and fully registered
    std::vector<std::string> skipped;     // why the others are not loaded
};

// Reads HKCU\Software\Microsoft\Office\Outlook\Addins and the per-user classes.
AddinScan FindRegisteredAddins();

// One add-in, from LoadLibraryW to FreeLibrary. The calls throw AddinFailure.
class LoadedAddin {
  public:
    // LoadLibraryW, DllGetClassObject, CreateInstance and QueryInterface.
    // With `launch` false, the add-in's process starts are reported but not carried out.
    LoadedAddin(const AddinRegistration& registration, bool throughInvoke, bool launch = true);
    LoadedAddin(const LoadedAddin&) = delete;
    LoadedAddin& operator=(const LoadedAddin&) = delete;
    // Releases the add-in if still held; the library stays loaded unless freeLibrary ran.
    ~LoadedAddin();

    // Each returns the milliseconds the add-in took.
    double OnConnection(IDispatch* application, IDispatch* addInInst);
    double OnStartupComplete();
    double OnBeginShutdown();
    double OnDisconnection();
    // Outlook lets go of the add-in object after disconnecting it.
    void Release();
    [[nodiscard]] HRESULT DllCanUnloadNow();
    void FreeLibrary();
    const AddinRegistration& registration() const { return registration_; }
    // The add-in's object while the host holds it, for the other interfaces Outlook asks of
    // it (IRibbonExtensibility); null once released.
    IUnknown* object() const noexcept { return addin_.get(); }
    // The microseconds from LoadLibraryW to the add-in object, the host's own bookkeeping of
    // the DLL's imports left out.
    double loadMicroseconds() const { return loadMicroseconds_; }
    // How many of the DLL's imports of SetTimer and KillTimer the host tracks.
    int trackedTimerImports() const { return trackedTimerImports_; }

  private:
    template <class VtableCall>
    double call(const char* name, DISPID id, std::span<const win32::Variant> args,
                VtableCall&& direct);

    AddinRegistration registration_;
    bool throughInvoke_;
    HMODULE module_ = nullptr;
    int trackedTimerImports_ = 0;
    double loadMicroseconds_ = 0;
    win32::ComPtr<IDTExtensibility2> addin_;
    win32::ComPtr<IDispatch> dispatch_;
};

std::string Narrow(std::wstring_view text);

}  // namespace tessaly::standin
