#include "kr/KrButton.h"

#include "ui/Form.h"

namespace kr {

KrButton::KrButton(ui::WinControl& parent, int left, int top, int width, int height)
    : KrButton(parent, kClass, left, top, width, height) {}

KrButton::KrButton(ui::WinControl& parent, const ui::ControlClass& cls, int left, int top, int width, int height)
    : KrCustomControl(parent, cls, false, 4, left, top, width, height), m_appearance(*this, 0) {
    ShowRaised();
}

void KrButton::Click() {
    if (auto* form = dynamic_cast<ui::Form*>(TopLevel())) {
        form->SetModalResult(m_modalResult);
    }
    KrCustomControl::Click();
}

void KrButton::KeyPress(char& key) {
    KrCustomControl::KeyPress(key);
    if (key == ' ') {
        Click();
    }
}

KrButtonTx::KrButtonTx(ui::WinControl& parent, int left, int top, int width, int height)
    : KrButton(parent, kClass, left, top, width, height) {
    m_textBounds = RECT{0, 0, 0, 0};
    m_fontColors.OnChange = ui::Callback<>::Of<&KrButtonTx::DoRepaint>(this);
    m_previousFontHandler = m_font.OnChange;
    m_font.OnChange = ui::Callback<ui::Font&>{&KrButtonTx::FontChanged, this};
}

KrButtonTx::~KrButtonTx() {
    m_font.OnChange = m_previousFontHandler;
    m_fontColors.OnChange = {};
}

void KrButtonTx::FontChanged(void* self, ui::Font& font) {
    auto* button = static_cast<KrButtonTx*>(self);
    button->DoRepaint();
    button->m_previousFontHandler(font);
}

void KrButtonTx::SetText(const std::string& text) {
    m_text = text;
    DoRepaint();
}

void KrButtonTx::SetDisp(int dx, int dy) {
    m_disp = POINT{dx, dy};
}

void KrButtonTx::SetTextBounds(int x, int y, int width, int height) {
    m_textBounds = RECT{x, y, x + width, y + height};
    DoRepaint();
}

void KrButtonTx::SetWordWrap(bool wordWrap) {
    m_wordWrap = wordWrap;
    DoRepaint();
}

COLORREF KrButtonTx::GetFontColorOfCurState() const {
    switch (StateIndex()) {
        case bsSunken:
            return CaptionColor(m_font, m_fontColors.Sunken(), false);
        case bsFocused:
            return CaptionColor(m_font, m_fontColors.Focused(), false);
        case bsDisabled:
            return CaptionColor(m_font, m_fontColors.Disabled(), true);
        default:
            return CaptionColor(m_font, ui::clNone, false);
    }
}

void KrButtonTx::ShowBitmap(int index) {
    KrButton::ShowBitmap(index);
    DoRepaint();
}

void KrButtonTx::ShowSunken() {
    m_shiftPending = true;
    KrButton::ShowSunken();
}

void KrButtonTx::SetBounds(int left, int top, int width, int height) {
    KrButton::SetBounds(left, top, width, height);
    // Centred on the size the button took (its picture's, when it sizes to it).
    SetTextBounds(0, 0, Width(), Height());
}

void KrButtonTx::Repaint() {
    // The state picture afresh, then the caption over it.
    DoRepaint();
}

void KrButtonTx::DoRepaint() {
    Display().Repaint();
    DrawCaption();
    Invalidate();
}

void KrButtonTx::DrawCaption() {
    RECT r = m_textBounds;
    if (m_shiftPending) {
        m_shiftPending = false;
        OffsetRect(&r, m_disp.x, m_disp.y);
    }
    const UINT format = m_wordWrap ? (DT_CENTER | DT_VCENTER | DT_WORDBREAK | DT_NOFULLWIDTHCHARBREAK)
                                   : (DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    DrawCaptionText(m_font, GetFontColorOfCurState(), m_text, r, format);
}

}  // namespace kr
