// The simulated firmware's answers: description, group and information packages,
// per-core values behind the core selector, noread/nowrite, failing groups, blocks.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "sim/AcpiFirmware.h"
#include "sim/BoardParser.h"

using sim::AcpiFirmware;
using sim::Board;
using sim::SimState;
using testing::ElementsAre;

namespace {

Board Parse(const std::string& text) {
    std::string error;
    std::optional<Board> board = sim::ParseBoard(text, "board.txt", &error);
    EXPECT_TRUE(board.has_value()) << error;
    return board ? std::move(*board) : Board{};
}

// A package's elements as the program reads them, through the element functions and
// in a copy of the bytes (packages must not depend on where they lie): values in hex,
// texts in quotes.
std::string Render(const std::optional<sim::PackageBuilder>& package) {
    if (!package) {
        return "(none)";
    }
    std::vector<uint8_t> copy = package->Bytes();
    std::string out;
    uint8_t* e = sim::FirstElement(copy.data());
    for (uint32_t i = 0; i < sim::ElementCount(copy.data()); ++i, e = sim::NextElement(e)) {
        uint32_t kind, v;
        std::memcpy(&kind, e, 4);
        std::memcpy(&v, sim::ElementData(e), 4);
        char hex[12];
        std::snprintf(hex, sizeof hex, "%X", static_cast<unsigned>(v));
        if (!out.empty()) {
            out += ' ';
        }
        if (kind == static_cast<uint32_t>(sim::ElementKind::Text)) {
            out.append(1, '\'').append(reinterpret_cast<const char*>(sim::ElementData(e))).append(1, '\'');
        } else {
            out += hex;
        }
    }
    return out;
}

const char kCoreBoard[] = R"(
item 0x030600F0 0 base=0 step=1 count=4
item 0x03000013 28 base=8 step=1 count=43 percore=10,11,12,13
item 0x03010011 0 count=3001
)";

struct Firmware {
    explicit Firmware(const std::string& text) : board(Parse(text)), state(sim::InitialState(board)) {}
    uint32_t Get(uint32_t id) {
        uint32_t v = 0xDEADBEEF;
        EXPECT_TRUE(AcpiFirmware(board, state).GetValue(id, &v)) << std::hex << id;
        return v;
    }
    bool Set(uint32_t id, uint32_t value, uint32_t mode = 2) {
        return AcpiFirmware(board, state).SetValue(id, value, mode);
    }
    Board board;
    SimState state;
};

}  // namespace

TEST(SimFirmwarePackages, DescriptionOfEachKind) {
    Firmware fw(R"(
item 0x03820021 3 attr=0x40000000 reported=5 base=0x00FFFF38 step=5 count=81 extra="Auto","Off"
item 0x03010011 0 base=10000 step=1 count=3001
item 0x03080031 1 reported=1 texts="Standard","Optimized"
item 0x03070030 1 attr=2
)");
    const AcpiFirmware acpi(fw.board, fw.state);
    EXPECT_EQ("3820021 0 40000000 5 FFFF38 5 51 2 'Auto' 'Off'", Render(acpi.ItemInfoPackage(0x03820021)));
    // Without extra texts a number ends after its count.
    EXPECT_EQ("3010011 0 0 0 2710 1 BB9", Render(acpi.ItemInfoPackage(0x03010011)));
    EXPECT_EQ("3080031 0 0 1 2 'Standard' 'Optimized'", Render(acpi.ItemInfoPackage(0x03080031)));
    EXPECT_EQ("3070030 0 2 0 0", Render(acpi.ItemInfoPackage(0x03070030)));
    EXPECT_FALSE(acpi.ItemInfoPackage(0x03000099).has_value());
}

TEST(SimFirmwarePackages, GroupsInfoAndBlocks) {
    Firmware fw(R"(
info 0x11 0x22 0x33 0x03000000
item 0x03000015 0
item 0x00060008 3
item 0x03010011 0
item 0x0B060001 0
fail group 0x0B
block 0x05080002 1 0 0x03010011 300 0xFFFFFFFF
)");
    const AcpiFirmware acpi(fw.board, fw.state);
    EXPECT_EQ("11 22 33 3000000", Render(acpi.InfoPackage()));
    // One element per item, in file order; the data is the item id.
    EXPECT_EQ("3000015 3010011", Render(acpi.GroupPackage(3)));
    EXPECT_EQ("60008", Render(acpi.GroupPackage(0)));
    // A failing group fails even though it has items (which stay readable); a group
    // without items does not exist.
    EXPECT_FALSE(acpi.GroupPackage(0x0B).has_value());
    EXPECT_TRUE(acpi.ItemInfoPackage(0x0B060001).has_value());
    EXPECT_FALSE(acpi.GroupPackage(5).has_value());

    ASSERT_NE(nullptr, acpi.Block(0x05080002, 1));
    EXPECT_THAT(*acpi.Block(0x05080002, 1), ElementsAre(0u, 0x03010011u, 300u, 0xFFFFFFFFu));
    EXPECT_EQ(nullptr, acpi.Block(0x05080002, 0));
    EXPECT_EQ(nullptr, acpi.Block(0x05080003, 1));

    Firmware bare("item 0x03000015 0\n");
    EXPECT_FALSE(AcpiFirmware(bare.board, bare.state).InfoPackage().has_value());
}

TEST(SimFirmwareValues, PlainItems) {
    Firmware fw("item 0x03010011 7 count=3001\nitem 0x03070030 1\nitem 0x03080031 0 texts=\"a\",\"b\"\n");
    EXPECT_EQ(7u, fw.Get(0x03010011));
    EXPECT_TRUE(fw.Set(0x03010011, 3000, 2));
    EXPECT_EQ(3000u, fw.Get(0x03010011));
    EXPECT_TRUE(fw.Set(0x03010011, 12, 1));
    EXPECT_EQ(12u, fw.Get(0x03010011));

    // Out of range, unknown item, unknown mode: fail and change nothing.
    EXPECT_FALSE(fw.Set(0x03010011, 3001));
    EXPECT_FALSE(fw.Set(0x03010011, 5, 0));
    EXPECT_FALSE(fw.Set(0x03010011, 5, 3));
    EXPECT_EQ(12u, fw.Get(0x03010011));
    EXPECT_FALSE(fw.Set(0x03000099, 1));
    uint32_t v;
    EXPECT_FALSE(AcpiFirmware(fw.board, fw.state).GetValue(0x03000099, &v));

    EXPECT_FALSE(fw.Set(0x03070030, 2));
    EXPECT_TRUE(fw.Set(0x03070030, 0));
    EXPECT_FALSE(fw.Set(0x03080031, 2));
    EXPECT_TRUE(fw.Set(0x03080031, 1));
    EXPECT_EQ(1u, fw.Get(0x03080031));
}

TEST(SimFirmwareValues, NoreadAndNowrite) {
    Firmware fw("item 0x03000013 4 noread\nitem 0x03000015 5 nowrite\nitem 0x03000016 6 noread nowrite\n");
    uint32_t v = 99;
    AcpiFirmware acpi(fw.board, fw.state);
    EXPECT_FALSE(acpi.GetValue(0x03000013, &v));
    EXPECT_FALSE(acpi.GetValueWithArg(0x03000013, 0, &v));
    EXPECT_EQ(99u, v);
    // Writable though unreadable: the write lands (seen once noread is gone).
    EXPECT_TRUE(acpi.SetValue(0x03000013, 9, 2));
    EXPECT_EQ(9u, fw.state.values.at(0x03000013));

    EXPECT_FALSE(acpi.SetValue(0x03000015, 1, 2));
    EXPECT_FALSE(acpi.SetValue(0x03000015, 1, 1));
    EXPECT_EQ(5u, fw.Get(0x03000015));
    EXPECT_FALSE(acpi.SetValue(0x03000016, 1, 2));
    EXPECT_EQ(6u, fw.state.values.at(0x03000016));
}

TEST(SimFirmwarePerCore, SelectorChoosesTheEntry) {
    Firmware fw(kCoreBoard);
    EXPECT_EQ(0u, fw.Get(sim::kCoreSelectorId));
    EXPECT_EQ(10u, fw.Get(0x03000013));
    for (uint32_t core = 0; core < 4; ++core) {
        ASSERT_TRUE(fw.Set(sim::kCoreSelectorId, core, 1));
        EXPECT_EQ(core, fw.Get(sim::kCoreSelectorId));
        EXPECT_EQ(10 + core, fw.Get(0x03000013));
    }
    // A write acts on the selected entry only.
    ASSERT_TRUE(fw.Set(sim::kCoreSelectorId, 2, 1));
    ASSERT_TRUE(fw.Set(0x03000013, 30, 2));
    EXPECT_THAT(fw.state.entries.at(0x03000013), ElementsAre(10u, 11u, 30u, 13u));
    // A plain item ignores the selection.
    EXPECT_TRUE(fw.Set(0x03010011, 5));
    EXPECT_EQ(5u, fw.Get(0x03010011));
}

TEST(SimFirmwarePerCore, AllCores) {
    Firmware fw(kCoreBoard);
    ASSERT_TRUE(fw.Set(sim::kCoreSelectorId, 3, 1));
    ASSERT_TRUE(fw.Set(0x03000013, 20, 2));
    ASSERT_TRUE(fw.Set(sim::kCoreSelectorId, sim::kAllCores, 1));
    // With every core selected a read returns entry 0...
    EXPECT_EQ(10u, fw.Get(0x03000013));
    // ...and a write sets every entry.
    ASSERT_TRUE(fw.Set(0x03000013, 33, 2));
    EXPECT_THAT(fw.state.entries.at(0x03000013), ElementsAre(33u, 33u, 33u, 33u));
    EXPECT_EQ(sim::kAllCores, fw.Get(sim::kCoreSelectorId));
}

TEST(SimFirmwarePerCore, ChoicesOutOfRange) {
    Firmware fw(kCoreBoard);
    // The selector takes its own choices and 255, nothing else.
    EXPECT_FALSE(fw.Set(sim::kCoreSelectorId, 4, 1));
    EXPECT_FALSE(fw.Set(sim::kCoreSelectorId, 254, 1));
    EXPECT_EQ(0u, fw.Get(sim::kCoreSelectorId));

    // A selector with more choices than an item has entries: reads and writes of the
    // missing entry fail.
    Firmware wide("item 0x030600F0 0 count=8\nitem 0x03000013 0 percore=1,2\n");
    ASSERT_TRUE(wide.Set(sim::kCoreSelectorId, 5, 1));
    uint32_t v;
    EXPECT_FALSE(AcpiFirmware(wide.board, wide.state).GetValue(0x03000013, &v));
    EXPECT_FALSE(wide.Set(0x03000013, 1));
    EXPECT_THAT(wide.state.entries.at(0x03000013), ElementsAre(1u, 2u));
}

TEST(SimFirmwarePerCore, ValueWithArgNamesTheEntry) {
    Firmware fw(kCoreBoard);
    ASSERT_TRUE(fw.Set(sim::kCoreSelectorId, 1, 1));
    const AcpiFirmware acpi(fw.board, fw.state);
    uint32_t v = 0;
    EXPECT_TRUE(acpi.GetValueWithArg(0x03000013, 3, &v));
    EXPECT_EQ(13u, v);
    EXPECT_TRUE(acpi.GetValueWithArg(0x03000013, sim::kAllCores, &v));
    EXPECT_EQ(10u, v);
    EXPECT_FALSE(acpi.GetValueWithArg(0x03000013, 4, &v));
    // Other items ignore the argument.
    EXPECT_TRUE(acpi.GetValueWithArg(0x03010011, 77, &v));
    EXPECT_EQ(0u, v);
    // The selection itself is unchanged.
    EXPECT_EQ(1u, acpi.SelectedCore());
}

TEST(SimFirmwarePerCore, WithoutSelectorEntryZeroIsUsed) {
    Firmware fw("item 0x03000013 0 percore=4,5\n");
    EXPECT_EQ(4u, fw.Get(0x03000013));
    ASSERT_TRUE(fw.Set(0x03000013, 9));
    EXPECT_THAT(fw.state.entries.at(0x03000013), ElementsAre(9u, 5u));
    EXPECT_FALSE(fw.Set(sim::kCoreSelectorId, 1, 1));
}
