#pragma once
// What the stand-ins change on a board: the firmware items' current values (with the
// per-core entries and, as the core selector's value, the selected core), the power
// button, the power-saving level, the power-feature items, the schemes (their AC
// indices, the plans added and deleted, the active one), the power source and the
// effective power mode. It starts from the board file and, with KORA_SIM_STATE, lives
// in the state file across processes (format in sim/README.md).

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "sim/Board.h"

namespace sim {

struct SimState {
    std::map<uint32_t, uint32_t> values;                // items without per-core entries
    std::map<uint32_t, std::vector<uint32_t>> entries;  // per-core items
    uint32_t level = 0;
    uint32_t buttonAction = 0;
    uint32_t buttonEvent = 0;
    std::map<uint32_t, uint32_t> dormixItems;
    // Every scheme there is, by canonical GUID -> its AC power-button action index: the
    // board's, less the deleted ones, and the added ones.
    std::map<std::string, uint32_t> acIndex;
    std::vector<std::string> addedSchemes;  // plans the board does not list, in the order they were added
    std::set<std::string> deletedSchemes;   // plans of the board that were deleted
    std::string activeScheme;               // canonical GUID; empty on a board without schemes
    PowerSource powerSource = PowerSource::Ac;
    bool batteryPresent = false;
    uint32_t powerMode = kBalancedPowerMode;
    // Further switches a stand-in keeps for itself (for example whether the power-saving
    // feature is enabled): NAME -> value, NAME of letters, digits, '_', '-' and '.'.
    std::map<std::string, uint32_t> flags;

    bool operator==(const SimState&) const = default;
};

// The state a board starts in.
SimState InitialState(const Board& board);

// The schemes there are, as the system lists them: the board's in its order (less the
// deleted ones), then the added ones in the order they were added.
std::vector<std::string> SchemeList(const Board& board, const SimState& state);

// Reads a state file over `state` (which starts as InitialState(board)). Lines that no
// longer fit the board (an item it lacks, a value out of the item's range, a per-core
// list of another length, an unknown scheme, an action the board's Windows does not
// define, a power mode out of range) are passed over, so an old state file
// never turns into impossible firmware. A line that is not state-file syntax fails the
// whole file: `state` is then left as it was and `error` says "NAME:LINE: why".
[[nodiscard]] bool ReadStateText(std::string_view text, std::string_view name, const Board& board, SimState* state,
                                 std::string* error);

// The state file's text: every part of the state, one line each.
std::string StateText(const SimState& state);

}  // namespace sim
