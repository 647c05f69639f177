// The item model against the simulated ACPI/BIOS library: walking groups, the three
// free operations and the library's version test.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "lumen/kora/BiosInterface.h"
#include "tests/unit/ReportRecorder.h"
#include "tests/unit/SimBoard.h"

using kora::BiosItem;
using kora::GroupInfoTraverser;
using testutil::SimBoard;

namespace {

const char* const kBoard = R"(
info 0x11 0x22 0x33 0x03000001
item 0x00060008 0x4
item 0x03010011 12 base=0x00002710 step=1 count=2000
item 0x03800012 1 base=0xFE000064 step=10 count=3 extra="Auto","Off"
item 0x03070030 1
item 0x03080031 2 texts="Slow","Normal","Fast"
item 0x03000032 7 noread
item 0x03000033 7 nowrite
fail group 4
)";

std::vector<uint32_t> Walk(uint32_t group) {
    std::vector<uint32_t> ids;
    GroupInfoTraverser t;
    if (!t.Open(group)) {
        return ids;
    }
    for (; !t.IsEnd(); t.Next()) {
        ids.push_back(t.CurrentId());
    }
    return ids;
}

}  // namespace

TEST(GroupInfoTraverser, WalksTheGroupInFileOrderAndMakesEachKind) {
    SimBoard board(kBoard);
    EXPECT_EQ((std::vector<uint32_t>{0x03010011, 0x03800012, 0x03070030, 0x03080031, 0x03000032, 0x03000033}), Walk(3));
    EXPECT_EQ((std::vector<uint32_t>{0x00060008}), Walk(0));

    GroupInfoTraverser t;
    ASSERT_TRUE(t.Open(3));
    std::vector<std::string> texts;
    for (; !t.IsEnd(); t.Next()) {
        std::unique_ptr<BiosItem> item(t.CreateItem());
        EXPECT_EQ(t.CurrentId(), item->Id());
        uint32_t raw = 0;
        if (item->GetCount() > 0 && item->ReadValue(&raw)) {
            texts.push_back(item->IndexToString(static_cast<int>(raw)));
        }
    }
    // 100.00 + 12 x 0.01 (unit 1), the extra text "Off", then the list's "Fast".
    EXPECT_EQ((std::vector<std::string>{"100.12", "Off", "Fast"}), texts);
    EXPECT_TRUE(testutil::Recorder().messages.empty());
}

TEST(GroupInfoTraverser, FailingAndEmptyGroups) {
    SimBoard board(kBoard);
    GroupInfoTraverser t;
    EXPECT_FALSE(t.Open(4));
    EXPECT_FALSE(t.IsOpen());
    EXPECT_TRUE(Walk(9).empty());  // a group without items
    // A failed open leaves the walker ready for another.
    EXPECT_TRUE(t.Open(3));
    EXPECT_TRUE(t.IsOpen());
    EXPECT_THROW((void)t.Open(3), testutil::AssertionFailure);
}

TEST(BiosFreeOperations, SupportReadAndControlWrite) {
    SimBoard board(kBoard);
    EXPECT_TRUE(kora::BiosItemSupported(0x03080031));
    EXPECT_FALSE(kora::BiosItemSupported(0x03080039));
    EXPECT_FALSE(kora::BiosItemSupported(0x04000001));  // its group fails

    uint32_t value = 99;
    EXPECT_TRUE(kora::BiosReadValue(0x00060008, &value));
    EXPECT_EQ(4u, value);
    EXPECT_FALSE(kora::BiosReadValue(0x03000032, &value));
    EXPECT_EQ(4u, value);  // a failed read leaves the caller's value alone

    EXPECT_TRUE(kora::BiosWriteControl(0x03070030, 0));
    EXPECT_FALSE(kora::BiosWriteControl(0x03000033, 1));
    EXPECT_EQ(
        (std::vector<std::string>{"acpi set 0x03070030 0x00000000 1 ok", "acpi set 0x03000033 0x00000001 1 fail"}),
        board.TakeJournal());
    EXPECT_TRUE(kora::BiosReadValue(0x03070030, &value));
    EXPECT_EQ(0u, value);
    EXPECT_TRUE(kora::BiosReadValue(0x03000033, &value));
    EXPECT_EQ(7u, value);
}

TEST(AcpiVersion, TopByteOfElementThree) {
    SimBoard board(kBoard);
    uint32_t version = 0;
    ASSERT_TRUE(kora::ReadAcpiVersion(&version));
    EXPECT_EQ(3u, version);
    EXPECT_TRUE(kora::IsNewAcpiInterface());

    board.Rewrite("info 0 0 0 0x02FFFFFF\n");
    ASSERT_TRUE(kora::ReadAcpiVersion(&version));
    EXPECT_EQ(2u, version);
    EXPECT_FALSE(kora::IsNewAcpiInterface());

    // Three elements only: the reader does not go past them.
    board.Rewrite("info 0 0 0x03000000\n");
    EXPECT_FALSE(kora::ReadAcpiVersion(&version));
    EXPECT_FALSE(kora::IsNewAcpiInterface());

    board.Rewrite("");
    EXPECT_FALSE(kora::IsNewAcpiInterface());
}

TEST(AcpiVersion, BrokenBoardFailsEveryCall) {
    SimBoard board("info 0 0 0 0x03000000\nitme 0x03000001 0\n");
    EXPECT_FALSE(kora::IsNewAcpiInterface());
    EXPECT_FALSE(kora::BiosItemSupported(0x03000001));
}
