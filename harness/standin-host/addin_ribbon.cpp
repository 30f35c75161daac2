#include "addin_ribbon.h"

#include <olectl.h>

#include <array>
#include <chrono>
#include <functional>
#include <utility>
#include <variant>

#include "platform/win32/com/invoke.h"
#include "platform/win32/text.h"

namespace tessaly::standin {

namespace {

using host::RibbonCallback;
using win32::Variant;

// What a callback that answered with a picture gave: the host notes that there is one and
// keeps no reference into the add-in.
class GivenPicture final : public host::Picture {};

// ---- Arguments: the C++ values the model passes, as the add-in receives them ----

Variant ToVariant(Server& server, const std::shared_ptr<host::Object>& object) {
    return server.wrap(object).get();
}

Variant ToVariant(Server&, const std::u16string& text) {
    return text;
}

Variant ToVariant(Server&, std::int32_t value) {
    return value;
}

// ---- Values: what the add-in answered, as the model takes it ----

// The value read as `read` reads it; one it cannot read is not `what` the model wants.
template <class R>
R Expected(const Variant& value, R (Variant::*read)() const, const char* what) {
    try {
        return (value.*read)();
    } catch (const Error&) {
        throw Error(DISP_E_TYPEMISMATCH, std::string("the callback's value is not ") + what);
    }
}

template <class R>
R FromVariant(const Variant& value);

template <>
std::u16string FromVariant(const Variant& value) {
    return Expected(value, &Variant::toString, "a string");
}

template <>
bool FromVariant(const Variant& value) {
    return Expected(value, &Variant::toBool, "a Boolean");
}

template <>
std::int32_t FromVariant(const Variant& value) {
    return Expected(value, &Variant::toInt32, "a number");
}

// IPictureDisp as VT_DISPATCH or VT_UNKNOWN; Nothing is no picture.
template <>
std::shared_ptr<host::Picture> FromVariant(const Variant& value) {
    const win32::ComPtr<IUnknown> object = Expected(value, &Variant::toUnknown, "a picture");
    if (!object) {
        return nullptr;
    }
    if (!object.query<IPictureDisp>(IID_IPictureDisp)) {
        throw Error(DISP_E_TYPEMISMATCH, "the callback's value is not a picture");
    }
    return std::make_shared<GivenPicture>();
}

// One callback of the add-in: a DISPID of its IDispatch, called with the model's arguments.
struct Target {
    win32::ComPtr<IDispatch> addin;
    DISPID id;
    Server* server;
    std::shared_ptr<RibbonCallCounts> counts;
};

template <class F>
struct Through;

template <class R, class... Args>
struct Through<std::function<R(Args...)>> {
    static std::function<R(Args...)> make(Target target) {
        return [target = std::move(target)](Args... args) -> R {
            const std::array<Variant, sizeof...(Args)> values = {
                ToVariant(*target.server, args)...};
            ++target.counts->invokes;
            const auto start = std::chrono::steady_clock::now();
            Variant result = CallClient(target.addin.get(), target.id, values);
            target.counts->microseconds +=
                std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                    .count();
            if constexpr (!std::is_void_v<R>) {
                return FromVariant<R>(result);
            }
        };
    }
};

template <std::size_t... I>
RibbonCallback::Any MakeOfKind(std::size_t kind, const Target& target, std::index_sequence<I...>) {
    std::optional<RibbonCallback::Any> made;
    static_cast<void>(
        ((kind == I &&
          (made.emplace(std::in_place_index<I>,
                        Through<std::variant_alternative_t<I, RibbonCallback::Any>>::make(target)),
           true)) ||
         ...));
    if (!made) {
        throw Error(E_INVALIDARG, "no callback signature of that kind");
    }
    return std::move(*made);
}

}  // namespace

std::unique_ptr<AddinRibbon> AddinRibbon::Query(IUnknown* addin, Server& server) {
    auto ribbon = win32::ComPtr<IUnknown>(addin).query<host::dispatch::IRibbonExtensibility>(
        host::dispatch::IID_IRibbonExtensibility);
    if (!ribbon) {
        return nullptr;
    }
    return std::make_unique<AddinRibbon>(std::move(ribbon), server);
}

AddinRibbon::AddinRibbon(win32::ComPtr<host::dispatch::IRibbonExtensibility> ribbon, Server& server)
    : ribbon_(std::move(ribbon)), dispatch_(ribbon_.get()), server_(server) {}

std::u16string AddinRibbon::GetCustomUI(const std::u16string& ribbonId) {
    const win32::Bstr id(reinterpret_cast<const wchar_t*>(ribbonId.data()),
                         static_cast<UINT>(ribbonId.size()));
    win32::Bstr xml;
    const HRESULT hr = ribbon_->GetCustomUI(id.get(), xml.put());
    if (FAILED(hr)) {
        throw Error(hr, "GetCustomUI returned " + HresultText(hr));
    }
    return win32::FromWide(xml.get(), xml.length());
}

AddinRibbon::FoundCallback AddinRibbon::FindCallback(const std::u16string& name,
                                                     std::optional<std::size_t> kind) {
    auto [entry, fresh] = resolved_.try_emplace(name);
    if (fresh) {
        ++counts_->getIdsOfNames;
        try {
            entry->second = win32::com::IdOfName(*dispatch_.get(), win32::WideView(name));
        } catch (const Error&) {
            // The add-in has no callback of that name.
        }
    }
    if (!entry->second) {
        return {};
    }
    if (!kind) {
        return {Lookup::Found, std::nullopt};
    }
    const Target target{dispatch_, *entry->second, &server_, counts_};
    return {Lookup::Found,
            MakeOfKind(*kind, target,
                       std::make_index_sequence<std::variant_size_v<RibbonCallback::Any>>{})};
}

}  // namespace tessaly::standin
