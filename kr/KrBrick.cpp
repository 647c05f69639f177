#include "kr/KrBrick.h"

namespace kr {

KrBrick::KrBrick(ui::WinControl& parent, int left, int top, int width, int height)
    : KrBrick(parent, kClass, left, top, width, height) {}

KrBrick::KrBrick(ui::WinControl& parent, const ui::ControlClass& cls, int left, int top, int width, int height)
    : KrCustomControl(parent, cls, true, 3, left, top, width, height), m_appearance(*this, 0) {
    ShowRaised();
}

KrBrickTx::KrBrickTx(ui::WinControl& parent, int left, int top, int width, int height)
    : KrBrick(parent, kClass, left, top, width, height) {
    m_fontColors.OnChange = ui::Callback<>::Of<&KrBrickTx::DoRepaint>(this);
    m_previousFontHandler = m_font.OnChange;
    m_font.OnChange = ui::Callback<ui::Font&>{&KrBrickTx::FontChanged, this};
}

KrBrickTx::~KrBrickTx() {
    m_font.OnChange = m_previousFontHandler;
    m_fontColors.OnChange = {};
}

void KrBrickTx::FontChanged(void* self, ui::Font& font) {
    auto* brick = static_cast<KrBrickTx*>(self);
    brick->DoRepaint();
    brick->m_previousFontHandler(font);
}

void KrBrickTx::SetText(const std::string& text) {
    m_text = text;
    DoRepaint();
}

void KrBrickTx::SetTextBounds(int x, int y, int width, int height) {
    m_textBounds = RECT{x, y, x + width, y + height};
    DoRepaint();
}

COLORREF KrBrickTx::GetFontColorOfCurState() const {
    switch (StateIndex()) {
        case brFocused:
            return CaptionColor(m_font, m_fontColors.Focused(), false);
        case brDisabled:
            return CaptionColor(m_font, m_fontColors.Disabled(), true);
        default:
            return CaptionColor(m_font, ui::clNone, false);
    }
}

void KrBrickTx::ShowBitmap(int index) {
    KrBrick::ShowBitmap(index);
    DoRepaint();
}

void KrBrickTx::SetBounds(int left, int top, int width, int height) {
    SetTextBounds(0, 0, width, height);
    KrBrick::SetBounds(left, top, width, height);
}

void KrBrickTx::DoRepaint() {
    Display().Repaint();
    DrawCaption();
    Invalidate();
}

void KrBrickTx::DrawCaption() {
    DrawCaptionText(m_font, GetFontColorOfCurState(), m_text, m_textBounds, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

}  // namespace kr
