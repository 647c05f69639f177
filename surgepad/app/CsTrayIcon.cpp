#include "surgepad/app/CsTrayIcon.h"

#include <algorithm>
#include <cstring>

#include "lumen/core/DebugTrace.h"
#include "lumen/core/TextUtf8.h"
#include "lumen/core/WideText.h"

namespace surgepad {

CsTrayIcon::CsTrayIcon(HWND owner, UINT id, UINT callbackMessage) : m_data(new NOTIFYICONDATAW{}) {
    m_data->cbSize = kRecordSize;
    m_data->hWnd = owner;
    m_data->uID = id;
    m_data->uCallbackMessage = callbackMessage;
}

CsTrayIcon::~CsTrayIcon() {
    if (m_visible) {
        m_visible = false;
        (void)Announce(NIM_DELETE);
    }
    delete m_data;
}

bool CsTrayIcon::IsVisible() const {
    return m_visible;
}

bool CsTrayIcon::Announce(DWORD message) const {
    NOTIFYICONDATAW record = *m_data;
    return Shell_NotifyIconW(message, &record) != FALSE;
}

UINT CsTrayIcon::Flags() const {
    UINT flags = NIF_MESSAGE;
    if (m_data->hIcon != nullptr) {
        flags |= NIF_ICON;
    }
    if (m_data->szTip[0] != '\0') {
        flags |= NIF_TIP;
    }
    return flags;
}

UINT CsTrayIcon::AnnounceFlags() const {
    return Flags();
}

bool CsTrayIcon::Add() {
    m_wanted = true;
    m_data->uFlags = Flags();
    for (int attempt = 1; attempt <= kAddAttempts; ++attempt) {
        if (Announce(NIM_ADD)) {
            m_visible = true;
            lumen::Trace("tray: icon added (attempt %d)", attempt);
            return true;
        }
        // A shell that is still starting or busy answers late; give it a moment.
        if (attempt < kAddAttempts) {
            Sleep(50);
        }
    }
    lumen::Trace("tray: failure: the shell refused the icon %d times", kAddAttempts);
    return false;
}

bool CsTrayIcon::Delete() {
    m_wanted = false;
    if (Announce(NIM_DELETE)) {
        m_visible = false;
        return true;
    }
    return false;
}

bool CsTrayIcon::Modify() {
    if (!m_visible) {
        return false;
    }
    m_data->uFlags = Flags();
    return Announce(NIM_MODIFY);
}

bool CsTrayIcon::Readd() {
    if (!m_wanted) {
        return false;
    }
    m_visible = false;
    return Add();
}

void CsTrayIcon::SetTip(const std::string& tip) {
    static_assert(sizeof m_data->szTip / sizeof m_data->szTip[0] == kTipUnits + 1);
    const std::wstring wide = lumen::Widen(lumen::CutToUtf16Units(lumen::Utf8FromAnsi(tip), kTipUnits));
    std::memset(m_data->szTip, 0, sizeof m_data->szTip);
    wide.copy(m_data->szTip, std::min(wide.size(), kTipUnits));
    Modify();
}

std::string CsTrayIcon::Tip() const {
    return lumen::Utf8FromWide(m_data->szTip);
}

void CsTrayIcon::SetIconHandle(HICON icon) {
    m_data->hIcon = icon;
    Modify();
}

void CsTrayIcon::SetBalloonKind(BalloonKind kind) {
    switch (kind) {
        case BalloonKind::None:
            m_data->dwInfoFlags = NIIF_NONE;
            break;
        case BalloonKind::Warning:
            m_data->dwInfoFlags = NIIF_WARNING;
            break;
        case BalloonKind::Info:
            m_data->dwInfoFlags = NIIF_INFO;
            break;
        case BalloonKind::Error:
            m_data->dwInfoFlags = NIIF_ERROR;
            break;
    }
}

NOTIFYICONDATAW CsTrayIcon::Record() const {
    return *m_data;
}

}  // namespace surgepad
