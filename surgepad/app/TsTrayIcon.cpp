#include "surgepad/app/TsTrayIcon.h"

#include "lumen/core/DebugTrace.h"
#include "ui/Application.h"

namespace surgepad {

TsTrayIcon::TsTrayIcon(ui::Form& owner, UINT id, UINT callbackMessage)
    : m_owner(owner), m_callbackMessage(callbackMessage), m_icon(std::make_unique<ui::Icon>()) {
    CreateParams p;
    p.className = kTrayWindowClass;
    p.style = 0;
    p.parent = HWND_MESSAGE;
    CreateHandle(p);
    m_icon->Assign(ui::App().Icon());
    m_record = std::make_unique<CsTrayIcon>(Handle(), id, callbackMessage);
    m_record->SetIconHandle(m_icon->Handle());
}

TsTrayIcon::~TsTrayIcon() {
    // Deletes the icon from the notification area when it is there.
    m_record.reset();
    DestroyHandle();
}

void TsTrayIcon::SetTip(const std::string& tip) {
    m_record->SetTip(tip);
}

void TsTrayIcon::SetVisible(bool visible) {
    if (visible == m_record->IsVisible()) {
        return;
    }
    if (visible) {
        (void)m_record->Add();
    } else {
        (void)m_record->Delete();
    }
}

void TsTrayIcon::SetIcon(HICON icon) {
    // The record must never hold a handle that is already destroyed: announce the
    // new copy first, then let the old one go.
    auto fresh = std::make_unique<ui::Icon>();
    fresh->Assign(icon);
    if (icon != nullptr && fresh->Empty()) {
        return;
    }
    m_record->SetIconHandle(fresh->Handle());
    m_icon.swap(fresh);
}

void TsTrayIcon::NotificationAreaRecreated() {
    lumen::Trace("tray: notification area re-created");
    (void)m_record->Readd();
}

LRESULT TsTrayIcon::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_QUERYENDSESSION) {
        return 1;
    }
    // Only the shell's callback is a notification; its lParam is the mouse message.
    if (message == m_callbackMessage && static_cast<UINT>(lParam) == WM_LBUTTONUP) {
        lumen::Trace("tray: click");
        OnClick();
    } else if (message == m_callbackMessage && static_cast<UINT>(lParam) == WM_RBUTTONUP) {
        lumen::Trace("tray: right click");
        OnContextMenu();
    } else if (message == m_callbackMessage &&
               (static_cast<UINT>(lParam) == WM_MOUSEMOVE || static_cast<UINT>(lParam) == WM_LBUTTONDOWN)) {
        OnPointer();
    }
    return DefaultHandler(message, wParam, lParam);
}

}  // namespace surgepad
