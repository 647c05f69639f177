// The power-button dialog and the drop-shadow windows on real windows: place, styles
// and texts of the dialog, its buttons and its drag under real input, and the
// settings shadow's place, click-through and opacity as the screen shows them.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "surgepad/look/MultiLang.h"
#include "surgepad/settings/PwrBtnChangeFrom.h"
#include "surgepad/settings/PwrBtnChangeShadow.h"
#include "surgepad/settings/SettingForm.h"
#include "surgepad/settings/SettingShadowForm.h"
#include "tests/unit/win/DormixTestSupport.h"
#include "tests/unit/win/LayeredTestWindows.h"
#include "tests/unit/win/RealInput.h"
#include "tests/unit/win/settings/WindowStates.h"
#include "ui/Application.h"

namespace surgepad {
namespace {

RECT WindowRect(HWND window) {
    RECT r = {};
    GetWindowRect(window, &r);
    return r;
}

std::string Describe(const RECT& r) {
    return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ")-(" + std::to_string(r.right) + ", " +
           std::to_string(r.bottom) + ")";
}

// A press of the left button at `from` (client coordinates of `window`), the mouse
// moved through `path` (screen coordinates) and let go there. A press on the dialog's
// picture runs the system's move loop, which holds this thread until the button goes
// up, so the moves and the release come from another thread. Should the loop outlive
// the release (a lost release), that thread ends it with Escape after a few seconds:
// the result is then false and the test fails instead of hanging.
[[nodiscard]] bool PressMoveAndRelease(HWND window, POINT from, std::vector<POINT> path) {
    realinput::MoveTo(window, from.x, from.y);
    std::atomic<bool> back{false};
    std::atomic<bool> rescued{false};
    std::thread user([&back, &rescued, path = std::move(path)] {
        auto send = [](INPUT in) {
            SendInput(1, &in, sizeof in);
            Sleep(60);
        };
        Sleep(300);
        for (const POINT& p : path) {
            INPUT move = {};
            move.type = INPUT_MOUSE;
            move.mi.dx = static_cast<LONG>(p.x * 65535.0 / (GetSystemMetrics(SM_CXSCREEN) - 1) + 0.5);
            move.mi.dy = static_cast<LONG>(p.y * 65535.0 / (GetSystemMetrics(SM_CYSCREEN) - 1) + 0.5);
            move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
            send(move);
        }
        INPUT up = {};
        up.type = INPUT_MOUSE;
        up.mi.dwFlags = MOUSEEVENTF_LEFTUP;
        send(up);
        for (int waited = 0; !back && waited < 5000; waited += 20) {
            Sleep(20);
        }
        if (!back) {
            rescued = true;
            for (const DWORD flags : {DWORD{0}, DWORD{KEYEVENTF_KEYUP}}) {
                INPUT key = {};
                key.type = INPUT_KEYBOARD;
                key.ki.wVk = VK_ESCAPE;
                key.ki.dwFlags = flags;
                SendInput(1, &key, sizeof key);
            }
        }
    });
    realinput::Button(true);
    back = true;
    user.join();
    realinput::Settle();
    return !rescued;
}

// The shipped language file's text of `key` for the system's language.
std::string ShippedText(const char* key) {
    const std::string name = MultiLang::Instance().LanguageName();
    const std::string file = testutil::ExeFolder() + "LangFiles\\" + name + "\\" + name + ".ini";
    return MultiLang::ReadFile(file).Value("Translations", key).value_or("");
}

class PwrBtnDialogOnDesktop : public testing::Test {
protected:
    void SetUp() override {
        ui::App().Initialize();
        ui::App().CreateForm<ui::Form>(ui::FormLayout{});  // the main form, as at start-up
        dialog = PwrBtnChangeFrom = ui::App().CreateForm<TPwrBtnChangeFrom>();
        shadow = PwrBtnChangeShadow = ui::App().CreateForm<TPwrBtnChangeShadow>(*dialog);
        realinput::Park();
    }
    void TearDown() override {
        PwrBtnChangeFrom = nullptr;
        PwrBtnChangeShadow = nullptr;
        ui::App().DestroyForms();
    }
    // Expects the dialog shown at its place with `text`, its shadow with it.
    void ExpectShownAtItsPlace(const std::string& text) {
        EXPECT_TRUE(dialog->Visible());
        const RECT r = WindowRect(dialog->Handle());
        EXPECT_TRUE(r.left == 10 && r.top == 10 && r.right == 339 && r.bottom == 248) << "got " << Describe(r);
        EXPECT_EQ(WindowRect(shadow->Handle()).left, 10);
        EXPECT_EQ(WindowRect(shadow->Handle()).top, 10);
        EXPECT_EQ(dialog->Message.Caption(), text);
    }

    TPwrBtnChangeFrom* dialog = nullptr;
    TPwrBtnChangeShadow* shadow = nullptr;
};

TEST_F(PwrBtnDialogOnDesktop, ShowsTopmostAtTheTopLeftShapedByItsPictureWithoutATaskbarButton) {
    dialog->ShowMessage("changed");
    ExpectShownAtItsPlace("changed");
    const DWORD ex = dialog->ExStyle();
    EXPECT_EQ(ex & (WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_APPWINDOW | WS_EX_LAYERED),
              static_cast<DWORD>(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_LAYERED))
        << std::hex << ex;
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(dialog->Handle(), &key, &alpha, &flags));
    EXPECT_EQ(key, RGB(255, 0, 255)) << std::hex << key;
    EXPECT_EQ(flags, static_cast<DWORD>(LWA_COLORKEY));
    EXPECT_FALSE(shadow->Visible());
}

TEST_F(PwrBtnDialogOnDesktop, ButtonsOnlyHideItAndACutAwayCornerIsNoButton) {
    struct Case {
        const char* what;
        POINT at;  // client coordinates
        bool visibleAfter;
    };
    const Case cases[] = {
        {"OK", {218 + 39, 170 + 10}, false},
        {"close", {261 + 22, 9 + 10}, false},
        // Outside the close button's rounded picture: the dialog's own picture, and a
        // press there (a drag without a move) leaves the dialog where it is.
        {"close button's corner", {261, 9}, true},
        {"OK after that", {218 + 39, 170 + 10}, false},
    };
    for (const Case& c : cases) {
        dialog->ShowMessage("text");
        const HWND handle = dialog->Handle();
        ASSERT_TRUE(PressMoveAndRelease(handle, c.at, {})) << c.what << ": the release did not end the press";
        EXPECT_EQ(dialog->Visible(), c.visibleAfter) << c.what;
        EXPECT_TRUE(IsWindow(handle)) << c.what << ": destroyed";
        EXPECT_EQ(WindowRect(handle).left, 10) << c.what;
        EXPECT_EQ(dialog->Message.Caption(), "text") << c.what;
    }
}

TEST_F(PwrBtnDialogOnDesktop, DraggedByItsPictureAndShownAgainAtItsPlaceWithTheNewText) {
    dialog->ShowMessage("first");
    // Screen coordinates: the dialog's picture at (60, 210) is (70, 220) on the screen.
    std::vector<POINT> path;
    for (int step = 1; step <= 5; ++step) {
        path.push_back({70 + 30 * step, 220 + 20 * step});
    }
    ASSERT_TRUE(PressMoveAndRelease(dialog->Handle(), {60, 210}, path)) << "the release did not end the drag";
    const RECT dragged = WindowRect(dialog->Handle());
    EXPECT_TRUE(dragged.left == 160 && dragged.top == 110) << "got " << Describe(dragged);
    const RECT followed = WindowRect(shadow->Handle());
    EXPECT_TRUE(followed.left == dragged.left && followed.top == dragged.top) << "got " << Describe(followed);

    realinput::Click(dialog->Handle(), 218 + 39, 170 + 10);
    ASSERT_FALSE(dialog->Visible()) << "the drag kept the click from the OK button";
    dialog->ShowMessage("second");
    ExpectShownAtItsPlace("second");
}

// Dragged onto a monitor of another scale, the dialog takes the rectangle the system
// suggests and is made again for the scale, once: it moves there, then takes its size
// at the new scale, and nothing follows. Its OK button's place follows the scale.
TEST_F(PwrBtnDialogOnDesktop, AChangeOfScaleTakesTheSuggestedRectangleAndMakesTheDialogOnce) {
    using states::WindowState;
    dialog->ShowMessage("text");
    states::Recorder recorder(*dialog);
    ASSERT_TRUE(recorder.Hooked());
    struct Step {
        const char* what;
        int dpi;
        RECT suggested;
        std::vector<WindowState> expected;
        RECT ok;  // the OK button in the dialog
    };
    const Step steps[] = {
        {"to 150 %",
         144,
         {200, 150, 694, 507},
         {{96, {200, 150, 529, 388}}, {144, {200, 150, 694, 507}}},
         {327, 255, 444, 287}},
        {"back to 100 %",
         96,
         {100, 120, 429, 358},
         {{144, {100, 120, 594, 477}}, {96, {100, 120, 429, 358}}},
         {218, 170, 296, 191}},
        {"to 400 %, drawn at 300 %",
         384,
         {0, 0, 987, 714},
         {{96, {0, 0, 329, 238}}, {288, {0, 0, 987, 714}}},
         {654, 510, 888, 573}},
    };
    for (const Step& step : steps) {
        states::ExpectStatesOnDpiChange(*dialog, recorder, step.what, step.dpi, step.suggested, step.expected);
        const RECT ok = dialog->OkButton.BoundsRect();
        EXPECT_TRUE(EqualRect(&ok, &step.ok)) << step.what << ": OK at " << Describe(ok);
    }
    // The OK button answers where it is drawn at the new scale.
    const RECT ok = dialog->OkButton.BoundsRect();
    realinput::Click(dialog->Handle(), (ok.left + ok.right) / 2, (ok.top + ok.bottom) / 2);
    EXPECT_FALSE(dialog->Visible());
    realinput::Park();
}

TEST_F(PwrBtnDialogOnDesktop, TextsComeFromTheLanguageFileAndAreDrawnInTheirBox) {
    EXPECT_EQ(dialog->CloseButton.Hint(), ShippedText("Close"));
    EXPECT_NE(dialog->CloseButton.Hint(), "");
    EXPECT_EQ(dialog->OkButton.GetText(), "OK");
    LOGFONTW font = {};
    ASSERT_NE(GetObjectW(dialog->Message.GetFont().Handle(), sizeof font, &font), 0);
    const bool japanese = MultiLang::Instance().LanguageName() == "Japanese";
    EXPECT_EQ(font.lfCharSet, japanese ? SHIFTJIS_CHARSET : DEFAULT_CHARSET);
    if (!japanese) {
        EXPECT_STREQ(font.lfFaceName, L"Arial");
    }

    const RECT box = {10 + 120, 10 + 48, 10 + 120 + 177, 10 + 48 + 105};
    auto textPixels = [](const lumen::Bitmap& shot) {
        int count = 0;
        for (int y = 0; y < shot.Height(); ++y) {
            for (int x = 0; x < shot.Width(); ++x) {
                count += testwin::Near(shot.Pixel(x, y), 200, 196, 213, 12) ? 1 : 0;
            }
        }
        return count;
    };
    const std::string text = ShippedText("PowBtnConfigAltered");
    dialog->ShowMessage(text);
    const int drawn = textPixels(testwin::CaptureWhen(box, [&](const lumen::Bitmap& s) { return textPixels(s) > 40; }));
    EXPECT_GT(drawn, 40) << "the message is not drawn in its box in the text colour";
    dialog->ShowMessage("");
    const int empty = textPixels(testwin::CaptureWhen(box, [&](const lumen::Bitmap& s) { return textPixels(s) == 0; }));
    EXPECT_EQ(empty, 0);
}

// A language chosen while the dialog shows: its message follows when it came from a key,
// a message given as it is stays.
TEST_F(PwrBtnDialogOnDesktop, AMessageOfAKeyFollowsAChangeOfLanguage) {
    MultiLang& lang = MultiLang::Instance();
    dialog->ShowText("PowBtnConfigAltered");
    lang.SetChosenLanguage("German");
    dialog->LanguageChanged();
    const std::string german = ShippedText("PowBtnConfigAltered");
    lang.SetChosenLanguage("");
    EXPECT_EQ(dialog->Message.Caption(), german);
    EXPECT_NE(german.find("Netzschalter"), std::string::npos) << german;
    dialog->ShowMessage("as it is");
    dialog->LanguageChanged();
    EXPECT_EQ(dialog->Message.Caption(), "as it is");
    EXPECT_EQ(dialog->CloseButton.Hint(), ShippedText("Close"));
}

// Run again under a Japanese system locale by CTest; elsewhere it skips itself.
TEST_F(PwrBtnDialogOnDesktop, JapaneseLocaleGivesTheMessageAJapaneseFont) {
    if (std::getenv("SURGEPAD_EXPECT_LANGID") == nullptr && GetSystemDefaultLangID() != 0x0411) {
        GTEST_SKIP() << "not a Japanese system";
    }
    ASSERT_EQ(MultiLang::Instance().LanguageName(), "Japanese");
    EXPECT_EQ(dialog->Message.GetFont().Charset(), SHIFTJIS_CHARSET);
    // One of the Japanese file's fonts that this system has: Arial has no Japanese letters.
    const std::vector<std::string> fonts = MultiLang::Instance().About("Japanese").fonts;
    const std::string face = dialog->Message.GetFont().Name();
    EXPECT_NE(std::find(fonts.begin(), fonts.end(), face), fonts.end()) << face;
    EXPECT_TRUE(FontInstalled(face)) << face;
    EXPECT_EQ(dialog->CloseButton.Hint(), "\xE9\x96\x89\xE3\x81\x98\xE3\x82\x8B");  // 閉じる
}

// The settings shadow over a white window, beside a real settings window.
class SettingShadowOnDesktop : public testing::Test {
protected:
    static constexpr POINT kAt = {300, 150};

    void SetUp() override {
        ui::App().Initialize();
        ui::App().CreateForm<ui::Form>(ui::FormLayout{});
        owner = SettingForm = ui::App().CreateForm<TSettingForm>();
        shadow = SettingShadowForm = ui::App().CreateForm<TSettingShadowForm>(*owner);
        owner->MoveTo(kAt.x, kAt.y);
        // Skinned as at its first opening: shaped, and as transparent as it starts.
        owner->MakeSkinAhead();
        shadow->Prepare();
        // Below the settings window and its shadow (the test window is made topmost).
        SetWindowPos(white.Hwnd(), HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        SetWindowPos(white.Hwnd(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        owner->Show();
        shadow->Show();
        realinput::Park();
    }
    void TearDown() override {
        SettingForm = nullptr;
        SettingShadowForm = nullptr;
        ui::App().DestroyForms();
    }
    // The screen point of the most opaque shadow pixel below the settings window.
    POINT DarkestBelowTheWindow(BYTE& alpha) const {
        const lumen::Bitmap& picture = shadow->Background.Picture();
        POINT best = {};
        alpha = 0;
        for (int y = owner->ClientHeight(); y < picture.Height(); ++y) {
            for (int x = 0; x < picture.Width(); ++x) {
                if (picture.Pixel(x, y).a > alpha) {
                    alpha = picture.Pixel(x, y).a;
                    best = {x, y};
                }
            }
        }
        const RECT r = WindowRect(shadow->Handle());
        return POINT{r.left + best.x, r.top + best.y};
    }

    // Whether `upper` comes before `lower` in the z-order.
    static bool Above(HWND upper, HWND lower) {
        for (HWND w = GetWindow(upper, GW_HWNDNEXT); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
            if (w == lower) {
                return true;
            }
        }
        return false;
    }

    testwin::SolidWindow white{kAt.x, kAt.y, 360, 400, RGB(255, 255, 255)};
    TSettingForm* owner = nullptr;
    TSettingShadowForm* shadow = nullptr;
};

TEST_F(SettingShadowOnDesktop, AClickThroughPictureAtTheSettingsWindowThatFollowsIt) {
    const RECT r = WindowRect(shadow->Handle());
    EXPECT_TRUE(r.left == 300 && r.top == 150 && r.right == 300 + 341 && r.bottom == 150 + 387) << Describe(r);
    EXPECT_EQ(shadow->ExStyle() & (WS_EX_LAYERED | WS_EX_TRANSPARENT),
              static_cast<DWORD>(WS_EX_LAYERED | WS_EX_TRANSPARENT));
    EXPECT_EQ(GetWindow(shadow->Handle(), GW_OWNER), owner->Handle());
    EXPECT_TRUE(shadow->Visible());
    EXPECT_NE(GetActiveWindow(), shadow->Handle()) << "the shadow took the activation";

    owner->MoveTo(120, 90);
    const RECT moved = WindowRect(shadow->Handle());
    EXPECT_TRUE(moved.left == 120 && moved.top == 90) << "got " << Describe(moved);
}

TEST_F(SettingShadowOnDesktop, ClicksGoThroughToTheWindowBelow) {
    BYTE alpha = 0;
    const POINT p = DarkestBelowTheWindow(alpha);
    ASSERT_GT(alpha, 0);
    ASSERT_TRUE(Above(shadow->Handle(), white.Hwnd())) << "the shadow is not over the window below";
    realinput::Click(GetDesktopWindow(), p.x, p.y);
    EXPECT_EQ(std::count(white.seen.begin(), white.seen.end(), static_cast<UINT>(WM_LBUTTONDOWN)), 1);
}

TEST_F(SettingShadowOnDesktop, SetShadowAlphaChangesHowDarkTheScreenIs) {
    BYTE pixelAlpha = 0;
    const POINT p = DarkestBelowTheWindow(pixelAlpha);
    const RECT spot = {p.x, p.y, p.x + 1, p.y + 1};
    ASSERT_TRUE(Above(shadow->Handle(), white.Hwnd())) << "the shadow is not over the window below";
    // Down to the faintest opacity but not to 0: Wine (8) leaves the window's previous
    // picture on the screen after a push with a constant alpha of 0 while any other
    // value, 1 included, shows at once; on Windows 0 shows nothing.
    for (const int alpha : {255, 128, 1, 200}) {
        shadow->SetShadowAlpha(static_cast<uint8_t>(alpha));
        // Black at pixelAlpha x alpha / 255 over white.
        const int expected = 255 - pixelAlpha * alpha / 255;
        const auto ok = [&](const lumen::Bitmap& s) {
            return testwin::Near(s.Pixel(0, 0), expected, expected, expected, 3);
        };
        const lumen::DibBitmap shot = testwin::CaptureWhen(spot, ok);
        EXPECT_TRUE(ok(shot)) << "alpha " << alpha << ": got " << testwin::Describe(shot.Pixel(0, 0)) << ", expected "
                              << expected << " (opaque black means no compositor)";
    }
}

}  // namespace
}  // namespace surgepad
