// The overclocking write order, save and restore, checked against the simulated
// firmware's journal: every write, in order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lumen/kora/OcItemSet.h"
#include "tests/unit/ReportRecorder.h"
#include "tests/unit/SimBoard.h"

using kora::KrOcPrimaryItemSet;
using kora::KrOcRatio;
using kora::OcValueList;
using testutil::Recorder;
using testutil::SimBoard;

namespace {

// Base frequency 100.00 MHz + index * 0.01 (unit 1 adds two decimals), ratio 8 +
// index with one value per core for four cores, the core selector, the voltage
// limit, two other items and the apply control.
const char* const kBoard = R"(
info 0 0 0 0x03000000
item 0x00060008 0x6
item 0x00060009 0x2
item 0x03010011 0 base=10000 step=1 count=2000
item 0x03000013 30 base=8 step=1 count=50 percore=30,30,30,30
item 0x030600F0 0 base=0 step=1 count=4 attr=0x40000000
item 0x03010060 100 base=0 step=1 count=400
item 0x03000020 5 base=0 step=1 count=10
item 0x03070030 0
item 0x03080064 0 texts="Idle","Apply"
item 0x0B060001 0
block 0x05080002 0 0 0x03000020 7 0xFFFFFFFF 0x03070030 1
)";

std::string Set(uint32_t id, uint32_t value, int mode) {
    char line[64];
    std::snprintf(line, sizeof line, "acpi set 0x%08X 0x%08X %d ok", id, value, mode);
    return line;
}

class OcWriteOrder : public testing::Test {
protected:
    SimBoard board{kBoard};
    KrOcRatio ratio;
    KrOcPrimaryItemSet set{ratio};

    void SetUp() override { board.TakeJournal(); }
};

}  // namespace

TEST_F(OcWriteOrder, RatioModelFollowsTheBoard) {
    EXPECT_TRUE(ratio.HasItem());
    EXPECT_EQ(0x03000013u, ratio.Id());
    EXPECT_TRUE(ratio.SelectorPresent());
    EXPECT_EQ(4, ratio.Count());
    EXPECT_TRUE(ratio.PerCore());
    EXPECT_TRUE(ratio.IsWritable());
    ASSERT_NE(nullptr, set.Place(0));
    EXPECT_EQ(0x03010011u, set.Place(0)->Id());
    EXPECT_EQ(nullptr, set.Place(4));
    EXPECT_TRUE(Recorder().messages.empty());
}

TEST_F(OcWriteOrder, RaisingWritesOthersFirstThenFrequencyThenRatios) {
    // 100.00 x 38 -> 101.00 x 48: the clock rises.
    const OcValueList profile = {{0x03000013, 40},  {0x03000013, 40}, {0x03000013, 40}, {0x03000013, 40},
                                 {0x03010011, 100}, {0x03000020, 9},  {0x03010060, 100}};
    set.ApplyValues(profile);
    std::vector<std::string> expected = {
        Set(kora::kCoreSelectorId, 3, 1),  // the current ratio is read on the last core
        Set(0x03000020, 9, 2),             // others; 0x60 unchanged, so not written
        Set(0x03010011, 100, 2),           // then the base frequency
    };
    for (uint32_t core = 0; core < 4; ++core) {
        expected.push_back(Set(kora::kCoreSelectorId, core, 1));
        expected.push_back(Set(0x03000013, 40, 2));
    }
    expected.push_back(Set(kora::kCoreSelectorId, 255, 1));
    expected.push_back(Set(0x03000013, 40, 2));
    EXPECT_EQ(expected, board.TakeJournal());
}

TEST_F(OcWriteOrder, LoweringWritesFrequencyAndRatiosFirst) {
    // 100.00 x 38 -> 100.00 x 28 with one core left alone: falls.
    const OcValueList profile = {{0x03000020, 1},  {0x03000013, 20}, {0x03000013, 30},
                                 {0x03000013, 20}, {0x03000013, 20}, {0x03010011, 0}};
    set.ApplyValues(profile);
    const std::vector<std::string> expected = {Set(kora::kCoreSelectorId, 3, 1),
                                               // 0x11 is unchanged: no write. Ratios per core, core 1 already 30.
                                               Set(kora::kCoreSelectorId, 0, 1), Set(0x03000013, 20, 2),
                                               Set(kora::kCoreSelectorId, 1, 1), Set(kora::kCoreSelectorId, 2, 1),
                                               Set(0x03000013, 20, 2), Set(kora::kCoreSelectorId, 3, 1),
                                               Set(0x03000013, 20, 2),
                                               // the sequence ends with selector 255 and the last value again
                                               Set(kora::kCoreSelectorId, 255, 1), Set(0x03000013, 20, 2),
                                               // then the others
                                               Set(0x03000020, 1, 2)};
    EXPECT_EQ(expected, board.TakeJournal());
}

TEST_F(OcWriteOrder, VoltageGoesFirstWhenItFallsAndLastWhenItRises) {
    set.ApplyValues({{0x03010060, 50}, {0x03000020, 6}});
    EXPECT_EQ((std::vector<std::string>{Set(0x03010060, 50, 2), Set(0x03000020, 6, 2)}), board.TakeJournal());
    set.ApplyValues({{0x03010060, 200}, {0x03000020, 7}});
    EXPECT_EQ((std::vector<std::string>{Set(0x03000020, 7, 2), Set(0x03010060, 200, 2)}), board.TakeJournal());
}

TEST_F(OcWriteOrder, UnchangedValuesAndUnchangedRatiosAreNotWritten) {
    set.ApplyValues({{0x03000020, 5}, {0x03000013, 30}, {0x03000013, 30}, {0x03000013, 30}, {0x03000013, 30}});
    // Only the selections: no value differs, so no write and no closing 255.
    const std::vector<std::string> expected = {Set(kora::kCoreSelectorId, 0, 1), Set(kora::kCoreSelectorId, 1, 1),
                                               Set(kora::kCoreSelectorId, 2, 1), Set(kora::kCoreSelectorId, 3, 1)};
    EXPECT_EQ(expected, board.TakeJournal());
}

TEST_F(OcWriteOrder, BaseFrequencyWithoutARatioKeepsTheCurrentRatioOnBothSides) {
    kora::WriteIfChanged(0x03010011, 200);  // 102.00 MHz now
    board.TakeJournal();
    // 102.00 -> 101.00 with no ratio pair: the ratio stays, so the clock falls and
    // the frequency goes first.
    set.ApplyValues({{0x03000020, 7}, {0x03010011, 100}});
    EXPECT_EQ(
        (std::vector<std::string>{Set(kora::kCoreSelectorId, 3, 1), Set(0x03010011, 100, 2), Set(0x03000020, 7, 2)}),
        board.TakeJournal());
}

TEST_F(OcWriteOrder, SaveAndRestoreKeepEveryValue) {
    OcValueList saved;
    kora::SaveCurrentValues(ratio, &saved);
    // Ratios first, one per core; the read-only selector is left out.
    ASSERT_GE(saved.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(0x03000013u, saved[i].id);
        EXPECT_EQ(30u, saved[i].value);
    }
    for (const auto& p : saved) {
        EXPECT_NE(kora::kCoreSelectorId, p.id);
    }
    board.TakeJournal();

    // Something else changes the values, then the saved list goes back.
    set.ApplyValues({{0x03000020, 9}, {0x03010011, 150}});
    board.TakeJournal();

    class Counter : public kora::OcAnnouncer {
    public:
        void SystemControlRequest(uint32_t, uint32_t, uint32_t) override { ++requests; }
        void AnnounceValuesChanged() override { ++announced; }
        int requests = 0;
        int announced = 0;
    } announcer;
    OcValueList copy = saved;
    kora::RestoreSavedValues(set, announcer, &copy);
    EXPECT_TRUE(copy.empty());
    EXPECT_EQ(1, announcer.announced);
    OcValueList now;
    kora::SaveCurrentValues(ratio, &now);
    EXPECT_EQ(saved, now);
}

TEST_F(OcWriteOrder, RestoreIsGuardedByTheFirmware) {
    std::string guarded = kBoard;
    guarded.replace(guarded.find("item 0x0B060001 0"), 17, "item 0x0B060001 1");
    board.Rewrite(guarded);
    struct Silent : kora::OcAnnouncer {
        void SystemControlRequest(uint32_t, uint32_t, uint32_t) override {}
        void AnnounceValuesChanged() override { FAIL() << "announced a restore that did not happen"; }
    } announcer;
    OcValueList list = {{0x03000020, 1}};
    kora::RestoreSavedValues(set, announcer, &list);
    EXPECT_EQ((OcValueList{{0x03000020, 1}}), list);
    EXPECT_TRUE(board.TakeJournal().empty());
}

TEST_F(OcWriteOrder, FirmwareBlockStopsAtItsEndMarker) {
    OcValueList list = {{0x03000020, 5}, {0x03070030, 0}};
    ASSERT_TRUE(kora::OverlayFirmwareProfile(0, &list));
    EXPECT_EQ((OcValueList{{0x03000020, 7}, {0x03070030, 0}}), list);
    EXPECT_FALSE(kora::OverlayFirmwareProfile(1, &list));
}

TEST(OcItemSetWithoutGroupThree, ReportsOnceAndWritesNothing) {
    SimBoard board("info 0 0 0 0x03000000\nfail group 3\n");
    KrOcRatio ratio;
    KrOcPrimaryItemSet set(ratio);
    EXPECT_EQ((std::vector<testutil::ReportedMessage>{{"Can not get any information from group 3", "AcOcItemSetBase"},
                                                      {"Can not get any information from group 3", "AcOcItemSetBase"}}),
              Recorder().messages);
    EXPECT_EQ(0, ratio.Count());
    set.ApplyValues({{0x03010011, 1}, {0x03000013, 1}});
    EXPECT_TRUE(board.TakeJournal().empty());
}
