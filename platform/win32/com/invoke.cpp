#include "platform/win32/com/invoke.h"

#include <vector>

namespace tessaly::win32::com {

namespace {

// What the called object fills in when it raises an exception, freed on every path.
class ExceptionInfo {
  public:
    ExceptionInfo() = default;
    ExceptionInfo(const ExceptionInfo&) = delete;
    ExceptionInfo& operator=(const ExceptionInfo&) = delete;
    ~ExceptionInfo() {
        SysFreeString(info_.bstrSource);
        SysFreeString(info_.bstrDescription);
        SysFreeString(info_.bstrHelpFile);
    }

    EXCEPINFO* get() noexcept { return &info_; }

    // Reads what the object raised into `outcome`, first filling in what it left for later.
    void readInto(Invoked& outcome) {
        if (info_.pfnDeferredFillIn) {
            static_cast<void>(info_.pfnDeferredFillIn(&info_));
            info_.pfnDeferredFillIn = nullptr;
        }
        outcome.raised = true;
        if (FAILED(info_.scode)) {
            outcome.code = info_.scode;
        } else {
            outcome.code =
                info_.wCode ? MAKE_HRESULT(SEVERITY_ERROR, FACILITY_DISPATCH, info_.wCode) : E_FAIL;
        }
        if (info_.bstrDescription) {
            outcome.description.assign(info_.bstrDescription, SysStringLen(info_.bstrDescription));
        }
    }

  private:
    EXCEPINFO info_{};
};

}  // namespace

Invoked Invoke(IDispatch& object, DISPID id, WORD flags, std::span<const Variant> args) {
    const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    // DISPPARAMS holds the arguments last to first; the Variants keep owning the values.
    std::vector<VARIANT> reversed;
    reversed.reserve(args.size());
    for (auto it = args.rbegin(); it != args.rend(); ++it) {
        reversed.push_back(*it->get());
    }
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{};
    params.rgvarg = reversed.empty() ? nullptr : reversed.data();
    params.cArgs = static_cast<UINT>(reversed.size());
    if (put) {
        params.rgdispidNamedArgs = &named;
        params.cNamedArgs = 1;
    }
    Invoked outcome;
    ExceptionInfo exception;
    UINT argError = 0;
    outcome.code = object.Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                 put ? nullptr : outcome.value.get(), exception.get(), &argError);
    if (outcome.code == DISP_E_EXCEPTION) {
        exception.readInto(outcome);
    }
    return outcome;
}

DISPID IdOfName(IDispatch& object, std::wstring_view name) {
    std::wstring text(name);
    LPOLESTR names[] = {text.data()};
    DISPID id = DISPID_UNKNOWN;
    Check(object.GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id),
          "GetIDsOfNames failed");
    return id;
}

}  // namespace tessaly::win32::com
