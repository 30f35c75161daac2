#include "addin/win32/ribbon_callbacks.h"

#include <oleauto.h>

#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <variant>

#include "addin/registration.h"
#include "host/dispatch/late_binding.h"
#include "host/dispatch/ribbon.h"
#include "platform/win32/picture.h"
#include "platform/win32/text.h"

namespace tessaly::win32 {

namespace {

namespace dispatch = host::dispatch;

// ---- Arguments, read by the type the signature wants ----

template <class T>
struct Argument;

template <>
struct Argument<host::RibbonControlRef> {
    static host::RibbonControlRef read(const VARIANT& v) {
        return dispatch::WrapRibbonControl(ToDispatch(v));
    }
};

template <>
struct Argument<std::shared_ptr<host::RibbonUI>> {
    static std::shared_ptr<host::RibbonUI> read(const VARIANT& v) {
        return dispatch::WrapRibbonUI(ToDispatch(v));
    }
};

template <>
struct Argument<std::u16string> {
    static std::u16string read(const VARIANT& v) { return ToString(v); }
};

template <>
struct Argument<std::int32_t> {
    static std::int32_t read(const VARIANT& v) { return ToInt32(v); }
};

template <class T>
[[nodiscard]] HRESULT readArgument(const com::Invocation& call, UINT position, T& value) {
    try {
        value = Argument<T>::read(call.arg(position));
        return S_OK;
    } catch (const Error&) {
        call.markArgument(position);
        return DISP_E_TYPEMISMATCH;
    }
}

template <class Tuple, std::size_t... I>
[[nodiscard]] HRESULT readArguments(const com::Invocation& call, Tuple& values,
                                    std::index_sequence<I...>) {
    HRESULT hr = S_OK;
    static_cast<void>(
        (SUCCEEDED(hr = readArgument(call, static_cast<UINT>(I), std::get<I>(values))) && ...));
    return hr;
}

// ---- Values, as the caller gets them ----

template <class T>
Variant valueOf(const T& value) {
    return Variant(value);
}

// The picture object itself (IPictureDisp); Nothing for no picture.
Variant valueOf(const std::shared_ptr<host::Picture>& picture) {
    IPictureDisp* object = nullptr;
    if (picture) {
        const auto* ours = dynamic_cast<const Win32Picture*>(picture.get());
        if (!ours || !ours->get()) {
            throw Error(E_FAIL, "the picture was not made by this DLL");
        }
        object = ours->get();
    }
    return Variant(object);
}

template <class R, class... Args>
[[nodiscard]] HRESULT callWith(const std::function<R(Args...)>& callback,
                               const com::Invocation& call) {
    constexpr UINT count = sizeof...(Args);
    if (call.count() != count || (count != 0 && !call.params().rgvarg)) {
        return DISP_E_BADPARAMCOUNT;
    }
    std::tuple<std::decay_t<Args>...> arguments;
    const HRESULT hr = readArguments(call, arguments, std::index_sequence_for<Args...>{});
    if (FAILED(hr)) {
        return hr;
    }
    if constexpr (std::is_void_v<R>) {
        std::apply(callback, arguments);
    } else {
        const R value = std::apply(callback, arguments);
        if (call.result()) {
            call.answer(valueOf(value));
        }
    }
    return S_OK;
}

// An exception's text for the caller: ASCII as it is, any other byte as '?'.
std::wstring describe(const char* what) {
    std::wstring text;
    for (; *what; ++what) {
        const auto c = static_cast<unsigned char>(*what);
        text.push_back(c < 0x80 ? static_cast<wchar_t>(c) : L'?');
    }
    return text;
}

}  // namespace

DISPID RibbonCallbackId(const std::vector<host::RibbonCallback>& table,
                        std::wstring_view name) noexcept {
    for (std::size_t i = 0; i < table.size(); ++i) {
        const std::u16string& entry = table[i].name;
        if (com::SameName(
                std::wstring_view(reinterpret_cast<const wchar_t*>(entry.data()), entry.size()),
                name)) {
            return kDispFirstRibbonCallback + static_cast<DISPID>(i);
        }
    }
    return DISPID_UNKNOWN;
}

const host::RibbonCallback* RibbonCallbackOf(const std::vector<host::RibbonCallback>& table,
                                             DISPID id) noexcept {
    if (id < kDispFirstRibbonCallback) {
        return nullptr;
    }
    const auto index = static_cast<std::size_t>(id - kDispFirstRibbonCallback);
    return index < table.size() ? &table[index] : nullptr;
}

HRESULT InvokeRibbonCallback(const host::RibbonCallback& callback,
                             const com::Invocation& call) noexcept {
    // Office calls a callback as a method; a value callback may also be read as a property.
    if ((call.flags() & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) == 0) {
        return DISP_E_MEMBERNOTFOUND;
    }
    if (call.params().cNamedArgs != 0) {
        return DISP_E_NONAMEDARGS;
    }
    // The callback's failure as Office reads it: the code, and its text when it asks for one.
    return com::Guard(
        [&] { return std::visit([&](const auto& f) { return callWith(f, call); }, callback.call); },
        [&](HRESULT code, const std::exception& failure) {
            return call.raise(code, WideView(registration::kProgId), describe(failure.what()));
        });
}

}  // namespace tessaly::win32
