// TMainForm: routing of the broadcast protocol, the private commands and the power
// broadcasts to the controller; the tray icon with its record and click routing.
#include <gtest/gtest.h>

#include <windows.h>

#include <shellapi.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "lumen/kora/BroadcastProtocol.h"
#include "surgepad/button/ButtonControllerInterface.h"
#include "surgepad/app/MainForm.h"
#include "lumen/core/WideText.h"
#include "surgepad/look/MultiLang.h"
#include "surgepad/turbo/TurboAutomationInterface.h"
#include "tests/unit/win/UiTestSupport.h"
#include "ui/Application.h"

namespace surgepad {

using namespace kora;  // the wire format of the board maker's utilities
namespace {

// Automatic turbo as the tray menu and the tip see it, recording what is chosen.
class RecordingAutomation : public TurboAutomationInterface {
public:
    explicit RecordingAutomation(std::vector<std::string>& events) : m_events(events) {}
    AutomationMenu menu;
    std::string reason;
    AutomationMenu Menu() override { return menu; }
    void TurboFor(int64_t seconds) override { m_events.push_back("turbo for " + std::to_string(seconds)); }
    void AddProgram(const std::string& name) override { m_events.push_back("add " + name); }
    void RemoveProgram(const std::string& name) override { m_events.push_back("remove " + name); }
    void SetGameModeRule(bool on) override { m_events.push_back(on ? "game mode on" : "game mode off"); }
    void SetOffOnBattery(bool on) override { m_events.push_back(on ? "off on battery on" : "off on battery off"); }
    std::string TipReason() override { return reason; }
    LRESULT CommandReceived(const void*, size_t, HWND) override { return 0; }
    void PowerStatusChanged() override { m_events.push_back("power status"); }
    void Ending() override { m_events.push_back("ending"); }

private:
    std::vector<std::string>& m_events;
};

class RecordingController : public ButtonControllerInterface {
public:
    std::vector<std::string> events;
    TurboAutomationInterface* automation = nullptr;
    TurboAutomationInterface* Automation() override { return automation; }
    // The presses and announcements handled so far, for a second thread to watch.
    std::atomic<int> broadcasts{0};
    // Runs after a press was recorded (on the GUI thread).
    void (*afterPress)() = nullptr;
    void Initialise() override { events.push_back("initialise"); }
    void OnButtonPressed() override {
        events.push_back("press");
        ++broadcasts;
        if (afterPress != nullptr) {
            afterPress();
        }
    }
    void OnValuesChangedElsewhere() override {
        events.push_back("changed elsewhere");
        ++broadcasts;
    }
    void Suspend() override { events.push_back("suspend"); }
    void Resume() override { events.push_back("resume"); }
    void OpenSettings() override { events.push_back("open settings"); }
    void CheckPowerButtonConfiguration() override { events.push_back("check"); }
    // The tray menu's turbo item and profiles.
    bool switchRunning = false;
    TurboAnswer RequestTurbo(TurboRequest request) override {
        events.push_back(request == TurboRequest::On ? "turbo on" : "turbo off");
        return TurboAnswer::Switching;
    }
    bool SwitchRunning() const override { return switchRunning; }
    bool ProfileUsable() const override { return true; }
    std::vector<std::string> ProfileNames(int* chosen) const override {
        *chosen = 1;
        return {"Game Boost", "Silent & Cool"};
    }
    std::string TrayProfileName() const override { return "Silent & Cool"; }
    void ChooseProfile(int index, const std::string& name) override {
        events.push_back("profile " + std::to_string(index) + " " + name);
    }
    void ChooseLanguage(const std::string& name) override { events.push_back("language " + name); }
};

using Events = std::vector<std::string>;

// Sees every message after the main form's hook, as a later hook of the slot does,
// and notes whether the chain marked a broadcast handled.
struct HandledProbe {
    UINT message = 0;
    std::vector<std::pair<WPARAM, bool>> seen;
    void Hook(MSG& msg, bool& handled) {
        if (msg.message == message && msg.hwnd == ui::App().Handle()) {
            seen.emplace_back(msg.wParam, handled);
        }
    }
};

class MainFormRoutingOnDesktop : public testing::Test {
protected:
    void SetUp() override {
        ui::App().Initialize();
        // Subscribed before the form, so it sees what the form's hook made of a message.
        m_probe = ui::App().SubscribeMessages(ui::MessageHook::Of<&HandledProbe::Hook>(&probe));
        form = ui::App().CreateForm<TMainForm>(controller);
        broadcast = RegisterWindowMessageA(kBroadcastMessageName);
    }
    void TearDown() override { ui::App().DestroyForms(); }
    void PostToApp(WPARAM wParam, LPARAM lParam) { PostMessageA(ui::App().Handle(), broadcast, wParam, lParam); }

    HandledProbe probe;
    RecordingController controller;
    TMainForm* form = nullptr;
    UINT broadcast = 0;

private:
    ui::Subscription m_probe;
};

TEST_F(MainFormRoutingOnDesktop, WindowIsFoundByClassAndCaptionAndNeverGetsATaskbarButton) {
    EXPECT_EQ(FindWindowA("TMainForm", "Surgepad"), form->Handle());
    const DWORD ex = form->ExStyle();
    EXPECT_NE(ex & WS_EX_TOPMOST, 0u);
    EXPECT_NE(ex & WS_EX_TOOLWINDOW, 0u);
    EXPECT_EQ(ex & WS_EX_APPWINDOW, 0u);
    EXPECT_EQ(form->ClientWidth(), 242);
    EXPECT_EQ(form->ClientHeight(), 200);
    EXPECT_FALSE(form->Visible());
    EXPECT_EQ(form->BroadcastMessageId(), broadcast);
    EXPECT_NE(broadcast, 0u);
    EXPECT_FALSE(form->CheckTimer.Enabled());
    EXPECT_EQ(form->CheckTimer.Interval(), 5000u);
}

TEST_F(MainFormRoutingOnDesktop, StartupInitialisesTheControllerAndHidesTheApplicationWindow) {
    ShowWindow(ui::App().Handle(), SW_SHOWNOACTIVATE);
    form->Startup();
    EXPECT_EQ(controller.events, Events{"initialise"});
    EXPECT_FALSE(IsWindowVisible(ui::App().Handle()));
    // Showing the main form hides the application window again.
    ShowWindow(ui::App().Handle(), SW_SHOWNOACTIVATE);
    form->Show();
    EXPECT_FALSE(IsWindowVisible(ui::App().Handle()));
}

TEST_F(MainFormRoutingOnDesktop, BroadcastCommandsFollowTheProtocolTable) {
    probe.message = broadcast;
    const std::pair<WPARAM, LPARAM> posts[] = {
        {0x2255, 0},      // press
        {0xABCD2255, 0},  // press, high bits ignored
        {0x2256, 0},      // no signature: not ours
        {0x2255, 1},      // press with an argument: nothing
        {0x2355, 3},      // our own announcement: nothing
        {0x2355, 0},      // changed elsewhere
        {0x4455, 0},      // unknown command: nothing
    };
    for (const auto& [w, l] : posts) {
        PostToApp(w, l);
    }
    uitest::Pump();
    EXPECT_EQ(controller.events, (Events{"press", "press", "changed elsewhere"}));
    const std::vector<std::pair<WPARAM, bool>> handled = {{0x2255, true}, {0xABCD2255, true}, {0x2256, false},
                                                          {0x2255, true}, {0x2355, true},     {0x2355, true},
                                                          {0x4455, true}};
    EXPECT_EQ(probe.seen, handled);
}

TEST_F(MainFormRoutingOnDesktop, OneBroadcastIsHandledOnceWhateverWindowsItReaches) {
    // Copies addressed to other windows of the program do nothing.
    PostMessageA(form->Handle(), broadcast, 0x2255, 0);
    PostMessageA(form->TrayIcon().WindowHandle(), broadcast, 0x2255, 0);
    uitest::Pump();
    EXPECT_TRUE(controller.events.empty());
    // A real broadcast reaches every top-level window of the process: the
    // application window, the main form and any other form.
    auto* other = ui::App().CreateForm<ui::Form>(ui::FormLayout{});
    ASSERT_TRUE(PostMessageA(HWND_BROADCAST, broadcast, 0x2255, 0));
    ASSERT_TRUE(uitest::PumpUntil([&] { return !controller.events.empty(); }, 2000));
    Sleep(100);
    uitest::Pump();
    EXPECT_EQ(controller.events, Events{"press"}) << "other form " << other->Handle();
}

TEST_F(MainFormRoutingOnDesktop, AFloodOfBroadcastsIsCountedExactly) {
    for (int i = 0; i < 2000; ++i) {
        PostToApp(i % 2 == 0 ? 0x2255 : 0x2256, 0);
    }
    uitest::Pump();
    EXPECT_EQ(controller.events.size(), 1000u);
}

TEST_F(MainFormRoutingOnDesktop, SystemCloseOfTheApplicationWindowIsSwallowed) {
    PostMessageA(ui::App().Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    // The system may set the low four bits of the command.
    PostMessageA(ui::App().Handle(), WM_SYSCOMMAND, SC_CLOSE | 2, 0);
    uitest::Pump();
    EXPECT_FALSE(ui::App().Terminated());
    EXPECT_TRUE(IsWindow(form->Handle()));
    // Not swallowed, the same command closes the program: the swallowing is what
    // keeps it alive above.
    SendMessageA(ui::App().Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    uitest::Pump();
    EXPECT_TRUE(ui::App().Terminated());
}

TEST_F(MainFormRoutingOnDesktop, PrivateCommandsNeedTheSignature) {
    const std::pair<UINT, WPARAM> posts[] = {
        {1026, 0x55}, {1027, 0x55}, {1026, 0x56}, {1025, 0x55}, {1030, 0x55}, {1028, 0x55}, {1024, 0x54},
    };
    for (const auto& [m, w] : posts) {
        PostMessageA(form->Handle(), m, w, 0);
    }
    uitest::Pump();
    EXPECT_EQ(controller.events, (Events{"open settings", "open settings"}));
    EXPECT_FALSE(ui::App().Terminated());
    PostMessageA(form->Handle(), 1024, 0x55, 0);
    uitest::Pump();
    EXPECT_TRUE(ui::App().Terminated());
}

TEST_F(MainFormRoutingOnDesktop, PowerBroadcastsSuspendAndResumeOnly) {
    for (WPARAM w : {WPARAM{4}, WPARAM{18}, WPARAM{7}, WPARAM{6}, WPARAM{10}, WPARAM{0x8013}}) {
        SendMessageA(form->Handle(), WM_POWERBROADCAST, w, 0);
    }
    EXPECT_EQ(controller.events, (Events{"suspend", "resume", "resume"}));
}

TEST_F(MainFormRoutingOnDesktop, CheckTimerCallsTheControllersCheck) {
    form->CheckTimer.SetInterval(20);
    form->CheckTimer.SetEnabled(true);
    ASSERT_TRUE(uitest::PumpUntil([&] { return controller.events.size() >= 2; }));
    EXPECT_EQ(controller.events[0], "check");
}

// Whether the shell shows an icon of (owner, id): a modify succeeds only then.
bool ShellHasIcon(HWND owner, UINT id) {
    NOTIFYICONDATAA probe = {};
    probe.cbSize = NOTIFYICONDATAA_V2_SIZE;
    probe.hWnd = owner;
    probe.uID = id;
    return Shell_NotifyIconA(NIM_MODIFY, &probe) != FALSE;
}

TEST_F(MainFormRoutingOnDesktop, TrayRecordCarriesTheFixedValues) {
    TsTrayIcon& tray = form->TrayIcon();
    const NOTIFYICONDATAW record = tray.Record().Record();
    EXPECT_EQ(record.cbSize, static_cast<DWORD>(NOTIFYICONDATAW_V2_SIZE));
    EXPECT_EQ(record.hWnd, tray.WindowHandle());
    EXPECT_NE(record.hWnd, form->Handle());
    EXPECT_EQ(record.uID, 1u);
    EXPECT_EQ(record.uCallbackMessage, 1114u);
    EXPECT_STREQ(record.szTip, L"Surgepad: power button") << "the state: the fake controller holds the power action";
    EXPECT_EQ(record.dwInfoFlags, static_cast<DWORD>(NIIF_INFO));
    EXPECT_EQ(record.szInfo[0], L'\0');
    EXPECT_EQ(tray.Record().AnnounceFlags(), static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_TRUE(tray.Visible());
    EXPECT_TRUE(ShellHasIcon(tray.WindowHandle(), 1));
    // The hidden window takes no broadcasts: it is a message-only window.
    EXPECT_EQ(FindWindowExA(HWND_MESSAGE, nullptr, kTrayWindowClass, nullptr), tray.WindowHandle());
}

TEST_F(MainFormRoutingOnDesktop, TrayPictureFollowsSetTrayIcon) {
    TsTrayIcon& tray = form->TrayIcon();
    const HICON normal = tray.Record().Record().hIcon;
    ASSERT_NE(normal, nullptr);
    form->SetTrayIcon(1);
    const HICON turbo = tray.Record().Record().hIcon;
    EXPECT_NE(turbo, nullptr);
    EXPECT_NE(turbo, normal);
    EXPECT_EQ(turbo, tray.IconHandle());
    form->SetTrayIcon(7);  // no such picture: nothing changes
    EXPECT_EQ(tray.Record().Record().hIcon, turbo);
    EXPECT_TRUE(ShellHasIcon(tray.WindowHandle(), 1));
}

TEST_F(MainFormRoutingOnDesktop, TipIsCutAt127Characters) {
    TsTrayIcon& tray = form->TrayIcon();
    tray.SetTip(std::string(200, 'x'));
    EXPECT_EQ(tray.Tip(), std::string(127, 'x'));
    // Any script, whatever the system's code page; a character is never cut in half.
    const std::string korean = "\xED\x84\xB0\xEB\xB3\xB4";  // 터보
    tray.SetTip(korean);
    EXPECT_STREQ(tray.Record().Record().szTip, L"\uD130\uBCF4");
    EXPECT_EQ(tray.Tip(), korean);
    const std::string clef = "\xF0\x9D\x84\x9E";  // U+1D11E, two UTF-16 units
    tray.SetTip(std::string(126, 'x') + clef);
    EXPECT_EQ(tray.Tip(), std::string(126, 'x'));
    tray.SetTip("");
    EXPECT_EQ(tray.Record().AnnounceFlags(), static_cast<UINT>(NIF_MESSAGE | NIF_ICON));
}

struct ClickLog {
    int clicks = 0;
    int menus = 0;
    void Click() { ++clicks; }
    void Menu() { ++menus; }
};

TEST_F(MainFormRoutingOnDesktop, ALeftButtonReleaseOnTheIconClicksARightOneAsksForTheMenu) {
    TsTrayIcon& tray = form->TrayIcon();
    ClickLog log;
    tray.OnClick = ui::Callback<>::Of<&ClickLog::Click>(&log);
    tray.OnContextMenu = ui::Callback<>::Of<&ClickLog::Menu>(&log);
    HWND hidden = tray.WindowHandle();
    for (LPARAM mouse : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK}) {
        PostMessageA(hidden, 1114, 1, mouse);
    }
    // Another message carrying a mouse message in lParam is not a notification.
    PostMessageA(hidden, 1113, 1, WM_LBUTTONUP);
    PostMessageA(hidden, broadcast, 1, WM_LBUTTONUP);
    PostMessageA(hidden, 1113, 1, WM_RBUTTONUP);
    uitest::Pump();
    EXPECT_EQ(log.clicks, 0);
    EXPECT_EQ(log.menus, 0);
    PostMessageA(hidden, 1114, 1, WM_LBUTTONUP);
    uitest::Pump();
    EXPECT_EQ(log.clicks, 1);
    EXPECT_EQ(log.menus, 0);
    PostMessageA(hidden, 1114, 1, WM_RBUTTONUP);
    uitest::Pump();
    EXPECT_EQ(log.clicks, 1);
    EXPECT_EQ(log.menus, 1);
    EXPECT_EQ(SendMessageA(hidden, WM_QUERYENDSESSION, 0, 0), 1);
}

// The tray menu as the user meets it: what it shows, read from the open menu, and
// what a choice made with the real mouse or keyboard does.
struct MenuSeen {
    bool shown = false;
    std::vector<std::string> items;
    std::vector<bool> bold;
    std::vector<bool> checked;
    // The Language submenu's items (UTF-8) and which one is checked.
    std::vector<std::string> languages;
    std::vector<bool> languageChecked;
    bool greyed = false;   // the first item
    bool rescued = false;  // the menu had to be closed with Escape
    // Each submenu's items, with "+" before a checked one and "-" before a greyed one.
    std::vector<std::vector<std::string>> submenus;
};

// The open popup menu window of this process, or null.
HWND OpenMenuWindow() {
    HWND found = nullptr;
    EnumWindows(
        [](HWND w, LPARAM out) -> BOOL {
            char cls[16] = {};
            GetClassNameA(w, cls, sizeof cls);
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (lstrcmpA(cls, "#32768") == 0 && pid == GetCurrentProcessId() && IsWindowVisible(w)) {
                *reinterpret_cast<HWND*>(out) = w;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

void SendKey(WORD vk) {
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = vk;
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof in[0]);
}

void SendClickAt(POINT p) {
    INPUT in[3] = {};
    for (INPUT& i : in) {
        i.type = INPUT_MOUSE;
        i.mi.dx = static_cast<LONG>(p.x * 65535.0 / (GetSystemMetrics(SM_CXSCREEN) - 1) + 0.5);
        i.mi.dy = static_cast<LONG>(p.y * 65535.0 / (GetSystemMetrics(SM_CYSCREEN) - 1) + 0.5);
    }
    in[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE;
    in[2].mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &in[0], sizeof in[0]);
    Sleep(100);
    SendInput(1, &in[1], sizeof in[1]);
    Sleep(60);
    SendInput(1, &in[2], sizeof in[2]);
}

// How the user answers the menu: clicks item `item` (0-based), clicks beside it, or
// presses a key.
struct Answer {
    enum Kind { ClickItem, ClickElsewhere, Key } kind;
    int item;
    WORD key;
    // Key: pressed before `key`, one after the other, and after it.
    std::vector<WORD> before = {};
    std::vector<WORD> then = {};
};

// Right-clicks the icon (the shell's notification) and answers the menu from a second
// thread, since the menu holds this one. Every wait is bounded: a menu still open
// after the answer is closed with Escape and reported.
MenuSeen RightClickAndAnswer(TsTrayIcon& tray, Answer answer) {
    MenuSeen seen;
    std::atomic<bool> closed{false};
    std::thread user([&] {
        HWND menuWindow = nullptr;
        for (int waited = 0; menuWindow == nullptr && waited < 5000; waited += 20) {
            Sleep(20);
            menuWindow = OpenMenuWindow();
        }
        if (menuWindow == nullptr) {
            return;
        }
        seen.shown = true;
        Sleep(200);  // the menu takes the input once it is tracking
        const HMENU menu = reinterpret_cast<HMENU>(SendMessageA(menuWindow, MN_GETHMENU, 0, 0));
        for (int i = 0; menu != nullptr && i < GetMenuItemCount(menu); ++i) {
            char text[128] = {};
            GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
            seen.items.push_back(text);
            MENUITEMINFOA info = {};
            info.cbSize = sizeof info;
            info.fMask = MIIM_STATE;
            GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info);
            seen.bold.push_back((info.fState & MFS_DEFAULT) != 0);
            seen.checked.push_back((info.fState & MFS_CHECKED) != 0);
            seen.greyed = seen.greyed || (i == 0 && (info.fState & MFS_GRAYED) != 0);
            if (HMENU sub = GetSubMenu(menu, i)) {
                std::vector<std::string> items;
                seen.languages.clear();
                seen.languageChecked.clear();
                for (int j = 0; j < GetMenuItemCount(sub); ++j) {
                    wchar_t wide[128] = {};
                    GetMenuStringW(sub, static_cast<UINT>(j), wide, 128, MF_BYPOSITION);
                    const std::string subText = lumen::Utf8FromWide(wide);
                    const UINT state = GetMenuState(sub, static_cast<UINT>(j), MF_BYPOSITION);
                    const bool separator = (state & MF_SEPARATOR) != 0;
                    items.push_back(std::string(separator                   ? ""
                                                : (state & MF_CHECKED) != 0 ? "+"
                                                : (state & MF_GRAYED) != 0  ? "-"
                                                                            : "") +
                                    subText);
                    // The Language submenu is the last one.
                    seen.languages.push_back(subText);
                    seen.languageChecked.push_back((state & MF_CHECKED) != 0);
                }
                seen.submenus.push_back(items);
            }
        }
        RECT r = {};
        GetWindowRect(menuWindow, &r);
        if (answer.kind == Answer::Key) {
            for (const WORD key : answer.before) {
                SendKey(key);
                Sleep(150);
            }
            SendKey(answer.key);
            for (const WORD key : answer.then) {
                Sleep(80);
                SendKey(key);
            }
        } else if (answer.kind == Answer::ClickElsewhere) {
            SendClickAt(POINT{r.right + 40 < 1000 ? r.right + 40 : r.left - 40, r.top + 5});
        } else {
            RECT item = {};
            if (GetMenuItemRect(nullptr, menu, static_cast<UINT>(answer.item), &item)) {
                SendClickAt(POINT{(item.left + item.right) / 2, (item.top + item.bottom) / 2});
            }
        }
        for (int waited = 0; !closed && waited < 3000; waited += 20) {
            Sleep(20);
        }
        if (!closed) {
            seen.rescued = true;
            SendKey(VK_ESCAPE);
            SendKey(VK_ESCAPE);
        }
    });
    // The pointer where a user would have it: over the icon, away from the corners.
    SetCursorPos(400, 300);
    PostMessageA(tray.WindowHandle(), 1114, 1, WM_RBUTTONUP);
    uitest::Pump();  // returns once the menu is closed
    closed = true;
    user.join();
    uitest::Pump();
    return seen;
}

TEST_F(MainFormRoutingOnDesktop, TrayMenuOffersTurboTheProfilesSettingsInBoldAndExit) {
    struct Case {
        const char* what;
        bool switchRunning;
        Answer answer;
        Events events;
        bool ended;
    };
    // Items: the turbo item, a separator, the two profiles, a separator, Settings, Exit.
    const Case cases[] = {
        {"Escape", false, {Answer::Key, 0, VK_ESCAPE}, {}, false},
        {"a click beside the menu", false, {Answer::ClickElsewhere, 0, 0}, {}, false},
        {"turbo", false, {Answer::ClickItem, 0, 0}, {"turbo on"}, false},
        {"turbo while a switch runs: greyed", true, {Answer::Key, 0, VK_ESCAPE}, {}, false},
        {"a profile", false, {Answer::ClickItem, 2, 0}, {"profile 0 Game Boost"}, false},
        {"Settings", false, {Answer::ClickItem, 6, 0}, {"open settings"}, false},
        {"Exit", false, {Answer::ClickItem, 7, 0}, {}, true},
    };
    const MultiLang& lang = MultiLang::Instance();
    const std::vector<std::string> texts = {
        "Turbo on (Silent && Cool)", "", "Game Boost", "Silent && Cool", "", "Language", lang.Text("TrayMenuSettings"),
        lang.Text("TrayMenuExit")};
    ASSERT_EQ(lang.Text("TrayMenuTurboOn"), "Turbo on (%s)");
    for (const Case& c : cases) {
        controller.events.clear();
        controller.switchRunning = c.switchRunning;
        const MenuSeen seen = RightClickAndAnswer(form->TrayIcon(), c.answer);
        ASSERT_TRUE(seen.shown) << c.what << ": no menu";
        EXPECT_FALSE(seen.rescued) << c.what << ": the menu stayed open";
        EXPECT_EQ(seen.items, texts) << c.what;
        EXPECT_EQ(seen.bold, (std::vector<bool>{false, false, false, false, false, false, true, false})) << c.what;
        EXPECT_EQ(seen.checked, (std::vector<bool>{false, false, false, true, false, false, false, false})) << c.what;
        EXPECT_EQ(seen.greyed, c.switchRunning) << c.what;
        EXPECT_EQ(controller.events, c.events) << c.what;
        EXPECT_EQ(ui::App().Terminated(), c.ended) << c.what;
        EXPECT_EQ(OpenMenuWindow(), nullptr) << c.what << ": a menu is still shown";
    }
}

// The Language submenu: the system's language first, in its own words, then every
// language beside the program by its own name, the choice checked; choosing one from
// the keyboard hands its folder name to the controller ("" for the system's).
TEST_F(MainFormRoutingOnDesktop, TrayMenuLanguageSubmenuListsTheLanguagesByTheirOwnNames) {
    if (GetSystemDefaultLangID() != 0x0409) {
        GTEST_SKIP() << "the system's language is not US English";
    }
    std::vector<std::string> shipped = {
        "",
        "",
        "Deutsch",
        "English",
        "Espa\xC3\xB1ol",
        "Fran\xC3\xA7"
        "ais",
        "Italiano",
        "Nederlands",
        "Polski",
        "Portugu\xC3\xAAs (Brasil)",
        "T\xC3\xBCrk\xC3\xA7"
        "e",
        "\xC4\x8C"
        "e\xC5\xA1tina",
        "\xD0\xA0\xD1\x83\xD1\x81\xD1\x81\xD0\xBA\xD0\xB8\xD0\xB9",                          // Русский
        "\xD0\xA3\xD0\xBA\xD1\x80\xD0\xB0\xD1\x97\xD0\xBD\xD1\x81\xD1\x8C\xD0\xBA\xD0\xB0",  // Українська
        "\xE4\xB8\xAD\xE6\x96\x87(\xE7\xAE\x80\xE4\xBD\x93)",                                // 中文(简体)
        "\xE4\xB8\xAD\xE6\x96\x87(\xE7\xB9\x81\xE9\xAB\x94)",                                // 中文(繁體)
        "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E",                                              // 日本語
        "\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4",                                              // 한국어
    };
    // From the bottom: Exit, Settings, Language; into the submenu on its first item.
    const std::vector<WORD> intoTheSubmenu = {VK_UP, VK_UP, VK_UP, VK_RIGHT};
    const struct {
        const char* what;
        const char* chosenBefore;
        const char* systemItem;  // in the language in force
        size_t checked;          // the item checked
        std::vector<WORD> keys;
        Events events;
    } cases[] = {
        {"the system's language", "", "System language (English)", 0, {}, {"language "}},
        {"the first language", "", "System language (English)", 0, {VK_DOWN}, {"language German"}},
        {"the last one, Korean chosen before",
         "Korean",
         "\xEC\x8B\x9C\xEC\x8A\xA4\xED\x85\x9C \xEC\x96\xB8\xEC\x96\xB4 (English)",  // 시스템 언어
         17,
         {VK_UP},
         {"language Korean"}},
    };
    MultiLang& lang = MultiLang::Instance();
    for (const auto& c : cases) {
        controller.events.clear();
        lang.SetChosenLanguage(c.chosenBefore);
        std::vector<WORD> before = intoTheSubmenu;
        before.insert(before.end(), c.keys.begin(), c.keys.end());
        const MenuSeen seen = RightClickAndAnswer(form->TrayIcon(), Answer{Answer::Key, 0, VK_RETURN, before});
        lang.SetChosenLanguage("");
        ASSERT_TRUE(seen.shown) << c.what << ": no menu";
        EXPECT_FALSE(seen.rescued) << c.what << ": the menu stayed open";
        shipped[0] = c.systemItem;
        EXPECT_EQ(seen.languages, shipped) << c.what;
        std::vector<bool> checked(shipped.size(), false);
        checked[c.checked] = true;
        EXPECT_EQ(seen.languageChecked, checked) << c.what;
        EXPECT_EQ(controller.events, c.events) << c.what;
    }
}

// "Turbo for" and "Automatic turbo" follow the turbo item: the timed lengths, the
// listed programs checked (a click removes one), "Add" for the program last in front,
// game mode where the system has it, and turbo off on battery; each choice reaches
// automatic turbo, and the tip names its reason.
TEST_F(MainFormRoutingOnDesktop, TrayMenuOffersTimedAndAutomaticTurbo) {
    RecordingAutomation automation(controller.events);
    controller.automation = &automation;
    AutomationMenu all;
    all.programs = {"game.exe", "R&D tool.exe"};
    all.candidate = "other.exe";
    all.gameModeAvailable = true;
    AutomationMenu bare;
    bare.timedEnabled = false;
    bare.offOnBattery = false;
    const std::vector<std::string> timed = {"30 minutes", "1 hour", "2 hours"};
    const std::vector<std::string> timedGreyed = {"-30 minutes", "-1 hour", "-2 hours"};
    struct Case {
        const char* what;
        AutomationMenu state;
        std::vector<WORD> keys;  // after the first Down onto the turbo item
        std::vector<std::string> automatic;
        Events events;
    };
    const std::vector<std::string> full = {"+game.exe",
                                           "+R&&D tool.exe",
                                           "Add \"other.exe\"",
                                           "",
                                           "While Windows game mode is on",
                                           "+Turbo off on battery"};
    const Case cases[] = {
        {"30 minutes", all, {VK_DOWN, VK_RIGHT, VK_RETURN}, full, {"turbo for 1800"}},
        {"2 hours", all, {VK_DOWN, VK_RIGHT, VK_UP, VK_RETURN}, full, {"turbo for 7200"}},
        {"a listed program removed",
         all,
         {VK_DOWN, VK_DOWN, VK_RIGHT, VK_DOWN, VK_RETURN},
         full,
         {"remove R&D tool.exe"}},
        {"the program last in front added",
         all,
         {VK_DOWN, VK_DOWN, VK_RIGHT, VK_DOWN, VK_DOWN, VK_RETURN},
         full,
         {"add other.exe"}},
        {"game mode", all, {VK_DOWN, VK_DOWN, VK_RIGHT, VK_UP, VK_UP, VK_RETURN}, full, {"game mode on"}},
        {"off on battery", all, {VK_DOWN, VK_DOWN, VK_RIGHT, VK_UP, VK_RETURN}, full, {"off on battery off"}},
        {"nothing listed, no game mode: the battery item alone",
         bare,
         {VK_DOWN, VK_DOWN, VK_RIGHT, VK_RETURN},
         {"Turbo off on battery"},
         {"off on battery on"}},
        {"greyed lengths are not chosen",
         bare,
         {VK_DOWN, VK_RIGHT, VK_RETURN, VK_ESCAPE, VK_ESCAPE},
         {"Turbo off on battery"},
         {}},
    };
    for (const Case& c : cases) {
        controller.events.clear();
        automation.menu = c.state;
        const MenuSeen seen = RightClickAndAnswer(form->TrayIcon(), Answer{Answer::Key, 0, VK_DOWN, {}, c.keys});
        ASSERT_TRUE(seen.shown) << c.what << ": no menu";
        ASSERT_GE(seen.items.size(), 3u) << c.what;
        EXPECT_EQ(seen.items[1], "Turbo for") << c.what;
        EXPECT_EQ(seen.items[2], "Automatic turbo") << c.what;
        // Then the Language submenu.
        ASSERT_EQ(seen.submenus.size(), 3u) << c.what;
        EXPECT_EQ(seen.submenus[0], c.state.timedEnabled ? timed : timedGreyed) << c.what;
        EXPECT_EQ(seen.submenus[1], c.automatic) << c.what;
        EXPECT_EQ(controller.events, c.events) << c.what;
        EXPECT_EQ(OpenMenuWindow(), nullptr) << c.what << ": a menu is still shown";
    }
    automation.reason = "while game.exe runs";
    form->RefreshTrayTip();
    const std::string tip = form->TrayIcon().Tip();
    EXPECT_EQ(tip.substr(tip.size() - std::min(tip.size(), std::string(" while game.exe runs").size())),
              " while game.exe runs")
        << tip;
    controller.automation = nullptr;
}

// The premise of counting a broadcast once while a modal loop runs: the main form is
// topmost, so its copy of a post is queued before the application window's.
TEST_F(MainFormRoutingOnDesktop, ABroadcastReachesTheMainFormBeforeTheApplicationWindow) {
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(PostMessageA(HWND_BROADCAST, broadcast, 0x2255, 0));
    }
    std::vector<HWND> order;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, broadcast, broadcast, PM_REMOVE)) {
        if (msg.hwnd == form->Handle() || msg.hwnd == ui::App().Handle()) {
            order.push_back(msg.hwnd);
        }
    }
    const HWND main = form->Handle();
    const HWND app = ui::App().Handle();
    EXPECT_EQ(order, (std::vector<HWND>{main, app, main, app, main, app}))
        << "main form " << main << ", application window " << app;
    EXPECT_TRUE(controller.events.empty());
}

// The modal loops the program meets, run on the GUI thread until the user ends them
// with Escape: the tray icon's menu, a message box, a dialog box, a window's move loop.
enum class Modal { TrayMenu, MessageBox, DialogBox, MoveLoop };

const char* ModalName(Modal m) {
    static const char* const names[] = {"tray menu", "message box", "dialog box", "move loop"};
    return names[static_cast<int>(m)];
}

// A visible window of class `cls` of this process, or null.
HWND ProcessWindowOfClass(const char* cls) {
    struct Search {
        const char* cls;
        HWND found;
    } search = {cls, nullptr};
    EnumWindows(
        [](HWND w, LPARAM p) -> BOOL {
            auto* s = reinterpret_cast<Search*>(p);
            char name[32] = {};
            GetClassNameA(w, name, sizeof name);
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (lstrcmpA(name, s->cls) == 0 && pid == GetCurrentProcessId() && IsWindowVisible(w)) {
                s->found = w;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::atomic<bool> inMoveLoop{false};

LRESULT CALLBACK MovedWindowProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ENTERSIZEMOVE) {
        inMoveLoop = true;
    } else if (message == WM_EXITSIZEMOVE) {
        inMoveLoop = false;
    }
    return DefWindowProcA(w, message, wParam, lParam);
}

INT_PTR CALLBACK EscapableDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        return TRUE;
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDOK)) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

bool ModalIsUp(Modal m) {
    switch (m) {
        case Modal::TrayMenu:
            return OpenMenuWindow() != nullptr;
        case Modal::MessageBox:
        case Modal::DialogBox:
            return ProcessWindowOfClass("#32770") != nullptr;
        case Modal::MoveLoop:
            return inMoveLoop;
    }
    return false;
}

// Runs the modal loop on this thread; returns when it has ended.
void RunModal(Modal m, TMainForm& form) {
    switch (m) {
        case Modal::TrayMenu:
            SetCursorPos(400, 300);
            PostMessageA(form.TrayIcon().WindowHandle(), 1114, 1, WM_RBUTTONUP);
            uitest::Pump();  // returns once the menu is closed
            break;
        case Modal::MessageBox:
            MessageBoxA(nullptr, "Waiting", "MainFormTest", MB_OK);
            break;
        case Modal::DialogBox: {
            struct alignas(4) {
                DLGTEMPLATE head;
                WORD menu, cls, title;
            } dialog = {};
            dialog.head.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE | DS_MODALFRAME;
            dialog.head.x = 20;
            dialog.head.y = 20;
            dialog.head.cx = 120;
            dialog.head.cy = 50;
            DialogBoxIndirectParamA(GetModuleHandleA(nullptr), &dialog.head, nullptr, EscapableDialogProc, 0);
            break;
        }
        case Modal::MoveLoop: {
            WNDCLASSA cls = {};
            cls.lpfnWndProc = MovedWindowProc;
            cls.hInstance = GetModuleHandleA(nullptr);
            cls.lpszClassName = "MainFormTestMoved";
            RegisterClassA(&cls);  // again on later rows: already there
            HWND moved = CreateWindowExA(0, cls.lpszClassName, "Moved", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 200, 200, 300,
                                         200, nullptr, nullptr, cls.hInstance, nullptr);
            SetForegroundWindow(moved);
            SetFocus(moved);
            uitest::Pump();
            // The keyboard move: the system's loop runs until Enter or Escape.
            SendMessageA(moved, WM_SYSCOMMAND, SC_MOVE, 0);
            DestroyWindow(moved);
            break;
        }
    }
}

// What arrives while the loop runs, from another program as far as this one can tell.
enum class Arrival {
    Press,             // a posted broadcast 0x2255
    ChangedElsewhere,  // a posted broadcast 0x2355 from another utility
    OwnAnnouncement,   // a posted broadcast 0x2355 with this program's lParam 3
    SentPress,         // the press sent instead of posted
    PressEndsTheLoop,  // a posted press whose handling ends the loop at once
    MainFormCopyOnly,  // the main form's copy now, the application window's after the loop
};

const char* ArrivalName(Arrival a) {
    static const char* const names[] = {"a press",      "values changed elsewhere",   "our own announcement",
                                        "a sent press", "a press that ends the loop", "the main form's copy only"};
    return names[static_cast<int>(a)];
}

void EndDialogOrMenu() {
    if (HWND dialog = ProcessWindowOfClass("#32770")) {
        EndDialog(dialog, IDCANCEL);
    }
    EndMenu();
}

TEST_F(MainFormRoutingOnDesktop, ABroadcastDuringAModalLoopIsHandledOnceThere) {
    struct Case {
        Modal modal;
        Arrival arrival;
        int inLoop;  // handled while the loop still ran
        Events events;
    };
    const Case cases[] = {
        {Modal::TrayMenu, Arrival::Press, 1, {"press"}},
        {Modal::MessageBox, Arrival::Press, 1, {"press"}},
        {Modal::DialogBox, Arrival::Press, 1, {"press"}},
        {Modal::MoveLoop, Arrival::Press, 1, {"press"}},
        {Modal::TrayMenu, Arrival::ChangedElsewhere, 1, {"changed elsewhere"}},
        {Modal::DialogBox, Arrival::OwnAnnouncement, 0, {}},
        {Modal::MessageBox, Arrival::SentPress, 0, {}},
        {Modal::DialogBox, Arrival::PressEndsTheLoop, 1, {"press"}},
        {Modal::TrayMenu, Arrival::PressEndsTheLoop, 1, {"press"}},
        // The application window's copy after the loop is the same post: one press;
        // a real broadcast after it is the next.
        {Modal::MessageBox, Arrival::MainFormCopyOnly, 1, {"press", "press"}},
    };
    for (const Case& c : cases) {
        const std::string what = std::string(ModalName(c.modal)) + ", " + ArrivalName(c.arrival);
        controller.events.clear();
        controller.broadcasts = 0;
        controller.afterPress = c.arrival == Arrival::PressEndsTheLoop ? EndDialogOrMenu : nullptr;
        std::atomic<bool> ended{false};
        bool cameUp = false;
        bool rescued = false;
        int seenInLoop = -1;
        const HWND mainForm = form->Handle();
        std::thread user([&] {
            for (int waited = 0; !ModalIsUp(c.modal) && waited < 5000; waited += 20) {
                Sleep(20);
            }
            cameUp = ModalIsUp(c.modal);
            if (!cameUp) {
                return;
            }
            Sleep(200);
            switch (c.arrival) {
                case Arrival::Press:
                case Arrival::PressEndsTheLoop:
                    PostMessageA(HWND_BROADCAST, broadcast, 0x2255, 0);
                    break;
                case Arrival::ChangedElsewhere:
                    PostMessageA(HWND_BROADCAST, broadcast, 0x2355, 0);
                    break;
                case Arrival::OwnAnnouncement:
                    PostMessageA(HWND_BROADCAST, broadcast, 0x2355, 3);
                    break;
                case Arrival::SentPress:
                    SendMessageTimeoutA(HWND_BROADCAST, broadcast, 0x2255, 0, SMTO_ABORTIFHUNG, 3000, nullptr);
                    break;
                case Arrival::MainFormCopyOnly:
                    PostMessageA(mainForm, broadcast, 0x2255, 0);
                    break;
            }
            for (int waited = 0; controller.broadcasts < c.inLoop && waited < 3000; waited += 20) {
                Sleep(20);
            }
            Sleep(300);  // time enough for a second handling to show
            seenInLoop = controller.broadcasts;
            if (c.arrival != Arrival::PressEndsTheLoop) {
                SendKey(VK_ESCAPE);
            }
            for (int waited = 0; !ended && waited < 3000; waited += 20) {
                Sleep(20);
            }
            if (!ended) {
                rescued = true;
                SendKey(VK_ESCAPE);
                SendKey(VK_ESCAPE);
            }
        });
        RunModal(c.modal, *form);
        ended = true;
        user.join();
        uitest::Pump();
        Sleep(100);
        uitest::Pump();
        if (c.arrival == Arrival::MainFormCopyOnly) {
            PostToApp(0x2255, 0);
            uitest::Pump();
            ASSERT_TRUE(PostMessageA(HWND_BROADCAST, broadcast, 0x2255, 0));
            uitest::PumpUntil([&] { return controller.events.size() >= 2; }, 2000);
            Sleep(100);
            uitest::Pump();
        }
        ASSERT_TRUE(cameUp) << what << ": the loop did not come up";
        EXPECT_FALSE(rescued) << what << ": the loop did not end with Escape";
        EXPECT_EQ(seenInLoop, c.inLoop) << what << ": handled while the loop ran";
        EXPECT_EQ(controller.events, c.events) << what;
    }
    controller.afterPress = nullptr;
}

// Out of any modal loop a press is still handled once, by the hook.
TEST_F(MainFormRoutingOnDesktop, APressOutsideAModalLoopIsStillHandledOnceByTheHook) {
    probe.message = broadcast;
    ASSERT_TRUE(PostMessageA(HWND_BROADCAST, broadcast, 0x2255, 0));
    ASSERT_TRUE(uitest::PumpUntil([&] { return !controller.events.empty(); }, 2000));
    Sleep(100);
    uitest::Pump();
    EXPECT_EQ(controller.events, Events{"press"});
    EXPECT_EQ(probe.seen, (std::vector<std::pair<WPARAM, bool>>{{0x2255, true}}));
}

TEST_F(MainFormRoutingOnDesktop, IconComesBackWhenTheNotificationAreaIsRecreated) {
    TsTrayIcon& tray = form->TrayIcon();
    form->SetTrayIcon(1);
    NOTIFYICONDATAA gone = {};
    gone.cbSize = NOTIFYICONDATAA_V2_SIZE;
    gone.hWnd = tray.WindowHandle();
    gone.uID = 1;
    // What a restarted shell has: none of the icons it showed before.
    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &gone));
    ASSERT_FALSE(ShellHasIcon(tray.WindowHandle(), 1));
    SendMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(ShellHasIcon(tray.WindowHandle(), 1));
    EXPECT_TRUE(tray.Visible());
    EXPECT_EQ(tray.Record().Record().hIcon, tray.IconHandle());

    // An icon that was taken away on purpose stays away.
    tray.SetVisible(false);
    EXPECT_FALSE(ShellHasIcon(tray.WindowHandle(), 1));
    SendMessageA(form->Handle(), RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_FALSE(ShellHasIcon(tray.WindowHandle(), 1));
    EXPECT_FALSE(tray.Visible());
}

TEST_F(MainFormRoutingOnDesktop, DestroyingTheWindowRemovesTheIconAndGivesTheHookSlotBack) {
    HWND hidden = form->TrayIcon().WindowHandle();
    ASSERT_TRUE(ShellHasIcon(hidden, 1));
    ui::App().DestroyForms();
    EXPECT_FALSE(IsWindow(hidden));
    NOTIFYICONDATAA probe = {};
    probe.cbSize = NOTIFYICONDATAA_V2_SIZE;
    probe.hWnd = hidden;
    probe.uID = 1;
    EXPECT_FALSE(Shell_NotifyIconA(NIM_DELETE, &probe));
    // Broadcasts after the window is gone reach no stale hook.
    PostToApp(0x2255, 0);
    uitest::Pump();
    EXPECT_TRUE(controller.events.empty());
}

}  // namespace
}  // namespace surgepad
