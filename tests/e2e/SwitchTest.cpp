// The whole press on the real program against the stand-ins: the on-screen display,
// the firmware writes in their journal, the announcement other utilities receive, the
// badge, the tray icon and the registry; and the paths where a press must not switch.
#include <gtest/gtest.h>

#include <windows.h>

#include <shlobj.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/e2e/E2eSupport.h"

namespace {

using e2e::Count;
using e2e::Find;
using e2e::FirmwareSet;
using e2e::Joined;
using e2e::JournalFrom;
using e2e::TrayPixels;
using e2e::VisibleWindow;
using e2e::WaitVisible;

using e2e::Surgepad;

using e2e::kSettingsKey;
constexpr char kCalibrationKey[] = "Software\\KORA\\Pacely3\\Advance";
constexpr COLORREF kNormalFill = RGB(0x80, 0x50, 0xC7);
constexpr COLORREF kTurboFill = RGB(0xD0, 0x20, 0x1E);
constexpr int kTolerance = 24;

class Switch : public testing::Test {
protected:
    void Start() {
        program = std::make_unique<Surgepad>();
        ASSERT_TRUE(program->WaitForTrace("startup: running", 30000)) << program->TraceText();
        ASSERT_TRUE(program->Sync());
    }
    std::unique_ptr<Surgepad> program;
};

TEST_F(Switch, TurboOnFromTheFirmwareProfileThenOffRestores) {
    e2e::UseBoard("full.txt");
    ASSERT_TRUE(e2e::ChooseTurbo(0));
    RegDeleteKeyA(HKEY_CURRENT_USER, kCalibrationKey);
    e2e::SimProcess service("service");
    e2e::SimProcess listen("listen");
    Sleep(500);
    Start();
    ASSERT_FALSE(VisibleWindow("TStatusForm"));
    const size_t before = e2e::JournalLines().size();

    ASSERT_EQ(e2e::Sim("press"), 0);
    ASSERT_TRUE(program->WaitForTrace("controller: turbo on")) << program->TraceText();
    // The display in the middle of the screen at once.
    HWND osd = WaitVisible("TOsdForm");
    ASSERT_NE(osd, nullptr) << "the display shows at the press";
    RECT r{};
    GetWindowRect(osd, &r);
    EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2);
    EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2);
    e2e::SaveCapture(e2e::CaptureScreen(), "switch-1-display");

    // A press 1 s later is ignored.
    Sleep(1000);
    ASSERT_EQ(e2e::Sim("press"), 0);
    ASSERT_TRUE(program->WaitForTrace("controller: an effect is running; the press is ignored"))
        << program->TraceText();

    ASSERT_TRUE(program->WaitForTrace("controller: switched on", 15000)) << program->TraceText();
    Sleep(500);
    const std::vector<std::string> on = JournalFrom(before);
    const size_t pipe = Find(on, "pipe 0x80000000 0x00000000 0x00000000 0x00000000");
    const size_t voltage = Find(on, "acpi set 0x03020012 0x0000005A 2 ok");
    const size_t base = Find(on, "acpi set 0x03010011 0x0000012C 2 ok");
    const size_t ratio = Find(on, "acpi set 0x03000013 0x00000022 2 ok");
    const size_t control = Find(on, "acpi set 0x03080064 0x00000000 1");
    const size_t announce = Find(on, "broadcast 0x00002355 0x00000003");
    ASSERT_NE(pipe, std::string::npos) << Joined(on);
    ASSERT_NE(voltage, std::string::npos) << Joined(on);
    ASSERT_NE(base, std::string::npos) << Joined(on);
    ASSERT_NE(ratio, std::string::npos) << Joined(on);
    ASSERT_NE(control, std::string::npos) << Joined(on);
    ASSERT_NE(announce, std::string::npos) << Joined(on);
    // A raised clock: the other values first, then the base clock, then the ratios.
    EXPECT_LT(pipe, voltage);
    EXPECT_LT(voltage, base);
    EXPECT_LT(base, ratio);
    EXPECT_LT(ratio, control);
    EXPECT_LT(control, announce);
    EXPECT_FALSE(IsWindowVisible(osd)) << "the display has faded out";

    // The badge at the top right, 10 px from the edges; the red tray picture; the
    // calibration flag of the newer firmware interface.
    HWND badge = FindWindowA("TStatusForm", nullptr);
    ASSERT_NE(badge, nullptr);
    EXPECT_TRUE(IsWindowVisible(badge));
    GetWindowRect(badge, &r);
    EXPECT_EQ(r.right, GetSystemMetrics(SM_CXSCREEN) - 10);
    EXPECT_EQ(r.top, 10);
    EXPECT_NE(GetWindowLongA(badge, GWL_EXSTYLE) & WS_EX_TRANSPARENT, 0) << "the badge lets clicks through";
    EXPECT_GT(TrayPixels(kTurboFill, "switch-2-on"), 8);
    EXPECT_EQ(e2e::UserDword(kCalibrationKey, "CalibrationNeeded"), std::optional<DWORD>(1));

    // The next press restores the start-up values.
    const size_t middle = e2e::JournalLines().size();
    ASSERT_EQ(e2e::Sim("press"), 0);
    ASSERT_TRUE(program->WaitForTrace("controller: turbo off")) << program->TraceText();
    ASSERT_TRUE(program->WaitForTrace("controller: switched off", 15000)) << program->TraceText();
    Sleep(500);
    const std::vector<std::string> off = JournalFrom(middle);
    EXPECT_NE(Find(off, "acpi set 0x03010011 0x00000000 2 ok"), std::string::npos) << Joined(off);
    EXPECT_NE(Find(off, "acpi set 0x03020012 0x00000050 2 ok"), std::string::npos) << Joined(off);
    EXPECT_NE(Find(off, "pipe 0x80000000 0x00000001 0x00000000 0x00000000"), std::string::npos) << Joined(off);
    EXPECT_GE(Count(off, "broadcast 0x00002355 0x00000003"), 1) << Joined(off);
    EXPECT_FALSE(IsWindowVisible(badge));
    EXPECT_GT(TrayPixels(kNormalFill, "switch-3-off"), 8);
    EXPECT_EQ(TrayPixels(kTurboFill, "switch-3-off-red"), 0);
}

TEST_F(Switch, TheProfileChosenDuringTheEffectIsTheOneApplied) {
    e2e::UseBoard("full.txt");
    ASSERT_TRUE(e2e::ChooseTurbo(0));
    Start();
    const size_t before = e2e::JournalLines().size();
    ASSERT_EQ(e2e::Sim("press"), 0);
    ASSERT_NE(WaitVisible("TOsdForm"), nullptr);
    // The user picks the second firmware profile while the display fades.
    ASSERT_TRUE(e2e::SetUserDword(kSettingsKey, "ProfileType", 1));
    ASSERT_TRUE(program->WaitForTrace("controller: switched on", 15000)) << program->TraceText();
    const std::vector<std::string> lines = JournalFrom(before);
    // "Silent OC": voltage 70 (1.150 V), ratio 30; "Game Boost" would write 90 and 34.
    EXPECT_EQ(Count(lines, "acpi set 0x03020012 0x00000046 2 ok"), 1) << Joined(lines);
    EXPECT_GE(Count(lines, "acpi set 0x03000013 0x0000001E 2 ok"), 1) << Joined(lines);
    EXPECT_EQ(Count(lines, "acpi set 0x03020012 0x0000005A"), 0) << Joined(lines);
    EXPECT_EQ(Count(lines, "acpi set 0x03000013 0x00000022"), 0) << Joined(lines);
    EXPECT_EQ(Count(lines, "acpi set 0x03010011"), 0) << "the base clock stays\n" << Joined(lines);
}

TEST_F(Switch, AProfileTypeBeyondTheFirmwareProfilesReadsTheNamedFile) {
    e2e::UseBoard("full.txt");
    // Two firmware profiles: type 2 is the first file profile.
    ASSERT_TRUE(e2e::ChooseTurbo(2, false, false));
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const char name[] = "Bench";
    RegSetValueExA(key, "ProfileName", 0, REG_SZ, reinterpret_cast<const BYTE*>(name), sizeof name);
    RegCloseKey(key);
    char common[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, common)));
    const std::string folder = std::string(common) + "\\KORA OC Profiles\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    // Header "OC", version 1, two records: core voltage 85 (1.225 V), ring ratio 24x.
    const uint32_t words[] = {0x4F43, 1, 2, 0x03020012, 85, 0x03000015, 16};
    {
        std::ofstream out(folder + "Bench.oc", std::ios::binary);
        out.write(reinterpret_cast<const char*>(words), sizeof words);
    }
    Start();
    const size_t before = e2e::JournalLines().size();
    const ULONGLONG pressed = GetTickCount64();
    ASSERT_EQ(e2e::Sim("press"), 0);
    ASSERT_TRUE(program->WaitForTrace("controller: switched on", 15000)) << program->TraceText();
    EXPECT_GE(GetTickCount64() - pressed, 2400u) << "applied after the 2.5 s effect, with nothing drawn";
    EXPECT_FALSE(VisibleWindow("TOsdForm"));
    const std::vector<std::string> lines = JournalFrom(before);
    EXPECT_EQ(Count(lines, "acpi set 0x03020012 0x00000055 2 ok"), 1) << Joined(lines);
    EXPECT_EQ(Count(lines, "acpi set 0x03000015 0x00000010 2 ok"), 1) << Joined(lines);
    EXPECT_EQ(Count(lines, "acpi set 0x03000013"), 0) << "no firmware profile\n" << Joined(lines);
    EXPECT_GT(TrayPixels(kTurboFill, "file-profile-on"), 8);
    DeleteFileA((folder + "Bench.oc").c_str());
}

TEST_F(Switch, PowerActionPressChangesNothing) {
    e2e::UseBoard("full.txt");
    e2e::SimProcess listen("listen");
    Start();
    const size_t before = e2e::JournalLines().size();
    ASSERT_EQ(e2e::Sim("press"), 0);
    ASSERT_TRUE(program->Sync());
    Sleep(3500);
    const std::vector<std::string> after = JournalFrom(before);
    EXPECT_EQ(Count(after, "acpi set"), 0) << Joined(after);
    EXPECT_EQ(Count(after, "broadcast 0x00002355"), 0) << Joined(after);
    EXPECT_FALSE(VisibleWindow("TOsdForm"));
    EXPECT_FALSE(VisibleWindow("TStatusForm"));
    EXPECT_EQ(program->CountTrace("controller:"), 0) << program->TraceText();
}

TEST_F(Switch, UnusableProfileShowsTheWarningEvenWithTheDisplayOffAndHoldsPresses) {
    e2e::UseBoard("switch-unusable.txt");
    ASSERT_TRUE(e2e::ChooseTurbo(1, false, false));
    Start();
    const ULONGLONG pressed = GetTickCount64();
    ASSERT_EQ(e2e::Sim("press"), 0);
    ASSERT_TRUE(program->WaitForTrace("controller: the chosen profile cannot be applied")) << program->TraceText();
    ASSERT_TRUE(program->Sync());
    EXPECT_TRUE(VisibleWindow("TOsdForm"));
    e2e::SaveCapture(e2e::CaptureScreen(), "warning-page");
    Sleep(8000);
    ASSERT_EQ(e2e::Sim("press"), 0);
    ASSERT_TRUE(program->WaitForTrace("controller: an effect is running; the press is ignored"))
        << program->TraceText();
    EXPECT_TRUE(VisibleWindow("TOsdForm")) << "held for 10 s";
    while (VisibleWindow("TOsdForm") && GetTickCount64() - pressed < 30000) {
        Sleep(200);
    }
    EXPECT_GE(GetTickCount64() - pressed, 11500u);
    Sleep(500);
    ASSERT_EQ(e2e::Sim("press"), 0);
    ASSERT_TRUE(program->Sync());
    EXPECT_EQ(program->CountTrace("controller: the chosen profile cannot be applied"), 2) << program->TraceText();
    EXPECT_EQ(Count(e2e::JournalLines(), "acpi set 0x03010011"), 0);
}

// With power saving active the sibling utility is told to stand back before the
// first firmware write: "Hexamotor" when it runs, else "Tetramotor".
void ExpectStandBack(Surgepad& program, const std::string& told, const std::string& notTold) {
    const size_t before = e2e::JournalLines().size();
    ASSERT_EQ(e2e::Sim("press"), 0);
    ASSERT_TRUE(program.WaitForTrace("controller: switched on", 15000)) << program.TraceText();
    const std::vector<std::string> lines = JournalFrom(before);
    const size_t standBack = Find(lines, "window " + told + " 0x0000041F 0x00000055 0x00000000");
    const size_t firstWrite = Find(lines, "acpi set 0x03");
    ASSERT_NE(standBack, std::string::npos) << Joined(lines);
    ASSERT_NE(firstWrite, std::string::npos) << Joined(lines);
    EXPECT_LT(standBack, firstWrite);
    if (!notTold.empty()) {
        EXPECT_EQ(Count(lines, "window " + notTold), 0) << Joined(lines);
    }
}

TEST_F(Switch, PowerSavingTellsTheSiblingToStandBackBeforeTheFirstWrite) {
    e2e::UseBoard("switch-power-saving.txt");
    ASSERT_TRUE(e2e::ChooseTurbo(0, false, false));
    e2e::SimProcess sibling("window Tetramotor");
    e2e::SimProcess service("service");
    Sleep(800);
    Start();
    ExpectStandBack(*program, "Tetramotor", "");
}

TEST_F(Switch, PowerSavingPrefersHexamotorWhenBothSiblingsRun) {
    e2e::UseBoard("switch-power-saving.txt");
    ASSERT_TRUE(e2e::ChooseTurbo(0, false, false));
    e2e::SimProcess older("window Tetramotor");
    e2e::SimProcess newer("window Hexamotor");
    Sleep(800);
    Start();
    ExpectStandBack(*program, "Hexamotor", "Tetramotor");
}

// Suspend; while the machine sleeps the firmware loses a value (the core voltage:
// 1.250 V instead of the 1.200 V saved); then the resume broadcasts. The journal's
// lines from the suspend on.
std::vector<std::string> SleepWhileAValueChanges(Surgepad& program, const std::vector<std::string>& resumes) {
    const size_t before = e2e::JournalLines().size();
    EXPECT_EQ(e2e::Sim("power 4"), 0);
    EXPECT_TRUE(program.Sync());
    EXPECT_TRUE(FirmwareSet(0x03020012, 90));
    for (const std::string& resume : resumes) {
        EXPECT_EQ(e2e::Sim(resume), 0);
    }
    EXPECT_TRUE(program.Sync());
    Sleep(1500);
    return JournalFrom(before);
}

TEST_F(Switch, SuspendThenResumeWritesTheSavedValuesBackOnce) {
    e2e::UseBoard("full.txt");
    e2e::SimProcess listen("listen");
    Sleep(500);
    Start();
    // One wake-up brings both resume broadcasts.
    const std::vector<std::string> lines = SleepWhileAValueChanges(*program, {"power 7", "power 6"});
    EXPECT_EQ(Count(lines, "acpi set 0x03020012 0x00000050 2 ok"), 1) << Joined(lines);
    EXPECT_EQ(Count(lines, "acpi set 0x03010011"), 0) << "unchanged values are not written\n" << Joined(lines);
    EXPECT_EQ(Count(lines, "broadcast 0x00002355 0x00000003"), 1) << Joined(lines);
}

TEST_F(Switch, WithTheCompanionToolOpenSuspendAndResumeLeaveTheValuesAlone) {
    e2e::UseBoard("full.txt");
    e2e::SimProcess listen("listen");
    e2e::SimProcess companion("window Tunewise");
    Sleep(800);
    Start();
    const std::vector<std::string> lines = SleepWhileAValueChanges(*program, {"power 7"});
    EXPECT_EQ(Count(lines, "broadcast 0x00002355"), 0) << Joined(lines);
    EXPECT_EQ(Count(lines, "acpi set"), 1) << "only the test's own write\n" << Joined(lines);
}

TEST_F(Switch, AnnouncementElsewhereOnAnOldInterfaceBoardForgetsTheTurbo) {
    e2e::UseBoard("old-interface.txt");
    ASSERT_TRUE(e2e::ChooseTurbo(0, false, true));
    e2e::SimProcess service("service");
    Sleep(500);
    Start();
    ASSERT_EQ(e2e::Sim("press"), 0);
    ASSERT_TRUE(program->WaitForTrace("controller: switched on", 15000)) << program->TraceText();
    ASSERT_TRUE(VisibleWindow("TStatusForm"));
    ASSERT_GT(TrayPixels(kTurboFill, "elsewhere-1-on"), 8);
    const size_t writes = static_cast<size_t>(Count(e2e::JournalLines(), "acpi set"));

    ASSERT_EQ(e2e::Sim("broadcast 0x2355 0"), 0);
    ASSERT_TRUE(program->WaitForTrace("controller: another program changed the values; turbo forgotten"))
        << program->TraceText();
    ASSERT_TRUE(program->Sync());
    EXPECT_FALSE(VisibleWindow("TStatusForm"));
    EXPECT_GT(TrayPixels(kNormalFill, "elsewhere-2-forgotten"), 8);
    EXPECT_EQ(static_cast<size_t>(Count(e2e::JournalLines(), "acpi set")), writes) << "nothing is restored";

    ASSERT_EQ(e2e::Sim("press"), 0);
    ASSERT_TRUE(program->Sync());
    EXPECT_EQ(program->CountTrace("controller: turbo on"), 2) << program->TraceText();
    EXPECT_EQ(program->CountTrace("controller: turbo off"), 0) << program->TraceText();
}

TEST_F(Switch, AnnouncementElsewhereOnANewInterfaceBoardChangesNothing) {
    e2e::UseBoard("full.txt");
    ASSERT_TRUE(e2e::ChooseTurbo(0, false, true));
    Start();
    ASSERT_EQ(e2e::Sim("press"), 0);
    ASSERT_TRUE(program->WaitForTrace("controller: switched on", 15000)) << program->TraceText();
    ASSERT_EQ(e2e::Sim("broadcast 0x2355 0"), 0);
    ASSERT_TRUE(program->Sync());
    EXPECT_EQ(program->CountTrace("turbo forgotten"), 0) << program->TraceText();
    EXPECT_TRUE(VisibleWindow("TStatusForm"));
    EXPECT_GT(TrayPixels(kTurboFill, "new-interface-still-on"), 8);
    // Turbo is still on: the next press switches off.
    ASSERT_EQ(e2e::Sim("press"), 0);
    ASSERT_TRUE(program->WaitForTrace("controller: turbo off")) << program->TraceText();
}

TEST_F(Switch, PowerButtonChangedElsewhereIsDetectedAndTheNextPressDoesNothing) {
    e2e::UseBoard("full.txt");
    ASSERT_TRUE(e2e::ChooseTurbo(0));
    Start();
    // The user gives the button an action in every plan: the hold steps back.
    ASSERT_TRUE(e2e::SetSchemeAction(e2e::kAllSchemes, 1));
    const ULONGLONG changed = GetTickCount64();
    ASSERT_TRUE(program->WaitForTrace("controller: the power-button configuration was changed elsewhere", 15000))
        << program->TraceText();
    // One 5 s check period, plus room for a loaded machine.
    EXPECT_LT(GetTickCount64() - changed, 8000u);
    ASSERT_TRUE(program->Sync());
    EXPECT_EQ(e2e::UserDword(kSettingsKey, "PowerButtonDisabled"), std::optional<DWORD>(1));
    EXPECT_EQ(e2e::UserDword(kSettingsKey, "PowerButtonAction"), std::optional<DWORD>(1));
    HWND dialog = FindWindowA("TPwrBtnChangeFrom", nullptr);
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(IsWindowVisible(dialog));
    RECT r{};
    GetWindowRect(dialog, &r);
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 10);
    e2e::SaveCapture(e2e::CaptureScreen(), "power-button-changed");

    const size_t before = e2e::JournalLines().size();
    ASSERT_EQ(e2e::Sim("press"), 0);
    ASSERT_TRUE(program->Sync());
    Sleep(3000);
    EXPECT_EQ(program->CountTrace("controller: turbo"), 0) << program->TraceText();
    EXPECT_EQ(e2e::JournalLines().size(), before) << Joined(e2e::JournalLines());
}

}  // namespace

namespace {

// While a full-screen application is in front the badge steps aside; it comes back when
// the application leaves the front. A window that leaves a row of the screen free is no
// full-screen application.
TEST_F(Switch, TheBadgeStepsAsideForAFullScreenApplication) {
    e2e::UseBoard("full.txt");
    ASSERT_TRUE(e2e::ChooseTurbo(0, false, true));
    Start();
    ASSERT_EQ(e2e::Sim("press"), 0);
    ASSERT_TRUE(program->WaitForTrace("controller: switched on", 15000)) << program->TraceText();
    ASSERT_NE(WaitVisible("TStatusForm", 5000), nullptr);

    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    HWND window = e2e::ShowInFront(RECT{0, 0, width, height - 60});
    Sleep(2500);
    EXPECT_EQ(program->CountTrace("status: stepped aside"), 0) << program->TraceText();
    EXPECT_TRUE(VisibleWindow("TStatusForm")) << "a window short of the screen";
    DestroyWindow(window);
    e2e::AnnounceForeground(GetForegroundWindow());

    HWND game = e2e::ShowInFront(RECT{0, 0, width, height});
    ASSERT_TRUE(program->WaitForTrace("status: stepped aside", 5000)) << program->TraceText();
    EXPECT_FALSE(VisibleWindow("TStatusForm"));
    e2e::SaveCapture(e2e::CaptureScreen(), "badge-stepped-aside");
    DestroyWindow(game);
    e2e::AnnounceForeground(GetForegroundWindow());
    ASSERT_TRUE(program->WaitForTrace("status: back", 5000)) << program->TraceText();
    EXPECT_TRUE(VisibleWindow("TStatusForm"));
}

}  // namespace
