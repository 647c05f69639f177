// Automatic turbo as the user meets it: the tray menu's "Turbo for" and "Automatic
// turbo" under a right click and the keyboard, a timed turbo across a close and a start,
// and each trigger switching on and off with the firmware's writes and the display.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "tests/e2e/E2eSupport.h"

namespace {

using e2e::Count;
using e2e::Joined;
using e2e::JournalFrom;
using e2e::Surgepad;

constexpr char kUntil[] = "TurboUntil";

int FirmwareWrites(size_t from) {
    return Count(JournalFrom(from), "acpi set");
}

// Writes of values, without the core selector that every start's reading moves.
int ValueWrites(size_t from) {
    return FirmwareWrites(from) - Count(JournalFrom(from), "acpi set 0x030600F0");
}

// kora-sim.exe copied into the program folder as `name`: a program of that name (its
// "game" subcommand shows a window, brings it to the front and announces it).
bool ProgramCopy(const std::string& name) {
    return CopyFileA((e2e::ProgramDir() + "kora-sim.exe").c_str(), (e2e::ProgramDir() + name).c_str(), FALSE) != FALSE;
}

// A program of the program folder started as the user starts it, ended by force at the
// end of the test unless it ended by itself.
class Program {
public:
    Program(const std::string& name, const std::string& arguments) {
        std::string line = "\"" + e2e::ProgramDir() + name + "\" " + arguments;
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, e2e::ProgramDir().c_str(), &si,
                           &pi)) {
            CloseHandle(pi.hThread);
            m_process = pi.hProcess;
        }
    }
    ~Program() {
        if (m_process != nullptr) {
            TerminateProcess(m_process, 1);
            WaitForSingleObject(m_process, 5000);
            CloseHandle(m_process);
        }
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    bool Started() const { return m_process != nullptr; }
    bool WaitEnd(DWORD timeoutMs) { return WaitForSingleObject(m_process, timeoutMs) == WAIT_OBJECT_0; }
    void End() { TerminateProcess(m_process, 0); }

private:
    HANDLE m_process = nullptr;
};

// The wall clock when `event` begins, and ms from then to the display's showing: `event`
// runs beside the watch, so that a display that comes while it still runs is seen.
std::optional<double> DisplayAfter(const std::function<void()>& event, DWORD timeoutMs = 15000) {
    const int64_t start = e2e::WallMs();
    std::thread run(event);
    const std::optional<double> latency = e2e::DisplayShownAfter(start, timeoutMs);
    run.join();
    return latency;
}

// Once the game's window is on the screen: the wall clock then.
std::optional<int64_t> GameInFront(DWORD timeoutMs = 10000) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (GetTickCount64() < end) {
        HWND game = FindWindowA("KoraSimGame", nullptr);
        if (game != nullptr && IsWindowVisible(game)) {
            return e2e::WallMs();
        }
        Sleep(2);
    }
    return std::nullopt;
}

bool ListPrograms(const char* names, DWORD bytes) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, e2e::kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        return false;
    }
    const bool written = RegSetValueExA(key, "TurboPrograms", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(names),
                                        bytes) == ERROR_SUCCESS;
    RegCloseKey(key);
    return written;
}

class AutoTurbo : public testing::Test {
protected:
    void SetUp() override { e2e::UseBoard("full.txt"); }
    void Start() {
        program = std::make_unique<Surgepad>();
        ASSERT_TRUE(program->WaitForTrace("startup: running", 30000)) << program->TraceText();
        ASSERT_TRUE(program->Sync());
    }
    // The tray icon's right click as the shell reports it, and keys for the menu.
    void Menu(std::initializer_list<WORD> keys, int opening) {
        ASSERT_EQ(e2e::Sim("tray rclick"), 0);
        ASSERT_TRUE(program->WaitForTrace("tray: menu shown", 5000, opening)) << program->TraceText();
        for (const WORD key : keys) {
            e2e::PressKey(key);
        }
    }
    std::unique_ptr<Surgepad> program;
};

// "Turbo for" → "30 minutes": turbo on, the end kept half an hour away and the tip
// counting down; a press ends it as a manual switch-off does.
TEST_F(AutoTurbo, TheMenuTurnsATimedTurboOnAndAPressEndsIt) {
    ASSERT_TRUE(e2e::ChooseTurbo(0));
    Start();
    const size_t from = e2e::JournalLines().size();
    // Turbo on, Turbo for, its first item.
    Menu({VK_DOWN, VK_DOWN, VK_RIGHT, VK_RETURN}, 1);
    ASSERT_TRUE(program->WaitForTrace("tray: menu: turbo for 1800 s", 5000)) << program->TraceText();
    ASSERT_TRUE(program->WaitForTrace("controller: switched on", 15000)) << program->TraceText();
    EXPECT_GT(FirmwareWrites(from), 0);
    const std::optional<uint64_t> until = e2e::UserQword(e2e::kSettingsKey, kUntil);
    ASSERT_TRUE(until.has_value());
    const int64_t left = static_cast<int64_t>(*until) - e2e::WallMs();
    EXPECT_GT(left, 1700 * 1000) << left;
    EXPECT_LE(left, 1800 * 1000) << left;
    const auto tip = program->WaitForTrace("tray: tip Surgepad: turbo on (");
    ASSERT_TRUE(tip) << program->TraceText();
    EXPECT_NE(tip->text.find(") for 30 min more"), std::string::npos) << tip->text;

    ASSERT_EQ(e2e::Sim("press"), 0);
    ASSERT_TRUE(program->WaitForTrace("controller: switched off", 15000)) << program->TraceText();
    EXPECT_FALSE(e2e::UserQword(e2e::kSettingsKey, kUntil).has_value()) << "the press ended the timed turbo";
    EXPECT_TRUE(program->WaitForTrace("tray: tip Surgepad: turbo off (")) << program->TraceText();
}

// "Automatic turbo" ends with "Turbo off on battery", on by default; choosing it clears
// it and stores that, choosing it again sets it.
TEST_F(AutoTurbo, TurboOffOnBatteryIsOnByDefaultAndTheMenuChangesIt) {
    Start();
    EXPECT_FALSE(e2e::UserDword(e2e::kSettingsKey, "TurboOffOnBattery").has_value());
    // Turbo on, Turbo for, Automatic turbo, into it (the screen as the user sees it), and
    // up to its last item.
    Menu({VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT}, 1);
    e2e::SaveCapture(e2e::CaptureScreen(), "automatic-turbo-menu");
    e2e::PressKey(VK_UP);
    e2e::PressKey(VK_RETURN);
    const auto shown = program->WaitForTrace("tray: automatic turbo: ");
    ASSERT_TRUE(shown) << program->TraceText();
    EXPECT_NE(shown->text.find("off on battery (on)"), std::string::npos) << shown->text;
    ASSERT_TRUE(program->WaitForTrace("tray: menu: off on battery off", 5000)) << program->TraceText();
    EXPECT_EQ(e2e::UserDword(e2e::kSettingsKey, "TurboOffOnBattery"), std::optional<DWORD>(0));
    Menu({VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT, VK_UP, VK_RETURN}, 2);
    ASSERT_TRUE(program->WaitForTrace("tray: menu: off on battery on", 5000)) << program->TraceText();
    EXPECT_EQ(e2e::UserDword(e2e::kSettingsKey, "TurboOffOnBattery"), std::optional<DWORD>(1));
}

// A timed turbo spans a close and a start: the next start goes on counting and the end
// switches off; a start after the end switches nothing on.
TEST_F(AutoTurbo, ATimedTurboGoesOnCountingAcrossACloseAndAStart) {
    Start();
    ASSERT_EQ(e2e::RunToEnd("-turbo on --for 25s").code, std::optional<DWORD>(0));
    ASSERT_TRUE(program->WaitForTrace("controller: switched on", 15000)) << program->TraceText();
    program->Stop();
    const std::optional<uint64_t> until = e2e::UserQword(e2e::kSettingsKey, kUntil);
    ASSERT_TRUE(until.has_value()) << "the end stays kept after the close";

    Start();
    EXPECT_TRUE(program->WaitForTrace("a timed turbo counts")) << program->TraceText();
    EXPECT_TRUE(program->WaitForTrace("controller: a profile of an earlier run is in force")) << program->TraceText();
    EXPECT_EQ(e2e::RunToEnd("-turbo status").code, std::optional<DWORD>(4));
    const size_t beforeEnd = e2e::JournalLines().size();
    ASSERT_LT(e2e::WallMs(), static_cast<int64_t>(*until) - 500) << "the machine is too slow for this row";
    const std::optional<double> latency = e2e::DisplayShownAfter(static_cast<int64_t>(*until), 30000);
    ASSERT_TRUE(latency) << program->TraceText();
    e2e::Figure("timed_end_after_a_restart_to_display_ms", *latency, "ms");
    ASSERT_TRUE(program->WaitForTrace("controller: switched off", 15000)) << program->TraceText();
    EXPECT_GT(FirmwareWrites(beforeEnd), 0);
    EXPECT_FALSE(e2e::UserQword(e2e::kSettingsKey, kUntil).has_value());
    program->Stop();

    const size_t beforeStart = e2e::JournalLines().size();
    Start();
    EXPECT_EQ(program->CountTrace("a timed turbo counts"), 0) << program->TraceText();
    EXPECT_EQ(program->CountTrace("turbo rules: switching"), 0) << program->TraceText();
    EXPECT_EQ(ValueWrites(beforeStart), 0) << Joined(JournalFrom(beforeStart));
}

// Closed while a timed turbo counted and started after its end, with the profile still
// in force (no restart of the machine): the start switches it off, as the end would have.
TEST_F(AutoTurbo, AStartAfterTheEndSwitchesOffWhatTheLastRunLeftOn) {
    Start();
    ASSERT_EQ(e2e::RunToEnd("-turbo on --for 6s").code, std::optional<DWORD>(0));
    ASSERT_TRUE(program->WaitForTrace("controller: switched on", 15000)) << program->TraceText();
    program->Stop();
    const std::optional<uint64_t> until = e2e::UserQword(e2e::kSettingsKey, kUntil);
    ASSERT_TRUE(until.has_value());
    while (e2e::WallMs() <= static_cast<int64_t>(*until)) {
        Sleep(100);  // the clock is the condition
    }
    const size_t from = e2e::JournalLines().size();
    Start();
    EXPECT_TRUE(program->WaitForTrace("turbo rules: switching off (the rules that held it have ended)"))
        << program->TraceText();
    ASSERT_TRUE(program->WaitForTrace("controller: switched off", 15000)) << program->TraceText();
    EXPECT_GT(FirmwareWrites(from), 0);
    EXPECT_FALSE(e2e::UserQword(e2e::kSettingsKey, kUntil).has_value());
}

// A game not listed: nothing switches, and the menu offers to add it. Listed, its window
// in front switches turbo on, and its end switches off, each a whole switch with the
// display; the tip names it meanwhile.
TEST_F(AutoTurbo, AListedProgramInFrontSwitchesOnAndItsEndSwitchesOff) {
    ASSERT_TRUE(ProgramCopy("game.exe"));
    Start();
    {
        Program first("game.exe", "game --seconds 0");
        ASSERT_TRUE(first.Started());
        ASSERT_TRUE(program->WaitForTrace("turbo rules: game.exe (process", 10000)) << program->TraceText();
        EXPECT_TRUE(program->WaitForTrace(", not listed")) << program->TraceText();
        // Turbo on, Turbo for, Automatic turbo, its first item: Add "game.exe".
        Menu({VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT}, 1);
        e2e::SaveCapture(e2e::CaptureScreen(), "add-game");
        e2e::PressKey(VK_RETURN);
        const auto shown = program->WaitForTrace("tray: automatic turbo: ");
        ASSERT_TRUE(shown) << program->TraceText();
        EXPECT_NE(shown->text.find("add game.exe | "), std::string::npos) << shown->text;
        ASSERT_TRUE(program->WaitForTrace("tray: menu: add game.exe", 5000)) << program->TraceText();
    }
    EXPECT_EQ(program->CountTrace("turbo rules: switching"), 0) << "adding does not switch";

    const size_t from = e2e::JournalLines().size();
    Program game("game.exe", "game --seconds 0");
    const std::optional<int64_t> inFront = GameInFront();
    ASSERT_TRUE(inFront);
    const std::optional<double> onLatency = e2e::DisplayShownAfter(*inFront, 15000);
    ASSERT_TRUE(onLatency) << program->TraceText();
    e2e::Figure("listed_program_in_front_to_display_ms", *onLatency, "ms from its window on the screen");
    ASSERT_TRUE(program->WaitForTrace("controller: switched on", 15000)) << program->TraceText();
    EXPECT_TRUE(program->WaitForTrace("turbo rules: switching on (while game.exe runs)")) << program->TraceText();
    const auto tip = program->WaitForTrace("tray: tip Surgepad: turbo on (");
    ASSERT_TRUE(tip);
    EXPECT_NE(tip->text.find(") while game.exe runs"), std::string::npos) << tip->text;
    EXPECT_GT(FirmwareWrites(from), 0);

    // The game ends once its switch is over (the display hidden again).
    const size_t beforeEnd = e2e::JournalLines().size();
    const std::optional<double> offLatency = DisplayAfter([&game] {
        game.End();
        EXPECT_TRUE(game.WaitEnd(5000));
    });
    ASSERT_TRUE(offLatency) << program->TraceText();
    e2e::Figure("listed_program_end_to_display_ms", *offLatency, "ms from its process's end");
    ASSERT_TRUE(program->WaitForTrace("controller: switched off", 15000)) << program->TraceText();
    EXPECT_GT(FirmwareWrites(beforeEnd), 0);
}

// Windows game mode, with its item chosen: on while it is on, off when it ends.
TEST_F(AutoTurbo, WindowsGameModeOnAndOffSwitchesTurbo) {
    Start();
    // Turbo on, Turbo for, Automatic turbo, and its last item but one: game mode.
    Menu({VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT, VK_UP, VK_UP, VK_RETURN}, 1);
    const auto shown = program->WaitForTrace("tray: automatic turbo: ");
    ASSERT_TRUE(shown) << program->TraceText();
    EXPECT_NE(shown->text.find("game mode | off on battery (on)"), std::string::npos) << shown->text;
    ASSERT_TRUE(program->WaitForTrace("tray: menu: game mode on", 5000)) << program->TraceText();
    EXPECT_EQ(e2e::UserDword(e2e::kSettingsKey, "TurboInGameMode"), std::optional<DWORD>(1));

    const size_t from = e2e::JournalLines().size();
    const std::optional<double> on = DisplayAfter([] { EXPECT_EQ(e2e::Sim("power-mode 5"), 0); });
    ASSERT_TRUE(on) << program->TraceText();
    e2e::Figure("game_mode_on_to_display_ms", *on, "ms from kora-sim power-mode's start");
    ASSERT_TRUE(program->WaitForTrace("controller: switched on", 15000)) << program->TraceText();
    EXPECT_TRUE(program->WaitForTrace("turbo rules: switching on (in Windows game mode)")) << program->TraceText();
    EXPECT_GT(FirmwareWrites(from), 0);

    const size_t beforeOff = e2e::JournalLines().size();
    const std::optional<double> off = DisplayAfter([] { EXPECT_EQ(e2e::Sim("power-mode 2"), 0); });
    ASSERT_TRUE(off) << program->TraceText();
    e2e::Figure("game_mode_off_to_display_ms", *off, "ms from kora-sim power-mode's start");
    ASSERT_TRUE(program->WaitForTrace("controller: switched off", 15000)) << program->TraceText();
    EXPECT_GT(FirmwareWrites(beforeOff), 0);
}

// On battery turbo switches off at the change of the power source and is refused, the
// warning saying why; back on mains power nothing comes back that was switched on by hand.
TEST_F(AutoTurbo, OnBatteryTurboSwitchesOffAndIsRefusedWithAWarningOfItsOwn) {
    Start();
    ASSERT_EQ(e2e::RunToEnd("-turbo on").code, std::optional<DWORD>(0));
    const size_t from = e2e::JournalLines().size();
    const std::optional<double> off = DisplayAfter([] { EXPECT_EQ(e2e::Sim("power-source battery"), 0); });
    ASSERT_TRUE(off) << program->TraceText();
    e2e::Figure("battery_to_display_ms", *off, "ms from kora-sim power-source's start");
    ASSERT_TRUE(program->WaitForTrace("controller: switched off", 15000)) << program->TraceText();
    EXPECT_TRUE(program->WaitForTrace("turbo rules: switching off (on battery)")) << program->TraceText();
    EXPECT_GT(FirmwareWrites(from), 0);

    const e2e::CommandRun refused = e2e::RunToEnd("-turbo on");
    EXPECT_EQ(refused.code, std::optional<DWORD>(2)) << refused.trace;
    EXPECT_NE(refused.trace.find("turbo command: Refused: the PC runs on battery (Turbo off on battery)."),
              std::string::npos)
        << refused.trace;
    EXPECT_NE(e2e::WaitVisible("TOsdForm", 5000), nullptr) << "the warning page";
    e2e::SaveCapture(e2e::CaptureScreen(), "battery-warning");
    EXPECT_TRUE(program->WaitForTrace("controller: turbo is refused on battery: warning")) << program->TraceText();

    ASSERT_EQ(e2e::Sim("power-source ac"), 0);
    ASSERT_TRUE(program->WaitForTrace("power: on mains power", 5000)) << program->TraceText();
    ASSERT_TRUE(program->Sync());
    EXPECT_EQ(program->CountTrace("controller: switched on"), 1) << "turbo by hand does not come back";
}

// A listed game on battery gets no turbo; back on mains power while it runs, it does.
TEST_F(AutoTurbo, OnBatteryAListedGameWaitsForMainsPower) {
    ASSERT_TRUE(ProgramCopy("game.exe"));
    ASSERT_TRUE(ListPrograms("game.exe\0", 10));
    ASSERT_EQ(e2e::Sim("power-source battery"), 0);
    Start();
    EXPECT_TRUE(program->WaitForTrace("on battery")) << program->TraceText();
    Program game("game.exe", "game --seconds 0");
    ASSERT_TRUE(program->WaitForTrace("turbo rules: game.exe (process", 10000)) << program->TraceText();
    ASSERT_TRUE(program->Sync());
    EXPECT_EQ(program->CountTrace("turbo rules: switching"), 0) << program->TraceText();
    ASSERT_EQ(e2e::Sim("power-source ac"), 0);
    ASSERT_TRUE(program->WaitForTrace("controller: switched on", 15000)) << program->TraceText();
    EXPECT_TRUE(program->WaitForTrace("turbo rules: switching on (while game.exe runs)")) << program->TraceText();
    game.End();
    ASSERT_TRUE(program->WaitForTrace("controller: switched off", 15000)) << program->TraceText();
}

// -turbo run with a launcher that hands the game over to a process outside the job and
// ends: the command's turn ends with it; listed, the game keeps turbo until it ends.
TEST_F(AutoTurbo, ALauncherThatHandsOverEndsTheRunUnlessTheGameIsListed) {
    ASSERT_TRUE(ProgramCopy("racer.exe"));
    Start();
    {
        const e2e::CommandRun run = e2e::RunToEnd("-turbo run racer.exe game --hand-over --seconds 0");
        EXPECT_EQ(run.code, std::optional<DWORD>(0)) << run.trace;
        ASSERT_TRUE(program->WaitForTrace("controller: switched off", 20000)) << program->TraceText();
        EXPECT_TRUE(GameInFront().has_value()) << "the game handed over runs on";
        EXPECT_EQ(e2e::RunToEnd("-turbo status").code, std::optional<DWORD>(0)) << "without turbo";
        PostMessageA(FindWindowA("KoraSimGame", nullptr), WM_CLOSE, 0, 0);
    }
    program->Stop();

    ASSERT_TRUE(ListPrograms("racer.exe\0", 11));
    Start();
    const size_t from = program->LineCount();
    const e2e::CommandRun run = e2e::RunToEnd("-turbo run racer.exe game --hand-over --seconds 8");
    EXPECT_EQ(run.code, std::optional<DWORD>(0)) << run.trace;
    ASSERT_TRUE(program->WaitForTrace("turbo rules: racer.exe (process", 10000)) << program->TraceText();
    ASSERT_TRUE(program->WaitForTrace("controller: switched on", 15000)) << program->TraceText();
    EXPECT_EQ(e2e::RunToEnd("-turbo status").code, std::optional<DWORD>(4)) << "the listed game holds it";
    ASSERT_TRUE(program->WaitForTrace("controller: switched off", 25000)) << program->TraceText();
    const std::vector<std::string> trace = program->Trace();
    const size_t ended = e2e::Find(trace, "turbo rules: process", from);
    const size_t off = e2e::Find(trace, "turbo rules: switching off", from);
    EXPECT_NE(ended, std::string::npos);
    EXPECT_LT(ended, off) << "off only once the game had ended\n" << program->TraceText();
}

// The -turbo run command ended by force while its game runs: the running copy, which
// waits on the command, switches off as if the game had ended; the game runs on.
TEST_F(AutoTurbo, ARunWhoseCommandIsEndedSwitchesOffAndLeavesTheGameRunning) {
    ASSERT_TRUE(ProgramCopy("game.exe"));
    Start();
    Surgepad run("-turbo run game.exe game --seconds 0");
    ASSERT_TRUE(program->WaitForTrace("controller: switched on", 15000)) << program->TraceText();
    ASSERT_TRUE(GameInFront().has_value());
    const size_t from = e2e::JournalLines().size();
    ASSERT_TRUE(TerminateProcess(run.Process(), 1));
    ASSERT_TRUE(program->WaitForTrace("turbo rules: the run of process", 10000)) << program->TraceText();
    ASSERT_TRUE(program->WaitForTrace("controller: switched off", 15000)) << program->TraceText();
    EXPECT_GT(FirmwareWrites(from), 0);
    HWND game = FindWindowA("KoraSimGame", nullptr);
    EXPECT_TRUE(game != nullptr && IsWindowVisible(game)) << "the game was ended with its command";
    PostMessageA(game, WM_CLOSE, 0, 0);
}

}  // namespace
