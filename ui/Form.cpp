#include "ui/Form.h"

#include <utility>

#include "lumen/graphics/Dpi.h"
#include "ui/Application.h"
#include "ui/Scale.h"
#include "ui/ThreadCheck.h"

namespace ui {

Form::Form(const FormLayout& layout)
    : m_className(layout.className),
      m_name(layout.name),
      m_scaled(layout.scaled),
      m_color(layout.color),
      m_brush(CreateSolidBrush(layout.color)),
      m_dpi(layout.dpi != 0 ? lumen::ClampDpi(layout.dpi) : SystemDpi()),
      m_followDpiChanges(layout.followDpiChanges) {
    const DWORD style = (layout.borderNone ? WS_POPUP : WS_OVERLAPPEDWINDOW) | WS_CLIPCHILDREN;
    const DWORD exStyle = layout.exStyleAdd & ~layout.exStyleRemove;
    RECT r = {0, 0, layout.clientWidth, layout.clientHeight};
    AdjustWindowRectEx(&r, style, FALSE, exStyle);
    CreateParams p;
    p.className = layout.className;
    p.caption = layout.caption;
    p.style = style;
    p.exStyle = exStyle;
    p.x = layout.left;
    p.y = layout.top;
    p.width = r.right - r.left;
    p.height = r.bottom - r.top;
    p.parent = layout.owner != nullptr ? layout.owner : App().Handle();
    p.icon = App().Icon();
    CreateHandle(p);
    ReadBoundsFromWindow();
    StoreVisible(false);
}

Form::~Form() {
    DestroyHandle();
}

void Form::SetDpi(int dpi) {
    m_dpi = lumen::ClampDpi(dpi);
}

void Form::Show() {
    SetVisible(true);
}

void Form::Hide() {
    SetVisible(false);
}

void Form::SetVisible(bool visible) {
    UI_EXPECT_GUI_THREAD();
    if (!HandleAllocated()) {
        return;
    }
    StoreVisible(visible);
    if (visible) {
        ShowWindow(Handle(), (ExStyle() & WS_EX_NOACTIVATE) != 0 ? SW_SHOWNOACTIVATE : SW_SHOW);
    } else {
        ShowWindow(Handle(), SW_HIDE);
    }
}

bool Form::Visible() const {
    return HandleAllocated() && IsWindowVisible(Handle()) != FALSE;
}

void Form::Close() {
    if (App().MainForm() == this) {
        Hide();
        App().Terminate();
    } else {
        Hide();
    }
}

int Form::Left() const {
    RECT r = {};
    GetWindowRect(Handle(), &r);
    return r.left;
}

int Form::Top() const {
    RECT r = {};
    GetWindowRect(Handle(), &r);
    return r.top;
}

void Form::SetLeft(int left) {
    MoveTo(left, Top());
}

void Form::SetTop(int top) {
    MoveTo(Left(), top);
}

void Form::MoveTo(int left, int top) {
    // Put onto a monitor of another scale, the window is told so (WM_DPICHANGED) within
    // this call: the place the program gives it stands, not the one the system suggests.
    const bool placing = std::exchange(m_placing, true);
    SetWindowPos(Handle(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    m_placing = placing;
}

int Form::ClientWidth() const {
    RECT r = {};
    GetClientRect(Handle(), &r);
    return r.right;
}

int Form::ClientHeight() const {
    RECT r = {};
    GetClientRect(Handle(), &r);
    return r.bottom;
}

void Form::SetClientSize(int width, int height) {
    RECT r = {0, 0, width, height};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrA(Handle(), GWL_STYLE)), FALSE, ExStyle());
    SetWindowPos(Handle(), nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

DWORD Form::ExStyle() const {
    return static_cast<DWORD>(GetWindowLongPtrA(Handle(), GWL_EXSTYLE));
}

void Form::ModifyExStyle(DWORD add, DWORD remove) {
    const DWORD style = (ExStyle() | add) & ~remove;
    SetWindowLongPtrA(Handle(), GWL_EXSTYLE, static_cast<LONG_PTR>(style));
    // The topmost bit is a z-order property; changing the style alone does not move it.
    if (((add | remove) & WS_EX_TOPMOST) != 0) {
        SetWindowPos(Handle(), (style & WS_EX_TOPMOST) != 0 ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void Form::SetColor(COLORREF color) {
    lumen::UniqueBrush brush(CreateSolidBrush(color));
    if (!brush) {
        return;
    }
    m_brush = std::move(brush);
    m_color = color;
    InvalidateRect(Handle(), nullptr, TRUE);
}

void Form::Paint(HDC dc, const RECT& area) {
    FillRect(dc, &area, m_brush.get());
}

LRESULT Form::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SHOWWINDOW:
            StoreVisible(wParam != FALSE);
            if (wParam != FALSE) {
                FormShow();
            }
            break;
        case WM_MOVE:
            FormMove();
            break;
        case WM_CLOSE:
            Close();
            return 0;
        case WM_DPICHANGED:
            if (m_followDpiChanges) {
                // The top-left of the rectangle the system suggests: the window's own
                // top-left could leave it across the border of the two monitors, where
                // the next change of scale would send it back. The size is the one the
                // form makes for the new DPI; the system's is that size, rounded its way.
                const auto* suggested = reinterpret_cast<const RECT*>(lParam);
                if (suggested != nullptr && !m_placing) {
                    SetWindowPos(Handle(), nullptr, suggested->left, suggested->top, 0, 0,
                                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
                }
                DpiChanged(lumen::ClampDpi(LOWORD(wParam)));
                return 0;
            }
            break;
        case WM_DESTROY:
            App().FormDestroyed(this);
            break;
        default:
            break;
    }
    return WinControl::WndProc(message, wParam, lParam);
}

}  // namespace ui
