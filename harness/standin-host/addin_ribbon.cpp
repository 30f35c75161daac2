#include "addin_ribbon.h"

#include <olectl.h>

#include <array>
#include <functional>
#include <utility>
#include <variant>

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
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_DISPATCH;
    v.pdispVal = server.wrap(object).detach();
    return Variant::attach(v);
}

Variant ToVariant(Server&, const std::u16string& text) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal =
        win32::Bstr(reinterpret_cast<const wchar_t*>(text.data()), static_cast<UINT>(text.size()))
            .detach();
    return Variant::attach(v);
}

Variant ToVariant(Server&, std::int32_t value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    return Variant::attach(v);
}

// ---- Values: what the add-in answered, as the model takes it ----

Variant Changed(const Variant& value, VARTYPE type, const char* what) {
    Variant result;
    if (FAILED(VariantChangeType(result.get(), const_cast<VARIANT*>(value.get()), 0, type))) {
        throw Error(DISP_E_TYPEMISMATCH, std::string("the callback's value is not ") + what);
    }
    return result;
}

template <class R>
R FromVariant(const Variant& value);

template <>
std::u16string FromVariant(const Variant& value) {
    const Variant text = Changed(value, VT_BSTR, "a string");
    return win32::FromWide(text->bstrVal, SysStringLen(text->bstrVal));
}

template <>
bool FromVariant(const Variant& value) {
    return Changed(value, VT_BOOL, "a Boolean")->boolVal != VARIANT_FALSE;
}

template <>
std::int32_t FromVariant(const Variant& value) {
    return Changed(value, VT_I4, "a number")->lVal;
}

// IPictureDisp as VT_DISPATCH or VT_UNKNOWN; Nothing is no picture.
template <>
std::shared_ptr<host::Picture> FromVariant(const Variant& value) {
    const VARIANT& v = *value.get();
    IUnknown* object = nullptr;
    if (v.vt == VT_DISPATCH || v.vt == VT_UNKNOWN) {
        object = v.punkVal;
    } else if (v.vt != VT_EMPTY && v.vt != VT_NULL) {
        throw Error(DISP_E_TYPEMISMATCH, "the callback's value is not a picture");
    }
    if (!object) {
        return nullptr;
    }
    if (!win32::ComPtr<IUnknown>(object).query<IPictureDisp>(IID_IPictureDisp)) {
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
            std::array<Variant, sizeof...(Args)> values = {ToVariant(*target.server, args)...};
            // DISPPARAMS holds the arguments last to first; the Variants keep owning them.
            std::array<VARIANT, sizeof...(Args)> reversed{};
            for (std::size_t i = 0; i < values.size(); ++i) {
                reversed[values.size() - 1 - i] = *values[i].get();
            }
            ++target.counts->invokes;
            Variant result = CallClient(target.addin.get(), target.id,
                                        reversed.empty() ? nullptr : reversed.data(),
                                        static_cast<UINT>(reversed.size()));
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
        customised_.erase(ribbonId);
        throw Error(hr, "GetCustomUI returned " + HresultText(hr));
    }
    customised_[ribbonId] = xml.length() != 0;
    return win32::FromWide(xml.get(), xml.length());
}

std::optional<bool> AddinRibbon::customised(const std::u16string& ribbonId) const {
    const auto found = customised_.find(ribbonId);
    return found == customised_.end() ? std::nullopt : std::optional<bool>(found->second);
}

AddinRibbon::FoundCallback AddinRibbon::FindCallback(const std::u16string& name,
                                                     std::optional<std::size_t> kind) {
    auto [entry, fresh] = resolved_.try_emplace(name);
    if (fresh) {
        std::wstring wide = win32::ToWide(name);
        LPOLESTR names[] = {wide.data()};
        DISPID id = DISPID_UNKNOWN;
        ++counts_->getIdsOfNames;
        if (SUCCEEDED(dispatch_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) {
            entry->second = id;
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
