#include "kr/KrControl.h"

#include <oleacc.h>

#include <new>

#include "kr/AccessibilityCalls.h"
#include "kr/KrAccessible.h"

namespace kr {
namespace {

bool IsPressKey(WORD key) {
    return key == VK_SPACE || key == VK_RETURN;
}

}  // namespace

KrControl::KrControl(ui::WinControl& parent, const ui::ControlClass& cls, bool clicksDisabled, int left, int top,
                     int width, int height)
    : ui::WinControl(parent, cls, left, top, width, height), m_clicksDisabled(clicksDisabled) {
    SetTabStop(!clicksDisabled);
}

KrControl::~KrControl() {
    if (m_accessible != nullptr) {
        m_accessible->Disconnect();
        m_accessible->Release();
    }
}

std::string KrControl::AccessibleName() const {
    if (!m_accessibleName.empty()) {
        return m_accessibleName;
    }
    std::string caption = AccessibleCaption();
    return caption.empty() ? Hint() : caption;
}

long KrControl::AccessibleState() const {
    long state = 0;
    if (!Enabled()) {
        state |= STATE_SYSTEM_UNAVAILABLE;
    } else if (TabStop()) {
        state |= STATE_SYSTEM_FOCUSABLE;
    }
    if (Focused()) {
        state |= STATE_SYSTEM_FOCUSED;
    }
    if (GetChecked()) {
        state |= STATE_SYSTEM_CHECKED;
    }
    if (!HandleAllocated() || !IsWindowVisible(Handle())) {
        state |= STATE_SYSTEM_INVISIBLE;
    }
    return state;
}

LRESULT KrControl::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // The object id travels as a 32-bit value, whatever the width of lParam.
    if (message != WM_GETOBJECT || static_cast<DWORD>(lParam) != static_cast<DWORD>(OBJID_CLIENT) ||
        AccessibleRole() == 0) {
        return ui::WinControl::WndProc(message, wParam, lParam);
    }
    const AccessibilityCalls* calls = Accessibility();
    if (calls == nullptr) {
        return ui::WinControl::WndProc(message, wParam, lParam);
    }
    if (m_accessible == nullptr) {
        IAccessible* inner = nullptr;
        const HRESULT made = calls->createStdAccessibleObject(Handle(), OBJID_CLIENT, __uuidof(IAccessible),
                                                              reinterpret_cast<void**>(&inner));
        if (FAILED(made) || inner == nullptr) {
            return ui::WinControl::WndProc(message, wParam, lParam);
        }
        m_accessible = new (std::nothrow) KrAccessible(*this, inner);
        if (m_accessible == nullptr) {
            inner->Release();
            return ui::WinControl::WndProc(message, wParam, lParam);
        }
    }
    // The object is handed over through COM, which the GUI thread may not have joined
    // yet: it joins once, as a single-threaded apartment, and stays for its life.
    static thread_local const bool joined = [calls] {
        const HRESULT hr = calls->coInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        return SUCCEEDED(hr) || hr == RPC_E_CHANGED_MODE;
    }();
    (void)joined;
    const LRESULT answer =
        calls->lresultFromObject(__uuidof(IAccessible), wParam, static_cast<IAccessible*>(m_accessible));
    // A failure is a negative COM error: the system's standard object answers instead.
    return answer > 0 ? answer : ui::WinControl::WndProc(message, wParam, lParam);
}

bool KrControl::IsInside(int x, int y) const {
    return x >= 0 && x < Width() && y >= 0 && y < Height();
}

void KrControl::SetShowMouseOver(bool show) {
    if (show == m_showMouseOver) {
        return;
    }
    // The hover look ends while it is still in force, so the raised look comes back.
    if (!show) {
        EndHover();
    }
    m_showMouseOver = show;
}

void KrControl::SetClicksDisabled(bool disabled) {
    if (disabled == m_clicksDisabled) {
        return;
    }
    m_clicksDisabled = disabled;
    if (!disabled) {
        EndPress();
    }
}

void KrControl::ShowReleaseLook() {
    if ((m_showMouseOver && m_mouseInside) || m_hasFocus) {
        ShowFocused();
    } else {
        ShowRaised();
    }
}

void KrControl::Press() {
    if (!m_hasFocus && TabStop()) {
        SetFocus();
    }
    ShowSunken();
}

void KrControl::Enter(ui::ShiftState shift) {
    if ((shift & ui::ssLeft) != 0) {
        Press();
        m_mousePressed = true;
    } else if (m_showMouseOver && !m_hasFocus) {
        ShowFocused();
    }
    m_mouseInside = true;
    OnMouseEnter(*this);
}

void KrControl::Leave() {
    m_mouseInside = false;
    if (m_mousePressed) {
        m_mousePressed = false;
        if (!m_keyPressed) {
            ShowReleaseLook();
        }
        return;
    }
    if (!m_hasFocus && m_showMouseOver) {
        ShowRaised();
    }
    OnMouseLeave(*this);
}

void KrControl::EndPress() {
    if (m_keyPressed || m_mousePressed) {
        m_keyPressed = false;
        m_mousePressed = false;
        ShowReleaseLook();
    }
}

void KrControl::EndHover() {
    if (m_mouseInside) {
        m_mouseInside = false;
        if (!m_mousePressed && !m_hasFocus && m_showMouseOver) {
            ShowRaised();
        }
    }
}

void KrControl::MouseDown(ui::MouseButton button, ui::ShiftState shift, int x, int y) {
    if (button == ui::MouseButton::Left && IsInside(x, y) && !m_clicksDisabled) {
        m_mousePressed = true;
        if (!m_keyPressed) {
            Press();
        }
    }
    ui::WinControl::MouseDown(button, shift, x, y);
}

void KrControl::MouseUp(ui::MouseButton button, ui::ShiftState shift, int x, int y) {
    if (button == ui::MouseButton::Left && !m_clicksDisabled) {
        if (m_mousePressed && !m_keyPressed) {
            ShowReleaseLook();
        }
        m_mousePressed = false;
    }
    ui::WinControl::MouseUp(button, shift, x, y);
}

void KrControl::MouseMove(ui::ShiftState shift, int x, int y) {
    if (m_showMouseOver || !m_clicksDisabled) {
        TrackMouseLeave();
        const bool inside = IsInside(x, y);
        const ui::LifeGuard guard = Guard();
        if (inside && !m_mouseInside) {
            Enter(shift);
        } else if (!inside && m_mouseInside) {
            Leave();
        }
        if (guard.Ended()) {
            return;
        }
    }
    ui::WinControl::MouseMove(shift, x, y);
}

void KrControl::MouseLeave() {
    if (m_mouseInside) {
        if (!Survives([&] { Leave(); })) {
            return;
        }
    }
    ui::WinControl::MouseLeave();
}

void KrControl::CaptureLost() {
    if (m_mousePressed) {
        m_mousePressed = false;
        if (!m_keyPressed) {
            ShowReleaseLook();
        }
    }
    ui::WinControl::CaptureLost();
}

void KrControl::KeyDown(WORD& key, ui::ShiftState shift) {
    if (IsPressKey(key) && !m_clicksDisabled) {
        m_keyPressed = true;
        if (!m_mousePressed) {
            Press();
        }
    }
    ui::WinControl::KeyDown(key, shift);
}

void KrControl::KeyUp(WORD& key, ui::ShiftState shift) {
    if (IsPressKey(key) && !m_clicksDisabled && !m_mousePressed) {
        if (m_keyPressed) {
            ShowReleaseLook();
        }
        m_keyPressed = false;
    }
    ui::WinControl::KeyUp(key, shift);
}

void KrControl::FocusGained() {
    m_hasFocus = true;
    if (!m_keyPressed && !m_mousePressed && !(m_showMouseOver && m_mouseInside)) {
        ShowFocused();
    }
    ui::WinControl::FocusGained();
}

void KrControl::FocusLost() {
    m_hasFocus = false;
    if (m_keyPressed || m_mousePressed) {
        if (!m_mousePressed) {
            ShowReleaseLook();
            m_keyPressed = false;
        }
    } else if (!(m_showMouseOver && m_mouseInside)) {
        ShowRaised();
    }
    ui::WinControl::FocusLost();
}

void KrControl::EnabledChanged() {
    if (Enabled()) {
        ShowRaised();
    } else {
        EndPress();
        EndHover();
        ShowDisabled();
    }
    ui::WinControl::EnabledChanged();
}

}  // namespace kr
