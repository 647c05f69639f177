#pragma once
// A list box whose entries are drawn by its owner, all of one fixed height: the
// system's list box inside a host window of the framework, which takes the list's
// drawing, measuring and colour notifications and hands them to replaceable slots.
// The list's window procedure is a slot too, so that an item painter can take it over
// and chain to the one it found (ui/Callback.h).

#include <windows.h>

#include <string>

#include "lumen/core/Handle.h"
#include "ui/Callback.h"
#include "ui/Font.h"
#include "ui/WinControl.h"

namespace surgepad {

class OwnerDrawListBox;

// One message of the list's window on its way through the window-procedure slot.
struct ListBoxMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result;
};

// Draws entry `index` in `rect` of `dc` (list's font and font colour selected,
// background mode transparent); `state` holds the ODS_ flags of the system.
using ListDrawItem = ui::Callback<OwnerDrawListBox&, int, HDC, const RECT&, UINT>;
// Sets `height` to the height of the entries, measured on `dc` with the list's font.
using ListMeasureItem = ui::Callback<OwnerDrawListBox&, int, HDC, UINT&>;
using ListWindowProc = ui::Callback<ListBoxMessage&>;
using ListMouseUp = ui::Callback<OwnerDrawListBox&, ui::MouseButton, int, int>;

class OwnerDrawListBox : public ui::WinControl {
public:
    static constexpr ui::ControlClass kClass = {"TOwnerDrawListBox", false};

    OwnerDrawListBox(ui::WinControl& parent, int left, int top, int width, int height);
    ~OwnerDrawListBox() override;
    const char* ClassName() const override { return "TListBox"; }

    // The system's list box, where the mouse and the keyboard go.
    HWND ListHandle() const { return m_list; }

    void Clear();
    int Add(const std::string& text);
    int Count() const;
    std::string ItemText(int index) const;
    // The chosen entry, -1 for none.
    int ItemIndex() const;
    void SetItemIndex(int index);
    int ItemHeight() const;
    RECT ItemRect(int index) const;

    ui::Font& GetFont() { return m_font; }
    ui::Color GetColor() const { return m_color; }
    void SetColor(ui::Color color);

    // Asks the measuring slot for the entries' height again (after the font or the
    // painter changed).
    void Remeasure();

    ListDrawItem OnDrawItem;
    ListMeasureItem OnMeasureItem;
    // Every message of the list's window. It starts as DefaultWindowProc.
    ListWindowProc WindowProc;
    // A mouse button released on the list, after the list has moved its selection.
    ListMouseUp OnMouseUp;

    // The list's own handling: the system's list box, then the mouse-up event.
    void DefaultWindowProc(ListBoxMessage& m);

protected:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Resized() override;

private:
    static LRESULT CALLBACK ListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    static void FontChanged(void* self, ui::Font& font);
    void DrawItem(const DRAWITEMSTRUCT& item);
    void MeasureItem(MEASUREITEMSTRUCT& item);

    HWND m_list = nullptr;
    WNDPROC m_systemProc = nullptr;
    ui::Font m_font;
    ui::Color m_color = static_cast<ui::Color>(0x80000000u | COLOR_WINDOW);
    lumen::UniqueBrush m_brush;
};

}  // namespace surgepad
