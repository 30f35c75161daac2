// MessageBoxes through MessageBoxW.
#include <windows.h>

#include "platform/win32/service_impls.h"
#include "platform/win32/text.h"

namespace tessaly::win32 {

void Win32MessageBoxes::ShowMessage(std::u16string_view text, std::u16string_view title) {
    // No owner window: the box stays modal to nothing, and its own loop keeps dispatching the
    // thread's timers while it is open.
    MessageBoxW(nullptr, ToWide(text).c_str(), ToWide(title).c_str(), MB_OK);
}

}  // namespace tessaly::win32
