// A bitmap loaded as a picture object (IPictureDisp on Windows): what the resources service
// makes of a bitmap resource, and what a toolbar button's face and a ribbon image take.
#pragma once

namespace tessaly::platform {

class Picture {
  public:
    virtual ~Picture() = default;

    // Two references denote the same picture exactly when their identities are equal. A
    // wrapper of a system object returns the system's identity (for COM, the IUnknown pointer).
    virtual const void* Identity() const noexcept { return this; }
};

}  // namespace tessaly::platform
