#pragma once
// Real input for control tests: the mouse and the keyboard driven through SendInput,
// so the system makes the messages (hit testing, capture, focus, key state) exactly
// as for a user. Coordinates are a window's client coordinates.
#include <windows.h>

#include "tests/unit/win/UiTestSupport.h"

namespace realinput {

// Lets the system turn the input into messages and handles them.
inline void Settle() {
    for (int i = 0; i < 4; ++i) {
        uitest::Pump();
        Sleep(15);
    }
    uitest::Pump();
}

// Handles messages for `ms` milliseconds: the system notices that the mouse left a
// window on a timer of its own, some hundred milliseconds later.
inline void SettleFor(DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    while (GetTickCount64() < end) {
        uitest::Pump();
        Sleep(10);
    }
    uitest::Pump();
}

inline void MoveTo(HWND window, int x, int y) {
    POINT p = {x, y};
    ClientToScreen(window, &p);
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dx = static_cast<LONG>((p.x * 65535.0) / (GetSystemMetrics(SM_CXSCREEN) - 1) + 0.5);
    in.mi.dy = static_cast<LONG>((p.y * 65535.0) / (GetSystemMetrics(SM_CYSCREEN) - 1) + 0.5);
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &in, sizeof in);
    Settle();
}

inline void Button(bool down, bool right = false) {
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = right ? (down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP)
                          : (down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP);
    SendInput(1, &in, sizeof in);
    Settle();
}

inline void Key(WORD vk, bool down) {
    INPUT in = {};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &in, sizeof in);
    Settle();
}

inline void Tap(WORD vk) {
    Key(vk, true);
    Key(vk, false);
}

inline void Click(HWND window, int x, int y) {
    MoveTo(window, x, y);
    Button(true);
    Button(false);
}

// Parks the mouse far from the test windows.
inline void Park() {
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &in, sizeof in);
    Settle();
}

}  // namespace realinput
