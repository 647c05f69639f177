// The tray icon as the user sees it: in the notification area of the desktop's
// taskbar, back there after the notification area is re-created, and its menu under
// a real right click.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "tests/e2e/E2eSupport.h"

namespace {

using e2e::Surgepad;

constexpr COLORREF kNormalFill = RGB(0x80, 0x50, 0xC7);
constexpr COLORREF kTurboFill = RGB(0xD0, 0x20, 0x1E);
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

// The middle of the icon's fill on the screen (the normal icon's, or the turbo icon's),
// once the icon is there.
std::optional<POINT> IconCentre(COLORREF fill = kNormalFill) {
    return e2e::TrayIconCentre(fill, kTolerance);
}

void Mouse(DWORD flags, POINT at) {
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dx = (at.x * 65535 + GetSystemMetrics(SM_CXSCREEN) / 2) / (GetSystemMetrics(SM_CXSCREEN) - 1);
    in.mi.dy = (at.y * 65535 + GetSystemMetrics(SM_CYSCREEN) / 2) / (GetSystemMetrics(SM_CYSCREEN) - 1);
    in.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &in, sizeof in);
    Sleep(100);
}

void Click(POINT at, bool right) {
    Mouse(0, at);
    Mouse(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN, at);
    Mouse(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP, at);
}

// The program's open popup menu (window class "#32768"), waited for a few seconds.
HWND WaitForMenu(DWORD pid) {
    struct Search {
        DWORD pid;
        HWND found;
    };
    for (int attempt = 0; attempt < 100; ++attempt) {
        Search search{pid, nullptr};
        EnumWindows(
            [](HWND w, LPARAM arg) -> BOOL {
                auto* s = reinterpret_cast<Search*>(arg);
                char cls[16] = {};
                GetClassNameA(w, cls, sizeof cls);
                DWORD owner = 0;
                GetWindowThreadProcessId(w, &owner);
                if (lstrcmpA(cls, "#32768") == 0 && owner == s->pid && IsWindowVisible(w)) {
                    s->found = w;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) {
            return search.found;
        }
        Sleep(50);
    }
    return nullptr;
}

// The text of the tooltip window on the screen, or "" when none is shown.
std::string ShownTooltip() {
    std::string text;
    EnumWindows(
        [](HWND w, LPARAM arg) -> BOOL {
            char cls[32] = {};
            GetClassNameA(w, cls, sizeof cls);
            if (lstrcmpiA(cls, TOOLTIPS_CLASSA) == 0 && IsWindowVisible(w)) {
                char shown[256] = {};
                SendMessageTimeoutA(w, WM_GETTEXT, sizeof shown, reinterpret_cast<LPARAM>(shown), SMTO_ABORTIFHUNG,
                                    1000, nullptr);
                *reinterpret_cast<std::string*>(arg) = shown;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&text));
    return text;
}

// The text of `key` in the English file the program ships.
std::string EnglishText(const char* key) {
    const std::string file = e2e::ProgramDir() + "LangFiles\\English\\English.ini";
    char text[256] = {};
    GetPrivateProfileStringA("Translations", key, "", text, sizeof text, file.c_str());
    return text;
}

// Right-clicks the icon (of `fill`): the menu of the program, or null.
HWND OpenTrayMenu(Surgepad& program, COLORREF fill = kNormalFill) {
    const std::optional<POINT> icon = IconCentre(fill);
    if (!icon) {
        ADD_FAILURE() << "no tray icon on the screen";
        return nullptr;
    }
    Click(*icon, true);
    HWND menu = WaitForMenu(program.Pid());
    if (menu == nullptr) {
        ADD_FAILURE() << "no menu after a right click on the icon\n" << program.TraceText();
        return nullptr;
    }
    const std::string shown = " | " + EnglishText("TrayMenuSettings") + " | " + EnglishText("TrayMenuExit");
    const std::optional<e2e::TraceLine> line = program.WaitForTrace("tray: menu shown: ", 5000);
    EXPECT_TRUE(line && line->text.find(shown) != std::string::npos) << "expected \"" << shown << "\"\n"
                                                                     << program.TraceText();
    e2e::SaveCapture(e2e::CaptureScreen(), "tray-menu");
    return menu;
}

// Keys for the open menu, as the user presses them.
void MenuKeys(std::initializer_list<WORD> keys) {
    for (WORD key : keys) {
        e2e::PressKey(key);
    }
}

// The last two items are Settings and Exit: Up from no selection reaches Exit first.
void ChooseSettings() {
    MenuKeys({VK_UP, VK_UP, VK_RETURN});
}
void ChooseExit() {
    MenuKeys({VK_UP, VK_RETURN});
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

TEST_F(Tray, RightClickMenuIsThereAndSettingsOpensTheSettingsWindow) {
    EXPECT_EQ(EnglishText("TrayMenuSettings"), "Settings");
    EXPECT_EQ(EnglishText("TrayMenuExit"), "Exit");
    Surgepad program;
    ASSERT_TRUE(program.WaitForTrace("tray: icon added", 20000)) << program.TraceText();
    ASSERT_NE(OpenTrayMenu(program), nullptr);
    ChooseSettings();
    ASSERT_TRUE(program.WaitForTrace("tray: menu: settings", 5000)) << program.TraceText();
    HWND settings = nullptr;
    for (int i = 0; i < 100 && settings == nullptr; ++i) {
        HWND w = FindWindowA("TSettingForm", nullptr);
        settings = w != nullptr && IsWindowVisible(w) ? w : nullptr;
        Sleep(50);
    }
    EXPECT_NE(settings, nullptr) << "the settings window did not appear\n" << program.TraceText();
    EXPECT_TRUE(program.Running());
}

// Exit ends the program the way the close command does: the same exit code, the
// icon gone, the same settings and no other trace of its end.
TEST_F(Tray, ExitFromTheMenuEndsTheProgramAsTheCloseCommandDoes) {
    struct Ending {
        DWORD exitCode = 0xFFFFFFFF;
        std::optional<DWORD> disabled;
        std::optional<DWORD> action;
        std::vector<std::string> journal;
        int iconPixels = -1;
        bool operator==(const Ending&) const = default;
    };
    auto run = [](bool fromMenu) {
        Ending ending;
        e2e::UseBoard("full.txt");
        if (!e2e::ChooseTurbo(0)) {
            ADD_FAILURE() << "could not choose turbo";
            return ending;
        }
        Surgepad program;
        if (!program.WaitForTrace("tray: icon added", 20000) || !program.Sync()) {
            ADD_FAILURE() << program.TraceText();
            return ending;
        }
        const size_t before = e2e::JournalLines().size();
        if (fromMenu) {
            if (OpenTrayMenu(program) == nullptr) {
                return ending;
            }
            ChooseExit();
        } else {
            PostMessageA(e2e::MainWindow(), 1024, 0x55, 0);
        }
        const std::optional<DWORD> code = program.WaitForExit(20000);
        if (!code) {
            ADD_FAILURE() << (fromMenu ? "menu" : "command") << ": the program did not end\n" << program.TraceText();
            return ending;
        }
        EXPECT_EQ(program.CountTrace(fromMenu ? "tray: menu: exit" : "command: 1024"), 1) << program.TraceText();
        EXPECT_EQ(program.CountTrace("startup: ended"), 1) << program.TraceText();
        ending.exitCode = *code;
        ending.disabled = e2e::UserDword(e2e::kSettingsKey, "PowerButtonDisabled");
        ending.action = e2e::UserDword(e2e::kSettingsKey, "ButtonAction");
        const std::vector<std::string> lines = e2e::JournalLines();
        ending.journal.assign(lines.begin() + static_cast<std::ptrdiff_t>(std::min(before, lines.size())), lines.end());
        ending.iconPixels = IconPixels(fromMenu ? "after-menu-exit" : "after-close-command", false);
        return ending;
    };
    const Ending command = run(false);
    const Ending menu = run(true);
    EXPECT_EQ(menu.exitCode, 0u);
    EXPECT_EQ(menu.iconPixels, 0) << "the icon is removed at exit";
    EXPECT_EQ(menu.exitCode, command.exitCode);
    EXPECT_EQ(menu.disabled, command.disabled);
    EXPECT_EQ(menu.action, command.action);
    EXPECT_EQ(menu.journal, command.journal);
    EXPECT_EQ(menu.iconPixels, command.iconPixels);
    EXPECT_TRUE(menu == command);
}

// The menu's first item switches turbo as a press does, whichever action is chosen,
// and names the profile; the profiles below it choose one without the settings window.
TEST_F(Tray, TheMenuSwitchesTurboAndChoosesTheProfile) {
    Surgepad program;
    ASSERT_TRUE(program.WaitForTrace("tray: icon added", 20000) && program.Sync()) << program.TraceText();
    ASSERT_TRUE(program.WaitForTrace("tray: tip Surgepad: power button")) << program.TraceText();
    ASSERT_NE(OpenTrayMenu(program), nullptr);
    EXPECT_TRUE(program.WaitForTrace("tray: menu shown: Turbo on (")) << program.TraceText();
    MenuKeys({VK_DOWN, VK_RETURN});
    ASSERT_TRUE(program.WaitForTrace("controller: switched on", 15000)) << program.TraceText();
    const auto tip = program.WaitForTrace("tray: tip Surgepad: turbo on (");
    ASSERT_TRUE(tip.has_value()) << program.TraceText();
    EXPECT_GT(e2e::TrayPixels(kTurboFill, "tray-menu-turbo-on"), 8) << "the red icon";
    // The profile in force, as the tip names it.
    const size_t open = tip->text.find("turbo on (") + 10;
    const std::string applied = tip->text.substr(open, tip->text.find(')', open) - open);

    // The first profile, chosen and stored as Apply stores it ("Turbo for" and
    // "Automatic turbo" come between).
    ASSERT_NE(OpenTrayMenu(program, kTurboFill), nullptr);
    EXPECT_TRUE(program.WaitForTrace("tray: menu shown: Turbo off (")) << program.TraceText();
    MenuKeys({VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});
    ASSERT_TRUE(program.WaitForTrace("tray: menu: profile 0")) << program.TraceText();
    const auto chosen = program.WaitForTrace("controller: profile 0 (");
    ASSERT_TRUE(chosen.has_value()) << program.TraceText();
    EXPECT_EQ(e2e::UserDword(e2e::kSettingsKey, "ProfileType"), std::optional<DWORD>(0));
    ASSERT_EQ(chosen->text.find("(" + applied + ")"), std::string::npos) << "another profile is chosen\n"
                                                                         << program.TraceText();

    // Until turbo is off the tray names the profile in force, not the one chosen.
    ASSERT_NE(OpenTrayMenu(program, kTurboFill), nullptr);
    EXPECT_TRUE(program.WaitForTrace("tray: menu shown: Turbo off (" + applied + ")", 10000, 2)) << program.TraceText();
    EXPECT_EQ(program.CountTrace("tray: tip Surgepad: turbo on ("), 1) << program.TraceText();
    MenuKeys({VK_DOWN, VK_RETURN});
    ASSERT_TRUE(program.WaitForTrace("controller: switched off", 15000)) << program.TraceText();
    EXPECT_FALSE(e2e::UserDword(e2e::kSettingsKey, "ButtonAction").has_value()) << "the power action stays";
    // Then the chosen one.
    const size_t name = chosen->text.find('(');
    ASSERT_NE(OpenTrayMenu(program), nullptr);
    EXPECT_TRUE(program.WaitForTrace("tray: menu shown: Turbo on " +
                                     chosen->text.substr(name, chosen->text.find(')', name) + 1 - name)))
        << program.TraceText();
    MenuKeys({VK_ESCAPE});
}

// With the turbo action chosen and turbo off, the tip says so with the profile. The
// settings window holds no skin until it is wanted: the pointer on the icon makes it,
// so that the click that follows opens the window as fast as any later one.
TEST_F(Tray, ThePointerOnTheIconMakesTheSettingsWindowReady) {
    ASSERT_TRUE(e2e::ChooseTurbo(0));
    Surgepad program;
    ASSERT_TRUE(program.WaitForTrace("tray: icon added", 20000) && program.Sync()) << program.TraceText();
    EXPECT_TRUE(program.WaitForTrace("tray: tip Surgepad: turbo off (")) << program.TraceText();
    const std::optional<POINT> icon = IconCentre(kNormalFill);
    ASSERT_TRUE(icon.has_value()) << "no normal tray icon";
    EXPECT_EQ(program.CountTrace("settings: skin made"), 0) << program.TraceText();
    Mouse(0, POINT{icon->x - 3, icon->y});
    Mouse(0, *icon);
    ASSERT_TRUE(program.WaitForTrace("settings: skin made at 96 dpi", 5000)) << program.TraceText();
    EXPECT_EQ(program.CountTrace("settings: open"), 0) << "a pointer alone opens nothing";
    // The shell's own tooltip, as the user reads it.
    std::string tip;
    for (int i = 0; i < 60 && tip.find("Surgepad: turbo off (") == std::string::npos; ++i) {
        Sleep(100);
        tip = ShownTooltip();
    }
    EXPECT_NE(tip.find("Surgepad: turbo off ("), std::string::npos) << "the tooltip shown: \"" << tip << "\"";
    e2e::SaveCapture(e2e::CaptureScreen(), "tray-tip-turbo-off");
    Click(*icon, false);
    ASSERT_TRUE(program.WaitForTrace("settings: opened", 10000)) << program.TraceText();
    EXPECT_EQ(program.CountTrace("settings: skin made"), 1) << program.TraceText();
}

}  // namespace
