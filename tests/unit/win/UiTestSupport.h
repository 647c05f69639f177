#pragma once
// Helpers of the window framework's tests: a GUI thread that pumps like the real
// message loop (through the application's hook) until something has happened.
#include <windows.h>

#include <functional>

#include "ui/Application.h"

namespace uitest {

// Handles queued and sent messages until `done` holds or `timeoutMs` has passed.
inline bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!done()) {
        if (GetTickCount64() >= end) {
            return false;
        }
        ui::App().ProcessMessages();
        if (done()) {
            break;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

// Handles everything already queued (posted messages are in the queue at once).
inline void Pump() {
    ui::App().ProcessMessages();
}

}  // namespace uitest
