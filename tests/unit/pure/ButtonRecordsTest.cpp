// The machine's power-button record and the turbo record: what a damaged file or a
// partly read firmware may and may not be taken for.
#include "surgepad/ButtonRecords.h"

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
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, surgepad::ParseMachineButtonRecord(c.text))
            << c.name << ": got\n"
            << surgepad::FormatMachineButtonRecord(surgepad::ParseMachineButtonRecord(c.text)) << "expected\n"
            << surgepad::FormatMachineButtonRecord(c.expected);
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
        {"nothing readable at this start", stock, {}, TurboRecordReading::kResumeTurbo},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, surgepad::ReadTurboRecord(c.record, c.current)) << c.name;
    }
}

}  // namespace
