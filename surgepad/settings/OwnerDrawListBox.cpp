#include "surgepad/settings/OwnerDrawListBox.h"

#include <windowsx.h>

#include <exception>

#include "ui/Application.h"
#include "ui/Error.h"

namespace surgepad {
namespace {

constexpr UINT_PTR kListId = 1;

}  // namespace

OwnerDrawListBox::OwnerDrawListBox(ui::WinControl& parent, int left, int top, int width, int height)
    : ui::WinControl(parent, kClass, left, top, width, height),
      WindowProc(ListWindowProc::Of<&OwnerDrawListBox::DefaultWindowProc>(this)) {
    m_brush.reset(CreateSolidBrush(ui::ColorToRgb(m_color)));
    // The system asks this host for the entries' height while the list is being
    // created, before it is subclassed: the host answers through OnMeasureItem.
    // A list box shows its scroll bar only when the entries do not fit.
    m_list = CreateWindowExA(
        0, "LISTBOX", "",
        WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, 0,
        0, width, height, Handle(), reinterpret_cast<HMENU>(kListId), GetModuleHandleA(nullptr), nullptr);
    if (m_list == nullptr) {
        throw ui::Error("Error creating the list box (error " + std::to_string(GetLastError()) + ")");
    }
    SetWindowLongPtrA(m_list, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_systemProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(m_list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&OwnerDrawListBox::ListProc)));
    m_font.OnChange = ui::Callback<ui::Font&>{&OwnerDrawListBox::FontChanged, this};
    SendMessageA(m_list, WM_SETFONT, reinterpret_cast<WPARAM>(m_font.Handle()), FALSE);
}

OwnerDrawListBox::~OwnerDrawListBox() {
    if (m_list != nullptr && IsWindow(m_list)) {
        SetWindowLongPtrA(m_list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_systemProc));
        SetWindowLongPtrA(m_list, GWLP_USERDATA, 0);
        DestroyWindow(m_list);
    }
    m_font.OnChange = {};
}

LRESULT CALLBACK OwnerDrawListBox::ListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    auto* self = reinterpret_cast<OwnerDrawListBox*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self == nullptr) {
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    const WNDPROC systemProc = self->m_systemProc;
    ListBoxMessage m = {message, wParam, lParam, 0};
    try {
        self->WindowProc(m);
    } catch (const std::exception& e) {
        ui::App().HandleException(e);
    }
    if (message == WM_NCDESTROY) {
        // Destroyed with its host: nothing of the object may be reached any more.
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(systemProc));
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        self->m_list = nullptr;
    }
    return m.result;
}

void OwnerDrawListBox::DefaultWindowProc(ListBoxMessage& m) {
    m.result = CallWindowProcA(m_systemProc, m_list, m.message, m.wParam, m.lParam);
    ui::MouseButton button = ui::MouseButton::Left;
    switch (m.message) {
        case WM_LBUTTONUP:
            break;
        case WM_RBUTTONUP:
            button = ui::MouseButton::Right;
            break;
        case WM_MBUTTONUP:
            button = ui::MouseButton::Middle;
            break;
        default:
            return;
    }
    OnMouseUp(*this, button, GET_X_LPARAM(m.lParam), GET_Y_LPARAM(m.lParam));
}

LRESULT OwnerDrawListBox::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_DRAWITEM: {
            const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (item.CtlType == ODT_LISTBOX) {
                DrawItem(item);
                return TRUE;
            }
            break;
        }
        case WM_MEASUREITEM: {
            auto& item = *reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
            if (item.CtlType == ODT_LISTBOX) {
                MeasureItem(item);
                return TRUE;
            }
            break;
        }
        case WM_CTLCOLORLISTBOX: {
            // The list erases its background and the part below the last entry with
            // the brush answered here.
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetBkColor(dc, ui::ColorToRgb(m_color));
            SetTextColor(dc, ui::ColorToRgb(m_font.GetColor()));
            return reinterpret_cast<LRESULT>(m_brush.get());
        }
        default:
            break;
    }
    return ui::WinControl::WndProc(message, wParam, lParam);
}

void OwnerDrawListBox::Resized() {
    if (m_list != nullptr) {
        SetWindowPos(m_list, nullptr, 0, 0, Width(), Height(), SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ui::WinControl::Resized();
}

void OwnerDrawListBox::DrawItem(const DRAWITEMSTRUCT& item) {
    // -1: an empty list showing its focus; there is no entry to draw.
    if (item.itemID == static_cast<UINT>(-1)) {
        return;
    }
    lumen::SelectGuard font(item.hDC, m_font.Handle());
    SetTextColor(item.hDC, ui::ColorToRgb(m_font.GetColor()));
    SetBkMode(item.hDC, TRANSPARENT);
    OnDrawItem(*this, static_cast<int>(item.itemID), item.hDC, item.rcItem, item.itemState);
}

void OwnerDrawListBox::MeasureItem(MEASUREITEMSTRUCT& item) {
    if (!OnMeasureItem) {
        return;  // the system's own height stays
    }
    lumen::WindowDc dc(Handle());
    lumen::SelectGuard font(dc.Dc(), m_font.Handle());
    UINT height = item.itemHeight;
    OnMeasureItem(*this, static_cast<int>(item.itemID), dc.Dc(), height);
    item.itemHeight = height;
}

void OwnerDrawListBox::Remeasure() {
    if (m_list == nullptr || !OnMeasureItem) {
        return;
    }
    MEASUREITEMSTRUCT item = {};
    item.CtlType = ODT_LISTBOX;
    item.CtlID = static_cast<UINT>(kListId);
    item.itemHeight = static_cast<UINT>(ItemHeight());
    MeasureItem(item);
    SendMessageA(m_list, LB_SETITEMHEIGHT, 0, MAKELPARAM(item.itemHeight, 0));
    InvalidateRect(m_list, nullptr, TRUE);
}

void OwnerDrawListBox::FontChanged(void* self, ui::Font& font) {
    auto* list = static_cast<OwnerDrawListBox*>(self);
    if (list->m_list != nullptr) {
        SendMessageA(list->m_list, WM_SETFONT, reinterpret_cast<WPARAM>(font.Handle()), FALSE);
    }
    list->Remeasure();
}

void OwnerDrawListBox::SetColor(ui::Color color) {
    if (color == m_color) {
        return;
    }
    lumen::UniqueBrush brush(CreateSolidBrush(ui::ColorToRgb(color)));
    if (!brush) {
        return;
    }
    m_brush = std::move(brush);
    m_color = color;
    if (m_list != nullptr) {
        InvalidateRect(m_list, nullptr, TRUE);
    }
}

void OwnerDrawListBox::Clear() {
    SendMessageA(m_list, LB_RESETCONTENT, 0, 0);
}

int OwnerDrawListBox::Add(const std::string& text) {
    return static_cast<int>(SendMessageA(m_list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
}

int OwnerDrawListBox::Count() const {
    return static_cast<int>(SendMessageA(m_list, LB_GETCOUNT, 0, 0));
}

std::string OwnerDrawListBox::ItemText(int index) const {
    const LRESULT length = SendMessageA(m_list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR) {
        return {};
    }
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const LRESULT got =
        SendMessageA(m_list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(got == LB_ERR ? 0 : static_cast<size_t>(got));
    return text;
}

int OwnerDrawListBox::ItemIndex() const {
    const LRESULT index = SendMessageA(m_list, LB_GETCURSEL, 0, 0);
    return index == LB_ERR ? -1 : static_cast<int>(index);
}

void OwnerDrawListBox::SetItemIndex(int index) {
    SendMessageA(m_list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int OwnerDrawListBox::ItemHeight() const {
    return static_cast<int>(SendMessageA(m_list, LB_GETITEMHEIGHT, 0, 0));
}

RECT OwnerDrawListBox::ItemRect(int index) const {
    RECT r = {};
    SendMessageA(m_list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
    return r;
}

}  // namespace surgepad
