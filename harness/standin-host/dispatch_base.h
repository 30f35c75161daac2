// The COM plumbing of the stand-in host's objects: one base class that answers IDispatch by
// a fixed member table, names its type for IProvideClassInfo and ITypeInfo, and holds the
// connection points of event sources. Every object the host hands out derives from it, so
// calls can be counted and objects still referenced at exit can be listed.
#pragma once

#include <ocidl.h>
#include <oleauto.h>
#include <windows.h>

#include <cstdint>
#include <exception>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "harness/com/connection_point.h"
#include "host/events.h"
#include "host/object.h"
#include "platform/error.h"
#include "platform/win32/com/dispatch.h"
#include "platform/win32/raii.h"

namespace tessaly::standin {

using win32::ComPtr;

// The DISPIDs of the members; MemberTable() maps the names to them.
namespace dispid {
inline constexpr DISPID Item = 0;
inline constexpr DISPID Count = 1;
inline constexpr DISPID Explorers = 2;
inline constexpr DISPID CommandBars = 3;
inline constexpr DISPID Selection = 4;
inline constexpr DISPID Session = 5;
inline constexpr DISPID CurrentFolder = 6;
inline constexpr DISPID GetDefaultFolder = 7;
inline constexpr DISPID Name = 8;
inline constexpr DISPID CurrentItem = 9;
inline constexpr DISPID BusinessTelephoneNumber = 20;
inline constexpr DISPID Business2TelephoneNumber = 21;
inline constexpr DISPID MobileTelephoneNumber = 22;
inline constexpr DISPID HomeTelephoneNumber = 23;
inline constexpr DISPID Home2TelephoneNumber = 24;
inline constexpr DISPID CallbackTelephoneNumber = 25;
inline constexpr DISPID CarTelephoneNumber = 26;
inline constexpr DISPID AssistantTelephoneNumber = 27;
inline constexpr DISPID CompanyMainTelephoneNumber = 28;
inline constexpr DISPID Sender = 29;
inline constexpr DISPID Recipients = 30;
inline constexpr DISPID AddressEntry = 31;
inline constexpr DISPID Address = 32;
inline constexpr DISPID GetContact = 33;
inline constexpr DISPID GetExchangeUser = 34;
inline constexpr DISPID PrimarySmtpAddress = 35;
inline constexpr DISPID CurrentUser = 36;
inline constexpr DISPID Items = 37;
inline constexpr DISPID Find = 38;
inline constexpr DISPID Add = 40;
inline constexpr DISPID FindControl = 41;
inline constexpr DISPID AdaptiveMenus = 42;
inline constexpr DISPID Controls = 43;
inline constexpr DISPID Delete = 44;
inline constexpr DISPID AdaptiveMenu = 45;
inline constexpr DISPID Enabled = 46;
inline constexpr DISPID Visible = 47;
inline constexpr DISPID RowIndex = 48;
inline constexpr DISPID Position = 49;
inline constexpr DISPID Top = 50;
inline constexpr DISPID Left = 51;
inline constexpr DISPID Width = 52;
inline constexpr DISPID Height = 53;
inline constexpr DISPID Protection = 54;
inline constexpr DISPID Type = 60;
inline constexpr DISPID Parent = 61;
inline constexpr DISPID Index = 62;
inline constexpr DISPID Move = 63;
inline constexpr DISPID Tag = 64;
inline constexpr DISPID BeginGroup = 65;
inline constexpr DISPID Caption = 66;
inline constexpr DISPID TooltipText = 67;
inline constexpr DISPID Style = 70;
inline constexpr DISPID Picture = 71;
inline constexpr DISPID Mask = 72;
inline constexpr DISPID DropDownLines = 80;
inline constexpr DISPID ListCount = 81;
inline constexpr DISPID ListIndex = 82;
inline constexpr DISPID List = 83;
inline constexpr DISPID Text = 84;
inline constexpr DISPID Clear = 85;
inline constexpr DISPID AddItem = 86;
inline constexpr DISPID ProgId = 90;
inline constexpr DISPID Description = 91;
inline constexpr DISPID Connect = 92;
}  // namespace dispid

// Every member name the host answers, with its DISPID. One table for all objects: a name
// has the same DISPID wherever it exists, and "Item" is the default member of collections.
struct MemberName {
    const wchar_t* name;
    DISPID id;
};
const std::vector<MemberName>& MemberTable();
// The DISPID of a name, without regard to case; nothing for an unknown name.
std::optional<DISPID> FindMember(std::wstring_view name);

// Counts of the calls the host received through IDispatch.
struct CallCounts {
    std::uint64_t invokes = 0;
    std::uint64_t getIdsOfNames = 0;
    // (object serial, member name in lower case) -> lookups; and the object's type name.
    std::map<std::pair<std::uint64_t, std::wstring>, unsigned> lookups;
    std::map<std::uint64_t, std::string> objectTypes;
};

class DispatchBase;

// The objects alive right now and the call counts; one per host.
class ObjectRegistry {
  public:
    std::uint64_t add(DispatchBase* object, std::string typeName);
    void remove(std::uint64_t serial) noexcept;
    const std::map<std::uint64_t, DispatchBase*>& live() const { return live_; }
    CallCounts& counts() { return counts_; }

  private:
    std::uint64_t next_ = 1;
    std::map<std::uint64_t, DispatchBase*> live_;
    CallCounts counts_;
};

// A call's arguments and result, read in positional order (DISPPARAMS holds them last to
// first). Conversion failures throw ArgumentError, which Invoke reports with puArgErr.
class ArgumentError : public Error {
  public:
    ArgumentError(hresult code, unsigned position, const std::string& what)
        : Error(code, what), position_(position) {}
    unsigned position() const noexcept { return position_; }

  private:
    unsigned position_;
};

// A member called in a way it does not take (a property set as a method, say): the call fails
// as Office's does, with DISP_E_MEMBERNOTFOUND.
[[noreturn]] void WrongKind();

class Call {
  public:
    explicit Call(const win32::com::Invocation& invocation);

    bool isGet() const { return (flags() & (DISPATCH_PROPERTYGET | DISPATCH_METHOD)) != 0; }
    bool isPut() const { return (flags() & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0; }
    WORD flags() const { return invocation_.flags(); }

    // Positional arguments, the assigned value of a put not counted.
    unsigned count() const { return positional_; }
    // Nothing when the argument is absent or passed as omitted; read it with the COM kit's
    // readers.
    const VARIANT* arg(unsigned position) const;
    std::optional<std::int32_t> optInt(unsigned position) const;
    std::optional<bool> optBool(unsigned position) const;
    std::optional<std::u16string> optString(unsigned position) const;
    std::int32_t requiredInt(unsigned position) const;
    std::u16string requiredString(unsigned position) const;
    // The object passed, or null for Nothing; throws for a non-object.
    ComPtr<IUnknown> optObject(unsigned position) const;

    // The assigned value of a property put.
    std::int32_t valueInt() const;
    bool valueBool() const;
    std::u16string valueString() const;
    ComPtr<IUnknown> valueObject() const;

    void result(std::int32_t value);
    void result(bool value);
    void result(std::u16string_view value);
    void result(const ComPtr<IDispatch>& object);  // null gives Nothing

  private:
    const VARIANT& value() const;
    const win32::com::Invocation& invocation_;
    unsigned positional_;
};

// A minimal ITypeInfo that knows only its name: GetDocumentation(MEMBERID_NIL) is what
// callers use to learn an object's type.
ComPtr<ITypeInfo> MakeNamedTypeInfo(ObjectRegistry& registry, std::wstring name);

// One outgoing interface of an object. Each client's Advise becomes a subscription on the
// sim object, so the sim's fan-out (one click reaching every control with the same tag)
// reaches every COM client.
class ConnectionPoint final : public harness::com::ConnectionPoint {
  public:
    using Connect = std::function<host::Subscription(const ComPtr<IDispatch>& client)>;
    ConnectionPoint(IConnectionPointContainer& container, const IID& iid, Connect connect)
        : harness::com::ConnectionPoint(container, iid), connect_(std::move(connect)) {}

  private:
    HRESULT connect(DWORD cookie, const ComPtr<IDispatch>& sink) override;
    void disconnect(DWORD cookie) noexcept override;

    Connect connect_;
    std::map<DWORD, host::Subscription> subscriptions_;
};

// The objects' IDispatch answers by a member table and counts every call; the container is
// offered only by objects that raise events.
using DispatchBaseOf = win32::com::Dispatch<harness::com::ConnectionPoints<
    win32::com::ComObject<IDispatch, IProvideClassInfo, IConnectionPointContainer>>>;

class DispatchBase : public DispatchBaseOf {
  public:
    // IProvideClassInfo
    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** out) noexcept override;

    // The host's own view.
    std::uint64_t serial() const { return serial_; }
    // The sim object wrapped; identity key of the cache.
    virtual const void* key() const = 0;
    // A wrapper of ours behind a foreign interface pointer, or null.
    static DispatchBase* FromUnknown(IUnknown* object) noexcept;

  protected:
    DispatchBase(ObjectRegistry& registry, std::string typeName);
    ~DispatchBase() override;

    virtual bool hasMember(DISPID id) const noexcept = 0;
    // The DISPID of a member name; by default the one table's (MemberTable). Objects of an
    // interface that numbers its members itself (the ribbon's) answer with their own.
    virtual std::optional<DISPID> findMember(std::wstring_view name) const {
        return FindMember(name);
    }
    // Throws Error; DISP_E_MEMBERNOTFOUND for a call of the wrong kind.
    virtual void invokeMember(DISPID id, Call& call) = 0;
    // The coclass name ("ContactItem"); the interface is the same with a leading "_".
    virtual std::wstring coclassName();

    ConnectionPoint& addConnectionPoint(const IID& iid, ConnectionPoint::Connect connect) {
        return DispatchBaseOf::addConnectionPoint<ConnectionPoint>(iid, std::move(connect));
    }
    ObjectRegistry& registry() { return registry_; }

  private:
    void* resolve(REFIID iid, void* found) noexcept override;
    UINT typeInfoCount() const noexcept override { return 1; }
    HRESULT getTypeInfo(ITypeInfo** out) override;
    DISPID memberId(std::wstring_view name) override;
    HRESULT invoke(const win32::com::Invocation& call) override;
    [[nodiscard]] HRESULT reportFailure(const win32::com::Invocation& invocation, HRESULT code,
                                        const std::exception& failure);

    ObjectRegistry& registry_;
    std::string typeName_;
    std::uint64_t serial_;
};

// Calls one member of a client's IDispatch as a method (an event of a sink, a callback of an
// add-in), `args` in their declared order, and returns its value. A failure (a failed
// HRESULT, or an exception the client raised with its description) is thrown as Error, which
// the sim records as the client's failure.
win32::Variant CallClient(IDispatch* client, DISPID id, std::span<const win32::Variant> args);
// CallClient for an event, whose value nobody reads.
void FireEvent(IDispatch* client, DISPID id, std::initializer_list<win32::Variant> args = {});

std::string HresultText(HRESULT hr);

}  // namespace tessaly::standin
