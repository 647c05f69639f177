// A switch on the real program against the stand-ins when something else
// happens meanwhile or the firmware does not play along: closing and the end of
// the session during the effect, suspend and another utility's announcement
// during it, and a switch-on whose profile cannot be applied.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/E2eSupport.h"

namespace {

using e2e::Count;
using e2e::Find;
using e2e::Joined;
using e2e::JournalFrom;
using e2e::TrayPixels;
using e2e::VisibleWindow;
using e2e::WaitVisible;

using e2e::Surgepad;

constexpr char kCalibrationKey[] = "Software\\KORA\\Pacely3\\Advance";
constexpr COLORREF kTurboFill = RGB(0xD0, 0x20, 0x1E);
constexpr int kTolerance = 24;

// Lines the apply of firmware profile 0 ("Game Boost") of full.txt writes, in
// order.
const char kPipeOn[] = "pipe 0x80000000 0x00000000 0x00000000 0x00000000";
const char kVoltage[] = "acpi set 0x03020012 0x0000005A 2 ok";
const char kBaseClock[] = "acpi set 0x03010011 0x0000012C 2 ok";
const char kRatio[] = "acpi set 0x03000013 0x00000022 2 ok";
const char kApplyControl[] = "acpi set 0x03080064 0x00000000 1";
const char kAnnouncement[] = "broadcast 0x00002355 0x00000003";

// Pixels of the red tray picture in the notification area, after the shell had
// time to repaint.
int RedTrayPixels(const char* shot) {
    Sleep(1500);
    const e2e::Capture screen = e2e::CaptureScreen();
    e2e::SaveCapture(screen, shot);
    const auto area = e2e::NotificationArea();
    return area ? e2e::CountPixels(screen, *area, kTurboFill, kTolerance) : -1;
}

// The top-level windows of a process, as the system's end of session visits
// them.
std::vector<HWND> WindowsOf(DWORD pid) {
    struct Search {
        DWORD pid;
        std::vector<HWND> found;
    } search{pid, {}};
    EnumWindows(
        [](HWND w, LPARAM p) -> BOOL {
            auto* s = reinterpret_cast<Search*>(p);
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            if (owner == s->pid) {
                s->found.push_back(w);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The journal of a whole switch-on of "Game Boost", from `lines`.
void ExpectWholeBatch(const std::vector<std::string>& lines) {
    const size_t pipe = Find(lines, kPipeOn);
    const size_t voltage = Find(lines, kVoltage);
    const size_t base = Find(lines, kBaseClock);
    const size_t ratio = Find(lines, kRatio);
    const size_t control = Find(lines, kApplyControl);
    const size_t announce = Find(lines, kAnnouncement);
    ASSERT_NE(pipe, std::string::npos) << Joined(lines);
    ASSERT_NE(voltage, std::string::npos) << Joined(lines);
    ASSERT_NE(base, std::string::npos) << Joined(lines);
    ASSERT_NE(ratio, std::string::npos) << Joined(lines);
    ASSERT_NE(control, std::string::npos) << Joined(lines);
    ASSERT_NE(announce, std::string::npos) << Joined(lines);
    EXPECT_LT(pipe, voltage);
    EXPECT_LT(voltage, base);
    EXPECT_LT(base, ratio);
    EXPECT_LT(ratio, control);
    EXPECT_LT(control, announce);
}

class SwitchSafety : public testing::Test {
protected:
    void Start() {
        program = std::make_unique<Surgepad>();
        ASSERT_TRUE(program->WaitForTrace("startup: running", 30000)) << program->TraceText();
        ASSERT_TRUE(program->Sync());
    }
    // Index of the first trace line containing `text`.
    size_t TraceIndex(const std::string& text) const { return Find(program->Trace(), text); }

    std::unique_ptr<Surgepad> program;
};

// ---------------------------------------------------------------------------------------
// The end of the program during the effect

TEST_F(SwitchSafety, TheCloseCommandDuringTheEffectLetsTheSwitchFinishThenEnds) {
    e2e::UseBoard("full.txt");
    ASSERT_TRUE(e2e::ChooseTurbo(0));
    e2e::SimProcess service("service");
    e2e::SimProcess listen("listen");
    Sleep(500);
    Start();
    const size_t before = e2e::JournalLines().size();

    ASSERT_EQ(e2e::Sim("press"), 0);
    ASSERT_NE(WaitVisible("TOsdForm"), nullptr) << "the effect runs";
    HWND main = e2e::MainWindow();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(PostMessageA(main, 1024, 0x55, 0));

    const std::optional<DWORD> exitCode = program->WaitForExit(40000);
    ASSERT_TRUE(exitCode.has_value()) << "the program did not end\n" << program->TraceText();
    EXPECT_EQ(*exitCode, 0u) << program->TraceText();
    const size_t close = TraceIndex("command: 1024");
    const size_t switched = TraceIndex("controller: switched on");
    const size_t ended = TraceIndex("startup: ended");
    ASSERT_NE(close, std::string::npos) << program->TraceText();
    ASSERT_NE(switched, std::string::npos) << "the switch was cut off\n" << program->TraceText();
    ASSERT_NE(ended, std::string::npos) << program->TraceText();
    EXPECT_LT(close, switched) << "the close came within the effect";
    EXPECT_LT(switched, ended);
    EXPECT_EQ(program->CountTrace("error:"), 0) << program->TraceText();
    Sleep(500);  // the listener journals the announcement as it takes it from its
                 // queue
    ExpectWholeBatch(JournalFrom(before));
}

TEST_F(SwitchSafety, TheEndOfTheSessionDuringTheEffectLetsTheSwitchFinishThenEnds) {
    e2e::UseBoard("full.txt");
    ASSERT_TRUE(e2e::ChooseTurbo(0));
    e2e::SimProcess service("service");
    e2e::SimProcess listen("listen");
    Sleep(500);
    Start();
    const size_t before = e2e::JournalLines().size();

    ASSERT_EQ(e2e::Sim("press"), 0);
    ASSERT_NE(WaitVisible("TOsdForm"), nullptr) << "the effect runs";
    const std::vector<HWND> windows = WindowsOf(program->Pid());
    ASSERT_FALSE(windows.empty());
    // As the system ends a session: every top-level window is asked, then told.
    for (HWND w : windows) {
        DWORD_PTR answer = 0;
        EXPECT_NE(SendMessageTimeoutA(w, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, 40000, &answer), 0);
        EXPECT_NE(answer, 0u) << "the program does not hold the session up";
    }
    // Once the program has answered, it may be ended at any moment: the switch
    // must be complete by then.
    const std::vector<std::string> answered = JournalFrom(before);
    EXPECT_NE(Find(answered, kApplyControl), std::string::npos) << Joined(answered);
    for (HWND w : windows) {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(w, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_NORMAL, 40000, &ignored);
    }

    const std::optional<DWORD> exitCode = program->WaitForExit(40000);
    ASSERT_TRUE(exitCode.has_value()) << "the program did not end\n" << program->TraceText();
    EXPECT_EQ(*exitCode, 0u) << program->TraceText();
    EXPECT_NE(TraceIndex("controller: switched on"), std::string::npos) << program->TraceText();
    EXPECT_EQ(program->CountTrace("error:"), 0) << program->TraceText();
    Sleep(500);
    ExpectWholeBatch(JournalFrom(before));
}

// ---------------------------------------------------------------------------------------
// Other events during the effect wait for the switch

TEST_F(SwitchSafety, ASuspendDuringTheEffectSavesTheValuesOfTheFinishedSwitch) {
    e2e::UseBoard("full.txt");
    ASSERT_TRUE(e2e::ChooseTurbo(0));
    e2e::SimProcess service("service");
    Sleep(500);
    Start();
    ASSERT_EQ(e2e::Sim("press"), 0);
    ASSERT_NE(WaitVisible("TOsdForm"), nullptr) << "the effect runs";
    ASSERT_EQ(e2e::Sim("power 4", 40000), 0);
    ASSERT_TRUE(program->Sync());
    const std::vector<std::string> trace = program->Trace();
    const size_t switched = Find(trace, "controller: switched on");
    // The values saved at start-up are traced the same way: the suspend's come
    // later.
    const size_t saved = Find(trace, "current values saved", Find(trace, "controller: turbo on"));
    ASSERT_NE(switched, std::string::npos) << program->TraceText();
    ASSERT_NE(saved, std::string::npos) << program->TraceText();
    EXPECT_LT(switched, saved) << "the suspend saved the values from before the profile\n" << program->TraceText();

    // The resume writes back what the profile set: nothing differs, nothing is
    // written, and the turbo values stay.
    const size_t before = e2e::JournalLines().size();
    ASSERT_EQ(e2e::Sim("power 7"), 0);
    ASSERT_TRUE(program->Sync());
    Sleep(1000);
    const std::vector<std::string> resumed = JournalFrom(before);
    // (The core selector is set to read the ratios; no value is written.)
    EXPECT_EQ(Count(resumed, " 2 ok"), 0) << Joined(resumed);
    EXPECT_EQ(Count(resumed, "acpi set 0x03020012"), 0) << Joined(resumed);
    // Turbo is still on: the next press switches off.
    ASSERT_EQ(e2e::Sim("press"), 0);
    EXPECT_TRUE(program->WaitForTrace("controller: turbo off")) << program->TraceText();
}

// The machine sleeps and wakes up while the suspend still waits for a switch-off (its
// request to a silent service keeps it running after its writes), and the firmware
// loses the core voltage meanwhile: the switch-off's voltage is written back, and a
// later resume finds no value read after the wake-up to write.
TEST_F(SwitchSafety, AResumeWhileTheSuspendWaitsWritesBackTheValuesOfTheFinishedSwitch) {
    e2e::UseBoard("full.txt");
    ASSERT_TRUE(e2e::ChooseTurbo(0));
    e2e::SimProcess service("service --delay 600000");
    Sleep(500);
    Start();
    ASSERT_EQ(e2e::Sim("press"), 0);
    ASSERT_TRUE(program->WaitForTrace("controller: switched on", 40000)) << program->TraceText();
    ASSERT_TRUE(program->WaitForTrace("display: the effect has ended")) << program->TraceText();
    ASSERT_EQ(e2e::Sim("press"), 0);
    ASSERT_TRUE(program->WaitForTrace("saved values written back", 20000)) << program->TraceText();
    std::thread suspend([] { e2e::Sim("power 4", 40000); });
    EXPECT_TRUE(program->WaitForTrace("controller: suspend during a switch: waiting for it", 20000));
    const size_t asleep = e2e::JournalLines().size();
    EXPECT_TRUE(e2e::FirmwareSet(0x03020012, 0x46));
    EXPECT_EQ(e2e::Sim("power 7"), 0);
    suspend.join();
    ASSERT_TRUE(program->WaitForTrace("woken up during the switch: its values are written back", 20000))
        << program->TraceText();
    ASSERT_TRUE(program->Sync());
    Sleep(1000);
    EXPECT_EQ(Count(JournalFrom(asleep), "acpi set 0x03020012 0x00000050 2 ok"), 1) << Joined(JournalFrom(asleep));

    EXPECT_TRUE(e2e::FirmwareSet(0x03020012, 0x55));  // another program's value
    const size_t later = e2e::JournalLines().size();
    EXPECT_EQ(e2e::Sim("power 6"), 0);
    ASSERT_TRUE(program->Sync());
    Sleep(1000);
    EXPECT_EQ(Count(JournalFrom(later), " 2 ok"), 0) << Joined(JournalFrom(later));
}

// The suspend is handled, then a press comes before the machine sleeps; its effect runs
// across the sleep and the resume waits for it. The values from before the switch-on
// must not be written over the profile's: the flag says turbo is on, and so does the
// firmware until the next press.
TEST_F(SwitchSafety, APressAfterTheSuspendKeepsItsValuesThroughTheResume) {
    e2e::UseBoard("full.txt");
    ASSERT_TRUE(e2e::ChooseTurbo(0));
    e2e::SimProcess service("service");
    Sleep(500);
    Start();
    ASSERT_EQ(e2e::Sim("power 4"), 0);
    ASSERT_TRUE(program->WaitForTrace("current values saved")) << program->TraceText();
    const size_t before = e2e::JournalLines().size();
    ASSERT_EQ(e2e::Sim("press"), 0);
    ASSERT_NE(WaitVisible("TOsdForm"), nullptr) << "the effect runs";
    ASSERT_EQ(e2e::Sim("power 7", 40000), 0);
    ASSERT_TRUE(program->WaitForTrace("a switch ran since the suspend", 20000)) << program->TraceText();
    ASSERT_TRUE(program->Sync());
    Sleep(1000);
    const std::vector<std::string> resumed = JournalFrom(before);
    EXPECT_EQ(Count(resumed, kVoltage), 1) << Joined(resumed);
    EXPECT_EQ(Count(resumed, "acpi set 0x03020012 0x00000050 2 ok"), 0) << "the values from before it\n"
                                                                        << Joined(resumed);
    const size_t pressed = e2e::JournalLines().size();
    ASSERT_EQ(e2e::Sim("press"), 0);
    ASSERT_TRUE(program->WaitForTrace("controller: switched off", 20000)) << program->TraceText();
    EXPECT_EQ(Count(JournalFrom(pressed), "acpi set 0x03020012 0x00000050 2 ok"), 1) << Joined(JournalFrom(pressed));
}

TEST_F(SwitchSafety, AnAnnouncementDuringTheEffectIsHandledAfterTheSwitch) {
    e2e::UseBoard("old-interface.txt");
    ASSERT_TRUE(e2e::ChooseTurbo(0, true, true));
    e2e::SimProcess service("service");
    Sleep(500);
    Start();
    ASSERT_EQ(e2e::Sim("press"), 0);
    ASSERT_NE(WaitVisible("TOsdForm"), nullptr) << "the effect runs";
    ASSERT_EQ(e2e::Sim("broadcast 0x2355 0"), 0);
    ASSERT_TRUE(program->WaitForTrace("turbo forgotten", 20000)) << program->TraceText();
    ASSERT_TRUE(program->Sync());
    const size_t switched = TraceIndex("controller: switched on");
    ASSERT_NE(switched, std::string::npos) << program->TraceText();
    EXPECT_LT(switched, TraceIndex("turbo forgotten")) << program->TraceText();
    // The other program's values stand and turbo is off: no badge, and the next
    // press switches on again.
    EXPECT_FALSE(VisibleWindow("TStatusForm"));
    ASSERT_EQ(e2e::Sim("press"), 0);
    ASSERT_TRUE(program->Sync());
    EXPECT_EQ(program->CountTrace("controller: turbo on"), 2) << program->TraceText();
    EXPECT_EQ(program->CountTrace("controller: turbo off"), 0) << program->TraceText();
}

// ---------------------------------------------------------------------------------------
// A switch-on whose profile cannot be applied

struct FailedSwitch {
    const char* name;
    const char* board;
    DWORD profileDuringEffect;  // ProfileType chosen while the display fades
    // Journal lines after the press that must be there, in this order.
    std::vector<std::string> journal;
    // Journal text that must not appear after the press.
    const char* absent;
    // What the next press does once the warning has faded (turbo being off), and
    // how often the trace then holds it.
    const char* nextPress;
    int nextPressCount;
};

TEST_F(SwitchSafety, ASwitchOnThatCannotBeAppliedShowsTheWarningAndKeepsTurboOff) {
    const FailedSwitch cases[] = {
        // Profile 1's block is missing: nothing is written.
        // The profile stays chosen: the next press warns at once.
        {"block unreadable",
         "switch-block-missing.txt",
         1,
         {},
         "acpi set 0x03",
         "controller: the chosen profile cannot be applied",
         1},
        // The core voltage is refused: what was written goes back to the start-up
        // values
        // (a falling clock: base clock 0 first, then ring ratio 22), and the
        // service
        // hears turbo off.
        {"a write refused",
         "switch-refused.txt",
         0,
         {"acpi set 0x03020012 0x0000005A 2 fail", "acpi set 0x03000015 0x0000001A 2 ok", kApplyControl,
          "acpi set 0x03010011 0x00000000 2 ok", "acpi set 0x03000015 0x00000016 2 ok",
          "pipe 0x80000000 0x00000001 0x00000000 0x00000000"},
         nullptr,
         "controller: the profile could not be applied",
         2},
    };
    for (const FailedSwitch& c : cases) {
        SCOPED_TRACE(c.name);
        e2e::UseBoard(c.board);
        ASSERT_TRUE(e2e::ChooseTurbo(0, true, true));
        RegDeleteKeyA(HKEY_CURRENT_USER, kCalibrationKey);
        e2e::SimProcess service("service");
        Sleep(500);
        Start();
        const size_t before = e2e::JournalLines().size();

        ASSERT_EQ(e2e::Sim("press"), 0);
        ASSERT_TRUE(program->WaitForTrace("controller: turbo on")) << program->TraceText();
        if (c.profileDuringEffect != 0) {
            ASSERT_TRUE(e2e::SetUserDword(e2e::kSettingsKey, "ProfileType", c.profileDuringEffect));
        }
        ASSERT_TRUE(program->WaitForTrace("controller: the profile could not be applied", 20000))
            << program->TraceText();
        EXPECT_EQ(program->CountTrace("controller: switched on"), 0) << program->TraceText();

        // The warning page follows the effect; no badge, no red tray picture, no
        // calibration request.
        EXPECT_NE(WaitVisible("TOsdForm", 5000), nullptr) << "the warning page";
        e2e::SaveCapture(e2e::CaptureScreen(), std::string("failed-switch-") + c.board);
        EXPECT_FALSE(VisibleWindow("TStatusForm"));
        EXPECT_LE(RedTrayPixels((std::string("failed-switch-tray-") + c.board).c_str()), 8);
        EXPECT_FALSE(e2e::UserDword(kCalibrationKey, "CalibrationNeeded").has_value());

        const std::vector<std::string> lines = JournalFrom(before);
        size_t at = 0;
        for (const std::string& expected : c.journal) {
            at = Find(lines, expected, at);
            ASSERT_NE(at, std::string::npos) << expected << " (in this order)\n" << Joined(lines);
            ++at;
        }
        if (c.absent != nullptr) {
            EXPECT_EQ(Count(lines, c.absent), 0) << Joined(lines);
        }

        // Presses wait for the warning to fade; then, turbo being off, a press
        // never switches off.
        ASSERT_EQ(e2e::Sim("press"), 0);
        ASSERT_TRUE(program->WaitForTrace("controller: an effect is running; the press is ignored"))
            << program->TraceText();
        const ULONGLONG start = GetTickCount64();
        while (VisibleWindow("TOsdForm") && GetTickCount64() - start < 30000) {
            Sleep(200);
        }
        ASSERT_TRUE(program->Sync());
        Sleep(500);
        ASSERT_EQ(e2e::Sim("press"), 0);
        ASSERT_TRUE(program->Sync());
        const ULONGLONG pressed = GetTickCount64();
        while (program->CountTrace(c.nextPress) < c.nextPressCount && GetTickCount64() - pressed < 20000) {
            Sleep(200);
        }
        EXPECT_EQ(program->CountTrace(c.nextPress), c.nextPressCount) << program->TraceText();
        EXPECT_EQ(program->CountTrace("controller: turbo off"), 0) << program->TraceText();
        program.reset();
    }
}

}  // namespace
