// The program ends while turbo is on (the close command, a crash or a kill) and starts
// again: it starts in the turbo state, and the next press goes back to the values the
// firmware had before the switch-on. A firmware that a reboot reset drops the record. A
// start that the firmware refuses gives a button that an earlier run holds back first.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "tests/e2e/E2eSupport.h"

namespace {

using e2e::kSettingsKey;
using e2e::Surgepad;

constexpr COLORREF kTurboFill = RGB(0xD0, 0x20, 0x1E);

bool Running(Surgepad& program) {
    return program.WaitForTrace("startup: running", 30000).has_value() && program.Sync();
}

struct End {
    const char* name;
    bool byForce;
    bool firmwareReset;  // a reboot put the firmware back at its start-up values
};

TEST(Restart, TurboOnSurvivesTheEndOfTheProgramAndTheNextPressGoesBackToTheStartupValues) {
    const End ends[] = {
        {"closed by the close command", false, false},
        {"ended by force", true, false},
        {"closed, and a reboot reset the firmware", false, true},
    };
    for (const End& end : ends) {
        SCOPED_TRACE(end.name);
        e2e::UseBoard("full.txt");
        RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
        ASSERT_TRUE(e2e::ChooseTurbo(0, true, true));
        std::string stockState;
        std::string stock;
        {
            Surgepad program;
            ASSERT_TRUE(Running(program)) << program.TraceText();
            stockState = e2e::FileText(e2e::WorkDir() + "state.txt");
            stock = e2e::FirmwareValues();
            ASSERT_EQ(e2e::Sim("press"), 0);
            ASSERT_TRUE(program.WaitForTrace("controller: switched on", 15000)) << program.TraceText();
            ASSERT_NE(e2e::FirmwareValues(), stock) << "the profile changed nothing";
            if (end.byForce) {
                TerminateProcess(program.Process(), 9);
                ASSERT_TRUE(program.WaitForExit(10000).has_value());
            } else {
                program.Stop();
            }
        }
        if (end.firmwareReset) {
            std::ofstream(e2e::WorkDir() + "state.txt", std::ios::binary) << stockState;
        }
        Surgepad next;
        ASSERT_TRUE(Running(next)) << next.TraceText();
        if (end.firmwareReset) {
            EXPECT_TRUE(next.WaitForTrace("the turbo record is dropped", 5000)) << next.TraceText();
            EXPECT_FALSE(e2e::VisibleWindow("TStatusForm"));
            ASSERT_EQ(e2e::Sim("press"), 0);
            EXPECT_TRUE(next.WaitForTrace("controller: switched on", 15000)) << "the press switches on\n"
                                                                             << next.TraceText();
            next.Stop();
            continue;
        }
        EXPECT_TRUE(next.WaitForTrace("turbo on, with the recorded start-up values", 5000)) << next.TraceText();
        EXPECT_TRUE(e2e::WaitVisible("TStatusForm", 5000) != nullptr) << "the badge says turbo is on";
        EXPECT_GT(e2e::TrayPixels(kTurboFill, "restart-turbo-icon"), 8) << "the tray icon says turbo is on";
        ASSERT_EQ(e2e::Sim("press"), 0);
        ASSERT_TRUE(next.WaitForTrace("controller: switched off", 15000)) << next.TraceText();
        EXPECT_EQ(e2e::FirmwareValues(), stock) << "turbo off did not go back to the values before the switch-on";
        EXPECT_FALSE(e2e::UserDword(kSettingsKey, "TurboStartupValues").has_value());
        next.Stop();
    }
}

// A turbo record the firmware must not be given (another hand's, or one left from before
// a firmware update or a processor swap): the start drops it and says why, turbo starts
// off, and no press ever writes it.
TEST(Restart, ADamagedTurboRecordIsRefusedAtTheStart) {
    struct Damage {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* why;
    };
    const Damage damages[] = {
        {"beyond the core voltage's 161 steps",
         {0x12, 0, 0x02, 0x03, 200, 0, 0, 0},
         "names (0x03020012, 200), which this firmware does not take"},
        {"the firmware's restore guard",
         {0x01, 0, 0x06, 0x0B, 1, 0, 0, 0},
         "names (0x0B060001, 1), which this firmware does not take"},
        {"another group's item numbered as the ratio",
         {0x13, 0, 0, 0x07, 30, 0, 0, 0},
         "names (0x07000013, 30), which this firmware does not take"},
        {"no whole pairs", {1, 2, 3}, "the turbo record is damaged (3 bytes, no whole pairs)"},
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.name);
        e2e::UseBoard("full.txt");
        RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
        ASSERT_TRUE(e2e::ChooseTurbo(0, true, true));
        ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, kSettingsKey, "TurboStartupValues", REG_BINARY,
                                  damage.bytes.data(), static_cast<DWORD>(damage.bytes.size())),
                  ERROR_SUCCESS);
        const std::string stock = e2e::FirmwareValues();
        Surgepad program;
        ASSERT_TRUE(Running(program)) << program.TraceText();
        EXPECT_TRUE(program.WaitForTrace(damage.why, 5000)) << program.TraceText();
        EXPECT_FALSE(e2e::UserDword(kSettingsKey, "TurboStartupValues").has_value()) << "the record stays";
        EXPECT_FALSE(e2e::VisibleWindow("TStatusForm")) << "turbo is off";
        const size_t before = e2e::JournalLines().size();
        ASSERT_EQ(e2e::Sim("press"), 0);
        ASSERT_TRUE(program.WaitForTrace("controller: switched on", 15000)) << "the press switches on\n"
                                                                            << program.TraceText();
        ASSERT_TRUE(program.WaitForTrace("display: the effect has ended")) << program.TraceText();
        ASSERT_EQ(e2e::Sim("press"), 0);
        ASSERT_TRUE(program.WaitForTrace("controller: switched off", 15000)) << program.TraceText();
        EXPECT_EQ(e2e::FirmwareValues(), stock) << "turbo off went elsewhere than the firmware's own values";
        const std::vector<std::string> lines = e2e::JournalFrom(before);
        EXPECT_EQ(e2e::Count(lines, "acpi set 0x0B060001"), 0) << e2e::Joined(lines);
        EXPECT_EQ(e2e::Count(lines, " fail"), 0) << e2e::Joined(lines);
        program.Stop();
    }
}

// The firmware gives the other vendor's utility priority: no copy can run, so a button
// that an earlier run held is given back, every scheme its own action.
TEST(Restart, ARefusedStartGivesAHeldButtonBack) {
    e2e::UseBoard(e2e::SchemeBoard("ixtu-priority.txt", e2e::Schemes::kDiffer));
    RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
    const std::map<std::string, uint32_t> own = e2e::SchemesOf(e2e::Schemes::kDiffer);
    {
        // A run on the board before the firmware changed: the turbo action chosen.
        for (const auto& [id, action] : own) {
            ASSERT_TRUE(e2e::SetUserDword(kSettingsKey, ("PowerButtonAction " + id).c_str(), action));
        }
        ASSERT_TRUE(e2e::SetUserDword(kSettingsKey, "PowerButtonAction", 3));
        ASSERT_TRUE(e2e::SetUserDword(kSettingsKey, "PowerButtonEventCode", 0));
        ASSERT_TRUE(e2e::ChooseTurbo(0, true, true));
        ASSERT_TRUE(e2e::SetSchemeAction(e2e::kAllSchemes, 0));
    }
    Surgepad program("-b");
    ASSERT_TRUE(program.WaitForExit(20000).has_value()) << program.TraceText();
    EXPECT_TRUE(program.CountTrace("the power button is given back") > 0) << program.TraceText();
    EXPECT_EQ(e2e::SchemeActions(), own);
    EXPECT_EQ(e2e::UserDword(kSettingsKey, "PowerButtonDisabled"), std::optional<DWORD>(1));
}

}  // namespace
