#pragma once
// A windowed control: a window of its own that takes mouse and keyboard input and
// holds controls. Input is decoded once into named handlers; the framework then adds
// what every control shares: mouse capture while the left button is held, click and
// double-click generation, Tab and Shift+Tab between tab stops, Escape to the form,
// leave notices, tooltips, and painting of the control and its graphic controls
// through one back buffer.

#include <windows.h>

#include <string>
#include <vector>

#include "lumen/graphics/DibBitmap.h"
#include "ui/Control.h"
#include "ui/Window.h"

namespace ui {

// A window class of the control package. Whether its windows get double clicks is a
// property of the class: a name registered twice with different styles is a
// programming error.
struct ControlClass {
    const char* name;
    bool doubleClicks;
};

// Keyboard cues (the focus frame) show once the user has used the keyboard in the
// program: as on the system's own dialogs by default, a user of the mouse alone does
// not see them.
bool KeyboardCuesShown();
// Called for each key press the program takes; the first one shows the cues.
void NoteKeyboardUse();

class WinControl : public Control, public Window {
public:
    ~WinControl() override;

    bool IsWindowed() const override { return true; }
    using Window::Handle;
    int ControlId() const;

    // The controls on this one, bottom first.
    const std::vector<Control*>& Controls() const { return m_controls; }
    // The top-level window this control lies on (itself for a form).
    WinControl* TopLevel();

    bool Focused() const;
    bool CanFocus() const;
    void SetFocus();
    // The system cursor shown over the control (IDC_HAND, ...); null: the class's.
    void SetCursorShape(LPCSTR systemCursor) {
        m_cursor = systemCursor != nullptr ? LoadCursorA(nullptr, systemCursor) : nullptr;
    }
    bool TabStop() const { return m_tabStop; }
    void SetTabStop(bool tabStop) { m_tabStop = tabStop; }
    // Tab reaches this control right after `sibling` (a control on the same parent);
    // the order is otherwise the order of creation.
    void PlaceInTabOrderAfter(WinControl& sibling);
    // Moves the focus to the next (or previous) tab stop of this window's tree after
    // `from` (null: from the start), wrapping around. False when there is none.
    bool SelectNext(WinControl* from, bool forward);

    void Invalidate() override;
    void Update() override;
    void SetVisible(bool visible) override;

    // The tooltip window of a top-level window (null until a hint is set).
    HWND TooltipWindow() const { return m_tooltip; }

protected:
    // A child window of `parent` of the given class, with the stored bounds.
    WinControl(WinControl& parent, const ControlClass& cls, int left, int top, int width, int height);
    // The base of a top-level form, whose window the form creates itself.
    WinControl();

    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Paints the control's own picture below its graphic controls. The base fills the
    // area white.
    virtual void Paint(HDC dc, const RECT& area);

    // Input, decoded. The framework's own handling (capture, clicks, focus moves)
    // follows each handler.
    virtual void MouseDown(MouseButton button, ShiftState shift, int x, int y);
    virtual void MouseUp(MouseButton button, ShiftState shift, int x, int y);
    virtual void MouseMove(ShiftState shift, int x, int y);
    virtual void MouseLeave() {}
    // The mouse capture went to another window (or to none) while this control held
    // it: a press or drag in progress ends here, without a click.
    virtual void CaptureLost() {}
    // Keys the control does not want go further with key = 0 untouched.
    virtual void KeyDown(WORD& key, ShiftState shift);
    virtual void KeyUp(WORD& key, ShiftState shift);
    virtual void KeyPress(char& key);
    virtual void FocusGained() {}
    virtual void FocusLost() {}
    // Whether the control draws the focus cue (a dotted frame at its edge) while it has
    // the focus and the keyboard cues are shown. The base: never.
    virtual bool DrawsFocusCue() const { return false; }

    // Asks for one WM_MOUSELEAVE when the mouse leaves the window.
    void TrackMouseLeave();

    void ApplyBounds() override;
    void ApplyEnabled() override;
    void ApplyVisible() override;
    // Bounds and visibility of the window as the system has them.
    void ReadBoundsFromWindow();

    // Paints the graphic controls that meet `area` into `buffer` through `dc`.
    void PaintControls(HDC dc, lumen::DibBitmap& buffer, const RECT& area);

private:
    friend class Control;
    void AddControl(Control* control);
    void RemoveControl(Control* control);
    void UpdateTool(Control& control);
    void RemoveTool(Control& control);
    void CollectTabStops(std::vector<WinControl*>& out);
    void PaintMessage();

    std::vector<Control*> m_controls;
    lumen::DibBitmap m_backBuffer;
    HWND m_tooltip = nullptr;
    int m_nextId = 1;
    bool m_tabStop = false;
    HCURSOR m_cursor = nullptr;
    bool m_clicked = false;
    bool m_releasingCapture = false;
    bool m_redirectedChar = false;
};

ShiftState ShiftFromMouse(WPARAM wParam);
ShiftState ShiftFromKeyboard();

}  // namespace ui
