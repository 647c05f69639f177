#include "surgepad/PwrBtnChangeFrom.h"

#include "surgepad/PwrBtnChangeShadow.h"

namespace surgepad {

TPwrBtnChangeFrom* PwrBtnChangeFrom = nullptr;

namespace {
ui::FormLayout Layout() {
    ui::FormLayout layout;
    layout.className = "TPwrBtnChangeFrom";
    layout.name = "PwrBtnChangeFrom";
    layout.caption = "PwrBtnChangeFrom";
    layout.clientWidth = 329;
    layout.clientHeight = 238;
    layout.exStyleAdd = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
    layout.exStyleRemove = WS_EX_APPWINDOW;
    return layout;
}
}  // namespace

TPwrBtnChangeFrom::TPwrBtnChangeFrom() : ui::Form(Layout()) {}

TPwrBtnChangeFrom::~TPwrBtnChangeFrom() {
    DestroyHandle();
}

void TPwrBtnChangeFrom::FormMove() {
    if (PwrBtnChangeShadow != nullptr) {
        PwrBtnChangeShadow->MoveTo(Left(), Top());
    }
}

}  // namespace surgepad

namespace surgepad {

void TPwrBtnChangeFrom::ShowMessage(const std::string& text) {
    m_message = text;
    MoveTo(0, 0);
    SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    InvalidateRect(Handle(), nullptr, TRUE);
    Show();
}

void TPwrBtnChangeFrom::Paint(HDC dc, const RECT& area) {
    ui::Form::Paint(dc, area);
    RECT box{16, 16, ClientWidth() - 16, ClientHeight() - 16};
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    HGDIOBJ previous = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    DrawTextA(dc, m_message.c_str(), static_cast<int>(m_message.size()), &box, DT_CENTER | DT_WORDBREAK);
    SelectObject(dc, previous);
}

}  // namespace surgepad
