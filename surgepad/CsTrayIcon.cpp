#include "surgepad/CsTrayIcon.h"

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
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_visible) {
            Shell_NotifyIconW(NIM_DELETE, m_data);
            m_visible = false;
        }
    }
    delete m_data;
}

bool CsTrayIcon::IsVisible() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_visible;
}

UINT CsTrayIcon::FlagsLocked() const {
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
    std::lock_guard<std::mutex> guard(m_lock);
    return FlagsLocked();
}

bool CsTrayIcon::AddLocked() {
    m_wanted = true;
    m_data->uFlags = FlagsLocked();
    for (int attempt = 1; attempt <= kAddAttempts; ++attempt) {
        if (Shell_NotifyIconW(NIM_ADD, m_data)) {
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

bool CsTrayIcon::Add() {
    std::lock_guard<std::mutex> guard(m_lock);
    return AddLocked();
}

bool CsTrayIcon::Delete() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_wanted = false;
    if (Shell_NotifyIconW(NIM_DELETE, m_data)) {
        m_visible = false;
        return true;
    }
    return false;
}

bool CsTrayIcon::ModifyLocked() {
    if (!m_visible) {
        return false;
    }
    m_data->uFlags = FlagsLocked();
    return Shell_NotifyIconW(NIM_MODIFY, m_data) != FALSE;
}

bool CsTrayIcon::Modify() {
    std::lock_guard<std::mutex> guard(m_lock);
    return ModifyLocked();
}

bool CsTrayIcon::Readd() {
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_wanted) {
        return false;
    }
    m_visible = false;
    return AddLocked();
}

void CsTrayIcon::SetTip(const std::string& tip) {
    std::lock_guard<std::mutex> guard(m_lock);
    static_assert(sizeof m_data->szTip / sizeof m_data->szTip[0] == kTipUnits + 1);
    const std::wstring wide = lumen::Widen(lumen::CutToUtf16Units(lumen::Utf8FromAnsi(tip), kTipUnits));
    std::memset(m_data->szTip, 0, sizeof m_data->szTip);
    wide.copy(m_data->szTip, std::min(wide.size(), kTipUnits));
    ModifyLocked();
}

std::string CsTrayIcon::Tip() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return lumen::Utf8FromWide(m_data->szTip);
}

void CsTrayIcon::SetIconHandle(HICON icon) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_data->hIcon = icon;
    ModifyLocked();
}

void CsTrayIcon::SetBalloonKind(BalloonKind kind) {
    std::lock_guard<std::mutex> guard(m_lock);
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
    std::lock_guard<std::mutex> guard(m_lock);
    return *m_data;
}

}  // namespace surgepad
