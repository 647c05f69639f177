// The ACPI/BIOS library stand-in through its exported functions, with the board, state
// and journal named by the environment. Natively the functions are linked in; under
// Wine they are the real KRACPI.DLL, bound by ordinal.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

#include "lumen/kora/VendorApi.h"
#include "sim/Platform.h"
#include "tests/helpers/SimTestFiles.h"

using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;

namespace {

const char kBoard[] = R"(# a small board
info 0x00000001 0x00000000 0x00000000 0x03000102
item 0x03010011 0 base=10000 step=1 count=3001
item 0x03000013 28 base=8 step=1 count=43 percore=28,29
item 0x03000015 22 count=43 nowrite
item 0x03820021 0 base=0x00FFFF38 step=5 count=81 extra="Auto"
item 0x030600F0 0 attr=0x40000000 count=2
item 0x05080002 0 texts="Game Boost","Silent OC"
block 0x05080002 0 0 0x03010011 300 0xFFFFFFFF
)";

uint32_t Word(const void* p) {
    uint32_t w;
    std::memcpy(&w, p, 4);
    return w;
}

uint32_t Read(uint32_t id) {
    uint32_t v = 0xDEADBEEF;
    EXPECT_EQ(1u, AcpiGetValue(id, &v) & 1) << std::hex << id;
    return v;
}

class SimKracpi : public testing::Test {
protected:
    simtest::SimEnvironment env;
};

}  // namespace

TEST_F(SimKracpi, JournalHasOneLinePerWriteAndNoReads) {
    env.WriteBoard(kBoard);
    EXPECT_EQ(1u, AcpiSetValue(0x03010011, 300, 2) & 1);
    uint32_t v;
    EXPECT_EQ(1u, AcpiGetValue(0x03010011, &v) & 1);
    EXPECT_EQ(1u, AcpiGetValueWithArg(0x03000013, 1, &v) & 1);
    EXPECT_EQ(0u, AcpiSetValue(0x03000015, 1, 2) & 1);       // nowrite
    EXPECT_EQ(1u, AcpiSetValue(0x030600F0, 255, 1) & 1);     // every core
    EXPECT_EQ(0u, AcpiSetValue(0x12345678, 0xFFFFFFFF, 2));  // unknown item
    EXPECT_EQ(0u, AcpiSetValue(0x03010011, 3001, 2));        // out of range
    EXPECT_EQ(0u, AcpiSetValue(0x03010011, 1, 7));           // unknown mode

    EXPECT_THAT(env.Journal(),
                ElementsAre("acpi set 0x03010011 0x0000012C 2 ok", "acpi set 0x03000015 0x00000001 2 fail",
                            "acpi set 0x030600F0 0x000000FF 1 ok", "acpi set 0x12345678 0xFFFFFFFF 2 fail",
                            "acpi set 0x03010011 0x00000BB9 2 fail", "acpi set 0x03010011 0x00000001 7 fail"));
}

TEST_F(SimKracpi, WithoutJournalNothingIsWritten) {
    env.WriteBoard(kBoard);
    simtest::ScopedEnv noJournal("KORA_SIM_JOURNAL", std::nullopt);
    EXPECT_EQ(1u, AcpiSetValue(0x03010011, 1, 2) & 1);
    EXPECT_FALSE(simtest::ReadFile(env.JournalPath()).has_value());
}

// The reads the program makes: the version test, a group walk that looks every item up
// by its descriptor, texts read in place, and a profile block.
TEST_F(SimKracpi, ReadsAsTheProgramMakesThem) {
    env.WriteBoard(kBoard);
    EXPECT_EQ(1u, AcpiInitialize());

    std::vector<uint8_t> buffer(kora::kPackageBufferSize);
    uint32_t size = kora::kPackageBufferSize;
    AcpiGetInfo(buffer.data(), &size);
    ASSERT_EQ(4u, AcpiElementCount(buffer.data()));
    void* e = AcpiFirstElement(buffer.data());
    for (int i = 0; i < 3; ++i) {
        e = AcpiNextElement(e);
    }
    EXPECT_EQ(3u, Word(AcpiElementData(e)) >> 24);

    size = kora::kPackageBufferSize;
    ASSERT_NE(0u, AcpiGetGroup(3, buffer.data(), &size));
    EXPECT_EQ(size, 4u + 5u * 12u);
    std::vector<uint32_t> ids;
    std::vector<uint8_t> description(kora::kPackageBufferSize);
    e = AcpiFirstElement(buffer.data());
    for (uint32_t i = 0; i < AcpiElementCount(buffer.data()); ++i, e = AcpiNextElement(e)) {
        uint32_t descriptionSize = kora::kPackageBufferSize;
        ASSERT_NE(0u, AcpiGetItemInfo(AcpiElementData(e), description.data(), &descriptionSize));
        ids.push_back(Word(AcpiElementData(AcpiFirstElement(description.data()))));
    }
    EXPECT_THAT(ids, ElementsAre(0x03010011u, 0x03000013u, 0x03000015u, 0x03820021u, 0x030600F0u));

    // The extra text of 0x03820021, element 8 of its description.
    uint32_t id = 0x03820021;
    size = kora::kPackageBufferSize;
    ASSERT_NE(0u, AcpiGetItemInfo(&id, description.data(), &size));
    ASSERT_EQ(9u, AcpiElementCount(description.data()));
    e = AcpiFirstElement(description.data());
    for (int i = 0; i < 8; ++i) {
        e = AcpiNextElement(e);
    }
    EXPECT_STREQ("Auto", static_cast<const char*>(AcpiElementData(e)));

    size = kora::kPackageBufferSize;
    ASSERT_EQ(1u, AcpiGetItemBlock(0x05080002, 0, buffer.data(), &size) & 1);
    ASSERT_EQ(16u, size);
    EXPECT_EQ(0x03010011u, Word(buffer.data() + 4));
    EXPECT_EQ(300u, Word(buffer.data() + 8));
    EXPECT_EQ(0xFFFFFFFFu, Word(buffer.data() + 12));
    size = kora::kPackageBufferSize;
    EXPECT_EQ(0u, AcpiGetItemBlock(0x05080002, 1, buffer.data(), &size) & 1);
    EXPECT_EQ(0u, AcpiGetGroup(4, buffer.data(), &size));
}

// A package that does not fit fails and leaves buffer and size alone; one that fits
// exactly is returned with its byte count.
TEST_F(SimKracpi, PackageCallsHonourTheSize) {
    env.WriteBoard(kBoard);
    std::vector<uint8_t> buffer(kora::kPackageBufferSize, 0xAB);
    const uint32_t groupBytes = 4 + 5 * 12;
    uint32_t size = groupBytes - 1;
    EXPECT_EQ(0u, AcpiGetGroup(3, buffer.data(), &size));
    EXPECT_EQ(groupBytes - 1, size);
    EXPECT_EQ(0xABu, buffer[0]);
    size = groupBytes;
    EXPECT_NE(0u, AcpiGetGroup(3, buffer.data(), &size));
    EXPECT_EQ(groupBytes, size);

    uint32_t id = 0x05080002;
    size = 8;
    EXPECT_EQ(0u, AcpiGetItemInfo(&id, buffer.data(), &size));
    EXPECT_EQ(8u, size);
    size = 4;
    EXPECT_EQ(0u, AcpiGetInfo(buffer.data(), &size));
    EXPECT_EQ(4u, size);

    size = 15;
    EXPECT_EQ(0u, AcpiGetItemBlock(0x05080002, 0, buffer.data(), &size) & 1);
    EXPECT_EQ(15u, size);
    size = 16;
    EXPECT_EQ(1u, AcpiGetItemBlock(0x05080002, 0, buffer.data(), &size) & 1);

    // Missing pointers fail instead of crashing.
    EXPECT_EQ(0u, AcpiGetGroup(3, nullptr, &size));
    EXPECT_EQ(0u, AcpiGetGroup(3, buffer.data(), nullptr));
    EXPECT_EQ(0u, AcpiGetInfo(nullptr, &size));
    EXPECT_EQ(0u, AcpiGetItemInfo(nullptr, buffer.data(), &size));
    EXPECT_EQ(0u, AcpiGetItemInfo(&id, buffer.data(), nullptr));
    EXPECT_EQ(0u, AcpiGetItemBlock(0x05080002, 0, nullptr, &size));
    EXPECT_EQ(0u, AcpiGetItemBlock(0x05080002, 0, buffer.data(), nullptr));
    EXPECT_EQ(0u, AcpiGetValue(0x03010011, nullptr));
    EXPECT_EQ(0u, AcpiGetValueWithArg(0x03010011, 0, nullptr));
}

TEST_F(SimKracpi, SyntaxErrorFailsEveryCallAndIsReportedOnce) {
    const std::string board = env.WriteBoard("info 0x03000000\nitem 0x03010011 0\nitme 0x03000013 0\n");
    std::vector<uint8_t> buffer(kora::kPackageBufferSize);
    uint32_t size = kora::kPackageBufferSize;
    uint32_t v;
    EXPECT_EQ(0u, AcpiInitialize());
    EXPECT_EQ(0u, AcpiGetValue(0x03010011, &v));
    EXPECT_EQ(0u, AcpiGetInfo(buffer.data(), &size));
    EXPECT_EQ(0u, AcpiGetGroup(3, buffer.data(), &size));
    EXPECT_EQ(0u, AcpiSetValue(0x03010011, 1, 2));
    const std::string error = board + ":3: unknown directive \"itme\"";
    EXPECT_THAT(env.Journal(), ElementsAre(error, "acpi set 0x03010011 0x00000001 2 fail"));
    EXPECT_FALSE(simtest::ReadFile(env.StatePath()).has_value());

    // Mended, the board works; broken again, it is reported again.
    env.WriteBoard("info 0x03000000\nitem 0x03010011 0\n");
    EXPECT_EQ(1u, AcpiGetValue(0x03010011, &v) & 1);
    env.WriteBoard("info 0x03000000\nitem 0x03010011 0\nitme 0x03000013 0\n");
    EXPECT_EQ(0u, AcpiGetValue(0x03010011, &v));
    EXPECT_EQ(0u, AcpiGetValue(0x03010011, &v));
    EXPECT_THAT(env.Journal(), ElementsAre(error, "acpi set 0x03010011 0x00000001 2 fail", error));
}

TEST_F(SimKracpi, NamedBoardThatIsMissing) {
    uint32_t v;
    EXPECT_EQ(0u, AcpiInitialize());
    EXPECT_EQ(0u, AcpiGetValue(0x03010011, &v));
    EXPECT_THAT(env.Journal(), ElementsAre(env.BoardPath() + ": cannot read the board file"));
}

#if !defined(_WIN32)
// A FIFO named as the board (or the state) would block a plain open and read forever.
TEST_F(SimKracpi, FifoAsBoardDoesNotBlock) {
    ASSERT_EQ(0, mkfifo(env.BoardPath().c_str(), 0600));
    uint32_t v;
    EXPECT_EQ(0u, AcpiGetValue(0x03010011, &v));
    EXPECT_THAT(env.Journal(), ElementsAre(env.BoardPath() + ": cannot read the board file"));

    env.Folder().Write("real.txt", kBoard);
    simtest::ScopedEnv board("KORA_SIM_BOARD", env.Folder().Path("real.txt"));
    ASSERT_EQ(0, mkfifo(env.StatePath().c_str(), 0600));
    EXPECT_EQ(0u, Read(0x03010011));
}
#endif

TEST_F(SimKracpi, EmptyBoardFailsEveryCall) {
    env.WriteBoard("# nothing here\n");
    std::vector<uint8_t> buffer(kora::kPackageBufferSize);
    uint32_t size = kora::kPackageBufferSize;
    uint32_t v;
    EXPECT_EQ(1u, AcpiInitialize());  // the board itself is sound
    EXPECT_EQ(0u, AcpiGetInfo(buffer.data(), &size));
    EXPECT_EQ(0u, AcpiGetGroup(0, buffer.data(), &size));
    EXPECT_EQ(0u, AcpiGetValue(0x00060008, &v));
    EXPECT_EQ(0u, AcpiSetValue(0x00060008, 0, 1));
    EXPECT_THAT(env.Journal(), ElementsAre("acpi set 0x00060008 0x00000000 1 fail"));
}

TEST_F(SimKracpi, StateFileIsReadAtEveryCallAndReplacedAfterEveryChange) {
    env.WriteBoard(kBoard);
    EXPECT_EQ(0u, Read(0x03010011));
    EXPECT_FALSE(simtest::ReadFile(env.StatePath()).has_value()) << "a read wrote the state";

    ASSERT_EQ(1u, AcpiSetValue(0x030600F0, 1, 1) & 1);
    ASSERT_EQ(1u, AcpiSetValue(0x03000013, 40, 2) & 1);
    const std::optional<std::string> state = simtest::ReadFile(env.StatePath());
    ASSERT_TRUE(state.has_value());
    EXPECT_THAT(*state, HasSubstr("value 0x030600F0 0x00000001\n"));
    EXPECT_THAT(*state, HasSubstr("entries 0x03000013 0x0000001C 0x00000028\n"));

    // Another process's change is seen at the next call.
    ASSERT_TRUE(sim::platform::ReplaceFileAtomically(env.StatePath(), "value 0x03010011 0x00000BB8\n"));
    EXPECT_EQ(3000u, Read(0x03010011));
    // Lines the other process left out stand at the board's values.
    EXPECT_EQ(0u, Read(0x030600F0));
    EXPECT_EQ(28u, Read(0x03000013));
}

TEST_F(SimKracpi, DamagedStateFileFallsBackToTheBoard) {
    env.WriteBoard(kBoard);
    env.Folder().Write("state.txt", "value 0x03010011 0x00000005\nnonsense\n");
    EXPECT_EQ(0u, Read(0x03010011));
    EXPECT_EQ(0u, Read(0x03010011));
    EXPECT_THAT(env.Journal(), ElementsAre(env.StatePath() + ":2: unknown line \"nonsense\""));
    // The next change replaces the damaged file with a sound one.
    ASSERT_EQ(1u, AcpiSetValue(0x03010011, 7, 2) & 1);
    EXPECT_EQ(7u, Read(0x03010011));
    EXPECT_THAT(*simtest::ReadFile(env.StatePath()), testing::Not(HasSubstr("nonsense")));
}

// A change that cannot be stored is a failed write, not a success that vanishes.
TEST_F(SimKracpi, UnwritableStateFailsTheWrite) {
    env.WriteBoard(kBoard);
    const std::string state = env.Folder().Path("missing-folder") + "/state.txt";
    simtest::ScopedEnv unwritable("KORA_SIM_STATE", state);
    EXPECT_EQ(0u, AcpiSetValue(0x03010011, 5, 2));
    EXPECT_EQ(0u, Read(0x03010011));
    EXPECT_THAT(env.Journal(),
                ElementsAre(state + ": cannot write the state file", "acpi set 0x03010011 0x00000005 2 fail"));
}

TEST_F(SimKracpi, WithoutStateFileChangesLiveInTheProcess) {
    simtest::ScopedEnv noState("KORA_SIM_STATE", std::nullopt);
    env.WriteBoard(std::string(kBoard) + "# " + env.Folder().Folder() + "\n");  // a board no other test has
    ASSERT_EQ(1u, AcpiSetValue(0x03010011, 17, 2) & 1);
    EXPECT_EQ(17u, Read(0x03010011));
    EXPECT_FALSE(simtest::ReadFile(env.StatePath()).has_value());
    // Another board starts afresh.
    env.WriteBoard("item 0x03010011 9 count=3001\n");
    EXPECT_EQ(9u, Read(0x03010011));
}
