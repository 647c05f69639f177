// Fuzz target of the turbo record ("TurboStartupValues") a start finds in the settings
// and checks before it may ever reach the firmware (surgepad/ButtonRecords and the item
// set's AcceptedRecords), on the simulator's firmware in this process.
//
// Input: the record's bytes.
//
// A record decodes exactly when it is whole pairs, and encodes back to itself. What the
// check accepts names a listed, writable overclocking item by its whole id with a value
// in its range; what it refuses does not. A start takes the record for a reboot only
// when some item holds the recorded values and none holds others.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "lumen/kora/OcItemSet.h"
#include "sim/Board.h"
#include "sim/BoardParser.h"
#include "surgepad/button/ButtonRecords.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

// The firmware of the simulator's full board, in part.
const char kBoard[] = R"(info 0x00000001 0x00000000 0x00000000 0x03000000
item 0x00060008 0x00000003 attr=0x40000000
item 0x00060009 0x00000002 attr=0x40000000
item 0x03010011 0 base=10000 step=1 count=3001
item 0x03020012 80 base=800 step=5 count=161
item 0x03000013 28 base=8 step=1 count=43 percore=28,28,28,28
item 0x03000015 22 base=8 step=1 count=43
item 0x03070030 1
item 0x03080031 0 texts="Standard","Optimized","Extreme"
item 0x03000040 20 attr=0x40000000 base=8 step=1 count=43
item 0x030600F0 0 attr=0x40000000 base=0 step=1 count=4
item 0x0B060001 0 attr=0x40000000
)";

struct Firmware {
    Firmware() {
        const std::filesystem::path path =
            std::filesystem::temp_directory_path() / ("surgepad-fuzz-board-" + std::to_string(::getpid()) + ".txt");
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (f == nullptr || std::fputs(kBoard, f) < 0 || std::fclose(f) != 0) {
            fuzz::Fail("cannot write the board");
        }
        ::setenv("KORA_SIM_BOARD", path.c_str(), 1);
        std::string error;
        board = *sim::ParseBoard(kBoard, "board.txt", &error);
        ratio = std::make_unique<kora::KrOcRatio>();
        set = std::make_unique<kora::KrOcPrimaryItemSet>(*ratio);
        kora::SaveCurrentValues(*ratio, &stock);
        boardPath = path;
    }
    ~Firmware() { std::filesystem::remove(boardPath); }

    // What the check must decide, from the board itself.
    bool Takes(const kora::tagTwOcItemValue& pair) const {
        const sim::BoardItem* item = board.FindItem(pair.id);
        return item != nullptr && item->Group() == 3 && (item->attr & 0x40000000u) == 0 && !item->nowrite &&
               item->AcceptsValue(pair.value);
    }

    sim::Board board;
    std::unique_ptr<kora::KrOcRatio> ratio;
    std::unique_ptr<kora::KrOcPrimaryItemSet> set;
    kora::OcValueList stock;
    std::filesystem::path boardPath;
};

fuzz::QuietReports g_reports;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const Firmware firmware;
    const std::optional<kora::OcValueList> record = surgepad::DecodeValueList(data, size);
    if (record.has_value() != (size % 8 == 0)) {
        fuzz::Fail("a record of " + std::to_string(size) + " bytes decoded: " + (record ? "yes" : "no"));
    }
    if (!record) {
        return 0;
    }
    const std::vector<uint8_t> again = surgepad::EncodeValueList(*record);
    if (again.size() != size || (size > 0 && std::memcmp(again.data(), data, size) != 0)) {
        fuzz::Fail("a record does not encode back to itself");
    }
    const kora::OcValueList accepted = kora::AcceptedRecords(*firmware.set, *record);
    size_t at = 0;
    for (const kora::tagTwOcItemValue& pair : *record) {
        const bool taken = at < accepted.size() && accepted[at] == pair;
        if (taken != firmware.Takes(pair)) {
            char text[96];
            std::snprintf(text, sizeof text, "(0x%08X, %u) %s", pair.id, pair.value,
                          taken ? "accepted, not the firmware's" : "refused, the firmware's");
            fuzz::Fail(text);
        }
        at += taken ? 1 : 0;
    }
    if (at != accepted.size()) {
        fuzz::Fail("accepted pairs the record does not hold");
    }
    if (surgepad::ReadTurboRecord(record, firmware.stock) == surgepad::TurboRecordReading::kDrop) {
        bool someAgree = false;
        for (const kora::tagTwOcItemValue& pair : *record) {
            for (const kora::tagTwOcItemValue& now : firmware.stock) {
                someAgree = someAgree || now == pair;
            }
        }
        if (!someAgree) {
            fuzz::Fail("taken for a reboot with no item at its recorded value");
        }
    }
    return 0;
}
