#include "surgepad/turbo/PowerWatch.h"

#include <string>

#include "lumen/core/DebugTrace.h"
#include "lumen/system/ModuleEntry.h"
#include "lumen/system/ProgramFolder.h"

namespace surgepad {
namespace {

// The notification's version 2 reports game mode and mixed reality; version 1 does not.
constexpr ULONG kEffectivePowerModeV2 = 2;

}  // namespace

PowerWatch& PowerWatch::Instance() {
    static auto* watch = new PowerWatch;
    return *watch;
}

PowerWatch::PowerWatch() {
    // By full path: a "powrprof.dll" beside the program must not stand in for the system's.
    m_library.reset(LoadLibraryA((lumen::SystemFolder() + "\\powrprof.dll").c_str()));
    m_information = lumen::ProcAddress<CallNtPowerInformationFn>(m_library.get(), "CallNtPowerInformation");
    m_register = lumen::ProcAddress<RegisterModeFn>(m_library.get(), "PowerRegisterForEffectivePowerModeNotifications");
    m_unregister =
        lumen::ProcAddress<UnregisterModeFn>(m_library.get(), "PowerUnregisterFromEffectivePowerModeNotifications");
}

std::optional<bool> PowerWatch::OnBattery() {
    if (m_information == nullptr) {
        return std::nullopt;
    }
    SYSTEM_BATTERY_STATE state = {};
    const LONG status = m_information(SystemBatteryState, nullptr, 0, &state, sizeof state);
    if (status != 0) {
        lumen::Trace("power: the battery state cannot be read (status 0x%08lX)", static_cast<unsigned long>(status));
        return std::nullopt;
    }
    // A desktop without a battery may still say "not on line" on some systems: only a
    // battery (or a UPS that reports as one) without mains power counts.
    return !state.AcOnLine && state.BatteryPresent;
}

bool PowerWatch::WatchMode(HWND window, UINT message) {
    if (!GameModeAvailable()) {
        return false;
    }
    StopWatchingMode();
    m_window = window;
    m_message = message;
    void* registration = nullptr;
    const HRESULT result = m_register(kEffectivePowerModeV2, &PowerWatch::ModeChanged, this, &registration);
    if (FAILED(result) || registration == nullptr) {
        lumen::Trace("power: the effective power mode cannot be watched (0x%08lX)", static_cast<unsigned long>(result));
        return false;
    }
    m_registration = registration;
    return true;
}

void PowerWatch::StopWatchingMode() {
    if (m_registration != nullptr) {
        (void)m_unregister(m_registration);
        m_registration = nullptr;
    }
}

void WINAPI PowerWatch::ModeChanged(int mode, void* context) {
    const auto* self = static_cast<const PowerWatch*>(context);
    PostMessageA(self->m_window, self->m_message, static_cast<WPARAM>(mode), 0);
}

}  // namespace surgepad
