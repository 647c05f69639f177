#pragma once
// A form: a top-level window owned by the application window, built from a layout
// described in code. Forms are created hidden; the application object owns them.

#include <windows.h>

#include <string>

#include "lumen/core/Handle.h"
#include "ui/WinControl.h"

namespace ui {

struct FormLayout {
    const char* className = "TForm";
    const char* name = "Form";  // the form's name, used in messages about it
    const char* caption = "";
    int left = 0;
    int top = 0;
    int clientWidth = 0;
    int clientHeight = 0;
    COLORREF color = RGB(0, 0, 0);
    bool borderNone = true;
    // Whether the framework would scale the form with the system font.
    bool scaled = false;
    // Extended style bits added to and removed from the form's default (none).
    DWORD exStyleAdd = 0;
    DWORD exStyleRemove = 0;
    // Owner window; null means the application window.
    HWND owner = nullptr;
    // The DPI the form is made at (its client size above is already at it); 0: the
    // system's.
    int dpi = 0;
    // Whether the form follows WM_DPICHANGED (the user moved it to a monitor of another
    // scale): it goes to the place the system suggests and is told the new DPI
    // (DpiChanged); put there by the program (MoveTo), it keeps the place it was given.
    // A form the program places itself on a monitor leaves the message be.
    bool followDpiChanges = false;
};

class Form : public WinControl {
public:
    explicit Form(const FormLayout& layout);
    ~Form() override;

    const std::string& Name() const { return m_name; }
    bool Scaled() const { return m_scaled; }

    const char* ClassName() const override { return m_className.c_str(); }
    // The form's own DPI, which its controls, pictures and places follow. SetDpi only
    // records it (within lumen::ClampDpi's range): the form makes itself again for it.
    int Dpi() const override { return m_dpi; }
    void SetDpi(int dpi);

    void Show();
    void Hide();
    void SetVisible(bool visible) override;
    bool Visible() const override;
    // The main form's close ends the program; any other form just hides.
    void Close();

    int Left() const override;
    int Top() const override;
    void SetLeft(int left);
    void SetTop(int top);
    void MoveTo(int left, int top);
    int ClientWidth() const;
    int ClientHeight() const;
    void SetClientSize(int width, int height);

    // Set by a button of the form when clicked (0: none).
    int ModalResult() const { return m_modalResult; }
    void SetModalResult(int result) { m_modalResult = result; }

    DWORD ExStyle() const;
    void ModifyExStyle(DWORD add, DWORD remove);
    COLORREF Color() const { return m_color; }
    void SetColor(COLORREF color);

protected:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // The form became visible (WM_SHOWWINDOW).
    virtual void FormShow() {}
    // The form moved (WM_MOVE); Left and Top are already the new position.
    virtual void FormMove() {}
    // A form that follows DPI changes was moved to a monitor at `dpi` (clamped) and now
    // stands at the top-left the system suggested; the base records the DPI. A form
    // that makes itself again for the DPI calls SetDpi and does so.
    virtual void DpiChanged(int dpi) { SetDpi(dpi); }
    // Paints the client area below the graphic controls; the base fills it with the
    // form's colour.
    void Paint(HDC dc, const RECT& area) override;

private:
    std::string m_className;
    std::string m_name;
    bool m_scaled;
    COLORREF m_color;
    lumen::UniqueBrush m_brush;
    int m_modalResult = 0;
    int m_dpi;
    bool m_followDpiChanges;
    bool m_placing = false;  // within MoveTo
};

}  // namespace ui
