// Turbo without the button: Surgepad.exe -turbo on|off|toggle|status against the running
// copy, with its exit codes, and the tray menu's turbo item and profiles. Both run the
// switch a press runs, whichever action the button has.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/e2e/E2eSupport.h"

namespace {

using e2e::Count;
using e2e::Joined;
using e2e::JournalFrom;
using e2e::Surgepad;

// Runs `Surgepad.exe ARGUMENTS` to its end: its exit code (nullopt: still running after
// 25 s) and its trace.
struct CommandRun {
    std::optional<DWORD> code;
    std::string trace;
};
CommandRun RunCommand(const std::string& arguments) {
    Surgepad command(arguments);
    CommandRun run;
    run.code = command.WaitForExit(25000);
    run.trace = command.TraceText();
    return run;
}

// Firmware writes of the journal since line `from`.
int FirmwareWrites(size_t from) {
    return Count(JournalFrom(from), "acpi set");
}

class TurboCommand : public testing::Test {
protected:
    void SetUp() override { e2e::UseBoard("full.txt"); }
    void Start() {
        program = std::make_unique<Surgepad>();
        ASSERT_TRUE(program->WaitForTrace("startup: running", 30000)) << program->TraceText();
        ASSERT_TRUE(program->Sync());
    }
    std::unique_ptr<Surgepad> program;
};

// Without a running copy nothing starts and no firmware is touched; bad arguments get the
// usage line.
TEST_F(TurboCommand, WithoutARunningCopyOrWithBadArgumentsNothingStarts) {
    const struct {
        const char* arguments;
        DWORD code;
        const char* says;
    } rows[] = {
        {"-turbo on", 1, "Surgepad is not running."},
        {"-turbo off", 1, "Surgepad is not running."},
        {"-turbo toggle", 1, "Surgepad is not running."},
        {"-turbo status", 1, "Surgepad is not running."},
        {"-turbo", 3, "Usage: Surgepad.exe -turbo on|off|toggle|status"},
        {"-turbo sometimes", 3, "Usage: Surgepad.exe -turbo on|off|toggle|status"},
        {"-?", 0, "Usage: Surgepad.exe -turbo on|off|toggle|status"},
    };
    const size_t before = e2e::JournalLines().size();
    for (const auto& row : rows) {
        const CommandRun run = RunCommand(row.arguments);
        EXPECT_EQ(run.code, std::optional<DWORD>(row.code)) << row.arguments << "\n" << run.trace;
        EXPECT_NE(run.trace.find(std::string("turbo command: ") + row.says), std::string::npos) << row.arguments << "\n"
                                                                                                << run.trace;
        EXPECT_EQ(run.trace.find("startup:"), std::string::npos) << row.arguments << ": the program started\n"
                                                                 << run.trace;
    }
    EXPECT_EQ(e2e::JournalLines().size(), before) << "the board was touched\n" << Joined(JournalFrom(before));
    EXPECT_FALSE(e2e::VisibleWindow("TOsdForm"));
}

// On the running copy, with the power action chosen: each command runs the switch a press
// would, display and badge included, and answers with its outcome; a command during a
// switch is refused.
TEST_F(TurboCommand, EachCommandRunsTheSwitchOfAPressWhicheverActionIsChosen) {
    Start();
    ASSERT_FALSE(e2e::UserDword(e2e::kSettingsKey, "ButtonAction").has_value()) << "the power action";
    EXPECT_EQ(RunCommand("-turbo status").code, std::optional<DWORD>(0)) << "off";
    size_t from = e2e::JournalLines().size();
    EXPECT_EQ(RunCommand("-turbo off").code, std::optional<DWORD>(0)) << "already off";
    EXPECT_EQ(FirmwareWrites(from), 0);

    // On: the display, the firmware, the badge; the command ends after the switch.
    from = e2e::JournalLines().size();
    Surgepad on("-turbo on");
    EXPECT_NE(e2e::WaitVisible("TOsdForm", 5000), nullptr) << "the display plays";
    // A second command while the switch runs is refused at once.
    const CommandRun during = RunCommand("-turbo toggle");
    EXPECT_EQ(during.code, std::optional<DWORD>(2)) << during.trace;
    EXPECT_EQ(on.WaitForExit(25000), std::optional<DWORD>(0)) << on.TraceText();
    EXPECT_EQ(program->CountTrace("controller: switched on"), 1) << program->TraceText();
    EXPECT_GT(FirmwareWrites(from), 0) << Joined(JournalFrom(from));
    EXPECT_TRUE(e2e::VisibleWindow("TStatusForm")) << "the badge";
    EXPECT_TRUE(program->WaitForTrace("tray: tip Surgepad: turbo on (")) << program->TraceText();
    EXPECT_EQ(RunCommand("-turbo status").code, std::optional<DWORD>(4)) << "on";
    from = e2e::JournalLines().size();
    EXPECT_EQ(RunCommand("-turbo on").code, std::optional<DWORD>(0)) << "already on";
    EXPECT_EQ(FirmwareWrites(from), 0);

    // Toggle: off again, the start-up values back.
    EXPECT_EQ(RunCommand("-turbo toggle").code, std::optional<DWORD>(0));
    EXPECT_EQ(program->CountTrace("controller: switched off"), 1) << program->TraceText();
    EXPECT_EQ(RunCommand("-turbo status").code, std::optional<DWORD>(0));
    EXPECT_TRUE(program->WaitForTrace("tray: tip Surgepad: power button")) << program->TraceText();
    EXPECT_FALSE(e2e::UserDword(e2e::kSettingsKey, "ButtonAction").has_value()) << "the action stays";
}

// The longest switch: a profile file (two requests to the service) and a service that
// never answers (each request waited for to its end). The command waits it out and
// reports it done, rather than giving up beside a switch that still runs.
TEST_F(TurboCommand, TheCommandWaitsOutTheLongestSwitch) {
    ASSERT_TRUE(e2e::ChooseTurbo(2, false, false));
    ASSERT_TRUE(e2e::SetUserString(e2e::kSettingsKey, "ProfileName", "Bench"));
    // Header "OC", version 1, one record: core voltage 85 (1.225 V).
    const std::vector<uint8_t> bytes = {0x43, 0x4F, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0x12, 0, 0x02, 0x03, 85, 0, 0, 0};
    const std::string file = e2e::ProfileFolder() + "Bench.oc";
    ASSERT_TRUE(e2e::WriteFileBytes(file, bytes));
    e2e::SimProcess service("service --delay 600000");
    Sleep(500);
    Start();
    const ULONGLONG asked = GetTickCount64();
    Surgepad on("-turbo on");
    EXPECT_EQ(on.WaitForExit(45000), std::optional<DWORD>(0)) << on.TraceText() << program->TraceText();
    EXPECT_GT(GetTickCount64() - asked, 15000u) << "both requests were waited for";
    EXPECT_EQ(program->CountTrace("controller: switched on"), 1) << program->TraceText();
    DeleteFileA(file.c_str());
}

// A profile that cannot be applied: "on" shows the warning, as a press does, and is
// refused.
TEST_F(TurboCommand, AnUnusableProfileIsRefusedWithTheWarning) {
    e2e::UseBoard("switch-unusable.txt");
    ASSERT_TRUE(e2e::ChooseTurbo(1, false, false));
    Start();
    const CommandRun run = RunCommand("-turbo on");
    EXPECT_EQ(run.code, std::optional<DWORD>(2)) << run.trace;
    EXPECT_TRUE(program->WaitForTrace("controller: turbo asked for: the chosen profile cannot be applied"))
        << program->TraceText();
    EXPECT_TRUE(e2e::VisibleWindow("TOsdForm")) << "the warning page";
    EXPECT_EQ(program->CountTrace("controller: switched on"), 0);
}

}  // namespace
