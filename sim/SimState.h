#pragma once
// What the stand-ins change on a board: the firmware items' current values (with the
// per-core entries and, as the core selector's value, the selected core), the power
// button, the power-saving level, the power-feature items, the schemes' AC indices and
// the active scheme. It starts from the board file and, with KORA_SIM_STATE, lives in
// the state file across processes (format in sim/README.md).

#include <cstdint>
#include <map>
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
    std::map<std::string, uint32_t> acIndex;  // scheme GUID (canonical) -> AC power-button action index
    std::string activeScheme;                 // canonical GUID; empty on a board without schemes
    // Further switches a stand-in keeps for itself (for example whether the power-saving
    // feature is enabled): NAME -> value, NAME of letters, digits, '_', '-' and '.'.
    std::map<std::string, uint32_t> flags;

    bool operator==(const SimState&) const = default;
};

// The state a board starts in.
SimState InitialState(const Board& board);

// Reads a state file over `state` (which starts as InitialState(board)). Lines that no
// longer fit the board (an item it lacks, a value out of the item's range, a per-core
// list of another length, an unknown scheme) are passed over, so an old state file
// never turns into impossible firmware. A line that is not state-file syntax fails the
// whole file: `state` is then left as it was and `error` says "NAME:LINE: why".
[[nodiscard]] bool ReadStateText(std::string_view text, std::string_view name, const Board& board, SimState* state,
                                 std::string* error);

// The state file's text: every part of the state, one line each.
std::string StateText(const SimState& state);

}  // namespace sim
