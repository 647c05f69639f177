#include "sim/powrprof/SystemPower.h"

#include "sim/TextSyntax.h"

namespace sim {

BatteryState BatteryStateOf(const SimState& state) {
    BatteryState battery;
    battery.acOnLine = state.powerSource == PowerSource::Ac;
    battery.batteryPresent = state.batteryPresent;
    if (!battery.batteryPresent) {
        battery.acOnLine = true;  // a machine without a battery runs on AC
        battery.estimatedTime = kUnknownBatteryTime;
        return battery;
    }
    constexpr uint32_t kCapacity = 50000;
    constexpr uint32_t kCharge = kCapacity / 10 * 8;
    battery.maxCapacity = kCapacity;
    battery.remainingCapacity = kCharge;
    battery.defaultAlert1 = kCapacity / 10;
    battery.defaultAlert2 = kCapacity / 100 * 3;
    if (battery.acOnLine) {
        constexpr uint32_t kChargingRate = 20000;
        battery.charging = true;
        battery.rate = kChargingRate;
        battery.estimatedTime = kUnknownBatteryTime;
    } else {
        constexpr uint32_t kDischargingRate = 10000;
        battery.discharging = true;
        battery.rate = ~kDischargingRate + 1;  // -10000 in two's complement
        battery.estimatedTime = static_cast<uint32_t>(uint64_t{kCharge} * 3600 / kDischargingRate);
    }
    return battery;
}

uint32_t ModeForVersion(uint32_t mode, uint32_t version) {
    if (version < kEffectivePowerModeV2 && mode >= kGamePowerMode) {
        return kBalancedPowerMode;
    }
    return mode;
}

std::string PowerSourceJournalLine(PowerSource source) {
    return source == PowerSource::Ac ? "power source ac" : "power source battery";
}

std::string PowerModeJournalLine(uint32_t mode) {
    return "power mode " + syntax::Hex32(mode);
}

std::string PowerModeEventName(uint32_t processId) {
    return "Local\\KoraSimPowerMode-" + std::to_string(processId);
}

}  // namespace sim
