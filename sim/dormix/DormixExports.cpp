// The simulated power-feature library "Dormix.dll": its 21 procedures, exported by name.
// Every call reads the board and the state anew (see sim/Simulator.h); the calls that
// change something are journaled, whether they succeed or not, so a test sees that the
// program reached the library. No exception leaves an exported procedure.
//
// Built a second time with SIM_DORMIX_WITHOUT_SLEEP as a library that lacks
// "DormixSleep", for the tests of a library missing a procedure.

#include <type_traits>

#include "lumen/kora/VendorApi.h"
#include "sim/ExportSupport.h"
#include "sim/dormix/DormixFeature.h"

#define DORMIX_EXPORT extern "C" __declspec(dllexport)

namespace {

using sim::Board;
using sim::DormixFeature;
using sim::SimState;

using sim::Guarded;

// A call that only reads; true when the board is usable and the call succeeded.
template <typename Read>
bool ReadCall(Read&& read) {
    bool ok = false;
    sim::ModuleSimulator().Run([&](const Board& board, SimState& state) {
        const DormixFeature feature(board, state);
        ok = read(feature);
        return false;
    });
    return ok;
}

// A call that may change the state; true when it succeeded and its change was stored.
template <typename Change>
bool ChangeCall(Change&& change) {
    bool ok = false;
    const auto outcome = sim::ModuleSimulator().Run([&](const Board& board, SimState& state) {
        DormixFeature feature(board, state);
        ok = change(feature);
        return ok;
    });
    return ok && outcome == sim::Simulator::Outcome::Done;
}

void Journal(std::string_view name, std::initializer_list<uint32_t> args = {}) {
    sim::Simulator::Journal(sim::DormixJournalLine(name, args));
}

void SetFlag(const char* name, uint32_t value) {
    ChangeCall([&](DormixFeature& f) { return f.SetFlag(name, value); });
}

// The "(out 32-bit) returns bool" questions.
template <typename Question>
uint32_t Answer(uint32_t* out, Question&& question) {
    if (out == nullptr) {
        return 0;
    }
    return ReadCall([&](const DormixFeature& f) {
        *out = question(f);
        return true;
    })
               ? 1
               : 0;
}

}  // namespace

DORMIX_EXPORT void WINAPI DormixInit(void) {
    Guarded([] { Journal("DormixInit"); });
}

DORMIX_EXPORT uint32_t WINAPI DormixIsSupport(uint32_t* out) {
    return Guarded([&] { return Answer(out, [](const DormixFeature& f) { return f.Supported(); }); });
}

DORMIX_EXPORT uint32_t WINAPI PacelyIsSupport(uint32_t* out) {
    return Guarded([&] { return Answer(out, [](const DormixFeature& f) { return f.PacelySupported(); }); });
}

DORMIX_EXPORT uint32_t WINAPI DormixCheckReboot(uint32_t* out) {
    // The simulated feature never needs a restart to take effect.
    return Guarded([&]() -> uint32_t {
        if (out == nullptr) {
            return 0;
        }
        return ReadCall([&](const DormixFeature&) {
            *out = 0;
            return true;
        })
                   ? 1
                   : 0;
    });
}

DORMIX_EXPORT void WINAPI DormixEnable(void) {
    Guarded([] {
        Journal("DormixEnable");
        SetFlag(sim::kDormixEnabledFlag, 1);
    });
}

DORMIX_EXPORT void WINAPI DormixDisable(void) {
    Guarded([] {
        Journal("DormixDisable");
        SetFlag(sim::kDormixEnabledFlag, 0);
    });
}

DORMIX_EXPORT void WINAPI DormixWake(void) {
    Guarded([] {
        Journal("DormixWake");
        SetFlag(sim::kDormixSleepingFlag, 0);
    });
}

#if !defined(SIM_DORMIX_WITHOUT_SLEEP)
DORMIX_EXPORT void WINAPI DormixSleep(void) {
    Guarded([] {
        Journal("DormixSleep");
        SetFlag(sim::kDormixSleepingFlag, 1);
    });
}
#endif

DORMIX_EXPORT void WINAPI DormixSound(uint32_t on) {
    Guarded([&] {
        Journal("DormixSound", {on});
        SetFlag(sim::kDormixSoundFlag, on);
    });
}

DORMIX_EXPORT void WINAPI DormixScreen(uint32_t on) {
    Guarded([&] {
        Journal("DormixScreen", {on});
        SetFlag(sim::kDormixScreenFlag, on);
    });
}

DORMIX_EXPORT uint32_t WINAPI GetLevel(uint32_t* level) {
    return Guarded([&]() -> uint32_t {
        return level != nullptr && ReadCall([&](const DormixFeature& f) { return f.GetLevel(level); }) ? 1 : 0;
    });
}

DORMIX_EXPORT uint8_t WINAPI SetLevel(uint32_t level) {
    return Guarded([&]() -> uint8_t {
        Journal("SetLevel", {level});
        return ChangeCall([&](DormixFeature& f) { return f.SetLevel(level); }) ? 1 : 0;
    });
}

DORMIX_EXPORT uint32_t WINAPI IsDormix(void) {
    return Guarded([]() -> uint32_t {
        uint32_t supported = 0;
        return Answer(&supported, [](const DormixFeature& f) { return f.Supported(); }) != 0 ? supported : 0;
    });
}

DORMIX_EXPORT uint32_t WINAPI IsThermostatSupported(void) {
    // No board carries the thermostat.
    return 0;
}

DORMIX_EXPORT uint32_t WINAPI HushlyIsSupport(uint32_t* out) {
    return Guarded([&] { return Answer(out, [](const DormixFeature& f) { return f.HushlySupported(); }); });
}

DORMIX_EXPORT uint32_t WINAPI GetPowerButtonSetting(uint32_t* action, uint32_t* event) {
    return Guarded([&]() -> uint32_t {
        if (action == nullptr || event == nullptr) {
            return 0;
        }
        return ReadCall([&](const DormixFeature& f) { return f.GetPowerButton(action, event); }) ? 1 : 0;
    });
}

DORMIX_EXPORT uint32_t WINAPI SetPowerButtonSetting(uint32_t action, uint32_t event) {
    return Guarded([&]() -> uint32_t {
        Journal("SetPowerButtonSetting", {action, event});
        return ChangeCall([&](DormixFeature& f) { return f.SetPowerButton(action, event); }) ? 1 : 0;
    });
}

DORMIX_EXPORT uint32_t WINAPI DormixGetItem(uint32_t id, uint32_t* value) {
    return Guarded([&]() -> uint32_t {
        return value != nullptr && ReadCall([&](const DormixFeature& f) { return f.GetItem(id, value); }) ? 1 : 0;
    });
}

DORMIX_EXPORT uint32_t WINAPI DormixSetItem(uint32_t id, uint32_t value) {
    return Guarded([&]() -> uint32_t {
        Journal("DormixSetItem", {id, value});
        return ChangeCall([&](DormixFeature& f) { return f.SetItem(id, value); }) ? 1 : 0;
    });
}

DORMIX_EXPORT uint32_t WINAPI IsItemSupported(uint32_t id) {
    return Guarded(
        [&]() -> uint32_t { return ReadCall([&](const DormixFeature& f) { return f.HasItem(id); }) ? 1 : 0; });
}

DORMIX_EXPORT uint32_t WINAPI IsVentixThreeSupported(void) {
    return Guarded([]() -> uint32_t {
        uint32_t supported = 0;
        return Answer(&supported, [](const DormixFeature& f) { return f.VentixThreeSupported(); }) != 0 ? supported : 0;
    });
}

// The procedures are exactly the types the program calls them through.
static_assert(std::is_same_v<decltype(&DormixInit), kora::DormixInitFn>);
static_assert(std::is_same_v<decltype(&DormixIsSupport), kora::DormixIsSupportFn>);
static_assert(std::is_same_v<decltype(&PacelyIsSupport), kora::PacelyIsSupportFn>);
static_assert(std::is_same_v<decltype(&DormixCheckReboot), kora::DormixCheckRebootFn>);
static_assert(std::is_same_v<decltype(&DormixEnable), kora::DormixEnableFn>);
static_assert(std::is_same_v<decltype(&DormixDisable), kora::DormixDisableFn>);
static_assert(std::is_same_v<decltype(&DormixWake), kora::DormixWakeFn>);
static_assert(std::is_same_v<decltype(&DormixSound), kora::DormixSoundFn>);
static_assert(std::is_same_v<decltype(&DormixScreen), kora::DormixScreenFn>);
static_assert(std::is_same_v<decltype(&GetLevel), kora::DormixGetLevelFn>);
static_assert(std::is_same_v<decltype(&SetLevel), kora::DormixSetLevelFn>);
static_assert(std::is_same_v<decltype(&IsDormix), kora::IsDormixFn>);
static_assert(std::is_same_v<decltype(&IsThermostatSupported), kora::IsThermostatSupportedFn>);
static_assert(std::is_same_v<decltype(&HushlyIsSupport), kora::HushlyIsSupportFn>);
static_assert(std::is_same_v<decltype(&GetPowerButtonSetting), kora::GetPowerButtonSettingFn>);
static_assert(std::is_same_v<decltype(&SetPowerButtonSetting), kora::SetPowerButtonSettingFn>);
static_assert(std::is_same_v<decltype(&DormixGetItem), kora::DormixGetItemFn>);
static_assert(std::is_same_v<decltype(&DormixSetItem), kora::DormixSetItemFn>);
static_assert(std::is_same_v<decltype(&IsItemSupported), kora::IsItemSupportedFn>);
static_assert(std::is_same_v<decltype(&IsVentixThreeSupported), kora::IsVentixThreeSupportedFn>);
