// What the power-feature and power-scheme stand-ins answer, given a board and its state:
// the logic under "Dormix.dll", "vvc.dll", "powrprof.dll" and `kora-sim button`.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "sim/BoardParser.h"
#include "sim/SimState.h"
#include "sim/dormix/DormixFeature.h"
#include "sim/powrprof/PowerSchemes.h"

namespace {

const char kSaver[] = "{A1841308-3541-4FAB-BC81-F71556F20B4A}";
const char kHigh[] = "{8C5E7FDA-E8BF-4A96-9A85-A6E23A8C635C}";
const char kBalanced[] = "{381B4222-F694-41F0-9685-FF5BB260DF2E}";
const char kGaming[] = "{11111111-2222-3333-4444-555555555555}";
const char kQuiet[] = "{ABCDEF01-2345-6789-ABCD-EF0123456789}";

// A board and the state it starts in.
struct Simulated {
    explicit Simulated(const std::string& text) {
        std::string error;
        std::optional<sim::Board> parsed = sim::ParseBoard(text, "board.txt", &error);
        EXPECT_TRUE(parsed.has_value()) << error;
        if (parsed) {
            board = std::move(*parsed);
        }
        state = sim::InitialState(board);
    }
    sim::Board board;
    sim::SimState state;
};

TEST(DormixStandIn, BoardWithoutTheLineHasTheLibraryButNoFeature) {
    Simulated s("");
    sim::DormixFeature feature(s.board, s.state);
    EXPECT_EQ(0u, feature.Supported());
    EXPECT_EQ(0u, feature.PacelySupported());
    EXPECT_EQ(0u, feature.VentixThreeSupported());
    uint32_t level = 9;
    EXPECT_FALSE(feature.GetLevel(&level));
    EXPECT_FALSE(feature.SetLevel(2));
    uint32_t action = 9;
    uint32_t event = 9;
    EXPECT_FALSE(feature.GetPowerButton(&action, &event));
    EXPECT_FALSE(feature.SetPowerButton(0, 0));
    EXPECT_EQ(9u, action);
    EXPECT_FALSE(feature.SetItem(0x0B060003, 1));
}

TEST(DormixStandIn, LevelAndItemsChangeOnlyWhereTheBoardAllows) {
    Simulated s("dormix level=4 hushly=1 item=0x0B060003:2\n");
    sim::DormixFeature feature(s.board, s.state);
    EXPECT_EQ(1u, feature.Supported());
    EXPECT_EQ(1u, feature.HushlySupported());
    uint32_t level = 0;
    ASSERT_TRUE(feature.GetLevel(&level));
    EXPECT_EQ(4u, level);
    EXPECT_TRUE(feature.SetLevel(0x8000));
    EXPECT_EQ(0x8000u, s.state.level);

    EXPECT_TRUE(feature.HasItem(0x0B060003));
    EXPECT_TRUE(feature.SetItem(0x0B060003, 5));
    uint32_t value = 0;
    ASSERT_TRUE(feature.GetItem(0x0B060003, &value));
    EXPECT_EQ(5u, value);
    EXPECT_FALSE(feature.HasItem(0x0B060004));
    EXPECT_FALSE(feature.SetItem(0x0B060004, 1));
    EXPECT_EQ(0u, s.state.dormixItems.count(0x0B060004)) << "no item may appear by writing it";

    Simulated unsupported("dormix supported=0 level=4\n");
    sim::DormixFeature off(unsupported.board, unsupported.state);
    EXPECT_FALSE(off.GetLevel(&level));
    EXPECT_FALSE(off.SetLevel(1));
    EXPECT_EQ(4u, unsupported.state.level);
}

TEST(DormixStandIn, PowerButtonIsThePairOrTheActiveSchemesIndex) {
    Simulated plain("dormix button=3,0x12\n");
    sim::DormixFeature feature(plain.board, plain.state);
    uint32_t action = 0;
    uint32_t event = 0;
    ASSERT_TRUE(feature.GetPowerButton(&action, &event));
    EXPECT_EQ(3u, action);
    EXPECT_EQ(0x12u, event);
    EXPECT_TRUE(feature.SetPowerButton(0, 0x80000000));
    EXPECT_EQ(0u, plain.state.buttonAction);
    EXPECT_EQ(0x80000000u, plain.state.buttonEvent);

    Simulated schemes(std::string("dormix button=6,7\nscheme ") + kSaver + " 0\nscheme " + kBalanced + " 3 active\n");
    sim::DormixFeature withSchemes(schemes.board, schemes.state);
    ASSERT_TRUE(withSchemes.GetPowerButton(&action, &event));
    EXPECT_EQ(3u, action);
    EXPECT_EQ(0u, event);
    EXPECT_TRUE(withSchemes.SetPowerButton(1, 0x80000000));
    EXPECT_EQ(1u, schemes.state.acIndex[kBalanced]);
    EXPECT_EQ(0u, schemes.state.acIndex[kSaver]) << "only the active scheme follows the library";
}

TEST(DormixStandIn, FlagsChangeOnlyWhenTheyDiffer) {
    Simulated s("dormix\n");
    sim::DormixFeature feature(s.board, s.state);
    EXPECT_TRUE(feature.SetFlag(sim::kDormixEnabledFlag, 1));
    EXPECT_FALSE(feature.SetFlag(sim::kDormixEnabledFlag, 1));
    EXPECT_TRUE(feature.SetFlag(sim::kDormixEnabledFlag, 0));
    EXPECT_EQ(0u, s.state.flags[sim::kDormixEnabledFlag]);
}

TEST(DormixStandIn, JournalLines) {
    EXPECT_EQ("dormix DormixInit", sim::DormixJournalLine("DormixInit"));
    EXPECT_EQ("dormix SetPowerButtonSetting 0x00000000 0x80000000",
              sim::DormixJournalLine("SetPowerButtonSetting", {0, 0x80000000}));
    EXPECT_EQ("vvc VISTA_SetMute 0x00000001", sim::VvcMuteJournalLine(1));
    EXPECT_EQ(std::string("powrprof write ") + sim::kAllPowerSchemesGuid + " " + sim::kSystemButtonSubgroupGuid + " " +
                  sim::kPowerButtonActionGuid + " 0x00000003",
              sim::PowrprofWriteJournalLine(sim::kAllPowerSchemesGuid, sim::kSystemButtonSubgroupGuid,
                                            sim::kPowerButtonActionGuid, 3));
    EXPECT_EQ(std::string("powrprof setactive ") + kHigh, sim::PowrprofSetActiveJournalLine(kHigh));
}

TEST(PowerSchemesStandIn, GuidTextRoundTrip) {
    sim::SimGuid guid{};
    ASSERT_TRUE(sim::ParseGuid("8c5e7fda-e8bf-4a96-9a85-a6e23a8c635c", &guid));
    EXPECT_EQ(0x8C5E7FDAu, guid.data1);
    EXPECT_EQ(0xE8BFu, guid.data2);
    EXPECT_EQ(0x4A96u, guid.data3);
    EXPECT_EQ(0x9Au, guid.data4[0]);
    EXPECT_EQ(0x85u, guid.data4[1]);
    EXPECT_EQ(0xA6u, guid.data4[2]);
    EXPECT_EQ(0x5Cu, guid.data4[7]);
    EXPECT_EQ(kHigh, sim::GuidText(guid));
    EXPECT_FALSE(sim::ParseGuid("{8C5E7FDA-E8BF-4A96-9A85-A6E23A8C635}", &guid));
    EXPECT_FALSE(sim::ParseGuid("not a guid at all, not at all.......", &guid));
}

TEST(PowerSchemesStandIn, ReadsWritesAndActivatesTheBoardsSchemes) {
    Simulated s(std::string("scheme ") + kSaver + " 0\nscheme " + kHigh + " 3\nscheme " + kBalanced + " 1 active\n");
    sim::PowerSchemes schemes(s.board, s.state);
    std::string active;
    ASSERT_EQ(sim::kPowerOk, schemes.GetActive(&active));
    EXPECT_EQ(kBalanced, active);

    uint32_t value = 9;
    EXPECT_EQ(sim::kPowerOk,
              schemes.ReadAcValue(kHigh, sim::kSystemButtonSubgroupGuid, sim::kPowerButtonActionGuid, &value));
    EXPECT_EQ(3u, value);
    // Only the power-button action exists.
    value = 9;
    EXPECT_EQ(sim::kPowerFileNotFound,
              schemes.ReadAcValue(kHigh, sim::kSystemButtonSubgroupGuid, sim::kAllPowerSchemesGuid, &value));
    EXPECT_EQ(9u, value);

    EXPECT_EQ(sim::kPowerOk, schemes.WriteAcValue(sim::kAllPowerSchemesGuid, sim::kSystemButtonSubgroupGuid,
                                                  sim::kPowerButtonActionGuid, 0));
    EXPECT_EQ(0u, s.state.acIndex[kSaver]);
    EXPECT_EQ(0u, s.state.acIndex[kHigh]);
    EXPECT_EQ(0u, s.state.acIndex[kBalanced]);
    EXPECT_EQ(sim::kPowerOk,
              schemes.WriteAcValue(kSaver, sim::kSystemButtonSubgroupGuid, sim::kPowerButtonActionGuid, 2));
    EXPECT_EQ(2u, s.state.acIndex[kSaver]);
    EXPECT_EQ(sim::kPowerFileNotFound,
              schemes.WriteAcValue("{11111111-2222-3333-4444-555555555555}", sim::kSystemButtonSubgroupGuid,
                                   sim::kPowerButtonActionGuid, 2));
    EXPECT_EQ(3u, s.state.acIndex.size());

    EXPECT_EQ(sim::kPowerOk, schemes.SetActive(kSaver));
    EXPECT_EQ(kSaver, s.state.activeScheme);
    EXPECT_EQ(sim::kPowerFileNotFound, schemes.SetActive("{11111111-2222-3333-4444-555555555555}"));
    EXPECT_EQ(kSaver, s.state.activeScheme);

    std::string listed;
    ASSERT_EQ(sim::kPowerOk, schemes.Enumerate(1, &listed));
    EXPECT_EQ(kHigh, listed);
    EXPECT_EQ(sim::kPowerNoMoreItems, schemes.Enumerate(3, &listed));
}

TEST(PowerSchemesStandIn, BoardWithoutSchemesHasNone) {
    Simulated s("dormix\n");
    sim::PowerSchemes schemes(s.board, s.state);
    std::string active = "unchanged";
    EXPECT_EQ(sim::kPowerFileNotFound, schemes.GetActive(&active));
    EXPECT_EQ("unchanged", active);
    EXPECT_EQ(sim::kPowerFileNotFound, schemes.WriteAcValue(sim::kAllPowerSchemesGuid, sim::kSystemButtonSubgroupGuid,
                                                            sim::kPowerButtonActionGuid, 0));
    EXPECT_EQ(sim::kPowerNoMoreItems, schemes.Enumerate(0, &active));
}

// The user's plans in the system's power options, step by step: each step's result,
// then the plans as the system lists them and the active one.
TEST(PowerSchemesStandIn, CustomPlansComeAndGo) {
    Simulated s(std::string("scheme ") + kSaver + " 0\nscheme " + kHigh + " 3\nscheme " + kBalanced + " 1 active\n");
    sim::PowerSchemes schemes(s.board, s.state);
    enum class Op { Add, Delete, Activate };
    const struct {
        Op op;
        const char* scheme;
        uint32_t index;
        uint32_t result;
        std::vector<std::string> list;
        const char* active;
    } steps[] = {
        {Op::Add, kGaming, 4, sim::kPowerOk, {kSaver, kHigh, kBalanced, kGaming}, kBalanced},
        {Op::Add, kGaming, 1, sim::kPowerAlreadyExists, {kSaver, kHigh, kBalanced, kGaming}, kBalanced},
        {Op::Add,
         sim::kAllPowerSchemesGuid,
         1,
         sim::kPowerAlreadyExists,
         {kSaver, kHigh, kBalanced, kGaming},
         kBalanced},
        {Op::Add, kQuiet, 5, sim::kPowerInvalidParameter, {kSaver, kHigh, kBalanced, kGaming}, kBalanced},
        {Op::Activate, kGaming, 0, sim::kPowerOk, {kSaver, kHigh, kBalanced, kGaming}, kGaming},
        {Op::Delete, kGaming, 0, sim::kPowerAccessDenied, {kSaver, kHigh, kBalanced, kGaming}, kGaming},
        {Op::Delete, kHigh, 0, sim::kPowerOk, {kSaver, kBalanced, kGaming}, kGaming},
        {Op::Delete, kHigh, 0, sim::kPowerFileNotFound, {kSaver, kBalanced, kGaming}, kGaming},
        {Op::Activate, kHigh, 0, sim::kPowerFileNotFound, {kSaver, kBalanced, kGaming}, kGaming},
        {Op::Add, kQuiet, 2, sim::kPowerOk, {kSaver, kBalanced, kGaming, kQuiet}, kGaming},
        {Op::Add, kHigh, 2, sim::kPowerOk, {kSaver, kHigh, kBalanced, kGaming, kQuiet}, kGaming},
        {Op::Activate, kSaver, 0, sim::kPowerOk, {kSaver, kHigh, kBalanced, kGaming, kQuiet}, kSaver},
        {Op::Delete, kGaming, 0, sim::kPowerOk, {kSaver, kHigh, kBalanced, kQuiet}, kSaver},
    };
    int n = 0;
    for (const auto& step : steps) {
        ++n;
        const uint32_t result = step.op == Op::Add      ? schemes.Add(step.scheme, step.index)
                                : step.op == Op::Delete ? schemes.Delete(step.scheme)
                                                        : schemes.SetActive(step.scheme);
        EXPECT_EQ(step.result, result) << "step " << n;
        std::vector<std::string> listed;
        std::string scheme;
        for (uint32_t i = 0; schemes.Enumerate(i, &scheme) == sim::kPowerOk; ++i) {
            listed.push_back(scheme);
        }
        EXPECT_EQ(step.list, listed) << "step " << n;
        ASSERT_EQ(sim::kPowerOk, schemes.GetActive(&scheme));
        EXPECT_EQ(step.active, scheme) << "step " << n;
    }
    // A plan of the board deleted and added again takes the new action; the custom ones
    // theirs, and every plan follows a write to all of them.
    uint32_t value = 9;
    EXPECT_EQ(sim::kPowerOk,
              schemes.ReadAcValue(kHigh, sim::kSystemButtonSubgroupGuid, sim::kPowerButtonActionGuid, &value));
    EXPECT_EQ(2u, value);
    EXPECT_EQ(sim::kPowerOk, schemes.WriteAcValue(sim::kAllPowerSchemesGuid, sim::kSystemButtonSubgroupGuid,
                                                  sim::kPowerButtonActionGuid, 4));
    EXPECT_THAT(s.state.acIndex, testing::Each(testing::Pair(testing::_, 4u)));
    EXPECT_EQ(4u, s.state.acIndex.size());

    Simulated none("dormix\n");
    sim::PowerSchemes noSchemes(none.board, none.state);
    EXPECT_EQ(sim::kPowerFileNotFound, noSchemes.Add(kGaming, 0)) << "a system without schemes gets no plan";
}

// The actions each Windows defines: 0 to 3 on 6.x, 0 to 4 (turn off the display) on 10.0.
// Another action fails, and every plan keeps its value.
TEST(PowerSchemesStandIn, ActionsTheBoardsWindowsDefines) {
    const struct {
        const char* windows;
        uint32_t action;
        bool accepted;
    } cases[] = {
        {"", 4, true},
        {"", 5, false},
        {"", 0xFFFFFFFF, false},
        {"windows 10.0\n", 4, true},
        {"windows 6.1\n", 3, true},
        {"windows 6.1\n", 4, false},
        {"windows 6.0\n", 4, false},
    };
    for (const auto& c : cases) {
        const std::string label = std::string(c.windows) + "action " + std::to_string(c.action);
        Simulated s(std::string(c.windows) + "dormix\nscheme " + kSaver + " 0\nscheme " + kBalanced + " 1 active\n");
        const sim::SimState before = s.state;
        sim::PowerSchemes schemes(s.board, s.state);
        const uint32_t expected = c.accepted ? sim::kPowerOk : sim::kPowerInvalidParameter;
        for (const char* target : {kSaver, sim::kAllPowerSchemesGuid}) {
            EXPECT_EQ(expected, schemes.WriteAcValue(target, sim::kSystemButtonSubgroupGuid,
                                                     sim::kPowerButtonActionGuid, c.action))
                << label << " " << target;
        }
        EXPECT_EQ(expected, schemes.Add(kGaming, c.action)) << label;
        sim::DormixFeature feature(s.board, s.state);
        EXPECT_EQ(c.accepted, feature.SetPowerButton(c.action, 0)) << label;
        if (!c.accepted) {
            EXPECT_EQ(before, s.state) << label;
        } else {
            EXPECT_EQ(c.action, s.state.acIndex[kSaver]) << label;
        }
    }
}

}  // namespace
