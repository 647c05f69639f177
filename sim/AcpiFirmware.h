#pragma once
// The ACPI/BIOS library's view of a board: what each of its calls answers, given the
// board and the current state. KRACPI.DLL wraps this in its exported functions.

#include <cstdint>
#include <optional>
#include <vector>

#include "sim/AcpiPackage.h"
#include "sim/Board.h"
#include "sim/SimState.h"

namespace sim {

class AcpiFirmware {
public:
    AcpiFirmware(const Board& board, SimState& state) : m_board(board), m_state(state) {}

    // The selected core choice: the core selector's value (0 on a board without one).
    uint32_t SelectedCore() const;

    // The item's value; for a per-core item the entry of the selected choice (entry 0
    // when every core is selected). Fails for an unknown item, a `noread` one, and a
    // per-core item with no entry for the selected choice.
    [[nodiscard]] bool GetValue(uint32_t id, uint32_t* value) const;
    // As GetValue, except that `arg` names the entry of a per-core item (255: entry 0)
    // instead of the selection; other items ignore it.
    [[nodiscard]] bool GetValueWithArg(uint32_t id, uint32_t arg, uint32_t* value) const;
    // Writes with mode 1 (control) or 2 (overclocking value); other modes fail. Writing
    // the core selector selects a choice (below its count, or 255); a per-core item
    // takes the value in the selected entry, or in every entry with 255 selected.
    // Fails and changes nothing for an unknown item, a `nowrite` one, and a value
    // outside the item's range.
    [[nodiscard]] bool SetValue(uint32_t id, uint32_t value, uint32_t mode);

    std::optional<PackageBuilder> InfoPackage() const;
    // One element per item of the group, in board order, whose data is the item id;
    // fails for a `fail group` and for a group the board has no item in.
    std::optional<PackageBuilder> GroupPackage(uint32_t group) const;
    std::optional<PackageBuilder> ItemInfoPackage(uint32_t id) const;
    const std::vector<uint32_t>* Block(uint32_t id, uint32_t index) const;

private:
    const uint32_t* Entry(const BoardItem& item, uint32_t choice) const;

    const Board& m_board;
    SimState& m_state;
};

}  // namespace sim
