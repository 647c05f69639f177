#pragma once
// KrLabel: the framework's text label whose caption can carry a soft drop shade,
// drawn by a shaded text layout of its own.

#include "lumen/widget/TTextLayout.h"
#include "ui/Label.h"

namespace kr {

class KrLabel : public ui::Label {
public:
    explicit KrLabel(ui::WinControl& parent);
    const char* ClassName() const override { return "KrLabel"; }

    bool Shaded() const { return m_layout->Shaded(); }
    // Repaints.
    void SetShaded(bool shaded);
    uint8_t ShadeAlphaValue() const { return m_layout->ShadeAlphaValue(); }
    // Stored; the shade shows it at the next paint.
    void SetShadeAlphaValue(uint8_t alpha) { m_layout->SetShadeAlphaValue(alpha); }
    // DrawText flags added to the framework's own.
    int TextFormat() const { return m_textFormat; }
    void SetTextFormat(int format) { m_textFormat = format; }

    const lumen::TShadedTextLayout& ShadedLayout() const { return *m_layout; }

protected:
    // An enabled label draws its caption through the shaded layout, which keeps the
    // text its blur radius in from the edges whether or not the shade is on; a
    // disabled one is drawn by the framework.
    void DoDrawText(HDC dc, RECT& rect, UINT flags) override;

private:
    lumen::ShadedTextLayoutPtr m_layout;
    int m_textFormat = 0;
};

}  // namespace kr
