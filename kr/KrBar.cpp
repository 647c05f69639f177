#include "kr/KrBar.h"

#include <algorithm>

namespace kr {

void KrBarOrigin::SetX(int x) {
    m_x = x;
    OnChange();
}

void KrBarOrigin::SetY(int y) {
    m_y = y;
    OnChange();
}

void KrBarOrigin::Assign(const KrBarOrigin& other) {
    m_x = other.m_x;
    m_y = other.m_y;
    OnChange();
}

KrBar::KrBar(ui::WinControl& parent, int left, int top, int width, int height)
    : KrBrick(parent, kClass, left, top, width, height), m_indicator(std::make_unique<ui::Image>(*this)) {
    // Made after the track's display, so the indicator is painted over the track.
    m_indicator->SetAutoSize(true);
    m_origin.OnChange = ui::Callback<>::Of<&KrBar::LocateIndicator>(this);
    LocateIndicator();
}

KrBar::~KrBar() {
    m_origin.OnChange = {};
}

void KrBar::SetIndicator(const lumen::Bitmap& picture) {
    m_indicator->SetPicture(picture);
    LocateIndicator();
}

void KrBar::SetLength(int length) {
    m_length = length;
    LocateIndicator();
}

void KrBar::SetScrollPos(int position) {
    m_scrollPos = position;
    LocateIndicator();
}

void KrBar::SetKind(KrBarKind kind) {
    m_kind = kind;
    LocateIndicator();
}

void KrBar::LocateIndicator() {
    // Both halves truncate toward zero, as C++ division does.
    int x = m_origin.X() - m_indicator->Width() / 2;
    int y = m_origin.Y() - m_indicator->Height() / 2;
    if (m_kind == bkHorizontal) {
        x += m_scrollPos;
        Indicate(x);
    } else {
        y += m_scrollPos;
        Indicate(y);
    }
    m_indicator->SetBounds(x, y, m_indicator->Width(), m_indicator->Height());
}

void KrBar::Repaint() {
    m_indicator->Invalidate();
    KrBrick::Repaint();
}

void KrBar::MouseDown(ui::MouseButton button, ui::ShiftState shift, int x, int y) {
    if (button == ui::MouseButton::Left && IsInside(x, y)) {
        m_last = POINT{x, y};
        m_dragging = true;
        if (!Survives([&] { StartScroll(); })) {
            return;
        }
    }
    KrBrick::MouseDown(button, shift, x, y);
}

void KrBar::MouseMove(ui::ShiftState shift, int x, int y) {
    if (m_dragging) {
        int p = m_scrollPos + (m_kind == bkHorizontal ? x - m_last.x : y - m_last.y);
        p = std::max(std::min(p, m_length), 0);
        const bool forward = p >= m_scrollPos;
        if (!Survives([&] { Scroll(p, forward); })) {
            return;
        }
        m_scrollPos = p;
        LocateIndicator();
        // The reference follows the mouse even where the position stopped, so moving
        // back takes effect at once.
        m_last = POINT{x, y};
    }
    KrBrick::MouseMove(shift, x, y);
}

void KrBar::MouseUp(ui::MouseButton button, ui::ShiftState shift, int x, int y) {
    if (button == ui::MouseButton::Left && m_dragging) {
        m_dragging = false;
        if (!Survives([&] { EndScroll(); })) {
            return;
        }
    }
    KrBrick::MouseUp(button, shift, x, y);
}

void KrBar::CaptureLost() {
    // The drag ends where it is: moving over the bar afterwards scrolls nothing.
    if (m_dragging) {
        m_dragging = false;
        if (!Survives([&] { EndScroll(); })) {
            return;
        }
    }
    KrBrick::CaptureLost();
}

}  // namespace kr
