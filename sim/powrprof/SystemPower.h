#pragma once
// The machine's power as the "powrprof.dll" stand-in reports it beside the schemes: the
// battery (CallNtPowerInformation with SystemBatteryState) and the effective power mode
// (PowerRegisterForEffectivePowerModeNotifications), from the board's `power` line and
// the state; and how kora-sim.exe tells the processes that registered for the mode that
// it changed.

#include <cstdint>
#include <string>

#include "sim/Board.h"
#include "sim/SimState.h"

namespace sim {

// SYSTEM_BATTERY_STATE's fields. A machine with a battery holds 50 Wh charged to 80 %:
// on AC it charges at 20 W with no time estimate (0xFFFFFFFF, as the system answers
// while charging), on battery it discharges at 10 W (the rate negative, in two's
// complement) with four hours left. Without a battery: on AC, every other field 0 and
// no estimate.
struct BatteryState {
    bool acOnLine = true;
    bool batteryPresent = false;
    bool charging = false;
    bool discharging = false;
    uint32_t maxCapacity = 0;        // mWh
    uint32_t remainingCapacity = 0;  // mWh
    uint32_t rate = 0;               // mW, negative while discharging
    uint32_t estimatedTime = 0;      // seconds
    uint32_t defaultAlert1 = 0;      // mWh: low
    uint32_t defaultAlert2 = 0;      // mWh: critical

    bool operator==(const BatteryState&) const = default;
};

constexpr uint32_t kUnknownBatteryTime = 0xFFFFFFFF;

BatteryState BatteryStateOf(const SimState& state);

// The versions a caller of PowerRegisterForEffectivePowerModeNotifications may ask for.
constexpr uint32_t kEffectivePowerModeV1 = 1;
constexpr uint32_t kEffectivePowerModeV2 = 2;

// The mode told to a caller that understands `version`: game mode and mixed reality
// came with version 2; a version-1 caller is told balanced for them.
uint32_t ModeForVersion(uint32_t mode, uint32_t version);

// "power source ac|battery" and "power mode N" (N as 0x%08X, like every number of the
// journal): a change made by kora-sim.
std::string PowerSourceJournalLine(PowerSource source);
std::string PowerModeJournalLine(uint32_t mode);

// The event a process that registered for the effective power mode waits on, one per
// process (auto-reset, in the session's namespace): kora-sim sets it in every process
// that has it after it changed the mode in the state.
std::string PowerModeEventName(uint32_t processId);

}  // namespace sim
