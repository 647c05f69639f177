#pragma once
// The power-feature library's view of a board: what each procedure of "Dormix.dll" and
// "vvc.dll" answers, given the board's `dormix` line and the current state. The DLLs
// wrap this in their exported procedures; kora-sim.exe's `button` uses it too.
//
// A board without a `dormix` line has the library but no feature: every "is supported"
// question answers 0 and the level, the power button and the items fail. On a board
// with schemes the power-button pair follows the active scheme: (its AC index, 0).

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "sim/Board.h"
#include "sim/SimState.h"

namespace sim {

// Switches the library keeps in the state, so another process sees them.
inline constexpr const char* kDormixEnabledFlag = "dormix.enabled";
inline constexpr const char* kDormixSleepingFlag = "dormix.sleeping";
inline constexpr const char* kDormixSoundFlag = "dormix.sound";
inline constexpr const char* kDormixScreenFlag = "dormix.screen";
inline constexpr const char* kVvcMuteFlag = "vvc.mute";

class DormixFeature {
public:
    DormixFeature(const Board& board, SimState& state) : m_board(board), m_state(state) {}

    // Answers of the "(out 32-bit)" questions: 1 yes, 0 no.
    uint32_t Supported() const;
    uint32_t PacelySupported() const;
    uint32_t HushlySupported() const;
    uint32_t VentixThreeSupported() const;

    // The level, when the feature is supported.
    [[nodiscard]] bool GetLevel(uint32_t* level) const;
    // Fails and changes nothing when the feature is not supported.
    [[nodiscard]] bool SetLevel(uint32_t level);

    [[nodiscard]] bool GetPowerButton(uint32_t* action, uint32_t* event) const;
    // Fails on a board without the library's line, and on a board with schemes whose
    // active scheme is unknown to the state or whose Windows does not define `action`.
    [[nodiscard]] bool SetPowerButton(uint32_t action, uint32_t event);

    // The items of the `dormix` line only; others do not exist.
    bool HasItem(uint32_t id) const;
    [[nodiscard]] bool GetItem(uint32_t id, uint32_t* value) const;
    [[nodiscard]] bool SetItem(uint32_t id, uint32_t value);

    // Records one of the switches above; true when it changed.
    bool SetFlag(const char* name, uint32_t value);

private:
    const Board& m_board;
    SimState& m_state;
};

// "dormix NAME [ARG ...]", every argument as 0x%08X.
std::string DormixJournalLine(std::string_view name, std::initializer_list<uint32_t> args = {});
// "vvc VISTA_SetMute ARG".
std::string VvcMuteJournalLine(uint32_t mute);

}  // namespace sim
