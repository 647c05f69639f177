#pragma once
// Helpers of the window framework's tests: a GUI thread that pumps like the real
// message loop (through the application's hook) until something has happened.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/Application.h"
#include "ui/Form.h"

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

// The layout of a plain test form of class `className` with its client area at
// (left, top), width x height, in `color`.
struct FormPlace {
    int left = 60;
    int top = 60;
    int width = 400;
    int height = 240;
};
inline ui::FormLayout TestFormLayout(const char* className, FormPlace place = {}, COLORREF color = RGB(40, 40, 60)) {
    ui::FormLayout layout;
    layout.className = className;
    layout.left = place.left;
    layout.top = place.top;
    layout.clientWidth = place.width;
    layout.clientHeight = place.height;
    layout.color = color;
    return layout;
}

// What a test recorded, in order, and its text for a failure message.
using Log = std::vector<std::string>;
inline std::string Join(const Log& log) {
    std::string s;
    for (const auto& e : log) {
        s += (s.empty() ? "" : " ") + e;
    }
    return s;
}

}  // namespace uitest
