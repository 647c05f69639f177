#include "ui/Label.h"

#include "lumen/core/Handle.h"
#include "lumen/core/WideText.h"

namespace ui {

Label::Label(WinControl& parent) : GraphicControl(parent) {
    m_font.OnChange = Callback<Font&>{&Label::FontChanged, this};
}

void Label::FontChanged(void* self, Font&) {
    static_cast<Label*>(self)->Invalidate();
}

void Label::SetCaption(const std::string& caption) {
    if (caption != m_caption) {
        m_caption = caption;
        Invalidate();
    }
}

void Label::SetColor(Color color) {
    if (color != m_color) {
        m_color = color;
        Invalidate();
    }
}

void Label::SetTransparent(bool transparent) {
    if (transparent != m_transparent) {
        m_transparent = transparent;
        Invalidate();
    }
}

void Label::SetAlignment(Alignment alignment) {
    if (alignment != m_alignment) {
        m_alignment = alignment;
        Invalidate();
    }
}

void Label::SetLayout(TextLayout layout) {
    if (layout != m_layout) {
        m_layout = layout;
        Invalidate();
    }
}

void Label::SetWordWrap(bool wordWrap) {
    if (wordWrap != m_wordWrap) {
        m_wordWrap = wordWrap;
        Invalidate();
    }
}

void Label::SetShowAccelChar(bool show) {
    if (show != m_showAccelChar) {
        m_showAccelChar = show;
        Invalidate();
    }
}

void Label::Paint(Canvas& canvas) {
    HDC dc = canvas.Dc();
    RECT rect = ClientRect();
    if (!m_transparent) {
        lumen::UniqueBrush brush(CreateSolidBrush(ColorToRgb(m_color)));
        FillRect(dc, &rect, brush.get());
    }
    UINT flags = DT_EXPANDTABS;
    flags |= m_alignment == Alignment::Center ? DT_CENTER : m_alignment == Alignment::Right ? DT_RIGHT : DT_LEFT;
    if (m_wordWrap) {
        flags |= DT_WORDBREAK;
    }
    if (!m_showAccelChar) {
        flags |= DT_NOPREFIX;
    }
    if (m_layout != TextLayout::Top) {
        // Measure first, then move the text down to the middle or the bottom.
        RECT calc = rect;
        DoDrawText(dc, calc, flags | DT_CALCRECT);
        const int offset = rect.bottom - calc.bottom;
        rect.top += m_layout == TextLayout::Bottom ? offset : offset / 2;
    }
    DoDrawText(dc, rect, flags);
}

void Label::DoDrawText(HDC dc, RECT& rect, UINT flags) {
    const std::wstring caption = lumen::Widen(m_caption);
    lumen::SelectGuard font(dc, m_font.Handle());
    SetBkMode(dc, TRANSPARENT);
    if ((flags & DT_CALCRECT) == 0 && !Enabled()) {
        // A disabled label is drawn embossed, as the system draws disabled text.
        OffsetRect(&rect, 1, 1);
        SetTextColor(dc, ColorToRgb(clBtnHighlight));
        DrawTextW(dc, caption.c_str(), -1, &rect, flags);
        OffsetRect(&rect, -1, -1);
        SetTextColor(dc, ColorToRgb(clBtnShadow));
        DrawTextW(dc, caption.c_str(), -1, &rect, flags);
        return;
    }
    SetTextColor(dc, ColorToRgb(m_font.GetColor()));
    DrawTextW(dc, caption.c_str(), -1, &rect, flags);
}

}  // namespace ui
