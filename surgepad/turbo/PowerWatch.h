#pragma once
// What the power-scheme library tells of the machine's power: whether it runs on
// battery, and the effective power mode (Windows game mode among them). Bound by name
// from the system's library at first use: systems before Windows 10 1809 lack the
// mode's notification, and a failing or missing library leaves the machine on mains
// power as far as the program knows.

#include <windows.h>

#include <cstdint>
#include <optional>

#include "lumen/core/Handle.h"

namespace surgepad {

// EFFECTIVE_POWER_MODE: 0 battery saver ... 2 balanced ... 5 game mode, 6 mixed reality.
inline constexpr uint32_t kEffectivePowerModeGame = 5;

class PowerWatch {
public:
    static PowerWatch& Instance();

    // The power source at this moment: true on battery (no mains power and a battery or
    // UPS present); nullopt when the system cannot say.
    std::optional<bool> OnBattery();
    // Whether the effective power mode can be watched here.
    bool GameModeAvailable() const { return m_register != nullptr && m_unregister != nullptr; }
    // Posts `message` with the mode in wParam to `window` at every change of the
    // effective power mode (the current one first, as the system calls back at once).
    // False when unavailable or refused.
    [[nodiscard]] bool WatchMode(HWND window, UINT message);
    void StopWatchingMode();
    bool WatchingMode() const { return m_registration != nullptr; }

private:
    PowerWatch();
    static void WINAPI ModeChanged(int mode, void* context);

    using CallNtPowerInformationFn = LONG(WINAPI*)(int, void*, ULONG, void*, ULONG);
    using RegisterModeFn = HRESULT(WINAPI*)(ULONG, void(WINAPI*)(int, void*), void*, void**);
    using UnregisterModeFn = HRESULT(WINAPI*)(void*);

    lumen::UniqueModule m_library;
    CallNtPowerInformationFn m_information = nullptr;
    RegisterModeFn m_register = nullptr;
    UnregisterModeFn m_unregister = nullptr;
    void* m_registration = nullptr;
    // Where the callback posts; it runs on a thread of the system.
    HWND m_window = nullptr;
    UINT m_message = 0;
};

}  // namespace surgepad
