// The broadcast protocol, the private commands and the power broadcasts, sent to
// the real program by kora-sim.exe (and by this test where it must be fast).
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>

#include "tests/e2e/E2eSupport.h"

namespace {

using e2e::Sim;
using e2e::Surgepad;

class Protocol : public testing::Test {
protected:
    void SetUp() override {
        e2e::UseBoard("full.txt");
        program = std::make_unique<Surgepad>();
        ASSERT_TRUE(program->WaitForTrace("startup: running", 60000)) << program->TraceText();
    }
    std::unique_ptr<Surgepad> program;
};

TEST_F(Protocol, PressesAndAnnouncementsFollowTheWireFormat) {
    EXPECT_EQ(Sim("press"), 0);
    EXPECT_EQ(Sim("broadcast 0xABCD2255 0"), 0);  // extra high bits: still a press
    EXPECT_EQ(Sim("broadcast 0x2256 0"), 0);      // no signature byte
    EXPECT_EQ(Sim("broadcast 0x2255 1"), 0);      // a press with an argument
    EXPECT_EQ(Sim("broadcast 0x2355 3"), 0);      // this program's own announcement
    EXPECT_EQ(Sim("broadcast 0x2355 0"), 0);      // values changed elsewhere
    EXPECT_EQ(Sim("broadcast 0x7755 0"), 0);      // unknown command
    ASSERT_TRUE(program->Sync());
    EXPECT_EQ(program->CountTrace(": press"), 2) << program->TraceText();
    EXPECT_EQ(program->CountTrace("0xABCD2255 0x00000000: press"), 1);
    EXPECT_EQ(program->CountTrace("0x00002256"), 0);
    EXPECT_EQ(program->CountTrace("0x00002255 0x00000001: ignored"), 1);
    EXPECT_EQ(program->CountTrace("0x00002355 0x00000003: ignored"), 1);
    EXPECT_EQ(program->CountTrace(": values changed elsewhere"), 1);
    EXPECT_EQ(program->CountTrace("0x00007755 0x00000000: ignored"), 1);
}

TEST_F(Protocol, EachBroadcastIsHandledOnceEvenInAFlood) {
    // Another utility's window and a listener also receive every broadcast.
    const UINT id = RegisterWindowMessageA("WM_KORA_BROADCAST_MESSAGE");
    ASSERT_NE(id, 0u);
    constexpr int kPresses = 400;
    for (int i = 0; i < kPresses; ++i) {
        ASSERT_TRUE(PostMessageA(HWND_BROADCAST, id, 0x2255, 0));
        ASSERT_TRUE(PostMessageA(HWND_BROADCAST, id, 0x2256, 0));
    }
    ASSERT_TRUE(program->Sync(30000));
    EXPECT_EQ(program->CountTrace(": press"), kPresses);
    EXPECT_TRUE(program->Running());
}

TEST_F(Protocol, CloseCommandNeedsTheSignatureByte) {
    EXPECT_EQ(Sim("command 1024 0x54"), 0);
    ASSERT_TRUE(program->Sync());
    EXPECT_TRUE(program->Running());
    EXPECT_EQ(program->CountTrace(": close"), 0);

    EXPECT_EQ(Sim("command 1024"), 0);
    const auto code = program->WaitForExit(15000);
    ASSERT_TRUE(code.has_value()) << program->TraceText();
    EXPECT_EQ(*code, 0u);
    EXPECT_EQ(program->CountTrace("command: 1024 0x00000055: close"), 1);
    EXPECT_EQ(Sim("command 1024"), 1) << "kora-sim reports a missing program";
}

TEST_F(Protocol, SystemCloseOfTheApplicationWindowIsSwallowed) {
    HWND app = e2e::ApplicationWindow(program->Pid());
    ASSERT_NE(app, nullptr);
    ASSERT_TRUE(PostMessageA(app, WM_SYSCOMMAND, SC_CLOSE, 0));
    ASSERT_TRUE(program->Sync());
    EXPECT_TRUE(program->Running());
    EXPECT_EQ(program->CountTrace("SC_CLOSE to the application window swallowed"), 1) << program->TraceText();
}

TEST_F(Protocol, OnlySuspendAndTheUserResumesReachTheController) {
    EXPECT_EQ(Sim("power 18"), 0);
    ASSERT_TRUE(program->Sync());
    EXPECT_EQ(program->CountTrace("power broadcast"), 0) << program->TraceText();
    EXPECT_EQ(Sim("power 4"), 0);
    EXPECT_EQ(Sim("power 6"), 0);
    EXPECT_EQ(Sim("power 7"), 0);
    ASSERT_TRUE(program->Sync());
    EXPECT_EQ(program->CountTrace("power broadcast 4: suspend"), 1) << program->TraceText();
    EXPECT_EQ(program->CountTrace("power broadcast 6: resume"), 1);
    EXPECT_EQ(program->CountTrace("power broadcast 7: resume"), 1);
}

TEST_F(Protocol, OpenSettingsCommandsAndTrayClicks) {
    EXPECT_EQ(Sim("command 1026"), 0);
    EXPECT_EQ(Sim("command 1027"), 0);
    EXPECT_EQ(Sim("command 1027 0x56"), 0);
    ASSERT_TRUE(program->Sync());
    EXPECT_EQ(program->CountTrace(": open settings"), 2) << program->TraceText();
    // A right click only shows the tray menu (closed here with Escape).
    EXPECT_EQ(Sim("tray rclick"), 0);
    ASSERT_TRUE(program->WaitForTrace("tray: menu shown", 5000)) << program->TraceText();
    Sleep(300);
    e2e::PressKey(VK_ESCAPE, 0);
    ASSERT_TRUE(program->WaitForTrace("tray: menu: nothing chosen", 5000)) << program->TraceText();
    ASSERT_TRUE(program->Sync());
    EXPECT_EQ(program->CountTrace(": open settings"), 2) << program->TraceText();
    EXPECT_EQ(program->CountTrace("tray: click"), 0);
    EXPECT_EQ(Sim("tray click"), 0);
    ASSERT_TRUE(program->Sync());
    EXPECT_EQ(program->CountTrace("tray: click"), 1) << program->TraceText();
}

TEST_F(Protocol, StrayAndHostileMessagesChangeNothing) {
    HWND main = e2e::MainWindow();
    HWND app = e2e::ApplicationWindow(program->Pid());
    ASSERT_NE(main, nullptr);
    ASSERT_NE(app, nullptr);
    const UINT id = RegisterWindowMessageA("WM_KORA_BROADCAST_MESSAGE");
    for (UINT message = 1024; message <= 1100; ++message) {
        PostMessageA(main, message, 0xDEAD0054, static_cast<LPARAM>(0x12345678));
        PostMessageA(app, message, 0x55, 0x12345678);
    }
    for (UINT message = WM_APP; message < WM_APP + 0x400; ++message) {
        PostMessageA(main, message, 0x55, 0x5A5A5A5A);
        PostMessageA(app, message, 0x55, 0x5A5A5A5A);
    }
    // A broadcast sent instead of posted goes straight to the windows: not a command.
    SendMessageTimeoutA(HWND_BROADCAST, id, 0x2255, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
    EXPECT_EQ(Sim("broadcast 0x00000000 0"), 0);
    EXPECT_EQ(Sim("broadcast 0xFFFFFFFF 0xFFFFFFFF"), 0);
    EXPECT_EQ(Sim("broadcast nonsense 0"), 2);
    EXPECT_EQ(Sim("command"), 2);
    EXPECT_EQ(Sim("frobnicate"), 2);
    ASSERT_TRUE(program->Sync());
    EXPECT_TRUE(program->Running());
    EXPECT_EQ(program->CountTrace(": press"), 0) << program->TraceText();
    EXPECT_EQ(program->CountTrace(": close"), 0);
    EXPECT_EQ(program->CountTrace(": open settings"), 0);
    EXPECT_EQ(e2e::MainWindow(), main);
}

}  // namespace
