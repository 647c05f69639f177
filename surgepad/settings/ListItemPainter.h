#pragma once
// Draws the entries of an owner-drawn list box: each entry's rectangle filled with the
// highlight colour when it is selected, else with the list's background colour, and
// its text on one line inside the insets, aligned as set. Attaching takes over the
// list's drawing and measuring slots and its window procedure, keeping the previous
// ones; detaching (at the latest when the painter goes) gives them back.

#include <windows.h>

#include "surgepad/settings/OwnerDrawListBox.h"
#include "ui/Font.h"
#include "ui/Label.h"

namespace surgepad {

class ListItemPainter {
public:
    ListItemPainter() = default;
    ListItemPainter(const ListItemPainter&) = delete;
    ListItemPainter& operator=(const ListItemPainter&) = delete;
    ~ListItemPainter() { Detach(); }

    ui::Color HighlightColor() const { return m_highlight; }
    void SetHighlightColor(ui::Color color) { m_highlight = color; }
    ui::Alignment HorizontalAlignment() const { return m_horizontal; }
    void SetHorizontalAlignment(ui::Alignment alignment) { m_horizontal = alignment; }
    ui::TextLayout VerticalAlignment() const { return m_vertical; }
    void SetVerticalAlignment(ui::TextLayout alignment) { m_vertical = alignment; }
    RECT Insets() const { return m_insets; }
    void SetInsets(int left, int top, int right, int bottom) { m_insets = RECT{left, top, right, bottom}; }

    // The DrawText flags of the alignment: one line, placed as set.
    UINT TextFlags() const;

    // Takes over the list's slots and measures its entries again.
    void Attach(OwnerDrawListBox& list);
    void Detach();

    void DrawItem(OwnerDrawListBox& list, int index, HDC dc, const RECT& rect, UINT state);
    void MeasureItem(OwnerDrawListBox& list, int index, HDC dc, UINT& height);

private:
    void WindowProc(ListBoxMessage& m);

    ui::Color m_highlight = static_cast<ui::Color>(0x80000000u | COLOR_HIGHLIGHT);
    ui::Alignment m_horizontal = ui::Alignment::Left;
    ui::TextLayout m_vertical = ui::TextLayout::Center;
    RECT m_insets = {};

    OwnerDrawListBox* m_list = nullptr;
    ListDrawItem m_previousDraw;
    ListMeasureItem m_previousMeasure;
    ListWindowProc m_previousProc;
};

}  // namespace surgepad
