#pragma once
// The system's power schemes as the board's `scheme` lines and the state describe them:
// what the power-scheme functions of the "powrprof.dll" stand-in answer, and what
// `kora-sim scheme` does as the user in the system's power options. Only the AC value
// of the power-button action is simulated; every scheme has it, and it takes the
// actions the board's Windows version defines (Board::AcceptsButtonAction).
//
// Results are the system's error codes (0 success). Scheme ids are texts in the
// canonical form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".

#include <cstdint>
#include <string>

#include "sim/Board.h"
#include "sim/SimState.h"

namespace sim {

inline constexpr const char* kAllPowerSchemesGuid = "{68A1E95E-13EA-41E1-8011-0C496CA490B0}";
inline constexpr const char* kSystemButtonSubgroupGuid = "{4F971E89-EEBD-4455-A8DE-9E59040E7347}";
inline constexpr const char* kPowerButtonActionGuid = "{7648EFA3-DD9C-4E3E-B566-50F929386280}";

// The error codes the functions return.
constexpr uint32_t kPowerOk = 0;
constexpr uint32_t kPowerFileNotFound = 2;
constexpr uint32_t kPowerAccessDenied = 5;
constexpr uint32_t kPowerInvalidParameter = 87;
constexpr uint32_t kPowerAlreadyExists = 183;
constexpr uint32_t kPowerNoMoreItems = 259;

// A GUID as its four fields, laid out like the system's.
// Trivial, so that it can be copied byte for byte from and to the system's GUID.
struct SimGuid {
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    uint8_t data4[8];
};
static_assert(sizeof(SimGuid) == 16);

std::string GuidText(const SimGuid& guid);
// Reads a GUID text in any case, with or without braces.
[[nodiscard]] bool ParseGuid(const std::string& text, SimGuid* guid);

class PowerSchemes {
public:
    PowerSchemes(const Board& board, SimState& state) : m_board(board), m_state(state) {}

    uint32_t GetActive(std::string* scheme) const;
    // Any scheme there is may be made active, a custom plan too.
    uint32_t SetActive(const std::string& scheme);
    // Only the power-button action of a scheme there is exists.
    uint32_t ReadAcValue(const std::string& scheme, const std::string& subgroup, const std::string& setting,
                         uint32_t* value) const;
    // `scheme` may be the all-schemes id, which writes every scheme. An action the
    // board's Windows does not define fails with kPowerInvalidParameter and changes nothing.
    uint32_t WriteAcValue(const std::string& scheme, const std::string& subgroup, const std::string& setting,
                          uint32_t value);
    // The schemes as SchemeList orders them: the board's, then the added ones.
    uint32_t Enumerate(uint32_t index, std::string* scheme) const;

    // A plan the user adds, with its power-button action: only on a board with schemes
    // (a system with the scheme functions), never under an id already taken or the
    // all-schemes id (kPowerAlreadyExists), with an action the board's Windows defines.
    uint32_t Add(const std::string& scheme, uint32_t acIndex);
    // Deletes a plan; the active one cannot go (kPowerAccessDenied), as in the system.
    uint32_t Delete(const std::string& scheme);

    bool Exists(const std::string& scheme) const;

private:
    bool IsButtonSetting(const std::string& subgroup, const std::string& setting) const;

    const Board& m_board;
    SimState& m_state;
};

// "powrprof write SCHEME SUBGROUP SETTING VALUE", with " fail" after a write refused for
// an action the board's Windows does not define.
std::string PowrprofWriteJournalLine(const std::string& scheme, const std::string& subgroup, const std::string& setting,
                                     uint32_t value, bool refused = false);
// "powrprof setactive SCHEME".
std::string PowrprofSetActiveJournalLine(const std::string& scheme);
// "powrprof scheme add SCHEME" and "powrprof scheme delete SCHEME".
std::string PowrprofSchemeJournalLine(const char* change, const std::string& scheme);

}  // namespace sim
