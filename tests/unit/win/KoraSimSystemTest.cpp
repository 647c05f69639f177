// The simulated system around the program: kora-sim.exe's scheme, power-source,
// power-mode and game subcommands, seen from other processes as a program sees them,
// through the "powrprof.dll" stand-in (bound by system_probe.exe), window messages and
// foreground events, with the journal and the state they leave.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "lumen/kora/DormixLib.h"
#include "tests/unit/win/DormixTestSupport.h"

namespace {

using testing::ElementsAre;
using testing::HasSubstr;
using testutil::ChildResult;

const char kSaver[] = "{A1841308-3541-4FAB-BC81-F71556F20B4A}";
const char kHigh[] = "{8C5E7FDA-E8BF-4A96-9A85-A6E23A8C635C}";
const char kBalanced[] = "{381B4222-F694-41F0-9685-FF5BB260DF2E}";
const char kCustom[] = "{11111111-2222-3333-4444-555555555555}";
const std::string kButton = " {4F971E89-EEBD-4455-A8DE-9E59040E7347} {7648EFA3-DD9C-4E3E-B566-50F929386280} ";

std::string Schemes(const std::string& head = "") {
    return head + "dormix\nscheme " + kSaver + " 0\nscheme " + kHigh + " 3\nscheme " + kBalanced + " 1 active\n";
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line.substr(0, line.find('\r')));
    }
    return lines;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    return text;
}

ChildResult Sim(const std::string& arguments, const testutil::BoardScope& board) {
    return testutil::RunChild(testutil::ExeFolder() + "kora-sim.exe", arguments, board.Path("sim.txt"), 30000);
}

// A program left running while the test goes on, its output in a file the test
// follows; ended by force if still running at the end.
class Background {
public:
    Background(const std::string& exe, const std::string& arguments, const std::string& output, DWORD flags = 0)
        : m_output(output) {
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        HANDLE out = CreateFileA(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = startup.hStdError = out;
        std::string commandLine = "\"" + exe + "\" " + arguments;
        EXPECT_TRUE(CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr,
                                   &startup, &m_process))
            << exe << ": " << GetLastError();
        CloseHandle(out);
    }
    ~Background() {
        if (WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(m_process.hProcess, 99);
            WaitForSingleObject(m_process.hProcess, 5000);
        }
        CloseHandle(m_process.hProcess);
        CloseHandle(m_process.hThread);
    }
    Background(const Background&) = delete;
    Background& operator=(const Background&) = delete;

    const PROCESS_INFORMATION& Process() const { return m_process; }
    std::vector<std::string> Output() const { return Lines(testutil::ReadText(m_output)); }

    // The first output line that starts with `text`, once there is one (empty after 15 s).
    std::string WaitForLine(const std::string& text) const {
        for (const ULONGLONG end = GetTickCount64() + 15000; GetTickCount64() < end; Sleep(5)) {
            for (const std::string& line : Output()) {
                if (line.rfind(text, 0) == 0) {
                    return line;
                }
            }
        }
        return {};
    }

    // The exit code, or 0xFFFFFFFF when it did not end within 15 s.
    DWORD WaitForExit() const {
        DWORD code = 0xFFFFFFFF;
        if (WaitForSingleObject(m_process.hProcess, 15000) == WAIT_OBJECT_0) {
            GetExitCodeProcess(m_process.hProcess, &code);
        }
        return code;
    }

private:
    std::string m_output;
    PROCESS_INFORMATION m_process = {};
};

std::string ProbeName() {
    static int count = 0;
    return "system_probe_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++count) + ".exe";
}

// system_probe.exe with the stand-in: a copy under a name of its own, for which the
// prefix loads the native "powrprof.dll" that --dll names (for a library outside the
// system folder Wine keeps its own unless told otherwise, per program).
class Probe {
public:
    Probe() : m_folder("probe"), m_name(ProbeName()), m_settings(m_name) {
        EXPECT_TRUE(
            CopyFileA((testutil::ExeFolder() + "system_probe.exe").c_str(), (m_folder / m_name).c_str(), FALSE));
        EXPECT_TRUE(m_settings.Set("DllOverrides", "powrprof", "native,builtin"));
    }
    Probe(const Probe&) = delete;
    Probe& operator=(const Probe&) = delete;

    std::string Exe() const { return m_folder / m_name; }
    std::string Arguments(const std::string& arguments) const {
        return "--dll \"" + testutil::ExeFolder() + "system\\powrprof.dll\" " + arguments;
    }
    // Runs to its end: its output lines.
    std::vector<std::string> Run(const std::string& arguments, DWORD expectedExit = 0) const {
        const ChildResult result = testutil::RunChild(Exe(), Arguments(arguments), m_folder / "run.txt", 30000);
        EXPECT_TRUE(result.finished) << result.output;
        EXPECT_EQ(expectedExit, result.exitCode) << arguments << "\n" << result.output;
        return Lines(result.output);
    }

    std::unique_ptr<Background> Start(const std::string& arguments, const std::string& outputName) const {
        return std::make_unique<Background>(Exe(), Arguments(arguments), m_folder / outputName);
    }

private:
    testutil::ScratchFolder m_folder;
    std::string m_name;
    testutil::ScopedAppDefaults m_settings;
};

// ---------------------------------------------------------------------------------------
// Plans

// The user's steps in the power options, each with its exit code and what the journal
// records; then the plans as a program finds them through the scheme functions.
TEST(KoraSimScheme, TheUsersPlansAsAProgramSeesThem) {
    testutil::BoardScope board(Schemes());
    const std::string custom = kCustom;
    const struct {
        std::string arguments;
        DWORD exitCode;
        std::vector<std::string> journal;
    } steps[] = {
        {"scheme add 11111111-2222-3333-4444-555555555555 4", 0, {"powrprof scheme add " + custom}},
        {"scheme add " + custom + " 1", 1, {}},
        {"scheme set " + custom + " 5", 1, {"powrprof write " + custom + kButton + "0x00000005 fail"}},
        {"scheme set " + custom + " 2", 0, {"powrprof write " + custom + kButton + "0x00000002"}},
        {"scheme active " + custom, 0, {"powrprof setactive " + custom}},
        {"scheme delete " + custom, 1, {}},
        {std::string("scheme delete ") + kHigh, 0, {std::string("powrprof scheme delete ") + kHigh}},
        {std::string("scheme active ") + kHigh, 1, {}},
        {std::string("scheme set ") + kHigh + " 1", 1, {}},
        {"scheme add not-a-guid 1", 2, {}},
        {"scheme set " + custom, 2, {}},
        {"scheme rename " + custom, 2, {}},
    };
    for (const auto& step : steps) {
        const ChildResult result = Sim(step.arguments, board);
        EXPECT_EQ(step.exitCode, result.exitCode) << step.arguments << "\n" << result.output;
        EXPECT_EQ(step.journal, board.TakeJournal()) << step.arguments;
        if (step.exitCode != 0) {
            EXPECT_EQ(1u, Lines(result.output).size()) << "one line says why:\n" << result.output;
        }
    }
    Probe probe;
    EXPECT_THAT(probe.Run("schemes"),
                ElementsAre(std::string("scheme ") + kSaver + " 0", std::string("scheme ") + kBalanced + " 1",
                            "scheme " + custom + " 2", "active " + custom));
    // The power-feature library's pair follows the custom plan in force.
    kora::DormixLibDll lib;
    uint32_t action = 9;
    uint32_t event = 9;
    ASSERT_TRUE(lib.GetPowerButtonSetting(&action, &event));
    EXPECT_EQ(2u, action);
    EXPECT_EQ(0u, event);
}

TEST(KoraSimScheme, TheBoardsWindowsAndWhatCannotChange) {
    testutil::BoardScope windows7(Schemes("windows 6.1\n"));
    const std::string balanced = kBalanced;
    EXPECT_EQ(1u, Sim("scheme set " + balanced + " 4", windows7).exitCode);
    EXPECT_EQ(0u, Sim("scheme set " + balanced + " 3", windows7).exitCode);
    const ChildResult add = Sim(std::string("scheme add ") + kCustom + " 4", windows7);
    EXPECT_EQ(1u, add.exitCode);
    EXPECT_THAT(add.output, HasSubstr("Windows 6.1 defines the actions 0 to 3"));
    EXPECT_THAT(windows7.TakeJournal(), ElementsAre("powrprof write " + balanced + kButton + "0x00000004 fail",
                                                    "powrprof write " + balanced + kButton + "0x00000003"));
    Probe probe;
    EXPECT_THAT(probe.Run("schemes"), testing::Contains("scheme " + balanced + " 3"));
    {
        // Without a state file the change would reach no other program.
        testutil::ScopedEnvironment noState("KORA_SIM_STATE", "");
        EXPECT_EQ(1u, Sim(std::string("scheme active ") + kSaver, windows7).exitCode);
        EXPECT_THAT(windows7.TakeJournal(), testing::IsEmpty());
    }
    testutil::BoardScope noSchemes("dormix\n");
    const ChildResult none = Sim(std::string("scheme add ") + kCustom + " 1", noSchemes);
    EXPECT_EQ(1u, none.exitCode);
    EXPECT_THAT(none.output, HasSubstr("no power schemes"));
    EXPECT_THAT(noSchemes.TakeJournal(), testing::IsEmpty());
}

// ---------------------------------------------------------------------------------------
// Effective power mode

TEST(KoraSimPowerModeOnDesktop, EveryRegisteredProcessIsToldAndUnregisteringStopsIt) {
    testutil::BoardScope board("power source=ac\n");
    Probe probe;
    const auto first = probe.Start("mode --count 3", "first.txt");
    const auto second = probe.Start("mode --count 3", "second.txt");
    const auto versionOne = probe.Start("mode --version 1 --count 2", "v1.txt");
    const auto leaving = probe.Start("mode --count 1 --linger 3", "leaving.txt");
    // Each is called once at registration with the mode in force.
    for (const Background* p : {first.get(), second.get(), versionOne.get()}) {
        ASSERT_EQ("mode 2", p->WaitForLine("mode ")) << Joined(p->Output());
    }
    ASSERT_EQ("unregistered", leaving->WaitForLine("unregistered"));

    ASSERT_EQ(0u, Sim("power-mode 5", board).exitCode);
    const ULONGLONG changed = GetTickCount64();
    EXPECT_EQ("mode 5", first->WaitForLine("mode 5"));
    EXPECT_EQ("mode 5", second->WaitForLine("mode 5"));
    const ULONGLONG seen = GetTickCount64();
    ASSERT_EQ(0u, Sim("power-mode 0", board).exitCode);

    for (const Background* p : {first.get(), second.get(), versionOne.get(), leaving.get()}) {
        EXPECT_EQ(0u, p->WaitForExit());
    }
    EXPECT_THAT(first->Output(), ElementsAre("registered", "mode 2", "mode 5", "mode 0", "unregistered"));
    EXPECT_THAT(second->Output(), ElementsAre("registered", "mode 2", "mode 5", "mode 0", "unregistered"));
    // Game mode is version 2's: a version-1 caller keeps balanced.
    EXPECT_THAT(versionOne->Output(), ElementsAre("registered", "mode 2", "mode 0", "unregistered"));
    EXPECT_THAT(leaving->Output(), ElementsAre("registered", "mode 2", "unregistered"));
    EXPECT_THAT(board.TakeJournal(), ElementsAre("power mode 0x00000005", "power mode 0x00000000"));
    EXPECT_THAT(testutil::ReadText(board.Path("state.txt")), HasSubstr("\npower-mode 0x00000000\n"));
    const double ms = static_cast<double>(seen - changed);
    testing::Test::RecordProperty("mode_change_seen_ms", std::to_string(ms));
    std::printf("power mode change seen by two processes %.0f ms after kora-sim ended\n", ms);
}

TEST(KoraSimPowerModeOnDesktop, RegistrationArgumentsAndTheLibrarysLifetime) {
    testutil::BoardScope board("power source=battery mode=5\n");
    Probe probe;
    EXPECT_THAT(probe.Run("mode --version 3", 1), ElementsAre("register failed 0x80070057"));
    EXPECT_THAT(probe.Run("mode --count 1"), ElementsAre("registered", "mode 5", "unregistered"));
    // The library is freed with a registration open: its thread keeps it loaded; the
    // last unregistration ends the thread and lets the library go.
    EXPECT_THAT(probe.Run("lifetime"), ElementsAre("mode 5", "lifetime ok"));
    EXPECT_EQ(2u, Sim("power-mode 7", board).exitCode);
    testutil::ScopedEnvironment noState("KORA_SIM_STATE", "");
    EXPECT_EQ(1u, Sim("power-mode 2", board).exitCode);
    EXPECT_THAT(board.TakeJournal(), testing::IsEmpty());
}

// ---------------------------------------------------------------------------------------
// Power source

// A hidden top-level window of this process that keeps the power broadcasts it gets.
class PowerListener {
public:
    PowerListener() {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = &Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "KoraSimPowerListener";
        RegisterClassA(&wc);
        m_hwnd = CreateWindowExA(0, wc.lpszClassName, "power listener", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                 wc.hInstance, nullptr);
        EXPECT_NE(nullptr, m_hwnd);
        Received().clear();
    }
    ~PowerListener() { DestroyWindow(m_hwnd); }
    PowerListener(const PowerListener&) = delete;
    PowerListener& operator=(const PowerListener&) = delete;

    // The wParam of every WM_POWERBROADCAST so far, once `count` have come (or 10 s passed).
    std::vector<WPARAM> WaitFor(size_t count) {
        const ULONGLONG end = GetTickCount64() + 10000;
        while (Received().size() < count && GetTickCount64() < end) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                DispatchMessageA(&msg);
            }
        }
        return Received();
    }

private:
    static std::vector<WPARAM>& Received() {
        static std::vector<WPARAM> received;
        return received;
    }
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_POWERBROADCAST) {
            Received().push_back(wParam);
            return TRUE;
        }
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    HWND m_hwnd = nullptr;
};

TEST(KoraSimPowerSourceOnDesktop, EveryWindowIsToldAndTheBatteryFollows) {
    const std::string charging =
        "ac=1 present=1 charging=1 discharging=0 max=50000 remaining=40000 rate=0x00004E20 time=0xFFFFFFFF "
        "alert1=5000 alert2=1500";
    const std::string discharging =
        "ac=0 present=1 charging=0 discharging=1 max=50000 remaining=40000 rate=0xFFFFD8F0 time=0x00003840 "
        "alert1=5000 alert2=1500";
    const std::string noBattery =
        "ac=1 present=0 charging=0 discharging=0 max=0 remaining=0 rate=0x00000000 time=0xFFFFFFFF alert1=0 alert2=0";
    Probe probe;
    PowerListener listener;
    {
        testutil::BoardScope laptop("power source=ac\n");
        EXPECT_THAT(probe.Run("battery"), ElementsAre(charging));
        ASSERT_EQ(0u, Sim("power-source battery", laptop).exitCode);
        EXPECT_THAT(listener.WaitFor(1), ElementsAre(WPARAM{PBT_APMPOWERSTATUSCHANGE}));
        EXPECT_THAT(probe.Run("battery"), ElementsAre(discharging));
        ASSERT_EQ(0u, Sim("power-source ac", laptop).exitCode);
        EXPECT_THAT(listener.WaitFor(2), ElementsAre(PBT_APMPOWERSTATUSCHANGE, PBT_APMPOWERSTATUSCHANGE));
        EXPECT_THAT(probe.Run("battery"), ElementsAre(charging));
        EXPECT_EQ(2u, Sim("power-source mains", laptop).exitCode);
        EXPECT_THAT(laptop.TakeJournal(), ElementsAre("power source battery", "power source ac"));
    }
    // A desktop without a battery; unplugging it makes it one with a battery.
    testutil::BoardScope desktop("dormix\n");
    EXPECT_THAT(probe.Run("battery"), ElementsAre(noBattery));
    ASSERT_EQ(0u, Sim("power-source battery", desktop).exitCode);
    EXPECT_THAT(probe.Run("battery"), ElementsAre(discharging));
    EXPECT_THAT(testutil::ReadText(desktop.Path("state.txt")),
                HasSubstr("\npower-source battery\nbattery 0x00000001\n"));
}

// ---------------------------------------------------------------------------------------
// A game

// "kora-sim: game "CAPTION" in front (window 0x..., process N)" -> "0x... N CAPTION", as
// the foreground watcher prints the window it was told of.
std::string AnnouncedAs(const std::vector<std::string>& gameOutput) {
    for (const std::string& line : gameOutput) {
        unsigned long long window = 0;
        unsigned long process = 0;
        char caption[128] = {};
        if (std::sscanf(line.c_str(), "kora-sim: game \"%127[^\"]\" in front (window 0x%llX, process %lu)", caption,
                        &window, &process) == 3) {
            char text[200];
            std::snprintf(text, sizeof text, "foreground 0x%08llX %lu %s", window, process, caption);
            return text;
        }
    }
    return "(no announcement in the game's output)";
}

TEST(KoraSimGameOnDesktop, TakesTheFrontAnnouncesItAndEndsWithItsCode) {
    testutil::ScratchFolder folder("game");
    Background watcher(testutil::ExeFolder() + "system_probe.exe", "foreground --count 3 --seconds 60",
                       folder / "watcher.txt");
    ASSERT_EQ("hooked", watcher.WaitForLine("hooked"));

    const std::string sim = testutil::ExeFolder() + "kora-sim.exe";
    const ChildResult timed =
        testutil::RunChild(sim, "game --caption \"Racer X\" --seconds 1 --exit 7", folder / "a.txt");
    EXPECT_EQ(7u, timed.exitCode) << timed.output;
    // A copy under another name is a program of that name.
    ASSERT_TRUE(CopyFileA(sim.c_str(), (folder / "racer.exe").c_str(), FALSE));
    const ChildResult named = testutil::RunChild(folder / "racer.exe", "game --seconds 1", folder / "b.txt");
    EXPECT_EQ(0u, named.exitCode) << named.output;
    // Closing the window ends it too, with its code.
    Background closed(sim, "game --caption Closed --seconds 0 --exit 5", folder / "c.txt");
    ASSERT_NE("", closed.WaitForLine("kora-sim: game \"Closed\" in front"));
    PostMessageA(FindWindowA("KoraSimGame", "Closed"), WM_CLOSE, 0, 0);
    EXPECT_EQ(5u, closed.WaitForExit());

    EXPECT_EQ(0u, watcher.WaitForExit());
    EXPECT_THAT(watcher.Output(), ElementsAre("hooked", AnnouncedAs(Lines(timed.output)),
                                              AnnouncedAs(Lines(named.output)), AnnouncedAs(closed.Output())));
    EXPECT_EQ(2u, testutil::RunChild(sim, "game --seconds soon", folder / "d.txt").exitCode);
}

// A launcher in a job hands the game over: out of the job where the job allows it,
// inside it (with a notice) where it does not.
TEST(KoraSimGameOnDesktop, HandOverLeavesTheLaunchersJobWhereAllowed) {
    const struct {
        const char* name;
        DWORD limits;
        BOOL gameInJob;
    } cases[] = {
        {"breakaway allowed", JOB_OBJECT_LIMIT_BREAKAWAY_OK, FALSE},
        {"silent breakaway", JOB_OBJECT_LIMIT_SILENT_BREAKAWAY_OK, FALSE},
        {"no breakaway", 0, TRUE},
    };
    testutil::ScratchFolder folder("handover");
    int n = 0;
    for (const auto& c : cases) {
        const std::string caption = "Handed " + std::to_string(++n);
        HANDLE job = CreateJobObjectA(nullptr, nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
        limits.BasicLimitInformation.LimitFlags = c.limits;
        ASSERT_TRUE(SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits));
        Background launcher(testutil::ExeFolder() + "kora-sim.exe",
                            "game --hand-over --caption \"" + caption + "\" --seconds 30 --exit 3",
                            folder / (caption + ".txt"), CREATE_SUSPENDED);
        ASSERT_TRUE(AssignProcessToJobObject(job, launcher.Process().hProcess));
        ResumeThread(launcher.Process().hThread);
        EXPECT_EQ(0u, launcher.WaitForExit()) << c.name;

        const std::string handed = launcher.WaitForLine("kora-sim: game handed over to process ");
        unsigned long pid = 0;
        ASSERT_EQ(1, std::sscanf(handed.c_str(), "kora-sim: game handed over to process %lu", &pid))
            << c.name << ": " << Joined(launcher.Output());
        HANDLE game = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, pid);
        ASSERT_NE(nullptr, game) << c.name;
        BOOL inJob = !c.gameInJob;
        EXPECT_TRUE(IsProcessInJob(game, job, &inJob));
        EXPECT_EQ(c.gameInJob, inJob) << c.name;
        const bool noticed = Joined(launcher.Output()).find("does not allow breakaway") != std::string::npos;
        EXPECT_EQ(c.gameInJob != FALSE, noticed) << c.name << ": " << Joined(launcher.Output());

        // The copy is the game itself, not another launcher: its window, its exit code.
        HWND window = nullptr;
        for (int i = 0; i < 300 && window == nullptr; ++i) {
            window = FindWindowA("KoraSimGame", caption.c_str());
            Sleep(window == nullptr ? 20 : 0);
        }
        ASSERT_NE(nullptr, window) << c.name;
        PostMessageA(window, WM_CLOSE, 0, 0);
        DWORD code = 0;
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(game, 15000)) << c.name;
        GetExitCodeProcess(game, &code);
        EXPECT_EQ(3u, code) << c.name;
        CloseHandle(game);
        CloseHandle(job);
    }
}

}  // namespace
