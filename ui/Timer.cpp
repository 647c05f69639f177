#include "ui/Timer.h"

namespace ui {
namespace {
constexpr UINT_PTR kTimerId = 1;
}

Timer::Timer(UINT interval, bool enabled) : m_interval(interval), m_enabled(enabled) {
    CreateParams p;
    p.className = "UiTimerWindow";
    p.style = 0;
    p.parent = HWND_MESSAGE;
    CreateHandle(p);
    Update();
}

Timer::~Timer() {
    if (m_running) {
        KillTimer(Handle(), kTimerId);
    }
    DestroyHandle();
}

void Timer::SetInterval(UINT interval) {
    if (interval != m_interval) {
        m_interval = interval;
        Update();
    }
}

void Timer::SetEnabled(bool enabled) {
    if (enabled != m_enabled) {
        m_enabled = enabled;
        Update();
    }
}

void Timer::Update() {
    if (m_running) {
        KillTimer(Handle(), kTimerId);
        m_running = false;
    }
    if (m_enabled && m_interval != 0) {
        m_running = SetTimer(Handle(), kTimerId, m_interval, nullptr) != 0;
    }
}

LRESULT Timer::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER && wParam == kTimerId) {
        if (m_running) {
            OnTimer();
        }
        return 0;
    }
    return DefaultHandler(message, wParam, lParam);
}

}  // namespace ui
