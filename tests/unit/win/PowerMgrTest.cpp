// The power-scheme binding: unavailable with Wine's own "powrprof.dll", which lacks most
// of the entries, and available with the stand-in installed in the system folder, whose
// schemes come from the board.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lumen/system/PowerMgr.h"
#include "tests/unit/win/DormixTestSupport.h"

namespace {

using testing::ElementsAre;

// {A1841308-3541-4FAB-BC81-F71556F20B4A}
constexpr GUID kPowerSaver = {0xA1841308, 0x3541, 0x4FAB, {0xBC, 0x81, 0xF7, 0x15, 0x56, 0xF2, 0x0B, 0x4A}};
// {8C5E7FDA-E8BF-4A96-9A85-A6E23A8C635C}
constexpr GUID kHighPerformance = {0x8C5E7FDA, 0xE8BF, 0x4A96, {0x9A, 0x85, 0xA6, 0xE2, 0x3A, 0x8C, 0x63, 0x5C}};
// {381B4222-F694-41F0-9685-FF5BB260DF2E}
constexpr GUID kBalanced = {0x381B4222, 0xF694, 0x41F0, {0x96, 0x85, 0xFF, 0x5B, 0xB2, 0x60, 0xDF, 0x2E}};
// {68A1E95E-13EA-41E1-8011-0C496CA490B0}
constexpr GUID kAllSchemes = {0x68A1E95E, 0x13EA, 0x41E1, {0x80, 0x11, 0x0C, 0x49, 0x6C, 0xA4, 0x90, 0xB0}};
// {4F971E89-EEBD-4455-A8DE-9E59040E7347}
constexpr GUID kButtonSubgroup = {0x4F971E89, 0xEEBD, 0x4455, {0xA8, 0xDE, 0x9E, 0x59, 0x04, 0x0E, 0x73, 0x47}};
// {7648EFA3-DD9C-4E3E-B566-50F929386280}
constexpr GUID kPowerButtonAction = {0x7648EFA3, 0xDD9C, 0x4E3E, {0xB5, 0x66, 0x50, 0xF9, 0x29, 0x38, 0x62, 0x80}};
// A scheme no board has.
constexpr GUID kUnknownScheme = {0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55}};

const char kChildVariable[] = "SURGEPAD_TEST_POWRPROF_CHILD";

bool IsStandInChild() {
    char value[8];
    return GetEnvironmentVariableA(kChildVariable, value, sizeof value) > 0;
}

std::string SystemFolder() {
    char path[MAX_PATH] = {};
    GetSystemDirectoryA(path, MAX_PATH);
    return path;
}

// Puts the stand-in in place of the system folder's "powrprof.dll". Without an override
// Wine keeps using its own library there, so other programs of the prefix are not
// affected. Tests of several processes may do this at once: the file is replaced by a
// rename, and only when it differs.
void InstallStandIn() {
    const std::string source = testutil::ExeFolder() + "system\\powrprof.dll";
    const std::string target = SystemFolder() + "\\powrprof.dll";
    const std::string wanted = testutil::ReadText(source);
    ASSERT_FALSE(wanted.empty()) << "no stand-in at " << source;
    if (testutil::ReadText(target) == wanted) {
        return;
    }
    const std::string temporary = target + "." + std::to_string(GetCurrentProcessId()) + ".new";
    ASSERT_TRUE(CopyFileA(source.c_str(), temporary.c_str(), FALSE));
    ASSERT_TRUE(MoveFileExA(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) << GetLastError();
}

TEST(PowerMgr, UnavailableWithTheSystemsOwnIncompleteLibrary) {
    ASSERT_FALSE(IsStandInChild());
    lumen::VistaPowerManage power;
    EXPECT_FALSE(power.IsAvailable());
    GUID scheme = kUnknownScheme;
    EXPECT_FALSE(power.GetActiveScheme(&scheme));
    EXPECT_TRUE(IsEqualGUID(kUnknownScheme, scheme));
    uint32_t value = 42;
    EXPECT_NE(0u, power.ReadACValueIndex(kBalanced, kButtonSubgroup, kPowerButtonAction, &value));
    EXPECT_EQ(42u, value);
    EXPECT_NE(0u, power.WriteACValueIndex(kAllSchemes, kButtonSubgroup, kPowerButtonAction, 0));
    EXPECT_FALSE(power.SetActiveScheme(kBalanced));
}

// Runs again in a child whose "powrprof.dll" is the stand-in (WINEDLLOVERRIDES
// "powrprof=n,b" for that program alone).
TEST(PowerMgr, AvailableWithTheStandInAndItsSchemesComeFromTheBoard) {
    if (IsStandInChild()) {
        lumen::VistaPowerManage power;
        ASSERT_TRUE(power.IsAvailable());
        GUID active = {};
        ASSERT_TRUE(power.GetActiveScheme(&active));
        EXPECT_TRUE(IsEqualGUID(kBalanced, active));

        uint32_t saver = 9;
        uint32_t high = 9;
        uint32_t balanced = 9;
        EXPECT_EQ(0u, power.ReadACValueIndex(kPowerSaver, kButtonSubgroup, kPowerButtonAction, &saver));
        EXPECT_EQ(0u, power.ReadACValueIndex(kHighPerformance, kButtonSubgroup, kPowerButtonAction, &high));
        EXPECT_EQ(0u, power.ReadACValueIndex(kBalanced, kButtonSubgroup, kPowerButtonAction, &balanced));
        EXPECT_EQ(0u, saver);
        EXPECT_EQ(3u, high);
        EXPECT_EQ(1u, balanced);

        // Do nothing in every scheme, then the active one again so that it takes effect.
        EXPECT_EQ(0u, power.WriteACValueIndex(kAllSchemes, kButtonSubgroup, kPowerButtonAction, 0));
        EXPECT_TRUE(power.SetActiveScheme(active));
        EXPECT_EQ(0u, power.ReadACValueIndex(kHighPerformance, kButtonSubgroup, kPowerButtonAction, &high));
        EXPECT_EQ(0u, high);

        EXPECT_TRUE(power.SetActiveScheme(kPowerSaver));
        ASSERT_TRUE(power.GetActiveScheme(&active));
        EXPECT_TRUE(IsEqualGUID(kPowerSaver, active));

        uint32_t value = 42;
        EXPECT_EQ(static_cast<uint32_t>(ERROR_FILE_NOT_FOUND),
                  power.ReadACValueIndex(kUnknownScheme, kButtonSubgroup, kPowerButtonAction, &value));
        EXPECT_EQ(42u, value);
        EXPECT_FALSE(power.SetActiveScheme(kUnknownScheme));
        return;
    }
    testutil::BoardScope board(
        "dormix\n"
        "scheme {A1841308-3541-4FAB-BC81-F71556F20B4A} 0\n"
        "scheme {8C5E7FDA-E8BF-4A96-9A85-A6E23A8C635C} 3\n"
        "scheme {381B4222-F694-41F0-9685-FF5BB260DF2E} 1 active\n");
    InstallStandIn();
    // The override is a setting of the prefix for one program: a copy of this one.
    testutil::ScratchFolder folder("powrprof");
    const std::string exeName = "surgepad_powrprof_" + std::to_string(GetCurrentProcessId()) + ".exe";
    const std::string exe = testutil::CopyOfThisProgram(folder.Path(), exeName);
    {
        testutil::ScopedAppDefaults settings(exeName);
        ASSERT_TRUE(settings.Set("DllOverrides", "powrprof", "native,builtin"));
        testutil::ScopedEnvironment child(kChildVariable, "1");
        testutil::ExpectChildPasses(exe, folder / "child.txt");
    }
    EXPECT_THAT(board.TakeJournal(),
                ElementsAre("powrprof write {68A1E95E-13EA-41E1-8011-0C496CA490B0} "
                            "{4F971E89-EEBD-4455-A8DE-9E59040E7347} {7648EFA3-DD9C-4E3E-B566-50F929386280} 0x00000000",
                            "powrprof setactive {381B4222-F694-41F0-9685-FF5BB260DF2E}",
                            "powrprof setactive {A1841308-3541-4FAB-BC81-F71556F20B4A}",
                            "powrprof setactive {11111111-2222-3333-4444-555555555555}"));
    // The state outlives the child, as the system's schemes would.
    EXPECT_NE(std::string::npos,
              testutil::ReadText(board.Path("state.txt")).find("{A1841308-3541-4FAB-BC81-F71556F20B4A}"));
}

}  // namespace
