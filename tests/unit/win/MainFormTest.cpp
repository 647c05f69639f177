// TMainForm: routing of the broadcast protocol, the private commands and the power
// broadcasts to the controller; the tray icon with its record and click routing.
#include <gtest/gtest.h>

#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

#include "lumen/kora/BroadcastProtocol.h"
#include "surgepad/ButtonControllerInterface.h"
#include "surgepad/MainForm.h"
#include "tests/unit/win/UiTestSupport.h"
#include "ui/Application.h"

namespace surgepad {

using namespace kora;  // the wire format of the board maker's utilities
namespace {

class RecordingController : public ButtonControllerInterface {
public:
    std::vector<std::string> events;
    void Initialise() override { events.push_back("initialise"); }
    void OnButtonPressed() override { events.push_back("press"); }
    void OnValuesChangedElsewhere() override { events.push_back("changed elsewhere"); }
    void Suspend() override { events.push_back("suspend"); }
    void Resume() override { events.push_back("resume"); }
    void OpenSettings() override { events.push_back("open settings"); }
    void CheckPowerButtonConfiguration() override { events.push_back("check"); }
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

class MainFormRouting : public testing::Test {
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

TEST_F(MainFormRouting, WindowIsFoundByClassAndCaptionAndNeverGetsATaskbarButton) {
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

TEST_F(MainFormRouting, StartupInitialisesTheControllerAndHidesTheApplicationWindow) {
    ShowWindow(ui::App().Handle(), SW_SHOWNOACTIVATE);
    form->Startup();
    EXPECT_EQ(controller.events, Events{"initialise"});
    EXPECT_FALSE(IsWindowVisible(ui::App().Handle()));
    // Showing the main form hides the application window again.
    ShowWindow(ui::App().Handle(), SW_SHOWNOACTIVATE);
    form->Show();
    EXPECT_FALSE(IsWindowVisible(ui::App().Handle()));
}

TEST_F(MainFormRouting, BroadcastCommandsFollowTheProtocolTable) {
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

TEST_F(MainFormRouting, OneBroadcastIsHandledOnceWhateverWindowsItReaches) {
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

TEST_F(MainFormRouting, AFloodOfBroadcastsIsCountedExactly) {
    for (int i = 0; i < 2000; ++i) {
        PostToApp(i % 2 == 0 ? 0x2255 : 0x2256, 0);
    }
    uitest::Pump();
    EXPECT_EQ(controller.events.size(), 1000u);
}

TEST_F(MainFormRouting, SystemCloseOfTheApplicationWindowIsSwallowed) {
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

TEST_F(MainFormRouting, PrivateCommandsNeedTheSignature) {
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

TEST_F(MainFormRouting, PowerBroadcastsSuspendAndResumeOnly) {
    for (WPARAM w : {WPARAM{4}, WPARAM{18}, WPARAM{7}, WPARAM{6}, WPARAM{10}, WPARAM{0x8013}}) {
        SendMessageA(form->Handle(), WM_POWERBROADCAST, w, 0);
    }
    EXPECT_EQ(controller.events, (Events{"suspend", "resume", "resume"}));
}

TEST_F(MainFormRouting, CheckTimerCallsTheControllersCheck) {
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

TEST_F(MainFormRouting, TrayRecordCarriesTheFixedValues) {
    TsTrayIcon& tray = form->TrayIcon();
    const NOTIFYICONDATAA record = tray.Record().Record();
    EXPECT_EQ(record.cbSize, static_cast<DWORD>(NOTIFYICONDATAA_V2_SIZE));
    EXPECT_EQ(record.hWnd, tray.WindowHandle());
    EXPECT_NE(record.hWnd, form->Handle());
    EXPECT_EQ(record.uID, 1u);
    EXPECT_EQ(record.uCallbackMessage, 1114u);
    EXPECT_STREQ(record.szTip, "Surgepad");
    EXPECT_EQ(record.dwInfoFlags, static_cast<DWORD>(NIIF_INFO));
    EXPECT_EQ(record.szInfo[0], '\0');
    EXPECT_EQ(tray.Record().AnnounceFlags(), static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_TRUE(tray.Visible());
    EXPECT_TRUE(ShellHasIcon(tray.WindowHandle(), 1));
    // The hidden window takes no broadcasts: it is a message-only window.
    EXPECT_EQ(FindWindowExA(HWND_MESSAGE, nullptr, kTrayWindowClass, nullptr), tray.WindowHandle());
}

TEST_F(MainFormRouting, TrayPictureFollowsSetTrayIcon) {
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

TEST_F(MainFormRouting, TipIsCutAt127Characters) {
    TsTrayIcon& tray = form->TrayIcon();
    tray.SetTip(std::string(200, 'x'));
    EXPECT_EQ(tray.Tip(), std::string(127, 'x'));
    tray.SetTip("");
    EXPECT_EQ(tray.Record().AnnounceFlags(), static_cast<UINT>(NIF_MESSAGE | NIF_ICON));
}

struct ClickLog {
    int clicks = 0;
    void Click() { ++clicks; }
};

TEST_F(MainFormRouting, OnlyALeftButtonReleaseOnTheIconClicks) {
    TsTrayIcon& tray = form->TrayIcon();
    ClickLog log;
    tray.OnClick = ui::Callback<>::Of<&ClickLog::Click>(&log);
    HWND hidden = tray.WindowHandle();
    for (LPARAM mouse : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_RBUTTONUP, WM_LBUTTONDBLCLK}) {
        PostMessageA(hidden, 1114, 1, mouse);
    }
    // Another message carrying a mouse message in lParam is not a notification.
    PostMessageA(hidden, 1113, 1, WM_LBUTTONUP);
    PostMessageA(hidden, broadcast, 1, WM_LBUTTONUP);
    uitest::Pump();
    EXPECT_EQ(log.clicks, 0);
    PostMessageA(hidden, 1114, 1, WM_LBUTTONUP);
    uitest::Pump();
    EXPECT_EQ(log.clicks, 1);
    EXPECT_EQ(SendMessageA(hidden, WM_QUERYENDSESSION, 0, 0), 1);
}

TEST_F(MainFormRouting, IconComesBackWhenTheNotificationAreaIsRecreated) {
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

TEST_F(MainFormRouting, DestroyingTheWindowRemovesTheIconAndGivesTheHookSlotBack) {
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
