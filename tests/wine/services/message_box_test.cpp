// The message box on a (virtual) display: modal, OK only, and timers keep running while it is
// open. A helper thread plays the user.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/services.h"
#include "platform/win32/text.h"

namespace tessaly::win32 {
namespace {

constexpr wchar_t kTitle[] = L"Tessaly \u2013 Pr\u00fcfung";
constexpr wchar_t kText[] = L"Die Nummer 555 0199 wird gew\u00e4hlt.";

struct BoxContents {
    std::vector<std::wstring> buttons;  // captions of the visible buttons
    bool hasText = false;
    bool hasIcon = false;
};

void Collect(HWND child, BoxContents& found) {
    if (!IsWindowVisible(child)) {
        return;
    }
    wchar_t className[64] = {};
    GetClassNameW(child, className, 64);
    wchar_t text[256] = {};
    GetWindowTextW(child, text, 256);
    const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
    if (lstrcmpiW(className, L"Button") == 0) {
        found.buttons.emplace_back(text);
    } else if (lstrcmpiW(className, L"Static") == 0) {
        // Wine keeps a visible icon control in every box; it shows nothing unless an icon
        // was asked for.
        if ((style & SS_TYPEMASK) == SS_ICON) {
            found.hasIcon = found.hasIcon || SendMessageW(child, STM_GETICON, 0, 0) != 0;
        } else if (std::wstring(text) == kText) {
            found.hasText = true;
        }
    }
}

// Nothing may unwind through user32: a child that cannot be recorded ends the walk, and the
// contents found miss it, which the test then reports.
BOOL CALLBACK CollectChild(HWND child, LPARAM context) noexcept {
    try {
        Collect(child, *reinterpret_cast<BoxContents*>(context));
        return TRUE;
    } catch (...) {
        return FALSE;
    }
}

BoxContents Inspect(HWND box) {
    BoxContents contents;
    EnumChildWindows(box, &CollectChild, reinterpret_cast<LPARAM>(&contents));
    return contents;
}

TEST(MessageBoxTest, ModalBoxWithOkOnlyKeepsTimersRunning) {
    if (std::getenv("TESSALY_NO_DISPLAY") != nullptr) {
        GTEST_SKIP() << "no virtual display (xvfb-run was not found): the box cannot be shown";
    }
    if (std::getenv("DISPLAY") == nullptr) {
        GTEST_SKIP() << "no X display: run this program through xvfb-run";
    }
    Win32Platform platform(GetModuleHandleW(nullptr));
    const auto services = platform.services();

    std::atomic<int> ticks{0};
    std::atomic<int> ticksWhileOpen{0};
    const auto timer = services.timers.SetTimer(50, [&](std::uint32_t) {
        ++ticks;
        if (FindWindowW(nullptr, kTitle) != nullptr) {
            ++ticksWhileOpen;
        }
    });
    ASSERT_NE(timer, 0u);

    std::atomic<bool> returned{false};
    std::atomic<bool> dismissed{false};
    BoxContents contents;
    std::thread user([&] {
        // Until the box has returned by itself (no display) or been dismissed here; a box
        // that never shows up is left to the test runner's timeout.
        while (!returned) {
            HWND box = FindWindowW(nullptr, kTitle);
            // Dismissed only after the timer has been seen firing under the open box.
            if (box != nullptr && ticksWhileOpen >= 2) {
                contents = Inspect(box);
                PostMessageW(box, WM_COMMAND, IDOK, 0);
                dismissed = true;
                return;
            }
            Sleep(20);
        }
    });
    services.messages.ShowMessage(win32::Utf16View(kText), win32::Utf16View(kTitle));
    returned = true;
    user.join();
    services.timers.KillTimer(timer);

    ASSERT_TRUE(dismissed) << "the box returned without being shown";
    EXPECT_GE(ticksWhileOpen, 2);
    EXPECT_EQ(FindWindowW(nullptr, kTitle), nullptr) << "the box is gone once it returned";
    EXPECT_EQ(contents.buttons, std::vector<std::wstring>{L"OK"});
    EXPECT_TRUE(contents.hasText);
    EXPECT_FALSE(contents.hasIcon);
}

}  // namespace
}  // namespace tessaly::win32
