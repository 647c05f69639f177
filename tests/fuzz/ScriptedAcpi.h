#pragma once
// The ACPI/BIOS library as the fuzzers play it. A fuzzer links this in place of the
// simulated KRACPI.DLL: every package call answers with what the input scripts, and
// the element calls are the simulator's own (sim/AcpiPackage.h), so that the item
// model and the profile block reader meet what no board file can describe: counts and
// lengths that lie, texts without their end, sizes beyond the caller's buffer.
//
// A package call copies as much of its scripted package as the caller's buffer holds
// and reports the package's own size, however large: the library never writes beyond
// the buffer, but says whatever it likes about the size.
#include <cstdint>
#include <vector>

namespace fuzz {

struct AcpiScript {
    // AcpiGetGroup (any group) and AcpiGetInfo.
    std::vector<uint8_t> group;
    bool groupFails = false;
    // AcpiGetItemInfo: the description of the item whose descriptor holds id is
    // descriptions[id % size]; it fails when there is none.
    std::vector<std::vector<uint8_t>> descriptions;
    // AcpiGetItemBlock of the firmware profiles (0x05080002, any index): `block`,
    // reported as `blockSize` bytes. Other blocks fail.
    std::vector<uint8_t> block;
    uint32_t blockSize = 0;
    bool blockFails = false;
    // AcpiGetValue answers `value` for every item (or fails); AcpiSetValue fails.
    uint32_t value = 0;
    bool valueFails = true;
};

// The script the library answers from; nullptr: every call fails.
void PlayScript(const AcpiScript* script);

// The index the last AcpiGetItemBlock call asked for.
uint32_t LastBlockIndex();
// The description the last AcpiGetItemInfo call answered; nullptr when it failed.
const std::vector<uint8_t>* LastDescription();

}  // namespace fuzz
