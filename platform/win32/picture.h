// A bitmap as an OLE picture object, the form command bar buttons take for their face.
#pragma once

#include <windows.h>

#include <ole2.h>
#include <olectl.h>

#include <utility>

#include "platform/picture.h"
#include "platform/win32/raii.h"

namespace tessaly::win32 {

class Win32Picture final : public platform::Picture {
  public:
    explicit Win32Picture(ComPtr<IPictureDisp> picture)
        : picture_(std::move(picture)), identity_(picture_.query<IUnknown>(IID_IUnknown)) {}

    IPictureDisp* get() const noexcept { return picture_.get(); }
    // COM identity: two wrappers of the same picture compare equal.
    const void* Identity() const noexcept override { return identity_.get(); }

  private:
    ComPtr<IPictureDisp> picture_;
    ComPtr<IUnknown> identity_;
};

}  // namespace tessaly::win32
