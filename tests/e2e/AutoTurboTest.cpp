// Automatic turbo as the user meets it: the tray menu's "Turbo for" and "Automatic
// turbo" under a right click and the keyboard, a timed turbo across a close and a start,
// and each trigger switching on and off with the firmware's writes and the display.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

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

}  // namespace
