// The tray icon as the user sees it: in the notification area of the desktop's
// taskbar, and back there after the notification area is re-created.
#include <gtest/gtest.h>

#include <windows.h>

#include <shellapi.h>

#include "tests/e2e/E2eSupport.h"

namespace {

using e2e::Surgepad;

constexpr COLORREF kNormalFill = RGB(0x80, 0x50, 0xC7);
constexpr int kTolerance = 24;

// Pixels of the normal icon's fill in the notification area. Waits (a few seconds
// at most) until the icon is there, or, when `present` is false, gives the shell a
// moment to repaint and looks once.
int IconPixels(const char* shotName, bool present) {
    int pixels = 0;
    for (int attempt = 0; attempt < 25; ++attempt) {
        Sleep(present ? 150 : 600);
        const e2e::Capture screen = e2e::CaptureScreen();
        const auto area = e2e::NotificationArea();
        if (!area) {
            continue;
        }
        pixels = e2e::CountPixels(screen, *area, kNormalFill, kTolerance);
        if (!present || pixels > 8 || attempt == 24) {
            e2e::SaveCapture(screen, shotName);
            break;
        }
    }
    return pixels;
}

class Tray : public testing::Test {
protected:
    void SetUp() override { e2e::UseBoard("full.txt"); }
};

TEST_F(Tray, IconIsInTheNotificationArea) {
    ASSERT_TRUE(e2e::NotificationArea().has_value()) << "no taskbar on the desktop";
    EXPECT_EQ(IconPixels("before-start", false), 0);
    Surgepad program;
    ASSERT_TRUE(program.WaitForTrace("tray: icon added", 20000)) << program.TraceText();
    EXPECT_GT(IconPixels("tray-icon", true), 8);
    program.Stop();
    EXPECT_EQ(IconPixels("after-exit", false), 0) << "the icon is removed at exit";
}

TEST_F(Tray, IconComesBackAfterTheNotificationAreaIsRecreated) {
    Surgepad program;
    ASSERT_TRUE(program.WaitForTrace("tray: icon added", 20000)) << program.TraceText();
    ASSERT_GT(IconPixels("before", true), 8);

    // A restarted shell knows none of the icons it showed: take ours away from the
    // shell (as its death does), then announce the new notification area the way
    // the shell does.
    HWND owner = FindWindowExA(HWND_MESSAGE, nullptr, "TsTrayIconWindow", nullptr);
    ASSERT_NE(owner, nullptr);
    NOTIFYICONDATAA gone = {};
    gone.cbSize = NOTIFYICONDATAA_V2_SIZE;
    gone.hWnd = owner;
    gone.uID = 1;
    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &gone));
    EXPECT_EQ(IconPixels("lost", false), 0);

    SendMessageTimeoutA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0, SMTO_ABORTIFHUNG, 5000,
                        nullptr);
    ASSERT_TRUE(program.WaitForTrace("tray: notification area re-created")) << program.TraceText();
    EXPECT_EQ(program.CountTrace("tray: icon added"), 2) << program.TraceText();
    EXPECT_GT(IconPixels("back", true), 8);
}

}  // namespace
