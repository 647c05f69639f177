#include "surgepad/settings/ListItemPainter.h"

#include <string>

#include "lumen/core/Handle.h"

namespace surgepad {

UINT ListItemPainter::TextFlags() const {
    // Profile names are file names: an "&" in one is a letter, not a mnemonic.
    UINT flags = DT_SINGLELINE | DT_NOPREFIX;
    flags |= m_horizontal == ui::Alignment::Left    ? DT_LEFT
             : m_horizontal == ui::Alignment::Right ? DT_RIGHT
                                                    : DT_CENTER;
    flags |= m_vertical == ui::TextLayout::Top ? DT_TOP : m_vertical == ui::TextLayout::Bottom ? DT_BOTTOM : DT_VCENTER;
    return flags;
}

void ListItemPainter::Attach(OwnerDrawListBox& list) {
    Detach();
    m_list = &list;
    m_previousDraw = list.OnDrawItem;
    m_previousMeasure = list.OnMeasureItem;
    m_previousProc = list.WindowProc;
    list.OnDrawItem = ListDrawItem::Of<&ListItemPainter::DrawItem>(this);
    list.OnMeasureItem = ListMeasureItem::Of<&ListItemPainter::MeasureItem>(this);
    list.WindowProc = ListWindowProc::Of<&ListItemPainter::WindowProc>(this);
    // A fixed-height list measured its entries when it was made, before this painter.
    list.Remeasure();
}

void ListItemPainter::Detach() {
    if (m_list == nullptr) {
        return;
    }
    m_list->OnDrawItem = m_previousDraw;
    m_list->OnMeasureItem = m_previousMeasure;
    m_list->WindowProc = m_previousProc;
    m_list = nullptr;
}

void ListItemPainter::DrawItem(OwnerDrawListBox& list, int index, HDC dc, const RECT& rect, UINT state) {
    const ui::Color fill = (state & ODS_SELECTED) != 0 ? m_highlight : list.GetColor();
    lumen::UniqueBrush brush(CreateSolidBrush(ui::ColorToRgb(fill)));
    FillRect(dc, &rect, brush.get());
    RECT text = {rect.left + m_insets.left, rect.top + m_insets.top, rect.right - m_insets.right,
                 rect.bottom - m_insets.bottom};
    const std::string caption = list.ItemText(index);
    DrawTextA(dc, caption.c_str(), -1, &text, TextFlags());
}

void ListItemPainter::MeasureItem(OwnerDrawListBox& list, int index, HDC dc, UINT& height) {
    // A fixed-height list may be measured before it has entries; one line of no text
    // still has the font's line height.
    const std::string caption = index < list.Count() ? list.ItemText(index) : std::string();
    RECT r = {0, 0, list.Width(), 0};
    // Measured from the top whatever the alignment: DrawText places a centred or
    // bottom-aligned line in the rectangle even while it measures, so in a rectangle
    // of no height the line would come back moved up by half its height or all of it,
    // and the rows that short (entries drawn over each other).
    DrawTextA(dc, caption.c_str(), -1, &r, (TextFlags() & ~(DT_VCENTER | DT_BOTTOM)) | DT_TOP | DT_CALCRECT);
    height = static_cast<UINT>(r.bottom - r.top + m_insets.top + m_insets.bottom);
}

void ListItemPainter::WindowProc(ListBoxMessage& m) {
    m_previousProc(m);
    if (m.message == WM_ERASEBKGND) {
        // The list's own erase has run; a non-zero result tells the system the
        // background is done, so the paint that follows has nothing left to erase.
        m.result = 1;
    }
}

}  // namespace surgepad
