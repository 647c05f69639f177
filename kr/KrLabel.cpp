#include "kr/KrLabel.h"

#include "lumen/core/Handle.h"
#include "lumen/core/WideText.h"

namespace kr {

KrLabel::KrLabel(ui::WinControl& parent) : ui::Label(parent), m_layout(lumen::MakeShadedTextLayout()) {}

void KrLabel::SetShaded(bool shaded) {
    m_layout->SetShaded(shaded);
    Invalidate();
}

void KrLabel::DoDrawText(HDC dc, RECT& rect, UINT flags) {
    flags |= static_cast<UINT>(m_textFormat);
    if (!Enabled()) {
        ui::Label::DoDrawText(dc, rect, flags);
        return;
    }
    if (Layout() == ui::TextLayout::Center) {
        flags |= DT_VCENTER;
    } else if (Layout() == ui::TextLayout::Bottom) {
        flags |= DT_BOTTOM;
    }
    if (WordWrap()) {
        flags = (flags | DT_WORDBREAK) & ~static_cast<UINT>(DT_SINGLELINE);
    } else {
        flags |= DT_SINGLELINE;
    }
    if (!ShowAccelChar()) {
        flags |= DT_NOPREFIX;
    }
    lumen::SelectGuard font(dc, GetFont().Handle());
    SetTextColor(dc, ui::ColorToRgb(GetFont().GetColor()));
    if ((flags & DT_CALCRECT) != 0) {
        // The framework measures to move a centred or bottom text down. A single line
        // is placed by DT_VCENTER or DT_BOTTOM inside the layout's inner rectangle, so
        // the whole rectangle answers and nothing moves twice; wrapped lines, which
        // DrawText does not place vertically, are measured with room for the shade.
        if (WordWrap()) {
            rect = m_layout->Measure(dc, lumen::Widen(Caption()).c_str(), rect, flags);
        }
        return;
    }
    m_layout->Draw(dc, lumen::Widen(Caption()).c_str(), rect, flags);
}

}  // namespace kr
