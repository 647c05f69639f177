// Start-up of the real program: one copy only, the firmware refusal and its quiet
// switch, an unreadable tray picture, and the figures of a normal start.
#include <string>
#include <gtest/gtest.h>

#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cctype>
#include <vector>

#include "tests/e2e/E2eSupport.h"

namespace {

using e2e::Surgepad;

constexpr char kRefusalText[] =
    "Surgepad cannot launch when IXTU is enabled.\n"
    "Please restart your system, set the \"KORA/3rd Party UI Priority\" BIOS item to [KORA Utility], and launch "
    "Surgepad again.";

class Startup : public testing::Test {
protected:
    void SetUp() override { e2e::UseBoard("full.txt"); }
};

TEST_F(Startup, SecondCopyExitsAtOnceAndLeavesTheFirstAlone) {
    Surgepad first;
    ASSERT_TRUE(first.WaitForTrace("startup: running")) << first.TraceText();
    HWND main = e2e::MainWindow();
    ASSERT_NE(main, nullptr);
    const size_t before = first.Trace().size();

    Surgepad second("-b");
    const auto code = second.WaitForExit(15000);
    ASSERT_TRUE(code.has_value()) << "the second copy still runs";
    EXPECT_EQ(*code, 0u);
    EXPECT_EQ(second.CountTrace("another copy runs"), 1) << second.TraceText();
    EXPECT_EQ(second.CountTrace("tray:"), 0) << second.TraceText();
    EXPECT_EQ(e2e::WaitForWindow("TMainForm", nullptr, 0, second.Pid()), nullptr);

    ASSERT_TRUE(first.Sync());
    const std::vector<std::string> after = first.Trace();
    ASSERT_EQ(after.size(), before + 1) << first.TraceText();
    EXPECT_EQ(after.back(), "command: 1025 0x00000055: reserved");
    EXPECT_EQ(e2e::MainWindow(), main);
}

TEST_F(Startup, RefusalShowsItsMessageAndHoldsTheSingleInstance) {
    e2e::UseBoard("ixtu-priority.txt");
    Surgepad refused;
    HWND box = e2e::WaitForMessageBox("Surgepad", 20000, refused.Pid());
    ASSERT_NE(box, nullptr) << refused.TraceText();
    EXPECT_EQ(e2e::MessageBoxText(box), kRefusalText);
    EXPECT_NE(GetDlgItem(box, IDOK), nullptr);
    EXPECT_EQ(GetDlgItem(box, IDCANCEL), nullptr);
    EXPECT_EQ(GetWindow(box, GW_OWNER), nullptr);
    Sleep(500);  // let the box paint before the picture is taken
    e2e::SaveCapture(e2e::CaptureScreen(), "refusal-box");

    // While the box is open the refused copy still holds the mutex.
    {
        e2e::UseBoard("full.txt");
        Surgepad another;
        const auto code = another.WaitForExit(15000);
        ASSERT_TRUE(code.has_value());
        EXPECT_EQ(*code, 0u);
        EXPECT_EQ(another.CountTrace("another copy runs"), 1) << another.TraceText();
    }

    e2e::PressOk(box);
    const auto code = refused.WaitForExit(15000);
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, 0u);
    EXPECT_EQ(refused.CountTrace("startup: running"), 0);
    EXPECT_EQ(refused.CountTrace("tray:"), 0) << "no window was created";
}

TEST_F(Startup, DashBInEitherCaseRefusesQuietly) {
    e2e::UseBoard("ixtu-priority.txt");
    for (const char* quiet : {"-b", "-B"}) {
        Surgepad refused(quiet);
        const auto code = refused.WaitForExit(20000);
        ASSERT_TRUE(code.has_value()) << quiet << " left the program running";
        EXPECT_EQ(*code, 0u);
        EXPECT_EQ(refused.CountTrace("refusing quietly"), 1) << quiet << "\n" << refused.TraceText();
        EXPECT_EQ(e2e::WaitForMessageBox("Surgepad", 0, refused.Pid()), nullptr);
    }
}

TEST_F(Startup, SlashBIsNotTheQuietSwitch) {
    e2e::UseBoard("ixtu-priority.txt");
    Surgepad refused("/b");
    HWND box = e2e::WaitForMessageBox("Surgepad", 20000, refused.Pid());
    ASSERT_NE(box, nullptr) << refused.TraceText();
    EXPECT_EQ(e2e::MessageBoxText(box), kRefusalText);
    e2e::PressOk(box);
    const auto code = refused.WaitForExit(15000);
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, 0u);
}

TEST_F(Startup, PriorityNeedsBothItemsWithBit2) {
    for (const char* board : {"priority-one-item.txt", "priority-bit-clear.txt", "empty.txt"}) {
        e2e::UseBoard(board);
        Surgepad program;
        // None of these boards has group 3: the overclocking values cannot be read,
        // and the user is told so while the controller starts.
        for (DWORD wait : {30000u, 5000u}) {
            HWND box = e2e::WaitForMessageBox("AcOcItemSetBase", wait, program.Pid());
            if (box == nullptr) {
                break;
            }
            e2e::PressOk(box);
        }
        EXPECT_TRUE(program.WaitForTrace("startup: running", 60000)) << board << "\n" << program.TraceText();
        program.Stop();
        const auto code = program.WaitForExit(10000);
        ASSERT_TRUE(code.has_value()) << board;
        EXPECT_EQ(*code, 0u) << board;
    }
}

TEST_F(Startup, UnreadableTrayPictureEndsWithTheErrorBox) {
    const std::string icon = e2e::ProgramDir() + "Resource\\Q_Button_red16.ico";
    ASSERT_TRUE(DeleteFileA(icon.c_str()));
    Surgepad program;
    HWND box = e2e::WaitForMessageBox("Surgepad", 20000, program.Pid());
    ASSERT_NE(box, nullptr) << program.TraceText();
    EXPECT_EQ(e2e::MessageBoxText(box), "Cannot open file \"" + icon + "\".");
    e2e::PressOk(box);
    const auto code = program.WaitForExit(15000);
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, 0u);
    // The icon that was already in the notification area went with the window.
    EXPECT_EQ(program.CountTrace("tray: icon added"), 1) << program.TraceText();
    Sleep(600);
    const e2e::Capture screen = e2e::CaptureScreen();
    e2e::SaveCapture(screen, "after-error-box");
    const auto area = e2e::NotificationArea();
    ASSERT_TRUE(area.has_value());
    EXPECT_EQ(e2e::CountPixels(screen, *area, RGB(0x80, 0x50, 0xC7), 24), 0);
}

// The file names of the modules a process has loaded, in lower case.
std::vector<std::string> ModuleNames(HANDLE process) {
    HMODULE modules[512] = {};
    DWORD bytes = 0;
    std::vector<std::string> names;
    if (!EnumProcessModules(process, modules, sizeof modules, &bytes)) {
        return names;
    }
    for (DWORD i = 0; i < bytes / sizeof(HMODULE) && i < 512; ++i) {
        char name[MAX_PATH] = {};
        if (GetModuleBaseNameA(process, modules[i], name, MAX_PATH) != 0) {
            std::string lower(name);
            std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
            names.push_back(lower);
        }
    }
    return names;
}

// Also: an idle program keeps COM and the accessibility library out of its memory;
// they come with a screen reader's first question.
TEST_F(Startup, FiguresOfANormalStart) {
    Surgepad program;
    const auto added = program.WaitForTrace("tray: icon added", 20000);
    ASSERT_TRUE(added.has_value()) << program.TraceText();
    const auto running = program.WaitForTrace("startup: running", 60000);
    ASSERT_TRUE(running.has_value());
    e2e::Figure("start_to_tray_icon_ms", added->ms, "ms (x64 under Wine, program start to icon added)");
    e2e::Figure("start_to_message_loop_ms", running->ms, "ms");
    Sleep(2000);
    const e2e::Memory memory = e2e::ProcessMemory(program.Process());
    EXPECT_GT(memory.workingSetKiB, 0u);
    e2e::Figure("idle_working_set_kib", static_cast<double>(memory.workingSetKiB), "KiB");
    e2e::Figure("idle_private_kib", static_cast<double>(memory.privateKiB), "KiB");

    const std::vector<std::string> modules = ModuleNames(program.Process());
    const auto loaded = [&](const char* name) {
        return std::find(modules.begin(), modules.end(), name) != modules.end();
    };
    ASSERT_TRUE(loaded("surgepad.exe") && loaded("user32.dll")) << modules.size() << " modules listed";
    for (const char* com : {"ole32.dll", "oleaut32.dll", "oleacc.dll", "combase.dll"}) {
        EXPECT_FALSE(loaded(com)) << com << " is loaded by the idle program";
    }
}

}  // namespace
