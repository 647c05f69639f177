// The screens a user meets, compared with their approved pictures
// (tests/pictures/approved/, tests/pictures/Picture.h says how): the settings window
// with each action, its open profile list and the keyboard's focus frame, the display's
// three pages, the badge, the tray icon plain and red, and the power-button-changed
// dialog, at the prefix's scale (100 %; CTest runs it at 200 % too). Each picture is of
// a window's own rectangle, taken with the pointer away once it stays the same; the
// display's pages, which start to fade at once, while the effect is held before its
// fade begins. The screens are reached as the demo (tools/demo.sh)
// reaches them, so that the demo can compare its screens with the same pictures.
// `make approve` runs this with SURGEPAD_APPROVE=1: what is drawn becomes approved.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "tests/e2e/E2eSupport.h"
#include "tests/pictures/ScreenPicture.h"

namespace {

using e2e::Surgepad;

// Places in the settings window's client area at 100 %.
constexpr POINT kTurboTitle = {175, 120};
constexpr POINT kArrow = {226, 271};
constexpr POINT kApply = {167, 316};

// One colour all over (or nothing at all).
bool Plain(const pictures::Picture& p) {
    for (size_t i = 3; i < p.rgb.size(); ++i) {
        if (p.rgb[i] != p.rgb[i - 3]) {
            return false;
        }
    }
    return true;
}

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

class Pictures : public testing::Test {
protected:
    void SetUp() override {
        SetProcessDPIAware();
        HDC screen = GetDC(nullptr);
        dpi = GetDeviceCaps(screen, LOGPIXELSX);
        ReleaseDC(nullptr, screen);
        const std::string approved = Environment("SURGEPAD_E2E_APPROVED_DIR");
        const std::string out = Environment("SURGEPAD_E2E_PICTURES_DIR");
        ASSERT_FALSE(approved.empty() || out.empty()) << "run through tools/e2e-run.sh";
        place.approvedFolder = e2e::WindowsPath(approved);
        place.outFolder = e2e::WindowsPath(out);
        place.outShownAs = out;
        place.approve = Environment("SURGEPAD_APPROVE") == "1";
        CreateDirectoryA(place.outFolder.c_str(), nullptr);
        e2e::UseBoard("full.txt");
        e2e::MovePointer(2, 2);
    }
    POINT S(POINT p) const { return POINT{MulDiv(p.x, dpi, 96), MulDiv(p.y, dpi, 96)}; }

    // `r`, once drawn and staying the same, against NAME-SCALE.png. A window just shown
    // may reach the screen a moment later: until then its rectangle shows the desktop's
    // plain colour.
    void Check(const std::string& name, const RECT& r) {
        e2e::MovePointer(2, 2);
        for (const ULONGLONG end = GetTickCount64() + 10000;
             Plain(pictures::ScreenPicture(r)) && GetTickCount64() < end;) {
            Sleep(50);
        }
        bool stable = true;
        const pictures::Picture got = pictures::StablePicture(r, 10000, &stable);
        EXPECT_TRUE(stable) << name << " kept changing";
        EXPECT_FALSE(Plain(got)) << name << " was never drawn";
        const pictures::Verdict verdict = pictures::CheckPicture(got, name + "-" + pictures::ScaleName(), place);
        EXPECT_TRUE(verdict.ok) << verdict.message;
        if (place.approve) {
            std::printf("%s\n", verdict.message.c_str());
        }
    }
    void CheckWindow(const std::string& name, const char* className) {
        HWND window = pictures::VisibleWindowOf(className, 15000);
        ASSERT_NE(window, nullptr) << "no " << className << " for " << name;
        Check(name, pictures::WindowRectOf(window));
    }
    void CheckTray(const std::string& name) {
        const auto tray = pictures::TrayIconsRect();
        ASSERT_TRUE(tray.has_value()) << "no taskbar";
        Check(name, *tray);
    }
    // Presses the power button and checks the display's page while the effect is held
    // before its fade begins (the page at full opacity).
    void CheckPressedPage(Surgepad& program, const std::string& name) {
        program.HoldAtTrace("display: page fades out");
        ASSERT_EQ(e2e::Sim("press"), 0);
        ASSERT_TRUE(program.WaitHeld()) << program.TraceText();
        CheckWindow(name, "TOsdForm");
        program.ReleaseHold();
    }

    int dpi = 96;
    pictures::CheckPlace place;
};

TEST_F(Pictures, TheScreensAUserMeetsAreTheApprovedOnes) {
    e2e::WriteProfile("Bench");
    {
        Surgepad program;
        ASSERT_TRUE(program.WaitForTrace("startup: running", 20000)) << program.TraceText();
        CheckTray("tray-icon");

        ASSERT_EQ(e2e::Sim("tray click"), 0);
        ASSERT_TRUE(program.WaitForTrace("settings: opened", 30000)) << program.TraceText();
        HWND settings = e2e::SettingsWindow();
        CheckWindow("settings-power", "TSettingForm");
        e2e::Click(settings, S(kTurboTitle));
        ASSERT_TRUE(program.WaitForTrace("settings: logo changed", 15000)) << program.TraceText();
        CheckWindow("settings-turbo", "TSettingForm");
        e2e::Click(settings, S(kArrow));
        ASSERT_TRUE(e2e::WaitForList(settings, true)) << program.TraceText();
        CheckWindow("settings-list", "TSettingForm");
        // The first entry, then Tab: the focus frame moves from the list's arrow to Apply.
        HWND list = e2e::ProfileListBox(settings);
        RECT first{};
        SendMessageA(list, LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
        e2e::Click(list, POINT{MulDiv(20, dpi, 96), (first.top + first.bottom) / 2});
        ASSERT_TRUE(e2e::WaitForList(settings, false)) << program.TraceText();
        e2e::PressKey(VK_TAB);
        CheckWindow("settings-focus", "TSettingForm");
        e2e::Click(settings, S(kApply));
        ASSERT_TRUE(e2e::WaitClosed(program)) << program.TraceText();

        CheckPressedPage(program, "display-turbo-on");
        ASSERT_TRUE(program.WaitForTrace("controller: switched on", 15000)) << program.TraceText();
        CheckWindow("badge", "TStatusForm");
        CheckTray("tray-icon-turbo");
        CheckPressedPage(program, "display-turbo-off");
        ASSERT_TRUE(program.WaitForTrace("controller: switched off", 15000)) << program.TraceText();

        // The user gives the power button an action in every power plan of the system
        // while the program holds it: the dialog.
        ASSERT_TRUE(e2e::SetSchemeAction(e2e::kAllSchemes, 1));
        ASSERT_TRUE(program.WaitForTrace("controller: the power-button configuration was changed elsewhere", 20000))
            << program.TraceText();
        CheckWindow("dialog", "TPwrBtnChangeFrom");
    }
    // A profile that cannot be applied: the warning page.
    e2e::UseBoard("switch-unusable.txt");
    ASSERT_TRUE(e2e::ChooseTurbo(1, false, false));
    Surgepad program;
    ASSERT_TRUE(program.WaitForTrace("startup: running", 20000)) << program.TraceText();
    CheckPressedPage(program, "display-warning");
}

}  // namespace
