#include "dispatch_base.h"

#include <olectl.h>

#include <algorithm>
#include <cstdio>
#include <span>

#include "harness/com/type_info.h"
#include "platform/case_fold.h"
#include "platform/utf.h"
#include "platform/win32/com/invoke.h"
#include "platform/win32/text.h"

namespace tessaly::standin {

namespace {

// Asks a foreign pointer whether it is one of ours; never leaves the process.
// {3E5B1C2A-7D44-4C1B-9A3E-51F0C6A2D9B7}
constexpr IID kIID_StandinObject = {
    0x3E5B1C2A, 0x7D44, 0x4C1B, {0x9A, 0x3E, 0x51, 0xF0, 0xC6, 0xA2, 0xD9, 0xB7}};

std::wstring Lower(std::wstring_view text) {
    std::wstring out(text);
    std::transform(out.begin(), out.end(), out.begin(), platform::lowerAscii<wchar_t>);
    return out;
}

}  // namespace

// ---- Names -------------------------------------------------------------------------------

const std::vector<MemberName>& MemberTable() {
    static const std::vector<MemberName> table = {
        {L"Item", dispid::Item},
        {L"Count", dispid::Count},
        {L"Explorers", dispid::Explorers},
        {L"CommandBars", dispid::CommandBars},
        {L"Selection", dispid::Selection},
        {L"Session", dispid::Session},
        {L"CurrentFolder", dispid::CurrentFolder},
        {L"GetDefaultFolder", dispid::GetDefaultFolder},
        {L"Name", dispid::Name},
        {L"CurrentItem", dispid::CurrentItem},
        {L"BusinessTelephoneNumber", dispid::BusinessTelephoneNumber},
        {L"Business2TelephoneNumber", dispid::Business2TelephoneNumber},
        {L"MobileTelephoneNumber", dispid::MobileTelephoneNumber},
        {L"HomeTelephoneNumber", dispid::HomeTelephoneNumber},
        {L"Home2TelephoneNumber", dispid::Home2TelephoneNumber},
        {L"CallbackTelephoneNumber", dispid::CallbackTelephoneNumber},
        {L"CarTelephoneNumber", dispid::CarTelephoneNumber},
        {L"AssistantTelephoneNumber", dispid::AssistantTelephoneNumber},
        {L"CompanyMainTelephoneNumber", dispid::CompanyMainTelephoneNumber},
        {L"Sender", dispid::Sender},
        {L"Recipients", dispid::Recipients},
        {L"AddressEntry", dispid::AddressEntry},
        {L"Address", dispid::Address},
        {L"GetContact", dispid::GetContact},
        {L"GetExchangeUser", dispid::GetExchangeUser},
        {L"PrimarySmtpAddress", dispid::PrimarySmtpAddress},
        {L"CurrentUser", dispid::CurrentUser},
        {L"Items", dispid::Items},
        {L"Find", dispid::Find},
        {L"Add", dispid::Add},
        {L"FindControl", dispid::FindControl},
        {L"AdaptiveMenus", dispid::AdaptiveMenus},
        {L"Controls", dispid::Controls},
        {L"Delete", dispid::Delete},
        {L"AdaptiveMenu", dispid::AdaptiveMenu},
        {L"Enabled", dispid::Enabled},
        {L"Visible", dispid::Visible},
        {L"RowIndex", dispid::RowIndex},
        {L"Position", dispid::Position},
        {L"Top", dispid::Top},
        {L"Left", dispid::Left},
        {L"Width", dispid::Width},
        {L"Height", dispid::Height},
        {L"Protection", dispid::Protection},
        {L"Type", dispid::Type},
        {L"Parent", dispid::Parent},
        {L"Index", dispid::Index},
        {L"Move", dispid::Move},
        {L"Tag", dispid::Tag},
        {L"BeginGroup", dispid::BeginGroup},
        {L"Caption", dispid::Caption},
        {L"TooltipText", dispid::TooltipText},
        {L"Style", dispid::Style},
        {L"Picture", dispid::Picture},
        {L"Mask", dispid::Mask},
        {L"DropDownLines", dispid::DropDownLines},
        {L"ListCount", dispid::ListCount},
        {L"ListIndex", dispid::ListIndex},
        {L"List", dispid::List},
        {L"Text", dispid::Text},
        {L"Clear", dispid::Clear},
        {L"AddItem", dispid::AddItem},
        {L"ProgId", dispid::ProgId},
        {L"Description", dispid::Description},
        {L"Connect", dispid::Connect},
    };
    return table;
}

std::optional<DISPID> FindMember(std::wstring_view name) {
    const MemberName* member = win32::com::FindName(std::span(MemberTable()), name);
    return member ? std::optional(member->id) : std::nullopt;
}

std::string HresultText(HRESULT hr) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08lX", static_cast<unsigned long>(hr));
    return buffer;
}

// ---- Registry ----------------------------------------------------------------------------

std::uint64_t ObjectRegistry::add(DispatchBase* object, std::string typeName) {
    const std::uint64_t serial = next_++;
    live_.emplace(serial, object);
    counts_.objectTypes.emplace(serial, std::move(typeName));
    return serial;
}

void ObjectRegistry::remove(std::uint64_t serial) noexcept {
    live_.erase(serial);
}

// ---- Call --------------------------------------------------------------------------------

namespace {

// The argument at `position` read with `reader`; what it cannot read is that argument's error.
template <class T>
T Read(const VARIANT& argument, unsigned position, T (*reader)(const VARIANT&),
       const char* problem) {
    try {
        return reader(argument);
    } catch (const Error& e) {
        throw ArgumentError(e.code(), position,
                            "argument " + std::to_string(position + 1) + problem);
    }
}

constexpr const char* kWrongType = " has the wrong type";
constexpr const char* kNoObject = " is no object";

}  // namespace

Call::Call(const win32::com::Invocation& invocation) : invocation_(invocation) {
    const unsigned count = invocation.count();
    positional_ = count - (isPut() && count > 0 ? 1 : 0);
}

const VARIANT* Call::arg(unsigned position) const {
    if (position >= positional_) {
        return nullptr;
    }
    // Named arguments (only the put value here) come first in rgvarg.
    const VARIANT& v = invocation_.arg(position);
    return win32::IsMissing(v) ? nullptr : &v;
}

std::optional<std::int32_t> Call::optInt(unsigned position) const {
    const VARIANT* v = arg(position);
    return v ? std::optional(Read(*v, position, win32::ToInt32, kWrongType)) : std::nullopt;
}

std::optional<bool> Call::optBool(unsigned position) const {
    const VARIANT* v = arg(position);
    return v ? std::optional(Read(*v, position, win32::ToBool, kWrongType)) : std::nullopt;
}

std::optional<std::u16string> Call::optString(unsigned position) const {
    const VARIANT* v = arg(position);
    return v ? std::optional(Read(*v, position, win32::ToString, kWrongType)) : std::nullopt;
}

std::int32_t Call::requiredInt(unsigned position) const {
    if (auto value = optInt(position)) {
        return *value;
    }
    throw ArgumentError(DISP_E_PARAMNOTFOUND, position, "a required argument is missing");
}

std::u16string Call::requiredString(unsigned position) const {
    if (auto value = optString(position)) {
        return *value;
    }
    throw ArgumentError(DISP_E_PARAMNOTFOUND, position, "a required argument is missing");
}

ComPtr<IUnknown> Call::optObject(unsigned position) const {
    const VARIANT* v = arg(position);
    return v ? Read(*v, position, win32::ToUnknown, kNoObject) : ComPtr<IUnknown>();
}

const VARIANT& Call::value() const {
    if (!isPut() || invocation_.count() == 0) {
        throw ArgumentError(DISP_E_BADPARAMCOUNT, 0, "no value assigned");
    }
    return invocation_.params().rgvarg[0];
}

std::int32_t Call::valueInt() const {
    return Read(value(), 0, win32::ToInt32, kWrongType);
}

bool Call::valueBool() const {
    return Read(value(), 0, win32::ToBool, kWrongType);
}

std::u16string Call::valueString() const {
    return Read(value(), 0, win32::ToString, kWrongType);
}

ComPtr<IUnknown> Call::valueObject() const {
    return Read(value(), 0, win32::ToUnknown, kNoObject);
}

void Call::result(std::int32_t value) {
    invocation_.answer(value);
}

void Call::result(bool value) {
    invocation_.answer(value);
}

void Call::result(std::u16string_view value) {
    invocation_.answer(value);
}

void Call::result(const ComPtr<IDispatch>& object) {
    invocation_.answer(object.get());
}

// ---- Type information --------------------------------------------------------------------

namespace {

// Counted among the host's objects like the dispatch objects, so a leaked one shows up.
class RegisteredTypeInfo final : public harness::com::NamedTypeInfo {
  public:
    RegisteredTypeInfo(ObjectRegistry& registry, std::wstring name)
        : NamedTypeInfo(name),
          registry_(registry),
          serial_(registry.add(nullptr,
                               "ITypeInfo " + platform::toPrintableUtf8(win32::Utf16View(name)))) {}
    ~RegisteredTypeInfo() override { registry_.remove(serial_); }

  private:
    ObjectRegistry& registry_;
    std::uint64_t serial_;
};

}  // namespace

ComPtr<ITypeInfo> MakeNamedTypeInfo(ObjectRegistry& registry, std::wstring name) {
    return win32::com::Make<RegisteredTypeInfo>(registry, std::move(name));
}

// ---- DispatchBase ------------------------------------------------------------------------

DispatchBase::DispatchBase(ObjectRegistry& registry, std::string typeName)
    : registry_(registry), typeName_(std::move(typeName)) {
    serial_ = registry_.add(this, typeName_);
}

DispatchBase::~DispatchBase() {
    registry_.remove(serial_);
}

DispatchBase* DispatchBase::FromUnknown(IUnknown* object) noexcept {
    if (!object) {
        return nullptr;
    }
    IDispatch* ours = nullptr;
    if (FAILED(object->QueryInterface(kIID_StandinObject, reinterpret_cast<void**>(&ours))) ||
        !ours) {
        return nullptr;
    }
    auto* base = static_cast<DispatchBase*>(ours);
    ours->Release();  // the caller holds `object`, which keeps it alive
    return base;
}

void* DispatchBase::resolve(REFIID iid, void* found) noexcept {
    if (iid == kIID_StandinObject) {
        return static_cast<IDispatch*>(this);
    }
    return DispatchBaseOf::resolve(iid, found);
}

HRESULT DispatchBase::getTypeInfo(ITypeInfo** out) {
    *out = MakeNamedTypeInfo(registry_, L"_" + coclassName()).detach();
    return S_OK;
}

HRESULT DispatchBase::GetClassInfo(ITypeInfo** out) noexcept {
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    return win32::com::Guard([&] {
        *out = MakeNamedTypeInfo(registry_, coclassName()).detach();
        return S_OK;
    });
}

std::wstring DispatchBase::coclassName() {
    return win32::ToWide(platform::fromUtf8(typeName_));
}

DISPID DispatchBase::memberId(std::wstring_view name) {
    CallCounts& counts = registry_.counts();
    ++counts.getIdsOfNames;
    ++counts.lookups[{serial_, Lower(name)}];
    const std::optional<DISPID> id = findMember(name);
    return id && hasMember(*id) ? *id : DISPID_UNKNOWN;
}

HRESULT DispatchBase::invoke(const win32::com::Invocation& invocation) {
    ++registry_.counts().invokes;
    if (!hasMember(invocation.id())) {
        return DISP_E_MEMBERNOTFOUND;
    }
    const DISPPARAMS& params = invocation.params();
    const bool put = (invocation.flags() & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    if (params.cNamedArgs > 1 || (params.cNamedArgs == 1 && !put) ||
        (params.cNamedArgs == 1 && params.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)) {
        return DISP_E_NONAMEDARGS;
    }
    return win32::com::Guard(
        [&] {
            Call call(invocation);
            invokeMember(invocation.id(), call);
            return S_OK;
        },
        [&](HRESULT code, const std::exception& failure) {
            return reportFailure(invocation, code, failure);
        });
}

// An argument the member cannot take is pointed out; any other failure it reports comes back
// as an exception carrying the host's code.
HRESULT DispatchBase::reportFailure(const win32::com::Invocation& invocation, HRESULT code,
                                    const std::exception& failure) {
    if (const auto* argument = dynamic_cast<const ArgumentError*>(&failure)) {
        if (UINT* argError = invocation.argError()) {
            *argError = argument->position();
        }
        return code;
    }
    if (!dynamic_cast<const Error*>(&failure) || code == DISP_E_MEMBERNOTFOUND) {
        return code;
    }
    std::wstring source;
    std::wstring description;
    try {
        source = coclassName();
        description = win32::ToWide(platform::fromUtf8(failure.what()));
    } catch (...) {
        // Out of memory, or a message that is not UTF-8: the error goes back without its
        // texts.
    }
    return invocation.raise(code, source, description);
}

// ---- ConnectionPoint ---------------------------------------------------------------------

HRESULT ConnectionPoint::connect(DWORD cookie, const ComPtr<IDispatch>& sink) {
    return win32::com::Guard([&] {
        subscriptions_.emplace(cookie, connect_(sink));
        return S_OK;
    });
}

void ConnectionPoint::disconnect(DWORD cookie) noexcept {
    const auto it = subscriptions_.find(cookie);
    if (it != subscriptions_.end()) {
        // Taken out first: ending the subscription releases the sink, which may call back.
        host::Subscription subscription = std::move(it->second);
        subscriptions_.erase(it);
        subscription.reset();
    }
}

// ---- Events ------------------------------------------------------------------------------

void FireEvent(IDispatch* client, DISPID id, std::initializer_list<win32::Variant> args) {
    static_cast<void>(CallClient(client, id, {args.begin(), args.size()}));
}

win32::Variant CallClient(IDispatch* client, DISPID id, std::span<const win32::Variant> args) {
    win32::com::Invoked call = win32::com::Invoke(*client, id, DISPATCH_METHOD, args);
    if (!call.failed()) {
        return std::move(call.value);
    }
    std::string what;
    for (wchar_t c : call.description) {
        what.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    }
    throw Error(call.code, what.empty() ? "Invoke returned " + HresultText(call.code) : what);
}

[[noreturn]] void WrongKind() {
    throw Error(DISP_E_MEMBERNOTFOUND, "the member does not take this kind of call");
}

}  // namespace tessaly::standin
