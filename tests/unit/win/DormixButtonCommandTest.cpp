// kora-sim.exe button ACTION EVENT: the user changing the system's power button, seen by
// the program through the power-feature library.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "lumen/kora/DormixLib.h"
#include "tests/unit/win/DormixTestSupport.h"

namespace {

testutil::ChildResult Button(const std::string& arguments, const testutil::BoardScope& board) {
    return testutil::RunChild(testutil::ExeFolder() + "kora-sim.exe", "button " + arguments, board.Path("button.txt"),
                              30000);
}

TEST(DormixButtonCommand, ChangesThePairTheLibraryReports) {
    testutil::BoardScope board("dormix button=0,0x80000000\n");
    kora::DormixLibDll lib;
    const testutil::ChildResult result = Button("7 0x55", board);
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(0u, result.exitCode) << result.output;
    uint32_t action = 0;
    uint32_t event = 0;
    ASSERT_TRUE(lib.GetPowerButtonSetting(&action, &event));
    EXPECT_EQ(7u, action);
    EXPECT_EQ(0x55u, event);
}

TEST(DormixButtonCommand, OnABoardWithSchemesItChangesTheActiveScheme) {
    testutil::BoardScope board(
        "dormix\n"
        "scheme {A1841308-3541-4FAB-BC81-F71556F20B4A} 0 active\n"
        "scheme {381B4222-F694-41F0-9685-FF5BB260DF2E} 0\n");
    const testutil::ChildResult result = Button("1 0", board);
    EXPECT_EQ(0u, result.exitCode) << result.output;
    kora::DormixLibDll lib;
    uint32_t action = 0;
    uint32_t event = 9;
    ASSERT_TRUE(lib.GetPowerButtonSetting(&action, &event));
    EXPECT_EQ(1u, action);
    EXPECT_EQ(0u, event);
    const std::string state = testutil::ReadText(board.Path("state.txt"));
    EXPECT_NE(std::string::npos, state.find("{A1841308-3541-4FAB-BC81-F71556F20B4A} 0x00000001")) << state;
}

TEST(DormixButtonCommand, RefusesWhatItCannotDo) {
    testutil::BoardScope board("dormix button=3,0\n");
    EXPECT_EQ(2u, Button("7", board).exitCode);
    EXPECT_EQ(2u, Button("seven 0", board).exitCode);
    {
        // No state file (an empty name counts as none): the change could reach no other program.
        testutil::ScopedEnvironment noState("KORA_SIM_STATE", "");
        const testutil::ChildResult result = Button("7 0", board);
        EXPECT_EQ(1u, result.exitCode);
        EXPECT_NE(std::string::npos, result.output.find("kora-sim: button:")) << result.output;
    }
    testutil::BoardScope noLibrary("item 0x01000001 0\n");
    const testutil::ChildResult result = Button("7 0", noLibrary);
    EXPECT_EQ(1u, result.exitCode);
    EXPECT_NE(std::string::npos, result.output.find("no \"dormix\" line")) << result.output;
}

}  // namespace
