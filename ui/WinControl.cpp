#include "ui/WinControl.h"

#include <windowsx.h>
#include <commctrl.h>

#include <algorithm>

#include "lumen/core/Handle.h"
#include "lumen/core/WideText.h"
#include "ui/Application.h"
#include "ui/ThreadCheck.h"

namespace ui {
namespace {

constexpr UINT kToolFlagsWindow = TTF_IDISHWND | TTF_SUBCLASS;

void EnsureCommonControls() {
    static const bool done = [] {
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
        return InitCommonControlsEx(&icc) != FALSE;
    }();
    (void)done;
}

}  // namespace

ShiftState ShiftFromMouse(WPARAM wParam) {
    ShiftState s = 0;
    if ((wParam & MK_SHIFT) != 0)
        s |= ssShift;
    if ((wParam & MK_CONTROL) != 0)
        s |= ssCtrl;
    if ((wParam & MK_LBUTTON) != 0)
        s |= ssLeft;
    if ((wParam & MK_RBUTTON) != 0)
        s |= ssRight;
    if ((wParam & MK_MBUTTON) != 0)
        s |= ssMiddle;
    if (GetKeyState(VK_MENU) < 0)
        s |= ssAlt;
    return s;
}

ShiftState ShiftFromKeyboard() {
    ShiftState s = 0;
    if (GetKeyState(VK_SHIFT) < 0)
        s |= ssShift;
    if (GetKeyState(VK_CONTROL) < 0)
        s |= ssCtrl;
    if (GetKeyState(VK_MENU) < 0)
        s |= ssAlt;
    return s;
}

WinControl::WinControl() : Control(nullptr) {}

WinControl::WinControl(WinControl& parent, const ControlClass& cls, int left, int top, int width, int height)
    : Control(&parent) {
    StoreBounds(RECT{left, top, left + width, top + height});
    CreateParams p;
    p.className = cls.name;
    p.style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    p.x = left;
    p.y = top;
    p.width = width;
    p.height = height;
    p.parent = parent.Handle();
    p.classStyle = cls.doubleClicks ? CS_DBLCLKS : 0;
    p.id = static_cast<UINT_PTR>(parent.m_nextId++);
    CreateHandle(p);
}

WinControl::~WinControl() {
    // Whatever is still on this control forgets it; it does not own them.
    for (Control* c : m_controls) {
        c->m_parent = nullptr;
    }
    m_controls.clear();
    if (Parent() != nullptr) {
        Parent()->RemoveTool(*this);
    }
    DestroyHandle();
}

int WinControl::ControlId() const {
    return HandleAllocated() ? GetDlgCtrlID(Handle()) : 0;
}

WinControl* WinControl::TopLevel() {
    WinControl* c = this;
    while (c->Parent() != nullptr) {
        c = c->Parent();
    }
    return c;
}

bool WinControl::Focused() const {
    return HandleAllocated() && GetFocus() == Handle();
}

bool WinControl::CanFocus() const {
    for (const WinControl* c = this; c != nullptr; c = c->Parent()) {
        if (!c->Visible() || !c->Enabled()) {
            return false;
        }
    }
    return HandleAllocated();
}

void WinControl::SetFocus() {
    UI_EXPECT_GUI_THREAD();
    if (CanFocus()) {
        ::SetFocus(Handle());
    }
}

namespace {
bool g_keyboardUsed = false;
}  // namespace

bool KeyboardCuesShown() {
    return g_keyboardUsed;
}

void NoteKeyboardUse() {
    if (std::exchange(g_keyboardUsed, true)) {
        return;
    }
    // The control that has the focus shows its cue from now on.
    if (HWND focus = GetFocus()) {
        InvalidateRect(focus, nullptr, FALSE);
    }
}

void WinControl::PlaceInTabOrderAfter(WinControl& sibling) {
    WinControl* parent = Parent();
    if (parent == nullptr || sibling.Parent() != parent || &sibling == this) {
        return;
    }
    std::vector<Control*>& controls = parent->m_controls;
    std::erase(controls, static_cast<Control*>(this));
    const auto at = std::find(controls.begin(), controls.end(), static_cast<Control*>(&sibling));
    controls.insert(at == controls.end() ? at : at + 1, this);
}

void WinControl::CollectTabStops(std::vector<WinControl*>& out) {
    for (Control* c : m_controls) {
        if (!c->IsWindowed()) {
            continue;
        }
        auto* w = static_cast<WinControl*>(c);
        if (w->TabStop() && w->CanFocus()) {
            out.push_back(w);
        }
        w->CollectTabStops(out);
    }
}

bool WinControl::SelectNext(WinControl* from, bool forward) {
    std::vector<WinControl*> stops;
    CollectTabStops(stops);
    if (stops.empty()) {
        return false;
    }
    const auto it = std::find(stops.begin(), stops.end(), from);
    size_t next = 0;
    if (it == stops.end()) {
        next = forward ? 0 : stops.size() - 1;
    } else {
        const size_t at = static_cast<size_t>(it - stops.begin());
        next = forward ? (at + 1) % stops.size() : (at + stops.size() - 1) % stops.size();
    }
    stops[next]->SetFocus();
    return true;
}

void WinControl::Invalidate() {
    if (HandleAllocated()) {
        InvalidateRect(Handle(), nullptr, FALSE);
    }
}

void WinControl::Update() {
    if (HandleAllocated()) {
        UpdateWindow(Handle());
    }
}

void WinControl::SetVisible(bool visible) {
    Control::SetVisible(visible);
}

void WinControl::ApplyBounds() {
    if (HandleAllocated()) {
        const RECT r = BoundsRect();
        SetWindowPos(Handle(), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void WinControl::ApplyEnabled() {
    if (HandleAllocated()) {
        EnableWindow(Handle(), Enabled() ? TRUE : FALSE);
    }
}

void WinControl::ApplyVisible() {
    if (HandleAllocated()) {
        ShowWindow(Handle(), Visible() ? SW_SHOWNOACTIVATE : SW_HIDE);
    }
}

void WinControl::ReadBoundsFromWindow() {
    if (!HandleAllocated()) {
        return;
    }
    RECT r = {};
    GetWindowRect(Handle(), &r);
    if (Parent() != nullptr && Parent()->HandleAllocated()) {
        MapWindowPoints(nullptr, Parent()->Handle(), reinterpret_cast<POINT*>(&r), 2);
    }
    StoreBounds(r);
}

void WinControl::AddControl(Control* control) {
    m_controls.push_back(control);
}

void WinControl::RemoveControl(Control* control) {
    RemoveTool(*control);
    std::erase(m_controls, control);
    if (!control->IsWindowed()) {
        Invalidate();
    }
}

void WinControl::UpdateTool(Control& control) {
    WinControl* top = TopLevel();
    if (!HandleAllocated() || !top->HandleAllocated()) {
        return;
    }
    if (top->m_tooltip == nullptr) {
        if (control.Hint().empty()) {
            return;
        }
        EnsureCommonControls();
        top->m_tooltip = CreateWindowExA(
            WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, top->Handle(), nullptr, GetModuleHandleA(nullptr), nullptr);
        if (top->m_tooltip == nullptr) {
            return;
        }
    }
    RemoveTool(control);
    if (control.Hint().empty()) {
        return;
    }
    TTTOOLINFOW ti = {};
    ti.cbSize = TTTOOLINFOW_V2_SIZE;
    ti.hwnd = Handle();
    if (control.IsWindowed()) {
        ti.uFlags = kToolFlagsWindow;
        ti.uId = reinterpret_cast<UINT_PTR>(static_cast<WinControl&>(control).Handle());
    } else {
        ti.uFlags = TTF_SUBCLASS;
        ti.uId = reinterpret_cast<UINT_PTR>(&control);
        ti.rect = control.BoundsRect();
    }
    // The tooltip keeps its own copy of the text.
    std::wstring hint = lumen::Widen(control.Hint());
    ti.lpszText = hint.data();
    SendMessageW(top->m_tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

void WinControl::RemoveTool(Control& control) {
    WinControl* top = TopLevel();
    if (top->m_tooltip == nullptr || !IsWindow(top->m_tooltip) || !HandleAllocated()) {
        return;
    }
    TTTOOLINFOW ti = {};
    ti.cbSize = TTTOOLINFOW_V2_SIZE;
    ti.hwnd = Handle();
    ti.uId = control.IsWindowed() ? reinterpret_cast<UINT_PTR>(static_cast<WinControl&>(control).Handle())
                                  : reinterpret_cast<UINT_PTR>(&control);
    SendMessageW(top->m_tooltip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

void WinControl::TrackMouseLeave() {
    TRACKMOUSEEVENT tme = {sizeof tme, TME_LEAVE, Handle(), HOVER_DEFAULT};
    TrackMouseEvent(&tme);
}

void WinControl::Paint(HDC dc, const RECT& area) {
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
}

void WinControl::PaintControls(HDC dc, lumen::DibBitmap& buffer, const RECT& area) {
    for (Control* c : m_controls) {
        if (c->IsWindowed() || !c->Visible()) {
            continue;
        }
        RECT bounds = c->BoundsRect();
        RECT meet = {};
        if (IsRectEmpty(&bounds) || !IntersectRect(&meet, &bounds, &area)) {
            continue;
        }
        const int saved = SaveDC(dc);
        IntersectClipRect(dc, meet.left, meet.top, meet.right, meet.bottom);
        SetViewportOrgEx(dc, bounds.left, bounds.top, nullptr);
        Canvas canvas(dc, buffer, POINT{bounds.left, bounds.top});
        static_cast<GraphicControl*>(c)->Paint(canvas);
        GdiFlush();
        RestoreDC(dc, saved);
    }
}

void WinControl::PaintMessage() {
    lumen::PaintGuard paint(Handle());
    if (paint.Dc() == nullptr) {
        return;
    }
    const RECT area = paint.Area();
    RECT client = {};
    GetClientRect(Handle(), &client);
    if (IsRectEmpty(&client) || IsRectEmpty(&area)) {
        return;
    }
    if (m_backBuffer.Width() != client.right || m_backBuffer.Height() != client.bottom) {
        m_backBuffer = lumen::DibBitmap(client.right, client.bottom, lumen::PixelFormat::Bgr24);
    }
    lumen::BitmapCanvas canvas(m_backBuffer);
    HDC dc = canvas.Dc();
    if (dc == nullptr) {
        Paint(paint.Dc(), area);
        return;
    }
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
    Paint(dc, area);
    GdiFlush();
    PaintControls(dc, m_backBuffer, area);
    if (DrawsFocusCue() && GetFocus() == Handle() && KeyboardCuesShown()) {
        DrawFocusRect(dc, &client);
    }
    RestoreDC(dc, saved);
    BitBlt(paint.Dc(), area.left, area.top, area.right - area.left, area.bottom - area.top, dc, area.left, area.top,
           SRCCOPY);
}

void WinControl::MouseDown(MouseButton, ShiftState, int, int) {}
void WinControl::MouseUp(MouseButton, ShiftState, int, int) {}
void WinControl::MouseMove(ShiftState, int, int) {}
void WinControl::KeyUp(WORD&, ShiftState) {}
void WinControl::KeyPress(char&) {}

void WinControl::KeyDown(WORD& key, ShiftState shift) {
    // Only the top-level window moves the focus; a control hands Tab up to it.
    if (key == VK_TAB && Parent() == nullptr && (shift & (ssCtrl | ssAlt)) == 0) {
        HWND focus = GetFocus();
        WinControl* from = nullptr;
        std::vector<WinControl*> stops;
        CollectTabStops(stops);
        for (WinControl* c : stops) {
            if (c->Handle() == focus) {
                from = c;
            }
        }
        if (SelectNext(from, (shift & ssShift) == 0)) {
            key = 0;
        }
    }
}

LRESULT WinControl::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            PaintMessage();
            return 0;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            const bool dbl = message == WM_LBUTTONDBLCLK;
            const LifeGuard guard = Guard();
            MouseDown(MouseButton::Left, ShiftFromMouse(wParam) | (dbl ? ShiftState{ssDouble} : ShiftState{0}),
                      GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            if (guard.Ended() || !HandleAllocated()) {
                return 0;
            }
            if (GetKeyState(VK_LBUTTON) >= 0) {
                // The press ran a modal loop (a drag of the window, a message box) that
                // took the release: no capture, and no click to come.
                m_clicked = false;
                return 0;
            }
            SetCapture(Handle());
            if (dbl) {
                m_clicked = false;
                DblClick();
            } else {
                m_clicked = true;
            }
            return 0;
        }
        case WM_LBUTTONUP: {
            const int x = GET_X_LPARAM(lParam);
            const int y = GET_Y_LPARAM(lParam);
            const bool clicked = std::exchange(m_clicked, false);
            if (GetCapture() == Handle()) {
                // Giving the capture up at the release is no loss: MouseUp ends the press.
                m_releasingCapture = true;
                ReleaseCapture();
                m_releasingCapture = false;
            }
            const LifeGuard guard = Guard();
            MouseUp(MouseButton::Left, ShiftFromMouse(wParam), x, y);
            if (guard.Ended()) {
                return 0;
            }
            const RECT client = ClientRect();
            if (clicked && HandleAllocated() && PtInRect(&client, POINT{x, y})) {
                Click();
            }
            return 0;
        }
        case WM_RBUTTONDOWN:
            if (!Survives([&] {
                    MouseDown(MouseButton::Right, ShiftFromMouse(wParam), GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
                })) {
                return 0;
            }
            break;
        case WM_RBUTTONUP:
            if (!Survives([&] {
                    MouseUp(MouseButton::Right, ShiftFromMouse(wParam), GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
                })) {
                return 0;
            }
            break;  // the system makes WM_CONTEXTMENU of it
        case WM_MOUSEMOVE:
            MouseMove(ShiftFromMouse(wParam), GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return 0;
        case WM_MOUSELEAVE:
            MouseLeave();
            return 0;
        case WM_SETCURSOR:
            if (m_cursor != nullptr && reinterpret_cast<HWND>(wParam) == Handle() && LOWORD(lParam) == HTCLIENT) {
                ::SetCursor(m_cursor);
                return TRUE;
            }
            break;
        case WM_CAPTURECHANGED:
            m_clicked = false;
            if (reinterpret_cast<HWND>(lParam) != Handle() && !m_releasingCapture) {
                if (!Survives([&] { CaptureLost(); })) {
                    return 0;
                }
            }
            break;
        case WM_KEYDOWN: {
            WORD key = static_cast<WORD>(wParam);
            const ShiftState shift = ShiftFromKeyboard();
            // Tab and Escape belong to the form, whichever control has the focus.
            WinControl* top = TopLevel();
            if ((key == VK_TAB || key == VK_ESCAPE) && top != this) {
                m_redirectedChar = true;
                top->KeyDown(key, shift);
                return 0;
            }
            m_redirectedChar = false;
            KeyDown(key, shift);
            return 0;
        }
        case WM_KEYUP: {
            WORD key = static_cast<WORD>(wParam);
            KeyUp(key, ShiftFromKeyboard());
            return 0;
        }
        case WM_CHAR: {
            char c = static_cast<char>(wParam);
            if ((c == '\t' || c == '\x1b') && std::exchange(m_redirectedChar, false)) {
                return 0;
            }
            KeyPress(c);
            return 0;
        }
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            if (DrawsFocusCue()) {
                InvalidateRect(Handle(), nullptr, FALSE);
            }
            if (message == WM_SETFOCUS) {
                FocusGained();
            } else {
                FocusLost();
            }
            return 0;
        case WM_WINDOWPOSCHANGED: {
            const RECT before = BoundsRect();
            ReadBoundsFromWindow();
            const RECT after = BoundsRect();
            if (Parent() == nullptr && !EqualRect(&before, &after)) {
                // A form moved or sized by the system or the user.
                Resized();
            }
            break;
        }
        default:
            break;
    }
    return DefaultHandler(message, wParam, lParam);
}

}  // namespace ui
