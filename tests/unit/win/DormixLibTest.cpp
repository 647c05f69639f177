// The power-feature library binding against the stand-in "Dormix.dll" and "vvc.dll":
// what reaches the library (its journal), what the board's state answers, and how a
// missing, broken or incomplete library is met.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "lumen/kora/DormixLib.h"
#include "tests/unit/ReportRecorder.h"
#include "tests/unit/win/DormixTestSupport.h"

namespace {

using testing::ElementsAre;
using testing::IsEmpty;
using testutil::ReportedMessage;
using testutil::ScratchFolder;

const char kLoadError[] = "LoadLibrary Error";

DWORD MajorVersion() {
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    GetVersionExA(&info);
    return info.dwMajorVersion;
}

bool CopyFromBuild(const std::string& name, const std::string& to) {
    return CopyFileA((testutil::ExeFolder() + name).c_str(), to.c_str(), FALSE) != FALSE;
}

// ---------------------------------------------------------------------------------------
// Loading

TEST(DormixLibLoad, LoadsFromTheProgramFolderAndInitialisesOnce) {
    testutil::BoardScope board("dormix supported=1 level=3 ventix3=1 item=0x0B060003:2\n");
    kora::DormixLibDll lib;
    EXPECT_TRUE(lib.IsLoaded());
    EXPECT_THAT(testutil::Recorder().messages, IsEmpty());
    EXPECT_THAT(board.TakeJournal(), ElementsAre("dormix DormixInit"));
    // The capability bytes were read at construction.
    EXPECT_TRUE(lib.IsVentixThreeSupported());
    EXPECT_TRUE(lib.IsSupported());
    EXPECT_EQ(3u, lib.GetLevel());
}

TEST(DormixLibLoad, MissingLibraryLeavesTheBindingUnloadedAndEveryCallHarmless) {
    testutil::BoardScope board("dormix supported=1 level=3 button=3,0\n");
    ScratchFolder folder("nodormix");
    kora::DormixLibDll lib(folder.Path());
    EXPECT_FALSE(lib.IsLoaded());
    EXPECT_THAT(testutil::Recorder().messages, IsEmpty()) << "a missing library is no error";

    uint32_t action = 9;
    uint32_t event = 9;
    EXPECT_FALSE(lib.GetPowerButtonSetting(&action, &event));
    EXPECT_EQ(0u, action);
    EXPECT_EQ(0u, event);
    EXPECT_FALSE(lib.SetPowerButtonSetting(0, 0x80000000));
    EXPECT_FALSE(lib.IsSupported());
    EXPECT_EQ(0u, lib.GetLevel());
    EXPECT_EQ(0u, lib.SetLevel(0x8000));
    uint32_t value = 5;
    EXPECT_FALSE(lib.GetItem(0x0B060003, &value));
    EXPECT_EQ(5u, value);
    EXPECT_FALSE(lib.SetItem(0x0B060003, 1));
    lib.Enable(true);
    EXPECT_FALSE(lib.IsEnabled());
    lib.Sleep();
    lib.Wake();
    lib.SoundOff();
    lib.SoundOn();
    lib.ScreenOff();
    lib.ApplyGear();
    EXPECT_THAT(board.TakeJournal(), IsEmpty());

    kora::DormixLib facade(std::make_unique<kora::DormixLibDll>(folder.Path()));
    EXPECT_EQ(0u, facade.GetLevel());
    EXPECT_FALSE(facade.GetPowerButtonSetting(&action, &event));
}

TEST(DormixLibLoad, UnloadableLibraryIsReported) {
    testutil::BoardScope board("dormix\n");
    ScratchFolder folder("baddormix");
    ASSERT_TRUE(testutil::WriteText(folder / "Dormix.dll", "MZ but no program at all"));
    ASSERT_TRUE(CopyFromBuild("vvc.dll", folder / "vvc.dll"));
    kora::DormixLibDll lib(folder.Path());
    EXPECT_FALSE(lib.IsLoaded());
    EXPECT_THAT(testutil::Recorder().messages,
                ElementsAre(ReportedMessage{"Can not load " + folder.Path() + "Dormix.dll", kLoadError}));
    EXPECT_FALSE(lib.SetPowerButtonSetting(0, 0x80000000));
    EXPECT_THAT(board.TakeJournal(), IsEmpty());
}

TEST(DormixLibLoad, LibraryLackingAProcedureIsReportedOnceAndNotUsed) {
    testutil::BoardScope board("dormix\n");
    ScratchFolder folder("partialdormix");
    ASSERT_TRUE(CopyFromBuild("DormixWithoutSleep.dll", folder / "Dormix.dll"));
    ASSERT_TRUE(CopyFromBuild("vvc.dll", folder / "vvc.dll"));
    kora::DormixLibDll lib(folder.Path());
    EXPECT_FALSE(lib.IsLoaded());
    EXPECT_THAT(
        testutil::Recorder().messages,
        ElementsAre(ReportedMessage{"Can not find \"DormixSleep\" in " + folder.Path() + "Dormix.dll", kLoadError}));
    lib.Sleep();
    lib.Enable(true);
    EXPECT_THAT(board.TakeJournal(), IsEmpty()) << "not even DormixInit may run on an incomplete library";
}

TEST(DormixLibLoad, MissingVvcOnWindows6IsReportedAndTheLibraryLeftAlone) {
    ASSERT_EQ(6u, MajorVersion()) << "this prefix should report Windows 6.x";
    testutil::BoardScope board("dormix\n");
    ScratchFolder folder("novvc");
    ASSERT_TRUE(CopyFromBuild("Dormix.dll", folder / "Dormix.dll"));
    kora::DormixLibDll lib(folder.Path());
    EXPECT_FALSE(lib.IsLoaded());
    EXPECT_THAT(testutil::Recorder().messages,
                ElementsAre(ReportedMessage{"Can not load " + folder.Path() + "vvc.dll", kLoadError}));
    lib.SoundOff();
    lib.Sleep();
    EXPECT_THAT(board.TakeJournal(), IsEmpty());
}

// On Windows 5.x the library mutes by itself and "vvc.dll" is not needed. The version is
// a per-program setting of the prefix, so the test runs again in a copy of this program
// that the prefix presents Windows XP to.
TEST(DormixLibLoad, BeforeWindows6SoundGoesThroughTheLibraryWithoutVvc) {
    if (MajorVersion() < 6) {
        // The child: a folder with the program and "Dormix.dll", no "vvc.dll".
        kora::DormixLibDll lib;
        ASSERT_TRUE(lib.IsLoaded());
        EXPECT_THAT(testutil::Recorder().messages, IsEmpty());
        lib.SoundOff();
        lib.SoundOn();
        return;
    }
    testutil::BoardScope board("dormix\n");
    ScratchFolder folder("xp");
    const std::string exeName = "surgepad_xp_" + std::to_string(GetCurrentProcessId()) + ".exe";
    const std::string exe = testutil::CopyOfThisProgram(folder.Path(), exeName);
    ASSERT_TRUE(CopyFromBuild("Dormix.dll", folder / "Dormix.dll"));
    testutil::ScopedAppDefaults settings(exeName);
    ASSERT_TRUE(settings.Set("", "Version", "winxp"));
    testutil::ExpectChildPasses(exe, folder / "child.txt");
    EXPECT_THAT(board.TakeJournal(),
                ElementsAre("dormix DormixInit", "dormix DormixSound 0x00000000", "dormix DormixSound 0x00000001"));
}

// ---------------------------------------------------------------------------------------
// Calls and answers

TEST(DormixLibCalls, SwitchesReachTheLibraryInOrder) {
    testutil::BoardScope board("dormix supported=1\n");
    kora::DormixLibDll lib;
    board.TakeJournal();

    lib.Enable(true);
    EXPECT_TRUE(lib.IsEnabled());
    lib.Enable(false);
    EXPECT_FALSE(lib.IsEnabled());
    lib.ScreenOff();
    lib.ScreenOn();
    lib.SoundOff();
    lib.SoundOn();
    lib.Sleep();
    EXPECT_TRUE(lib.IsSleeping());
    lib.Wake();
    EXPECT_FALSE(lib.IsSleeping());
    // Windows 6.x: the sound goes through "vvc.dll".
    EXPECT_THAT(board.TakeJournal(),
                ElementsAre("dormix DormixEnable", "dormix DormixDisable", "dormix DormixScreen 0x00000000",
                            "dormix DormixScreen 0x00000001", "vvc VISTA_SetMute 0x00000001",
                            "vvc VISTA_SetMute 0x00000000", "dormix DormixSleep", "dormix DormixWake"));
    EXPECT_THAT(testutil::Recorder().messages, IsEmpty());
}

TEST(DormixLibCalls, QuestionsAreAnsweredByTheBoard) {
    {
        testutil::BoardScope board("dormix supported=1 level=7 hushly=1 pacely=1 ventix3=0 item=0x0B060003:1\n");
        kora::DormixLibDll lib;
        EXPECT_TRUE(lib.IsSupported());
        EXPECT_TRUE(lib.IsDormix());
        EXPECT_TRUE(lib.IsHushlySupported());
        EXPECT_FALSE(lib.IsVentixThreeSupported());
        EXPECT_FALSE(lib.IsThermostatSupported());
        EXPECT_FALSE(lib.CheckReboot());
        EXPECT_EQ(7u, lib.GetLevel());
        // Gear 1 is not above 1.
        EXPECT_FALSE(lib.PacelyLevelAbove1());
    }
    {
        // Without the library's line on the board: loaded, but no feature at all.
        testutil::BoardScope board("");
        kora::DormixLibDll lib;
        EXPECT_TRUE(lib.IsLoaded());
        EXPECT_FALSE(lib.IsSupported());
        EXPECT_FALSE(lib.IsDormix());
        EXPECT_FALSE(lib.IsHushlySupported());
        EXPECT_EQ(0u, lib.GetLevel());
        uint32_t action = 1;
        uint32_t event = 1;
        EXPECT_FALSE(lib.GetPowerButtonSetting(&action, &event));
        kora::DormixLib facade(std::make_unique<kora::DormixLibDll>());
        EXPECT_EQ(0u, facade.GetLevel());
    }
}

TEST(DormixLibCalls, PowerButtonPairLivesInTheBoardStateAcrossBindings) {
    testutil::BoardScope board("dormix button=3,0x12345678\n");
    {
        kora::DormixLib facade(std::make_unique<kora::DormixLibDll>());
        uint32_t action = 0;
        uint32_t event = 0;
        ASSERT_TRUE(facade.GetPowerButtonSetting(&action, &event));
        EXPECT_EQ(3u, action);
        EXPECT_EQ(0x12345678u, event);
        EXPECT_TRUE(facade.SetPowerButtonSetting(kora::kButtonActionNothing, kora::kButtonEventTakenOver));
    }
    EXPECT_THAT(board.TakeJournal(),
                ElementsAre("dormix DormixInit", "dormix SetPowerButtonSetting 0x00000000 0x80000000"));
    // A later binding (the next start of the program) sees what the first one wrote.
    kora::DormixLibDll later;
    uint32_t action = 9;
    uint32_t event = 9;
    ASSERT_TRUE(later.GetPowerButtonSetting(&action, &event));
    EXPECT_EQ(0u, action);
    EXPECT_EQ(0x80000000u, event);
}

TEST(DormixLibCalls, PowerButtonPairFollowsTheActiveSchemeOnABoardWithSchemes) {
    testutil::BoardScope board(
        "dormix\n"
        "scheme {381B4222-F694-41F0-9685-FF5BB260DF2E} 3 active\n"
        "scheme {A1841308-3541-4FAB-BC81-F71556F20B4A} 0\n");
    kora::DormixLibDll lib;
    uint32_t action = 0;
    uint32_t event = 9;
    ASSERT_TRUE(lib.GetPowerButtonSetting(&action, &event));
    EXPECT_EQ(3u, action);
    EXPECT_EQ(0u, event);
    EXPECT_TRUE(lib.SetPowerButtonSetting(1, 0x80000000));
    ASSERT_TRUE(lib.GetPowerButtonSetting(&action, &event));
    EXPECT_EQ(1u, action);
    EXPECT_EQ(0u, event);
}

TEST(DormixLibCalls, FeatureItemsExistOnlyWhereTheBoardListsThem) {
    testutil::BoardScope board("dormix item=0x0B060002:1,0x0E0A0014:40\n");
    kora::DormixLib facade(std::make_unique<kora::DormixLibDll>());
    board.TakeJournal();
    EXPECT_TRUE(facade.IsItemSupported(0x0E0A0014));
    EXPECT_FALSE(facade.IsItemSupported(0x0E0A0099));
    uint32_t value = 0;
    ASSERT_TRUE(facade.GetItem(0x0E0A0014, &value));
    EXPECT_EQ(40u, value);
    EXPECT_TRUE(facade.SetItem(0x0E0A0014, 41));
    ASSERT_TRUE(facade.GetItem(0x0E0A0014, &value));
    EXPECT_EQ(41u, value);
    value = 77;
    EXPECT_FALSE(facade.GetItem(0x0E0A0099, &value));
    EXPECT_EQ(77u, value);
    EXPECT_FALSE(facade.SetItem(0x0E0A0099, 1));
    // Every write reaches the library, the refused one too.
    EXPECT_THAT(board.TakeJournal(), ElementsAre("dormix DormixSetItem 0x0E0A0014 0x00000029",
                                                 "dormix DormixSetItem 0x0E0A0099 0x00000001"));
}

// ---------------------------------------------------------------------------------------
// Gears: levels and thresholds

// The user's thresholds live under HKEY_LOCAL_MACHINE, shared by every test process.
class DormixGearTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_lock.Held());
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kPacely3);
    }
    void TearDown() override { RegDeleteTreeA(HKEY_LOCAL_MACHINE, kPacely3); }

    static void StoreThreshold(const char* name, DWORD value) {
        ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_LOCAL_MACHINE, kPacely3, name, REG_DWORD, &value, sizeof value));
    }

    static constexpr const char* kPacely3 = "Software\\KORA\\Pacely3";
    testutil::CrossProcessLock m_lock{"SurgepadTest.Pacely3"};
};

// A board with gears: the gear item, the open switch and the three thresholds.
std::string GearBoard(uint32_t gear) {
    return "dormix pacely=1 item=0x0B060003:" + std::to_string(gear) +
           ",0x0B060002:1,0x0E0A0014:0,0x0E0A0015:0,0x0E0A0016:0\n";
}

TEST_F(DormixGearTest, RegistryThresholdsNeedAllThreeValues) {
    EXPECT_EQ((kora::GearThresholds{0, 0, 255}), kora::ReadRegistryThresholds());
    StoreThreshold("Threshold1", 10);
    StoreThreshold("Threshold2", 20);
    EXPECT_EQ((kora::GearThresholds{0, 0, 255}), kora::ReadRegistryThresholds());
    StoreThreshold("Threshold3", 30);
    EXPECT_EQ((kora::GearThresholds{10, 20, 30}), kora::ReadRegistryThresholds());
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_LOCAL_MACHINE, kPacely3, "Threshold2", REG_SZ, "20", 3));
    EXPECT_EQ((kora::GearThresholds{0, 0, 255}), kora::ReadRegistryThresholds()) << "a string is no threshold";
}

TEST_F(DormixGearTest, UserGearWritesTheRegistryThresholdsAfterTheLevel) {
    StoreThreshold("Threshold1", 10);
    StoreThreshold("Threshold2", 20);
    StoreThreshold("Threshold3", 30);
    testutil::BoardScope board(GearBoard(5));
    kora::DormixLibDll lib;
    board.TakeJournal();
    ASSERT_TRUE(lib.PacelyLevelAbove1());
    ASSERT_TRUE(lib.PacelyLevelAbove3());

    EXPECT_EQ(1u, lib.SetLevel(kora::kLevelUserGear));
    // Gear above 3: no switching the gears on first.
    EXPECT_THAT(board.TakeJournal(),
                ElementsAre("dormix DormixSetItem 0x0E0A0014 0x00000000", "dormix DormixSetItem 0x0E0A0015 0x00000000",
                            "dormix DormixSetItem 0x0E0A0016 0x000000FF", "dormix SetLevel 0x00008000",
                            "dormix DormixSetItem 0x0E0A0014 0x0000000A", "dormix DormixSetItem 0x0E0A0015 0x00000014",
                            "dormix DormixSetItem 0x0E0A0016 0x0000001E"));

    // Without the third value the defaults apply.
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kPacely3, "Threshold3"));
    lib.ApplyGear();
    EXPECT_THAT(board.TakeJournal(),
                ElementsAre("dormix DormixSetItem 0x0E0A0014 0x00000000", "dormix DormixSetItem 0x0E0A0015 0x00000000",
                            "dormix DormixSetItem 0x0E0A0016 0x000000FF"));
    EXPECT_THAT(testutil::Recorder().messages, IsEmpty());
}

TEST_F(DormixGearTest, LowGearIsSwitchedOnBeforeAndResetAfterLevelZero) {
    testutil::BoardScope board(GearBoard(2));
    kora::DormixLibDll lib;
    board.TakeJournal();
    ASSERT_TRUE(lib.PacelyLevelAbove1());
    ASSERT_FALSE(lib.PacelyLevelAbove3());

    lib.Wake();  // level 0 on a board with gears
    EXPECT_THAT(
        board.TakeJournal(),
        ElementsAre("dormix DormixSetItem 0x0E0A0014 0x00000000", "dormix DormixSetItem 0x0E0A0015 0x00000000",
                    "dormix DormixSetItem 0x0E0A0016 0x000000FF", "dormix DormixSetItem 0x0B060002 0x00000001",
                    "dormix SetLevel 0x00000000", "dormix DormixSetItem 0x0E0A0014 0x00000000",
                    "dormix DormixSetItem 0x0E0A0015 0x00000000", "dormix DormixSetItem 0x0E0A0016 0x000000FF"));
    EXPECT_FALSE(lib.IsSleeping());

    lib.Sleep();
    const std::vector<std::string> sleep = board.TakeJournal();
    EXPECT_THAT(sleep, testing::Contains("dormix SetLevel 0x000000FF"));
    EXPECT_THAT(sleep, testing::Not(testing::Contains("dormix DormixSleep")));
    EXPECT_TRUE(lib.IsSleeping());
    EXPECT_THAT(testutil::Recorder().messages, IsEmpty());
}

TEST_F(DormixGearTest, WithoutGearsTheLevelGoesStraightToTheLibrary) {
    {
        testutil::BoardScope board("dormix pacely=0 item=0x0B060003:5,0x0E0A0014:0\n");
        kora::DormixLibDll lib;
        board.TakeJournal();
        EXPECT_EQ(1u, lib.SetLevel(kora::kLevelUserGear));
        lib.Sleep();
        EXPECT_THAT(board.TakeJournal(), ElementsAre("dormix SetLevel 0x00008000", "dormix DormixSleep"));
    }
    {
        // The gear item was not there when the library was bound: no gears either.
        testutil::BoardScope board("dormix pacely=1 item=0x0E0A0014:0\n");
        kora::DormixLibDll lib;
        board.TakeJournal();
        EXPECT_FALSE(lib.PacelyLevelAbove1());
        lib.SetLevel(3);
        EXPECT_THAT(board.TakeJournal(), ElementsAre("dormix SetLevel 0x00000003"));
    }
}

TEST_F(DormixGearTest, FailedGearWritesAreEachReported) {
    // Gears present, but neither the thresholds nor the open switch.
    testutil::BoardScope board("dormix pacely=1 item=0x0B060003:2\n");
    kora::DormixLibDll lib;
    lib.SetLevel(0);
    EXPECT_THAT(testutil::Recorder().messages,
                ElementsAre(ReportedMessage{"[PowerGearDll::SetThreshold] 0x0E0A0014 Failed", ""},
                            ReportedMessage{"[PowerGearDll::SetThreshold] 0x0E0A0015 Failed", ""},
                            ReportedMessage{"[PowerGearDll::SetThreshold] 0x0E0A0016 Failed", ""},
                            ReportedMessage{"[PowerGearDll::EnablePacely] Failed", ""},
                            ReportedMessage{"[PowerGearDll::IsPacelyOpen] Failed", ""}));
}

// ---------------------------------------------------------------------------------------
// The facade

class FakeImp : public kora::DormixLibImp {
public:
    MOCK_METHOD(bool, IsSupported, (), (override));
    MOCK_METHOD(bool, CheckReboot, (), (override));
    MOCK_METHOD(bool, IsEnabled, (), (override));
    MOCK_METHOD(void, Enable, (bool), (override));
    MOCK_METHOD(void, Sleep, (), (override));
    MOCK_METHOD(void, Wake, (), (override));
    MOCK_METHOD(void, SoundOn, (), (override));
    MOCK_METHOD(void, SoundOff, (), (override));
    MOCK_METHOD(void, ScreenOn, (), (override));
    MOCK_METHOD(void, ScreenOff, (), (override));
    MOCK_METHOD(void, ApplyGear, (), (override));
    MOCK_METHOD(bool, IsSleeping, (), (override));
    MOCK_METHOD(uint32_t, GetLevel, (), (override));
    MOCK_METHOD(uint8_t, SetLevel, (uint32_t), (override));
    MOCK_METHOD(bool, IsDormix, (), (override));
    MOCK_METHOD(bool, IsThermostatSupported, (), (override));
    MOCK_METHOD(bool, IsHushlySupported, (), (override));
    MOCK_METHOD(bool, PacelyLevelAbove1, (), (override));
    MOCK_METHOD(bool, PacelyLevelAbove3, (), (override));
    MOCK_METHOD(bool, IsVentixThreeSupported, (), (override));
    MOCK_METHOD(bool, GetPowerButtonSetting, (uint32_t*, uint32_t*), (override));
    MOCK_METHOD(bool, SetPowerButtonSetting, (uint32_t, uint32_t), (override));
    MOCK_METHOD(bool, GetItem, (uint32_t, uint32_t*), (override));
    MOCK_METHOD(bool, SetItem, (uint32_t, uint32_t), (override));
    MOCK_METHOD(bool, IsItemSupported, (uint32_t), (override));
};

TEST(DormixLibFacade, LevelIsAskedOnlyOfASupportedFeature) {
    auto unsupported = std::make_unique<testing::StrictMock<FakeImp>>();
    EXPECT_CALL(*unsupported, IsSupported()).WillOnce(testing::Return(false));
    kora::DormixLib off(std::move(unsupported));
    EXPECT_EQ(0u, off.GetLevel());

    auto supported = std::make_unique<testing::StrictMock<FakeImp>>();
    EXPECT_CALL(*supported, IsSupported()).WillOnce(testing::Return(true));
    EXPECT_CALL(*supported, GetLevel()).WillOnce(testing::Return(4u));
    kora::DormixLib on(std::move(supported));
    EXPECT_EQ(4u, on.GetLevel());
}

}  // namespace
