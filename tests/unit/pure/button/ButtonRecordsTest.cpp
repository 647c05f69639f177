// The machine's power-button record and the turbo record: what a damaged file or a
// partly read firmware may and may not be taken for.
#include "surgepad/button/ButtonRecords.h"

#include <gtest/gtest.h>

namespace {

using surgepad::MachineButtonRecord;
using surgepad::TurboRecordReading;

const char kBalanced[] = "{381B4222-F694-41F0-9685-FF5BB260DF2E}";
const char kHigh[] = "{8C5E7FDA-E8BF-4A96-9A85-A6E23A8C635C}";

TEST(MachineButtonRecord, ReadsBackWhatItWritesAndOnlyWholeLinesOfADamagedFile) {
    MachineButtonRecord full;
    full.saved = std::make_pair(3u, 0x80000000u);
    full.schemes = {{kBalanced, 3}, {kHigh, 1}};
    full.holder = "0A1B2C3D-00000001-FFFFFFFF-12345678";
    struct Case {
        const char* name;
        std::string text;
        MachineButtonRecord expected;
    };
    MachineButtonRecord noPair = full;
    noPair.saved.reset();
    MachineButtonRecord nobody = full;
    nobody.holder.clear();
    const Case cases[] = {
        {"written", surgepad::FormatMachineButtonRecord(full), full},
        {"empty", "", {}},
        {"CRLF and blanks", "saved 3 2147483648\r\n\r\n  scheme " + std::string(kBalanced) + "\t3\r\n",
         [&] {
             MachineButtonRecord r;
             r.saved = std::make_pair(3u, 0x80000000u);
             r.schemes = {{kBalanced, 3}};
             return r;
         }()},
        {"a pair cut short",
         "saved 3\nscheme " + std::string(kBalanced) + " 3\nscheme " + kHigh + " 1\nholder " + full.holder + "\n",
         noPair},
        {"a pair out of range", "saved 3 4294967296\n" + surgepad::FormatMachineButtonRecord(noPair), noPair},
        {"a holder with a blank", surgepad::FormatMachineButtonRecord(nobody) + "holder a b\n", nobody},
        {"a scheme that is no id", "scheme {381B4222} 3\nscheme x 1\n", {}},
        {"a number with a sign", "saved -3 0\n", {}},
        {"a pair the system does not define", "saved 99 3735928559\n", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, surgepad::ParseMachineButtonRecord(c.text))
            << c.name << ": got\n"
            << surgepad::FormatMachineButtonRecord(surgepad::ParseMachineButtonRecord(c.text)) << "expected\n"
            << surgepad::FormatMachineButtonRecord(c.expected);
    }
}

// One account's record is taken whole or not at all: another hand may have written it.
TEST(AccountButtonRecord, OnlyAWholeWellFormedRecordIsTaken) {
    surgepad::AccountButtonRecord full;
    full.turn = 12;
    full.saved = std::make_pair(4u, 0u);
    full.schemes = {{kBalanced, 4}, {kHigh, 0}};
    full.holds = true;
    const std::string written = surgepad::FormatAccountButtonRecord(full);
    EXPECT_EQ(full, surgepad::ParseAccountButtonRecord(written));
    const std::string body = "turn 12\nsaved 4 0\nscheme " + std::string(kBalanced) + " 4\nholds 1\n";
    const struct {
        const char* name;
        std::string text;
    } refused[] = {
        {"cut short", body},
        {"a line after the end", body + "end\nholds 0\n"},
        {"an unknown line", "x 1\n" + body + "end\n"},
        {"a turn beyond any count", "turn 281474976710657\nholds 0\nend\n"},
        {"an action the system does not define", "turn 1\nscheme " + std::string(kBalanced) + " 9\nholds 0\nend\n"},
        {"a scheme twice",
         "turn 1\nscheme " + std::string(kBalanced) + " 1\nscheme " + kBalanced + " 2\nholds 0\nend\n"},
        {"a pair the system does not define", "turn 1\nsaved 3 1234\nholds 0\nend\n"},
        {"no hold said", "turn 1\nend\n"},
        {"holds neither 0 nor 1", "turn 1\nholds 2\nend\n"},
    };
    for (const auto& r : refused) {
        EXPECT_FALSE(surgepad::ParseAccountButtonRecord(r.text)) << r.name;
    }
}

TEST(AccountButtonRecord, TheNewestRecordSaysWhoHoldsAndTheNewestSettingIsGivenBack) {
    auto record = [](uint64_t turn, bool holds, std::optional<uint32_t> saved) {
        surgepad::AccountButtonRecord r;
        r.turn = turn;
        r.holds = holds;
        if (saved) {
            r.saved = std::make_pair(*saved, 0u);
            r.schemes = {{kBalanced, *saved}};
        }
        return r;
    };
    MachineButtonRecord older;
    older.saved = std::make_pair(1u, 0u);
    older.holder = "OLD";
    struct Case {
        const char* name;
        std::optional<MachineButtonRecord> older;
        std::map<std::string, surgepad::AccountButtonRecord> accounts;
        std::string holder;
        std::vector<std::string> holding;
        std::optional<uint32_t> saved;
        uint64_t turn;
    };
    const Case cases[] = {
        {"an earlier version's record alone", older, {}, "OLD", {"OLD"}, 1, 0},
        {"a newer hold", older, {{"A", record(3, true, 4)}}, "A", {"OLD", "A"}, 4, 3},
        {"the earlier version's holder writes its own", older, {{"OLD", record(3, false, 4)}}, "", {}, 4, 3},
        {"given back by another account",
         std::nullopt,
         {{"A", record(3, true, 4)}, {"B", record(5, false, std::nullopt)}},
         "",
         {"A"},
         4,
         5},
        {"taken over by another account",
         std::nullopt,
         {{"A", record(3, true, 4)}, {"B", record(5, true, 2)}},
         "B",
         {"A", "B"},
         2,
         5},
        {"one turn: the later account",
         std::nullopt,
         {{"A", record(5, true, 4)}, {"B", record(5, false, 2)}},
         "",
         {"A"},
         2,
         5},
    };
    for (const Case& c : cases) {
        const MachineButtonRecord merged = surgepad::MergeButtonRecords(c.older, c.accounts);
        EXPECT_EQ(c.holder, merged.holder) << c.name;
        EXPECT_EQ(c.holding, merged.holding) << c.name;
        EXPECT_EQ(c.saved, merged.saved ? std::optional<uint32_t>(merged.saved->first) : std::nullopt) << c.name;
        EXPECT_EQ(c.turn, merged.turn) << c.name;
    }
}

TEST(TurboRecord, ValueListsKeepTheirPairsAndRefuseBrokenSizes) {
    const kora::OcValueList list = {{0x03000013, 0x22}, {0x03000013, 0x24}, {0x03010011, 0xFFFFFFFF}};
    const std::vector<uint8_t> bytes = surgepad::EncodeValueList(list);
    ASSERT_EQ(24u, bytes.size());
    EXPECT_EQ(0x13, bytes[0]);
    EXPECT_EQ(0x03, bytes[3]);
    EXPECT_EQ(std::optional<kora::OcValueList>(list), surgepad::DecodeValueList(bytes.data(), bytes.size()));
    EXPECT_EQ(std::optional<kora::OcValueList>(kora::OcValueList{}), surgepad::DecodeValueList(nullptr, 0));
    EXPECT_FALSE(surgepad::DecodeValueList(bytes.data(), 23));
    EXPECT_FALSE(surgepad::DecodeValueList(nullptr, 8));
}

TEST(TurboRecord, AStartTakesTurboUpUnlessTheFirmwareIsBackAtTheRecordedValues) {
    const kora::OcValueList stock = {{0x03000013, 28}, {0x03000013, 28}, {0x03010011, 0}, {0x03020012, 80}};
    const kora::OcValueList turbo = {{0x03000013, 34}, {0x03000013, 34}, {0x03010011, 300}, {0x03020012, 90}};
    const kora::OcValueList half = {{0x03000013, 34}, {0x03000013, 28}, {0x03010011, 0}, {0x03020012, 80}};
    const kora::OcValueList unreadVoltage = {{0x03000013, 28}, {0x03000013, 28}, {0x03010011, 0}};
    // Values read again before a switch-on are added at the end of the start-up values.
    const kora::OcValueList reordered = {{0x03010011, 0}, {0x03020012, 80}, {0x03000013, 28}, {0x03000013, 28}};
    struct Case {
        const char* name;
        std::optional<kora::OcValueList> record;
        kora::OcValueList current;
        TurboRecordReading expected;
    };
    const Case cases[] = {
        {"no record", std::nullopt, turbo, TurboRecordReading::kNone},
        {"an empty record", kora::OcValueList{}, turbo, TurboRecordReading::kNone},
        {"the profile still in force", stock, turbo, TurboRecordReading::kResumeTurbo},
        {"a reboot reset the firmware", stock, stock, TurboRecordReading::kDrop},
        {"a switch cut short", stock, half, TurboRecordReading::kResumeTurbo},
        {"a value unread at this start", stock, unreadVoltage, TurboRecordReading::kDrop},
        {"the same values in another order", stock, reordered, TurboRecordReading::kDrop},
        {"nothing readable at this start", stock, {}, TurboRecordReading::kResumeTurbo},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, surgepad::ReadTurboRecord(c.record, c.current)) << c.name;
    }
}

}  // namespace
