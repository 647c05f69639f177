// The turbo action's firmware side against the stand-ins: KRACPI.DLL's journal (every
// write, in order), the system control service of kora-sim.exe, the broadcast as a
// top-level window receives it, and the power-feature library beside the program.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "lumen/kora/BtnContronLib.h"
#include "lumen/kora/SysCtrlPipeClient.h"
#include "lumen/kora/VendorApi.h"
#include "tests/unit/ReportRecorder.h"
#include "tests/unit/win/BroadcastCatcher.h"
#include "tests/unit/win/DormixTestSupport.h"

namespace {

using kora::BtnContronLib;
using kora::OcValueList;
using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;
using testutil::BroadcastCatcher;
using testutil::BroadcastList;

constexpr uint32_t kSelector = 0x030600F0;
constexpr uint32_t kBase = 0x03010011;
constexpr uint32_t kRatio = 0x03000013;
constexpr uint32_t kLimit = 0x03010060;
constexpr uint32_t kOther = 0x03000020;
constexpr uint32_t kTurbo = 0x03070030;
constexpr uint32_t kApplyControl = 0x03080064;

// Base clock 100.00 MHz + index * 0.01, ratio 8 + index for four cores (38x now, and
// reported as the firmware's own ratio), the
// core selector, a current limit, two other items, the apply control, three firmware
// profiles (the third without a block) and the power-feature library.
const char* const kBoard = R"(
info 0 0 0 0x03000000
item 0x00060008 0x6
item 0x00060009 0x2
item 0x03010011 0 base=10000 step=1 count=2000
item 0x03000013 30 reported=30 base=8 step=1 count=50 percore=30,30,30,30
item 0x030600F0 0 base=0 step=1 count=4 attr=0x40000000
item 0x03010060 100 base=0 step=1 count=400
item 0x03000020 5 base=0 step=1 count=10
item 0x03070030 0
item 0x03000040 20 attr=0x40000000 base=8 step=1 count=43
item 0x03080064 0 attr=0x40000000 texts="Done","Pending"
item 0x05080001 0 attr=0x40000000 texts="not the names"
item 0x05080002 0 attr=0x40000000 texts="Game Boost","Silent OC","Broken"
block 0x05080002 0 0 0x03010011 100 0x03000013 40 0x03000020 9 0xFFFFFFFF
block 0x05080002 1 0 0x03000013 20 0x03000020 1 0x03010011 0 0xFFFFFFFF
item 0x0B060001 0
dormix supported=1
)";

std::string Set(uint32_t id, uint32_t value, int mode) {
    char line[64];
    std::snprintf(line, sizeof line, "acpi set 0x%08X 0x%08X %d ok", id, value, mode);
    return line;
}

std::string Pipe(uint32_t first) {
    char line[96];
    std::snprintf(line, sizeof line, "pipe 0x80000000 0x%08X 0x00000000 0x00000000 reply 0x00000001", first);
    return line;
}

std::vector<std::string> RatioWrites(uint32_t value, uint32_t cores = 4) {
    std::vector<std::string> lines;
    for (uint32_t core = 0; core < cores; ++core) {
        lines.push_back(Set(kSelector, core, 1));
        lines.push_back(Set(kRatio, value, 2));
    }
    lines.push_back(Set(kSelector, 255, 1));
    lines.push_back(Set(kRatio, value, 2));
    return lines;
}

std::vector<std::string> Selections() {
    return {Set(kSelector, 0, 1), Set(kSelector, 1, 1), Set(kSelector, 2, 1), Set(kSelector, 3, 1)};
}

// The stand-ins read the board file at every call.
void Rewrite(const testutil::BoardScope& board, const std::string& text) {
    ASSERT_TRUE(testutil::WriteText(board.Path("board.txt"), text));
}

// The board with one line replaced (the parser refuses an item listed twice).
std::string BoardWith(const std::string& line, const std::string& replacement) {
    std::string text = kBoard;
    const size_t at = text.find(line);
    EXPECT_NE(std::string::npos, at) << line;
    return at == std::string::npos ? text : text.replace(at, line.size(), replacement);
}

std::vector<std::string> Concat(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

uint32_t Read(uint32_t id) {
    uint32_t value = 0xDEADBEEF;
    EXPECT_EQ(1u, AcpiGetValue(id, &value) & 1) << std::hex << id;
    return value;
}

std::vector<uint32_t> CoreRatios() {
    std::vector<uint32_t> ratios;
    for (uint32_t core = 0; core < 4; ++core) {
        AcpiSetValue(kSelector, core, 1);
        ratios.push_back(Read(kRatio));
    }
    return ratios;
}

// A profile file: header word, version, count, then the records as given.
std::string ProfileBytes(uint32_t version, uint32_t count, const OcValueList& records) {
    std::string bytes;
    auto word = [&bytes](uint32_t w) {
        for (int i = 0; i < 4; ++i) {
            bytes.push_back(static_cast<char>((w >> (8 * i)) & 0xFF));
        }
    };
    word(0x4F43);
    word(version);
    word(count);
    for (const auto& r : records) {
        word(r.id);
        word(r.value);
    }
    return bytes;
}

// Every test owns the service's pipe name: a request of ours must not reach the service
// of another test process, nor theirs ours.
class BtnContronLibTest : public testing::Test {
protected:
    void SetUp() override { m_service.ExpectFree(); }

    void TearDown() override {
        StopService();
        for (int i = 0; i < 300 && !kora::SysCtrlPipeClient::IsIdle(); ++i) {
            Sleep(50);
        }
    }

    void StartService() { m_service.Start("", board.Path("service.txt")); }
    void StopService() { m_service.Stop(); }

    // The library made from the build folder, with Dormix.dll beside it; the journal
    // starts empty after it.
    std::unique_ptr<BtnContronLib> MakeLib() {
        auto lib = std::make_unique<BtnContronLib>(testutil::ExeFolder());
        board.TakeJournal();
        return lib;
    }

    testutil::SimService m_service;  // first: its lock before anything else
    testutil::BoardScope board{kBoard};
};

const BroadcastList kOneAnnouncement = {{0x2355, 3}};

// ---------------------------------------------------------------------------------------
// Start-up

TEST_F(BtnContronLibTest, StartsWithTheLibraryTheNamesAndTheStartupValues) {
    BtnContronLib lib(testutil::ExeFolder());
    // The library initialised, then the cores visited to read the start-up ratios.
    EXPECT_EQ(Concat({{"dormix DormixInit"}, Selections()}), board.TakeJournal());
    EXPECT_TRUE(lib.IsDormixLoaded());
    EXPECT_FALSE(lib.IsTurboOn());
    // Group 5's item numbered 2 names the profiles, not the item numbered 1.
    EXPECT_THAT(lib.ProfileNames(), ElementsAre("Game Boost", "Silent OC", "Broken"));
    EXPECT_EQ(3u, lib.ProfileCount());
    EXPECT_EQ("Silent OC", lib.ProfileNameAt(1));
    EXPECT_EQ("", lib.ProfileNameAt(3));
    // Ratios first, one per core; then group 3's writable items, read-only ones left out.
    const OcValueList stock = {{kRatio, 30}, {kRatio, 30},  {kRatio, 30}, {kRatio, 30},
                               {kBase, 0},   {kLimit, 100}, {kOther, 5},  {kTurbo, 0}};
    EXPECT_EQ(stock, lib.StockSet());
    EXPECT_NE(0u, lib.BroadcastMessage());
    EXPECT_EQ(RegisterWindowMessageA("WM_KORA_BROADCAST_MESSAGE"), lib.BroadcastMessage());
    EXPECT_THAT(testutil::Recorder().messages, IsEmpty());

    lib.EnableDormix();
    EXPECT_THAT(board.TakeJournal(), ElementsAre("dormix DormixEnable"));
}

TEST_F(BtnContronLibTest, WithoutTheLibraryTurboOffStillHasTheStartupValues) {
    testutil::ScratchFolder empty("nodormix");
    BtnContronLib lib(empty.Path());
    EXPECT_FALSE(lib.IsDormixLoaded());
    EXPECT_THAT(testutil::Recorder().messages, IsEmpty()) << "a missing library is no error";
    board.TakeJournal();
    lib.EnableDormix();
    EXPECT_THAT(board.TakeJournal(), IsEmpty());
    EXPECT_EQ(3u, lib.ProfileCount());
    ASSERT_EQ(8u, lib.StockSet().size());

    // A profile file applied without the library is still taken back by turbo off.
    ASSERT_TRUE(testutil::WriteText(empty / "fast.oc", ProfileBytes(1, 1, {{kOther, 8}})));
    BroadcastCatcher::Run([&] { lib.ApplyProfileFile(empty / "fast.oc"); });
    EXPECT_EQ(8u, Read(kOther));
    BroadcastCatcher::Run([&] { lib.RestoreStartupValues(); });
    EXPECT_EQ(5u, Read(kOther));
}

TEST_F(BtnContronLibTest, AFileThatIsNoLibraryIsReportedAndLeftAlone) {
    testutil::ScratchFolder folder("baddormix");
    ASSERT_TRUE(testutil::WriteText(folder / "Dormix.dll", "MZ but nothing more"));
    BtnContronLib lib(folder.Path());
    EXPECT_FALSE(lib.IsDormixLoaded());
    EXPECT_THAT(testutil::Recorder().messages,
                ElementsAre(testutil::ReportedMessage{"Can not load " + folder / "Dormix.dll", "LoadLibrary Error"}));
    board.TakeJournal();
    lib.EnableDormix();
    EXPECT_THAT(board.TakeJournal(), IsEmpty());
}

TEST_F(BtnContronLibTest, AFirmwareWithoutGroupThreeIsReportedAndNothingIsWritten) {
    Rewrite(board, BoardWith("item 0x0B060001 0", "item 0x0B060001 0\nfail group 3"));
    const testutil::ReportedMessage noGroup{"Can not get any information from group 3", "AcOcItemSetBase"};
    auto lib = MakeLib();
    // The ratio model at start-up, the item set at the first write.
    EXPECT_THAT(testutil::Recorder().messages, ElementsAre(noGroup));
    EXPECT_THAT(lib->StockSet(), IsEmpty());
    EXPECT_EQ(3u, lib->ProfileCount()) << "group 5 is still there";
    // A firmware profile has no value to go into: no turbo, not even a request.
    testutil::DebugOutputCapture trace;
    EXPECT_FALSE(lib->ApplyFirmwareProfile(0));
    EXPECT_FALSE(lib->IsTurboOn());
    EXPECT_THAT(board.TakeJournal(), IsEmpty());
    EXPECT_THAT(trace.Take(), testing::Contains("[BtnContronLib] firmware profile 0: the firmware lists no value; "
                                                "nothing written\r\n"));
    EXPECT_THAT(testutil::Recorder().messages, ElementsAre(noGroup));
    testutil::ScratchFolder folder("nogroup");
    ASSERT_TRUE(testutil::WriteText(folder / "fast.oc", ProfileBytes(1, 1, {{kOther, 8}})));
    BroadcastCatcher::Run([&] { lib->ApplyProfileFile(folder / "fast.oc"); });
    EXPECT_THAT(testutil::Recorder().messages, ElementsAre(noGroup, noGroup));
    EXPECT_THAT(board.TakeJournal(), IsEmpty()) << "not even the apply control, which group 3 would hold";
    EXPECT_EQ(5u, Read(kOther));
    BroadcastCatcher::Run([&] { lib->RestoreStartupValues(); });
    EXPECT_THAT(board.TakeJournal(), IsEmpty());
    EXPECT_EQ(2u, testutil::Recorder().messages.size()) << "each object reports once";
}

// ---------------------------------------------------------------------------------------
// Turbo on from the firmware and turbo off

TEST_F(BtnContronLibTest, FirmwareProfileRaisingTheClockThenTurboOffWithTheService) {
    StartService();
    auto lib = MakeLib();
    testutil::DebugOutputCapture trace;

    const BroadcastList on = BroadcastCatcher::Run([&] { EXPECT_TRUE(lib->ApplyFirmwareProfile(0)); });
    // 100.00 x 38 -> 101.00 x 48: the other items first, then 0x11, then the ratios;
    // the unchanged limit and turbo switch are not written; the apply control last.
    EXPECT_EQ(Concat({{Pipe(0), Set(kSelector, 3, 1), Set(kOther, 9, 2), Set(kBase, 100, 2)},
                      RatioWrites(40),
                      {Set(kApplyControl, 0, 1)}}),
              board.TakeJournal());
    EXPECT_EQ(kOneAnnouncement, on);
    EXPECT_TRUE(lib->IsTurboOn());
    EXPECT_THAT(CoreRatios(), ElementsAre(40, 40, 40, 40));
    board.TakeJournal();

    // Already on: nothing at all.
    const BroadcastList again = BroadcastCatcher::Run([&] { EXPECT_FALSE(lib->ApplyFirmwareProfile(1)); });
    EXPECT_THAT(board.TakeJournal(), IsEmpty());
    EXPECT_THAT(again, IsEmpty());

    // Turbo off: the clock falls, so frequency and ratios go first, then the others;
    // the service hears of it and the change is announced.
    const BroadcastList off = BroadcastCatcher::Run([&] { lib->RestoreStartupValues(); });
    EXPECT_EQ(Concat({{Set(kSelector, 3, 1), Set(kBase, 0, 2)}, RatioWrites(30), {Set(kOther, 5, 2), Pipe(1)}}),
              board.TakeJournal());
    // Once by the write-back, once by turbo off itself.
    EXPECT_EQ((BroadcastList{{0x2355, 3}, {0x2355, 3}}), off);
    EXPECT_FALSE(lib->IsTurboOn());
    EXPECT_EQ(0u, Read(kBase));
    EXPECT_EQ(5u, Read(kOther));
    EXPECT_THAT(CoreRatios(), ElementsAre(30, 30, 30, 30));
    board.TakeJournal();

    // Already off: nothing.
    const BroadcastList offAgain = BroadcastCatcher::Run([&] { lib->RestoreStartupValues(); });
    EXPECT_THAT(board.TakeJournal(), IsEmpty());
    EXPECT_THAT(offAgain, IsEmpty());
    // The start-up values serve every later turbo off.
    EXPECT_EQ(8u, lib->StockSet().size());

    const std::vector<std::string> lines = trace.Take();
    EXPECT_THAT(lines, testing::Contains("[BtnContronLib] firmware profile 0: writing 8 values\r\n"));
    EXPECT_THAT(lines, testing::Contains("[BtnContronLib] 8 saved values written back\r\n"));
}

TEST_F(BtnContronLibTest, FirmwareProfileLoweringTheClockWritesFrequencyAndRatiosFirst) {
    auto lib = MakeLib();
    // No service: the request fails quietly and the profile is applied all the same.
    const BroadcastList on = BroadcastCatcher::Run([&] { EXPECT_TRUE(lib->ApplyFirmwareProfile(1)); });
    // 100.00 x 38 -> 100.00 x 28: 0x11 unchanged (no write), the ratios, then the rest.
    EXPECT_EQ(Concat({{Set(kSelector, 3, 1)}, RatioWrites(20), {Set(kOther, 1, 2), Set(kApplyControl, 0, 1)}}),
              board.TakeJournal());
    EXPECT_EQ(kOneAnnouncement, on);
    EXPECT_TRUE(lib->IsTurboOn());
}

TEST_F(BtnContronLibTest, ABlockEndsAtItsMarkerEvenWithPairsAfterIt) {
    Rewrite(board, std::string(kBoard) + "block 0x05080002 2 0 0x03000020 7 0xFFFFFFFF 0x03070030 1\n");
    auto lib = MakeLib();
    BroadcastCatcher::Run([&] { EXPECT_TRUE(lib->ApplyFirmwareProfile(2)); });
    // Only A (0x20) changes; B (the turbo switch) after the marker stays as it is. The
    // ratios stay at the firmware's reported ratio: the cores are visited, none written.
    EXPECT_EQ(Concat({{Set(kSelector, 3, 1), Set(kOther, 7, 2)}, Selections(), {Set(kApplyControl, 0, 1)}}),
              board.TakeJournal());
    EXPECT_EQ(0u, Read(kTurbo));
}

TEST_F(BtnContronLibTest, AnUnreadableBlockOrAnIndexBeyondTheListChangesNothing) {
    auto lib = MakeLib();
    testutil::DebugOutputCapture trace;
    const BroadcastList none = BroadcastCatcher::Run([&] {
        EXPECT_FALSE(lib->ApplyFirmwareProfile(3));  // equal to the count
        EXPECT_FALSE(lib->ApplyFirmwareProfile(2));  // named, but no block
    });
    EXPECT_THAT(board.TakeJournal(), IsEmpty());
    EXPECT_THAT(none, IsEmpty());
    EXPECT_FALSE(lib->IsTurboOn());
    EXPECT_THAT(trace.Take(),
                testing::Contains("[BtnContronLib] firmware profile 2 cannot be read; nothing written\r\n"));
}

TEST_F(BtnContronLibTest, AProfileTheFirmwareRefusesInPartIsTakenBackAndTurboStaysOff) {
    Rewrite(board,
            BoardWith("item 0x03000020 5 base=0 step=1 count=10", "item 0x03000020 5 base=0 step=1 count=10 nowrite"));
    StartService();
    auto lib = MakeLib();
    testutil::DebugOutputCapture trace;
    const BroadcastList on = BroadcastCatcher::Run([&] { EXPECT_FALSE(lib->ApplyFirmwareProfile(0)); });
    // The whole batch as for a profile that works, the refused write among it; then what
    // was written goes back (a falling clock: frequency and ratios first) and the service
    // hears turbo off.
    EXPECT_EQ(Concat({{Pipe(0), Set(kSelector, 3, 1), "acpi set 0x03000020 0x00000009 2 fail", Set(kBase, 100, 2)},
                      RatioWrites(40),
                      {Set(kApplyControl, 0, 1), Set(kSelector, 3, 1), Set(kBase, 0, 2)},
                      RatioWrites(30),
                      {Pipe(1)}}),
              board.TakeJournal());
    EXPECT_EQ((BroadcastList{{0x2355, 3}, {0x2355, 3}}), on) << "the writes and the writing back";
    EXPECT_FALSE(lib->IsTurboOn());
    EXPECT_EQ(0u, Read(kBase));
    EXPECT_THAT(CoreRatios(), ElementsAre(30, 30, 30, 30));
    EXPECT_THAT(trace.Take(), testing::Contains("[BtnContronLib] firmware profile 0: 1 writes refused; the start-up "
                                                "values are written back\r\n"));
    board.TakeJournal();

    // Turbo is off: a turbo off writes nothing.
    BroadcastCatcher::Run([&] { lib->RestoreStartupValues(); });
    EXPECT_THAT(board.TakeJournal(), IsEmpty());
}

// A start-up value that could not be read must never leave the processor at the turbo
// value after turbo off: it is read again before the switch, and when the ratios still
// cannot be read nothing is written (the last ratio write reaches every core).
TEST_F(BtnContronLibTest, StartupValuesThatCouldNotBeReadAreReadAgainOrTheSwitchIsRefused) {
    const std::string ratio = "item 0x03000013 30 reported=30 base=8 step=1 count=50 percore=30,30,30,30";
    const std::string other = "item 0x03000020 5 base=0 step=1 count=10";
    const std::string lastCoreMissing = "item 0x03000013 30 reported=30 base=8 step=1 count=50 percore=30,30,30";
    struct Case {
        const char* name;
        std::string atStart;   // board at start-up
        std::string atSwitch;  // board when the profile is applied
        bool switchesOn;
    };
    const Case cases[] = {
        {"ratio unreadable at start", BoardWith(ratio, ratio + " noread"), kBoard, true},
        {"other item unreadable at start", BoardWith(other, other + " noread"), kBoard, true},
        {"last core's ratio unreadable throughout", BoardWith(ratio, lastCoreMissing),
         BoardWith(ratio, lastCoreMissing), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rewrite(board, c.atStart);
        auto lib = MakeLib();
        EXPECT_LT(lib->StockSet().size(), 8u) << "something unread at start";
        Rewrite(board, c.atSwitch);
        BroadcastCatcher::Run([&] { EXPECT_EQ(c.switchesOn, lib->ApplyFirmwareProfile(0)); });
        EXPECT_EQ(c.switchesOn, lib->IsTurboOn());
        if (c.switchesOn) {
            EXPECT_EQ(8u, lib->StockSet().size()) << "the missing values added";
            EXPECT_EQ(9u, Read(kOther));
            EXPECT_THAT(CoreRatios(), ElementsAre(40, 40, 40, 40));
            BroadcastCatcher::Run([&] { lib->RestoreStartupValues(); });
        } else {
            // Only the reads of the cores' ratios (each core selected in turn).
            const std::vector<std::string> journal = board.TakeJournal();
            EXPECT_EQ(0, std::count_if(journal.begin(), journal.end(),
                                       [](const std::string& l) {
                                           return l.find("0x03000013") != std::string::npos ||
                                                  l.find("0x03010011") != std::string::npos;
                                       }))
                << testing::PrintToString(journal);
        }
        EXPECT_EQ(0u, Read(kBase));
        EXPECT_EQ(5u, Read(kOther));
        AcpiSetValue(kSelector, 0, 1);
        EXPECT_EQ(30u, Read(kRatio)) << "back at the start-up ratio";
        Rewrite(board, kBoard);
    }
}

TEST_F(BtnContronLibTest, AProfileIsUsableWhenItsBaseClockIsNotBelowTheCurrentOne) {
    Rewrite(board, std::string(kBoard) + "block 0x05080002 2 0 0x03000020 7 0xFFFFFFFF\n" +
                       "block 0x05080002 3 0 0x03010011 50\n" + "block 0x05080002 4 0 0x03010011\n");
    auto lib = MakeLib();
    EXPECT_TRUE(lib->IsProfileUsable(0));   // 100 >= 0
    EXPECT_TRUE(lib->IsProfileUsable(1));   // 0 >= 0
    EXPECT_FALSE(lib->IsProfileUsable(2));  // no base clock pair
    EXPECT_FALSE(lib->IsProfileUsable(4));  // the pair's value lies beyond the block
    EXPECT_FALSE(lib->IsProfileUsable(9));  // no block
    kora::WriteIfChanged(kBase, 80);
    EXPECT_FALSE(lib->IsProfileUsable(3));  // 50 < 80
    EXPECT_TRUE(lib->IsProfileUsable(0));
    Rewrite(board, BoardWith("item 0x03010011 0 base", "item 0x03010011 0 noread base"));
    EXPECT_FALSE(lib->IsProfileUsable(0)) << "the current value cannot be read";
}

TEST_F(BtnContronLibTest, TheRestoreGuardKeepsTheValuesButTurboOffStillHappens) {
    StartService();
    auto lib = MakeLib();
    BroadcastCatcher::Run([&] { lib->ApplyFirmwareProfile(0); });
    board.TakeJournal();
    ASSERT_EQ(1u, AcpiSetValue(kora::kRestoreGuardId, 1, 1) & 1);
    board.TakeJournal();
    const BroadcastList off = BroadcastCatcher::Run([&] { lib->RestoreStartupValues(); });
    EXPECT_THAT(board.TakeJournal(), ElementsAre(Pipe(1)));
    EXPECT_EQ(kOneAnnouncement, off);
    EXPECT_FALSE(lib->IsTurboOn());
    EXPECT_EQ(100u, Read(kBase));
}

TEST_F(BtnContronLibTest, ForgetTurboWritesNothing) {
    auto lib = MakeLib();
    BroadcastCatcher::Run([&] { lib->ApplyFirmwareProfile(0); });
    board.TakeJournal();
    lib->ForgetTurbo();
    EXPECT_FALSE(lib->IsTurboOn());
    EXPECT_THAT(board.TakeJournal(), IsEmpty());
    EXPECT_EQ(100u, Read(kBase));
    // Off already: turbo off does nothing; the next press starts a switch-on.
    lib->RestoreStartupValues();
    EXPECT_THAT(board.TakeJournal(), IsEmpty());
    BroadcastCatcher::Run([&] { EXPECT_TRUE(lib->ApplyFirmwareProfile(1)); });
    EXPECT_TRUE(lib->IsTurboOn());
}

// ---------------------------------------------------------------------------------------
// Turbo on from a profile file

TEST_F(BtnContronLibTest, ProfileFileIsWrittenInTheSafeOrderAndTheServiceIsToldTwice) {
    StartService();
    auto lib = MakeLib();
    testutil::ScratchFolder folder("ocfile");
    const OcValueList records = {{kRatio, 45}, {kRatio, 45}, {kRatio, 45}, {kRatio, 45},
                                 {kBase, 200}, {kOther, 6},  {kLimit, 300}};
    ASSERT_TRUE(testutil::WriteText(folder / "Fast.OC", ProfileBytes(1, 7, records)));
    const BroadcastList on = BroadcastCatcher::Run([&] { EXPECT_TRUE(lib->ApplyProfileFile(folder / "Fast.OC")); });
    // Raising: others (the limit rises, so after the rest), 0x11, the ratios per core.
    EXPECT_EQ((std::vector<std::string>{Pipe(0), Set(kSelector, 3, 1), Set(kOther, 6, 2), Set(kLimit, 300, 2),
                                        Set(kBase, 200, 2), Set(kSelector, 0, 1), Set(kRatio, 45, 2),
                                        Set(kSelector, 1, 1), Set(kRatio, 45, 2), Set(kSelector, 2, 1),
                                        Set(kRatio, 45, 2), Set(kSelector, 3, 1), Set(kRatio, 45, 2),
                                        Set(kSelector, 255, 1), Set(kRatio, 45, 2), Set(kApplyControl, 0, 1), Pipe(0)}),
              board.TakeJournal());
    EXPECT_EQ(kOneAnnouncement, on);
    EXPECT_TRUE(lib->IsTurboOn());
    EXPECT_THAT(CoreRatios(), ElementsAre(45, 45, 45, 45));
    EXPECT_EQ(200u, Read(kBase));
    board.TakeJournal();
    // Already on: the file is not even read.
    EXPECT_FALSE(lib->ApplyProfileFile(folder / "Fast.OC"));
    EXPECT_THAT(board.TakeJournal(), IsEmpty());
}

TEST_F(BtnContronLibTest, AProfileFileTheFirmwareRefusesInPartIsTakenBackAndTurboStaysOff) {
    Rewrite(board,
            BoardWith("item 0x03000020 5 base=0 step=1 count=10", "item 0x03000020 5 base=0 step=1 count=10 nowrite"));
    StartService();
    auto lib = MakeLib();
    testutil::ScratchFolder folder("refused");
    ASSERT_TRUE(testutil::WriteText(folder / "part.oc", ProfileBytes(1, 2, {{kOther, 8}, {kLimit, 50}})));
    testutil::DebugOutputCapture trace;
    const BroadcastList on = BroadcastCatcher::Run([&] { EXPECT_FALSE(lib->ApplyProfileFile(folder / "part.oc")); });
    // The batch with the refused write (the limit falls, so it comes first), then the
    // limit back (rising now: after the rest, which is unchanged) and turbo off for the
    // service; no closing turbo-on request.
    EXPECT_EQ(Concat({{Pipe(0), Set(kLimit, 50, 2), "acpi set 0x03000020 0x00000008 2 fail", Set(kApplyControl, 0, 1),
                       Set(kSelector, 3, 1), Set(kLimit, 100, 2)},
                      Selections(),
                      {Pipe(1)}}),
              board.TakeJournal());
    EXPECT_EQ((BroadcastList{{0x2355, 3}, {0x2355, 3}}), on) << "the writes and the writing back";
    EXPECT_FALSE(lib->IsTurboOn());
    EXPECT_EQ(100u, Read(kLimit));
    EXPECT_THAT(trace.Take(), testing::Contains(HasSubstr("part.oc: 1 writes refused; the start-up values are "
                                                          "written back")));
}

TEST_F(BtnContronLibTest, ProfileFileRecordsOutsideTheOverclockingItemsAreNeverWritten) {
    auto lib = MakeLib();
    testutil::ScratchFolder folder("hostile");
    const OcValueList records = {
        {0x03000099, 1},  // no such item
        {kSelector, 2},   // the core selector: a control, not a value
        {0x03000040, 5},  // read-only
        {0x0B060001, 1},  // another group (the restore guard)
        {kOther, 10},     // beyond the item's ten values
        {kTurbo, 2},      // a boolean is 0 or 1
        {kOther, 3},      // the only good one
    };
    ASSERT_TRUE(testutil::WriteText(folder / "odd.oc", ProfileBytes(0, 7, records)));
    testutil::DebugOutputCapture trace;
    BroadcastCatcher::Run([&] { EXPECT_TRUE(lib->ApplyProfileFile(folder / "odd.oc")); });
    EXPECT_THAT(board.TakeJournal(), ElementsAre(Set(kOther, 3, 2), Set(kApplyControl, 0, 1)));
    EXPECT_EQ(0u, Read(0x0B060001));
    EXPECT_THAT(trace.Take(), testing::Contains(HasSubstr("6 of 7 records are no overclocking value in range")));
}

TEST_F(BtnContronLibTest, BrokenProfileFilesWriteNothingButStillTurnTurboOn) {
    StartService();
    testutil::ScratchFolder folder("broken");
    struct Case {
        const char* name;
        std::string bytes;
    };
    const std::string valid = ProfileBytes(1, 1, {{kOther, 8}});
    const Case cases[] = {
        {"empty.oc", ""},
        {"short.oc", valid.substr(0, 10)},
        {"version2.oc", ProfileBytes(2, 1, {{kOther, 8}})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(testutil::WriteText(folder / c.name, c.bytes));
        auto lib = MakeLib();
        const BroadcastList on = BroadcastCatcher::Run([&] { EXPECT_FALSE(lib->ApplyProfileFile(folder / c.name)); });
        // Only the closing request: no write, no announcement.
        EXPECT_THAT(board.TakeJournal(), ElementsAre(Pipe(0)));
        EXPECT_THAT(on, IsEmpty());
        EXPECT_TRUE(lib->IsTurboOn()) << "the next press runs turbo off";
    }
    auto lib = MakeLib();
    EXPECT_FALSE(lib->ApplyProfileFile(folder / "missing.oc"));
    EXPECT_TRUE(lib->IsTurboOn());
    board.TakeJournal();

    // A count far beyond the file: the complete records are written, nothing else.
    ASSERT_TRUE(
        testutil::WriteText(folder / "long.oc", ProfileBytes(1, 0xFFFFFFF0, {{kOther, 8}, {kTurbo, 1}}) + "xyz"));
    auto fresh = MakeLib();
    BroadcastCatcher::Run([&] { EXPECT_TRUE(fresh->ApplyProfileFile(folder / "long.oc")); });
    EXPECT_THAT(board.TakeJournal(),
                ElementsAre(Pipe(0), Set(kOther, 8, 2), Set(kTurbo, 1, 2), Set(kApplyControl, 0, 1), Pipe(0)));
}

// ---------------------------------------------------------------------------------------
// Sleep

TEST_F(BtnContronLibTest, SaveAndRestoreAcrossASleepKeepEveryValue) {
    auto lib = MakeLib();
    // Values of a running profile, changed further by hand.
    BroadcastCatcher::Run([&] { lib->ApplyFirmwareProfile(0); });
    AcpiSetValue(kSelector, 255, 1);
    AcpiSetValue(kRatio, 33, 2);
    AcpiSetValue(kLimit, 250, 2);
    AcpiSetValue(kTurbo, 1, 2);
    const std::vector<uint32_t> ratiosBefore = CoreRatios();
    ASSERT_THAT(ratiosBefore, ElementsAre(33, 33, 33, 33));
    const uint32_t others[] = {kBase, kLimit, kOther, kTurbo};
    std::vector<uint32_t> before;
    for (uint32_t id : others) {
        before.push_back(Read(id));
    }
    board.TakeJournal();

    lib->SaveCurrentValues(&lib->SleepSet());
    EXPECT_EQ(8u, lib->SleepSet().size());
    // Saving only selects cores to read them; it writes no value.
    for (const std::string& line : board.TakeJournal()) {
        EXPECT_THAT(line, HasSubstr("acpi set 0x030600F0"));
    }

    // The firmware comes back from sleep with its defaults.
    Rewrite(board, kBoard);
    DeleteFileA(board.Path("state.txt").c_str());
    ASSERT_THAT(CoreRatios(), ElementsAre(30, 30, 30, 30));

    const BroadcastList resumed = BroadcastCatcher::Run([&] { lib->RestoreSavedValues(&lib->SleepSet()); });
    EXPECT_EQ(kOneAnnouncement, resumed);
    EXPECT_THAT(lib->SleepSet(), IsEmpty()) << "written once, then emptied";
    EXPECT_EQ(ratiosBefore, CoreRatios());
    std::vector<uint32_t> after;
    for (uint32_t id : others) {
        after.push_back(Read(id));
    }
    EXPECT_EQ(before, after);

    // A second resume finds nothing to write.
    board.TakeJournal();
    const BroadcastList second = BroadcastCatcher::Run([&] { lib->RestoreSavedValues(&lib->SleepSet()); });
    EXPECT_THAT(board.TakeJournal(), IsEmpty());
    EXPECT_THAT(second, IsEmpty());
}

// What the last switch put in force comes back after a sleep that lost it: a profile's
// values (a file's beside the start-up values of what it does not name); nothing once
// another program has changed the values.
TEST_F(BtnContronLibTest, TheLastSwitchsValuesComeBackAfterASleepThatLostThem) {
    testutil::ScratchFolder folder("ocfile");
    const std::string file = folder / "Fast.OC";
    ASSERT_TRUE(testutil::WriteText(file, ProfileBytes(1, 3, {{kRatio, 45}, {kBase, 200}, {kOther, 6}})));
    struct Case {
        const char* name;
        std::function<void(BtnContronLib&)> switches;
        std::vector<uint32_t> values;  // base, core 0's ratio, other, limit after the write-back
    };
    const Case cases[] = {
        {"firmware profile", [](BtnContronLib& lib) { lib.ApplyFirmwareProfile(0); }, {100, 40, 9, 100}},
        {"profile file", [&file](BtnContronLib& lib) { lib.ApplyProfileFile(file); }, {200, 45, 6, 100}},
        {"values changed elsewhere",
         [](BtnContronLib& lib) {
             lib.ApplyFirmwareProfile(0);
             lib.ForgetTurbo();
         },
         {50, 33, 7, 250}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteFileA(board.Path("state.txt").c_str());
        auto lib = MakeLib();
        BroadcastCatcher::Run([&] { c.switches(*lib); });
        const std::pair<uint32_t, uint32_t> woken[] = {
            {kBase, 50}, {kSelector, 255}, {kRatio, 33}, {kOther, 7}, {kLimit, 250}};
        for (const auto& [id, value] : woken) {
            AcpiSetValue(id, value, id == kSelector ? 1 : 2);
        }
        BroadcastCatcher::Run([&] { lib->RestoreSwitchTarget(); });
        EXPECT_EQ(c.values, (std::vector<uint32_t>{Read(kBase), CoreRatios()[0], Read(kOther), Read(kLimit)}));
    }
}

}  // namespace
