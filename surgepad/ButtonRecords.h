#pragma once
// What the program keeps about the system's power button and a switched-on profile, in
// forms that need no Windows: the machine-wide record shared by every account's copy
// (a text file in the common application data) and the turbo record of the settings
// key (the start-up values while a profile is on).
//
// The power button belongs to the machine, the settings to each account: the machine
// record keeps the setting to give back and which account's copy holds the button, so
// that another account's choice or an uninstall run by anybody can always give it back.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "lumen/kora/TwOcItemProfile.h"

namespace surgepad {

struct MachineButtonRecord {
    // The system's pair before any account's copy took the button over.
    std::optional<std::pair<uint32_t, uint32_t>> saved;
    // Each power scheme's own button action then: scheme id text -> AC action index.
    std::map<std::string, uint32_t> schemes;
    // The account whose copy holds the button now; empty when none does.
    std::string holder;

    bool operator==(const MachineButtonRecord&) const = default;
};

// The file's text: "saved ACTION EVENT", "scheme ID INDEX" and "holder ID" lines.
std::string FormatMachineButtonRecord(const MachineButtonRecord& record);
// Reads what it can: unknown or malformed lines are passed over, so a damaged file
// never yields a pair that was not written whole.
MachineButtonRecord ParseMachineButtonRecord(std::string_view text);

// A value list as the registry keeps it: (id, value) as two little-endian 32-bit words
// each.
std::vector<uint8_t> EncodeValueList(const kora::OcValueList& list);
// Nothing when the size is not a whole number of pairs.
std::optional<kora::OcValueList> DecodeValueList(const uint8_t* data, size_t size);

// What a start does with a turbo record left by an earlier run.
enum class TurboRecordReading {
    kNone,         // no record: turbo is off
    kDrop,         // the firmware is back at the recorded start-up values (a reboot reset it)
    kResumeTurbo,  // anything else: the profile, or part of it, may be in force; turbo
                   // off must go back to the recorded values
};
TurboRecordReading ReadTurboRecord(const std::optional<kora::OcValueList>& recordedStartup,
                                   const kora::OcValueList& current);

}  // namespace surgepad
