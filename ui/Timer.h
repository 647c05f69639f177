#pragma once
// A timer component: calls its event every Interval milliseconds while enabled.
// It lives on the GUI thread, with a message-only window of its own.

#include <windows.h>

#include "ui/Callback.h"
#include "ui/Window.h"

namespace ui {

class Timer : private Window {
public:
    explicit Timer(UINT interval = 1000, bool enabled = true);
    ~Timer() override;

    UINT Interval() const { return m_interval; }
    void SetInterval(UINT interval);
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool enabled);

    Callback<> OnTimer;

private:
    void Update();
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    UINT m_interval;
    bool m_enabled;
    bool m_running = false;
};

}  // namespace ui
