#include "kr/KrControl.h"

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
        if (inside && !m_mouseInside) {
            Enter(shift);
        } else if (!inside && m_mouseInside) {
            Leave();
        }
    }
    ui::WinControl::MouseMove(shift, x, y);
}

void KrControl::MouseLeave() {
    if (m_mouseInside) {
        Leave();
    }
    ui::WinControl::MouseLeave();
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
