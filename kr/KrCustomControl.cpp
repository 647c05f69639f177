#include "kr/KrCustomControl.h"

#include "lumen/core/Handle.h"
#include "lumen/core/WideText.h"

namespace kr {

KrCustomControl::KrCustomControl(ui::WinControl& parent, const ui::ControlClass& cls, bool clicksDisabled,
                                 int stateCount, int left, int top, int width, int height)
    : KrControl(parent, cls, clicksDisabled, left, top, width, height),
      m_display(std::make_unique<TBmpLEDCtrl>(*this, stateCount)) {
    m_previousHandler = m_display->Bitmap(0).OnChange();
    for (int i = 0; i < stateCount; ++i) {
        m_display->Bitmap(i).SetOnChange(lumen::BitmapChangeHandler{&KrCustomControl::OnStateBitmapChange, this});
    }
    m_display->Resize(width, height);
    RebuildRegion();
}

KrCustomControl::~KrCustomControl() {
    for (int i = 0; i < m_display->BitmapCount(); ++i) {
        m_display->Bitmap(i).SetOnChange({});
    }
}

void KrCustomControl::ShowBitmap(int index) {
    m_stateIndex = index;
    while (index != 0 && m_display->Bitmap(index).Empty()) {
        index = Substitute(index);
    }
    m_display->Show(index);
}

bool KrCustomControl::IsInside(int x, int y) const {
    return m_region.Handle() != nullptr && PtInRegion(m_region.Handle(), x, y) != FALSE;
}

void KrCustomControl::Repaint() {
    m_display->Repaint();
    Invalidate();
}

void KrCustomControl::SetTransparent(bool transparent) {
    if (transparent == m_display->Transparent()) {
        return;
    }
    m_display->SetTransparent(transparent);
    RebuildRegion();
}

void KrCustomControl::SetTransparentColor(uint32_t rgb) {
    m_display->SetTransparentColor(rgb);
    RebuildRegion();
}

void KrCustomControl::CanResize(int& width, int& height) {
    if (!m_display->Bitmap(0).Empty()) {
        width = m_display->Width();
        height = m_display->Height();
    }
}

void KrCustomControl::Resized() {
    RebuildRegion();
    KrControl::Resized();
}

void KrCustomControl::OnStateBitmapChange(void* self, lumen::Bitmap& bitmap) {
    auto* control = static_cast<KrCustomControl*>(self);
    for (int i = 0; i < control->m_display->BitmapCount(); ++i) {
        if (&control->m_display->Bitmap(i) == &bitmap) {
            control->StateBitmapChanged(i, bitmap);
            return;
        }
    }
}

void KrCustomControl::StateBitmapChanged(int index, lumen::Bitmap& bitmap) {
    if (index != 0) {
        if (index == m_stateIndex) {
            ShowBitmap(index);
        }
        m_previousHandler(bitmap);
        return;
    }
    m_display->Resize(bitmap.Width(), bitmap.Height());
    m_display->Repaint();
    m_previousHandler(bitmap);
    if (!bitmap.Empty()) {
        SetBounds(Left(), Top(), bitmap.Width(), bitmap.Height());
    }
    RebuildRegion();
}

void KrCustomControl::RebuildRegion() {
    lumen::DibBitmap& first = m_display->Bitmap(0);
    if (!Transparent()) {
        m_region.SetRect(0, 0, Width(), Height());
    } else if (first.Empty()) {
        m_region.SetRect(0, 0, 0, 0);
    } else {
        lumen::PixelBuffer copy;
        copy.Assign(first);
        m_region.FromBitmap(copy, TransparentColor());
    }
    if (!HandleAllocated()) {
        return;
    }
    if (!Transparent() || first.Empty()) {
        SetWindowRgn(Handle(), nullptr, TRUE);
    } else {
        (void)m_region.ApplyToWindow(Handle(), true);
    }
}

COLORREF KrCustomControl::CaptionColor(const ui::Font& font, ui::Color own, bool disabled) {
    if (disabled && own == ui::clNone) {
        own = ui::clGrayText;
    }
    return ui::ColorToRgb(own == ui::clNone ? font.GetColor() : own);
}

void KrCustomControl::DrawCaptionText(const ui::Font& font, COLORREF color, const std::string& text, RECT bounds,
                                      UINT format) {
    if (Display().Picture().Empty()) {
        return;
    }
    lumen::BitmapCanvas canvas(Display().Picture());
    HDC dc = canvas.Dc();
    if (dc == nullptr) {
        return;
    }
    SetBkMode(dc, TRANSPARENT);
    lumen::SelectGuard selected(dc, font.Handle());
    SetTextColor(dc, color);
    const std::wstring wide = lumen::Widen(text);
    DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &bounds, format);
    GdiFlush();
}

}  // namespace kr
