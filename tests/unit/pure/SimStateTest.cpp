// The state of a board across calls and processes: its starting point, the state
// file's text and how an old or damaged state file is read.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "sim/BoardParser.h"
#include "sim/SimState.h"

using sim::Board;
using sim::SimState;
using testing::ElementsAre;
using testing::HasSubstr;
using testing::Pair;

namespace {

const char kBalanced[] = "{381B4222-F694-41F0-9685-FF5BB260DF2E}";
const char kHigh[] = "{8C5E7FDA-E8BF-4A96-9A85-A6E23A8C635C}";
const char kCustom[] = "{11111111-2222-3333-4444-555555555555}";

const char kBoard[] = R"(
item 0x030600F0 0 count=4
item 0x03000013 28 count=43 percore=28,29,30,31
item 0x03010011 0 count=3001
item 0x03070030 1
dormix level=2 button=3,0 item=0x0B060002:0,0x0B060003:1
scheme {381B4222-F694-41F0-9685-FF5BB260DF2E} 3 active
scheme {8C5E7FDA-E8BF-4A96-9A85-A6E23A8C635C} 1
)";

Board Parse(const std::string& text) {
    std::string error;
    std::optional<Board> board = sim::ParseBoard(text, "board.txt", &error);
    EXPECT_TRUE(board.has_value()) << error;
    return board ? std::move(*board) : Board{};
}

}  // namespace

TEST(SimState, StartsFromTheBoard) {
    const Board board = Parse(kBoard);
    const SimState s = sim::InitialState(board);
    EXPECT_THAT(s.values, ElementsAre(Pair(0x03010011u, 0u), Pair(0x030600F0u, 0u), Pair(0x03070030u, 1u)));
    EXPECT_THAT(s.entries, ElementsAre(Pair(0x03000013u, ElementsAre(28u, 29u, 30u, 31u))));
    EXPECT_EQ(2u, s.level);
    EXPECT_EQ(3u, s.buttonAction);
    EXPECT_EQ(0u, s.buttonEvent);
    EXPECT_THAT(s.dormixItems, ElementsAre(Pair(0x0B060002u, 0u), Pair(0x0B060003u, 1u)));
    EXPECT_THAT(s.acIndex, ElementsAre(Pair(kBalanced, 3u), Pair(kHigh, 1u)));
    EXPECT_EQ(kBalanced, s.activeScheme);
    EXPECT_TRUE(s.flags.empty());
}

TEST(SimState, TextRoundTrip) {
    const Board board = Parse(kBoard);
    SimState changed = sim::InitialState(board);
    changed.values[0x030600F0] = 255;
    changed.values[0x03010011] = 3000;
    changed.entries[0x03000013] = {1, 2, 3, 42};
    changed.level = 0x8000;
    changed.buttonAction = 0;
    changed.buttonEvent = 0x80000000;
    changed.dormixItems[0x0B060002] = 1;
    changed.dormixItems[0x0E0A0014] = 7;  // an item the board did not list
    changed.acIndex[kHigh] = 0;
    changed.activeScheme = kHigh;
    changed.flags["enabled"] = 1;
    changed.flags["vvc.mute"] = 0;

    const std::string text = sim::StateText(changed);
    SimState read = sim::InitialState(board);
    std::string error;
    ASSERT_TRUE(sim::ReadStateText(text, "state.txt", board, &read, &error)) << error << "\n" << text;
    EXPECT_EQ(changed, read) << text;

    // Numbers are written as the journal writes them.
    EXPECT_THAT(text, HasSubstr("value 0x03010011 0x00000BB8\n"));
    EXPECT_THAT(text, HasSubstr("entries 0x03000013 0x00000001 0x00000002 0x00000003 0x0000002A\n"));
    EXPECT_THAT(text, HasSubstr(std::string("active ") + kHigh + "\n"));
}

// A state file written for another board (or an older one) cannot create items, widen
// ranges or invent schemes.
TEST(SimState, LinesThatNoLongerFitArePassedOver) {
    const Board board = Parse(kBoard);
    SimState s = sim::InitialState(board);
    const SimState initial = s;
    std::string error;
    ASSERT_TRUE(
        sim::ReadStateText("value 0x03000099 1\n"           // unknown item
                           "value 0x03010011 3001\n"        // out of range
                           "value 0x03070030 2\n"           // not a boolean
                           "value 0x03000013 5\n"           // per-core item as a plain value
                           "entries 0x03000013 1 2 3\n"     // too few entries
                           "entries 0x03000013 1 2 3 43\n"  // an entry out of range
                           "entries 0x03010011 1\n"         // plain item as per-core
                           "scheme {00000000-0000-0000-0000-000000000000} 1\n"
                           "active {00000000-0000-0000-0000-000000000000}\n",
                           "state.txt", board, &s, &error))
        << error;
    EXPECT_EQ(initial, s);

    // What fits is taken, next to what does not.
    ASSERT_TRUE(sim::ReadStateText(
        "value 0x030600F0 255\nvalue 0x03000099 1\nentries 0x03000013 0 0 0 42\n"
        "scheme 8c5e7fda-e8bf-4a96-9a85-a6e23a8c635c 2\nactive 8c5e7fda-e8bf-4a96-9a85-a6e23a8c635c\n",
        "state.txt", board, &s, &error))
        << error;
    EXPECT_EQ(255u, s.values.at(0x030600F0));
    EXPECT_THAT(s.entries.at(0x03000013), ElementsAre(0u, 0u, 0u, 42u));
    EXPECT_EQ(2u, s.acIndex.at(kHigh));
    EXPECT_EQ(kHigh, s.activeScheme);
}

// A damaged state file is refused as a whole, with its line; the state stays as it was.
TEST(SimState, DamagedFileIsRefused) {
    const Board board = Parse(kBoard);
    struct Case {
        const char* text;
        const char* error;
    };
    const Case cases[] = {
        {"value 0x03010011 5\nvalue 0x03010011\n", "state.txt:2: \"value\" takes 2 numbers"},
        {"# c\nlevel x\n", "state.txt:2: bad number \"x\""},
        {"button 1\n", "state.txt:1: \"button\" takes 2 numbers"},
        {"entries\n", "state.txt:1: \"entries\" needs an ID"},
        {"scheme {381B4222-F694-41F0-9685-FF5BB260DF2E}\n", "state.txt:1: \"scheme\" takes a GUID and an AC index"},
        {"active\n", "state.txt:1: \"active\" takes a GUID"},
        {"flag bad name 1\n", "state.txt:1: \"flag\" takes a NAME and a number"},
        {"flag a/b 1\n", "state.txt:1: \"flag\" takes a NAME and a number"},
        {"value 0x03010011 5\ngarbage\n", "state.txt:2: unknown line \"garbage\""},
        {"dormix-item \"x\n", "state.txt:1: text without its closing quote"},
        {"added\n", "state.txt:1: \"added\" takes a GUID"},
        {"deleted a b\n", "state.txt:1: \"deleted\" takes a GUID"},
        {"power-source mains\n", "state.txt:1: \"power-source\" takes ac or battery"},
        {"power-mode x\n", "state.txt:1: bad number \"x\""},
        {"battery\n", "state.txt:1: \"battery\" takes 1 numbers"},
    };
    for (const Case& c : cases) {
        SimState s = sim::InitialState(board);
        const SimState before = s;
        std::string error;
        EXPECT_FALSE(sim::ReadStateText(c.text, "state.txt", board, &s, &error)) << c.text;
        EXPECT_EQ(c.error, error);
        EXPECT_EQ(before, s) << c.text;
    }
}

TEST(SimState, FlagsWithNamesThatCannotBeReadBackAreNotWritten) {
    SimState s;
    s.flags["ok_name-1.x"] = 1;
    s.flags["bad name"] = 2;
    s.flags[""] = 3;
    const std::string text = sim::StateText(s);
    EXPECT_THAT(text, HasSubstr("flag ok_name-1.x 0x00000001\n"));
    EXPECT_THAT(text, testing::Not(HasSubstr("bad name")));
    SimState read;
    std::string error;
    EXPECT_TRUE(sim::ReadStateText(text, "state.txt", Board{}, &read, &error)) << error;
    EXPECT_THAT(read.flags, ElementsAre(Pair("ok_name-1.x", 1u)));
}

// Plans added and deleted, the power source and the mode live in the state file like the
// rest: the text alone carries them, and nothing else is read back.
TEST(SimState, PlansAndPowerThroughTheText) {
    const Board board = Parse(std::string(kBoard) + "power source=battery mode=5\n");
    SimState changed = sim::InitialState(board);
    EXPECT_EQ(sim::PowerSource::Battery, changed.powerSource);
    EXPECT_TRUE(changed.batteryPresent);
    EXPECT_EQ(5u, changed.powerMode);
    changed.acIndex[kCustom] = 4;
    changed.addedSchemes = {kCustom};
    changed.acIndex.erase(kHigh);
    changed.deletedSchemes = {kHigh};
    changed.activeScheme = kCustom;
    changed.powerSource = sim::PowerSource::Ac;
    changed.powerMode = 0;

    const std::string text = sim::StateText(changed);
    for (const SimState& start : {sim::InitialState(board), SimState{}}) {
        SimState read = start;
        std::string error;
        ASSERT_TRUE(sim::ReadStateText(text, "state.txt", board, &read, &error)) << error << "\n" << text;
        EXPECT_EQ(changed, read) << text;
    }
    EXPECT_THAT(sim::SchemeList(board, changed), ElementsAre(kBalanced, kCustom));
    for (const char* expected :
         {"scheme {11111111-2222-3333-4444-555555555555} 0x00000004\n",
          "\nadded {11111111-2222-3333-4444-555555555555}\n", "\ndeleted {8C5E7FDA-E8BF-4A96-9A85-A6E23A8C635C}\n",
          "\npower-source ac\n", "\nbattery 0x00000001\n", "\npower-mode 0x00000000\n"}) {
        EXPECT_THAT(text, HasSubstr(expected));
    }
}

// A plan exists only as the board, `added` and `deleted` allow; the active plan always.
TEST(SimState, SchemeLinesThatDoNotFitArePassedOver) {
    const std::string windows7 = std::string(kBoard) + "windows 6.1\n";
    const struct {
        const char* why;
        std::string board;
        std::string text;
    } cases[] = {
        {"added without its action", kBoard, std::string("added ") + kCustom + "\n"},
        {"an action without added", kBoard, std::string("scheme ") + kCustom + " 1\n"},
        {"the all-schemes id", kBoard,
         "scheme {68A1E95E-13EA-41E1-8011-0C496CA490B0} 1\nadded {68A1E95E-13EA-41E1-8011-0C496CA490B0}\n"},
        {"an added action the board's Windows lacks", windows7,
         std::string("scheme ") + kCustom + " 4\nadded " + kCustom + "\n"},
        {"a board action the board's Windows lacks", windows7, std::string("scheme ") + kHigh + " 4\n"},
        {"a deleted plan the board lacks", kBoard, std::string("deleted ") + kCustom + "\n"},
        {"the active plan deleted", kBoard, std::string("deleted ") + kBalanced + "\n"},
        {"an active plan that was deleted", kBoard, std::string("deleted ") + kHigh + "\nactive " + kHigh + "\n"},
        {"a plan added on a board without schemes", "dormix\n",
         std::string("scheme ") + kCustom + " 1\nadded " + kCustom + "\nactive " + kCustom + "\n"},
        {"a mode out of range, a battery flag that is not one", kBoard, "power-mode 7\nbattery 2\n"},
    };
    for (const auto& c : cases) {
        const Board board = Parse(c.board);
        SimState s = sim::InitialState(board);
        SimState expected = s;
        if (c.text.find("deleted " + std::string(kHigh)) != std::string::npos) {
            expected.acIndex.erase(kHigh);  // only the activation is passed over
            expected.deletedSchemes = {kHigh};
        }
        std::string error;
        ASSERT_TRUE(sim::ReadStateText(c.text, "state.txt", board, &s, &error)) << c.why << ": " << error;
        EXPECT_EQ(expected, s) << c.why << "\n" << sim::StateText(s);
    }
}
