#pragma once
// The states a window passes through when its scale changes: its DPI and its rectangle
// on the screen, taken each time the window has handled a change of place or size
// (WM_WINDOWPOSCHANGED) and when it has handled WM_DPICHANGED. Repeated states are
// kept once, so the list shows each remake and each move.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/unit/win/UiTestSupport.h"
#include "ui/Form.h"

namespace surgepad::states {

struct WindowState {
    int dpi;
    RECT rect;
    bool operator==(const WindowState& o) const { return dpi == o.dpi && EqualRect(&rect, &o.rect) != FALSE; }
};

inline std::string Describe(const std::vector<WindowState>& states) {
    std::string text;
    for (const WindowState& s : states) {
        text += "{" + std::to_string(s.dpi) + ": (" + std::to_string(s.rect.left) + ", " + std::to_string(s.rect.top) +
                ")-(" + std::to_string(s.rect.right) + ", " + std::to_string(s.rect.bottom) + ")} ";
    }
    return text;
}

// Records the states of `form` while it lives (one recorder a thread at a time).
class Recorder {
public:
    explicit Recorder(const ui::Form& form) : m_form(form) {
        t_current = this;
        m_hook = SetWindowsHookExA(WH_CALLWNDPROCRET, &Hook, nullptr, GetCurrentThreadId());
    }
    ~Recorder() {
        UnhookWindowsHookEx(m_hook);
        t_current = nullptr;
    }
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    bool Hooked() const { return m_hook != nullptr; }
    // The states since the last call.
    std::vector<WindowState> Take() { return std::exchange(m_states, {}); }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        Recorder* self = t_current;
        if (code == HC_ACTION && self != nullptr && call->hwnd == self->m_form.Handle() &&
            (call->message == WM_WINDOWPOSCHANGED || call->message == WM_DPICHANGED)) {
            WindowState state{self->m_form.Dpi(), {}};
            GetWindowRect(call->hwnd, &state.rect);
            if (self->m_states.empty() || !(self->m_states.back() == state)) {
                self->m_states.push_back(state);
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static inline thread_local Recorder* t_current = nullptr;
    const ui::Form& m_form;
    HHOOK m_hook = nullptr;
    std::vector<WindowState> m_states;
};

// What the system sends a window dragged onto a monitor at `dpi`: the scale, and the
// rectangle it suggests there.
inline void SendDpiChanged(const ui::Form& form, int dpi, RECT suggested) {
    SendMessageA(form.Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
}

// Moves `form` to a monitor at `dpi` as the system would and pumps: the states the form
// passed through on the way must be `expected`.
inline void ExpectStatesOnDpiChange(const ui::Form& form, Recorder& recorder, const char* what, int dpi, RECT suggested,
                                    const std::vector<WindowState>& expected) {
    SendDpiChanged(form, dpi, suggested);
    uitest::Pump();
    const std::vector<WindowState> got = recorder.Take();
    EXPECT_EQ(got, expected) << what << ": got " << Describe(got) << ", expected " << Describe(expected);
}

}  // namespace surgepad::states
