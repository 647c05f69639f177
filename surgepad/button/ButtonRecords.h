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

// The machine's view of the button, merged from every account's record.
struct MachineButtonRecord {
    // The system's pair before any account's copy took the button over.
    std::optional<std::pair<uint32_t, uint32_t>> saved;
    // Each power scheme's own button action then: scheme id text -> AC action index.
    std::map<std::string, uint32_t> schemes;
    // The account whose copy holds the button now; empty when none does.
    std::string holder;
    // The turn of the newest record: an account's next record takes the turn after it.
    uint64_t turn = 0;
    // Every account whose own record says its copy holds the button, the newest
    // record's among them. Another's newer record does not end a hold (a record may say
    // anything); the button does.
    std::vector<std::string> holding;

    bool operator==(const MachineButtonRecord&) const = default;
};

// One account's record, written by that account alone: what it last did with the
// button, in the machine's order of turns.
struct AccountButtonRecord {
    uint64_t turn = 0;
    std::optional<std::pair<uint32_t, uint32_t>> saved;
    std::map<std::string, uint32_t> schemes;
    bool holds = false;

    bool operator==(const AccountButtonRecord&) const = default;
};

// Records written by this version end with this line: a file without it was cut short
// or written by another hand, and is not taken at all.
inline constexpr char kRecordEnd[] = "end";
// Turns above this are no count a machine reaches; a record claiming one is refused.
inline constexpr uint64_t kLargestTurn = uint64_t{1} << 48;
// Scheme actions above this are no action of the system's (Windows 11 defines 0 to 4).
inline constexpr uint32_t kLargestRecordedAction = 8;

std::string FormatAccountButtonRecord(const AccountButtonRecord& record);
// Only a whole, well-formed record: every line known and valid, "end" last.
std::optional<AccountButtonRecord> ParseAccountButtonRecord(std::string_view text);

// The record of an earlier version, one file shared by every account: "saved ACTION
// EVENT", "scheme ID INDEX" and "holder ID" lines. Still read (as the oldest turn),
// never written.
std::string FormatMachineButtonRecord(const MachineButtonRecord& record);
// Reads what it can: unknown or malformed lines are passed over, so a damaged file
// never yields a pair that was not written whole.
MachineButtonRecord ParseMachineButtonRecord(std::string_view text);

// An account id: letters, digits and '-', at most 64 characters.
bool IsAccountId(std::string_view word);

// The machine's view: the newest record (by turn, then account id) says who holds the
// button; the setting to give back is the newest one any record keeps. The earlier
// version's record counts as the oldest (turn 0).
MachineButtonRecord MergeButtonRecords(const std::optional<MachineButtonRecord>& older,
                                       const std::map<std::string, AccountButtonRecord>& accounts);

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
// The values are compared item by item (a ratio's entries in their order), on the
// items both lists hold: a value unreadable at one of the two moments decides nothing.
TurboRecordReading ReadTurboRecord(const std::optional<kora::OcValueList>& recordedStartup,
                                   const kora::OcValueList& current);

}  // namespace surgepad
