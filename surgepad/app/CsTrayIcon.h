#pragma once
// The notification record of the tray icon and the calls that announce it to the
// shell. The record has the layout of NOTIFYICONDATAW up to the info flags (936
// bytes on x86, NOTIFYICONDATAW_V2_SIZE), which every shell since Windows 2000 takes:
// the wide record shows a tip in any language whatever the system's code page.
//
// Used on the GUI thread alone (a finished switch hands its icon over to it). No lock
// is held across Shell_NotifyIcon: the call sends a message and may meanwhile run a
// message sent to this thread, whose handler can come back here.

#include <windows.h>

#include <shellapi.h>

#include <string>

namespace surgepad {

#if !defined(_WIN64)
static_assert(NOTIFYICONDATAW_V2_SIZE == 936, "the wide notification record of x86 is 936 bytes");
#endif

// Kinds of the (never shown) balloon, as the component stores them.
enum class BalloonKind { None = 0, Warning = 1, Info = 2, Error = 3 };

class CsTrayIcon {
public:
    static constexpr UINT kRecordSize = NOTIFYICONDATAW_V2_SIZE;
    // UTF-16 units of the tip, its terminator left out.
    static constexpr size_t kTipUnits = 127;
    static constexpr int kAddAttempts = 3;

    CsTrayIcon(HWND owner, UINT id, UINT callbackMessage);
    CsTrayIcon(const CsTrayIcon&) = delete;
    CsTrayIcon& operator=(const CsTrayIcon&) = delete;
    ~CsTrayIcon();

    bool IsVisible() const;
    // NIM_ADD, tried up to three times; sets the visible flag on success.
    bool Add();
    // NIM_DELETE; the visible flag clears only when the shell confirms.
    bool Delete();
    // Re-announces the icon when it is visible.
    bool Modify();
    // The notification area was re-created: whatever it showed is gone. Adds the
    // icon again when it is wanted (it was added, or an add had been asked for).
    bool Readd();

    // A UTF-8 tip, cut to 127 UTF-16 units (never inside a character); re-announces
    // when visible.
    void SetTip(const std::string& tip);
    // The tip as UTF-8.
    std::string Tip() const;
    // Puts the picture into the record; re-announces when visible.
    void SetIconHandle(HICON icon);
    void SetBalloonKind(BalloonKind kind);

    // A copy of the record, for tests and diagnostics.
    NOTIFYICONDATAW Record() const;
    // The flags of an add or modify for the record as it stands.
    UINT AnnounceFlags() const;

private:
    UINT Flags() const;
    // Announces a copy of the record, so that a handler that changes the record while
    // the shell is being told leaves the call's record alone.
    bool Announce(DWORD message) const;

    NOTIFYICONDATAW* m_data;
    bool m_visible = false;
    bool m_wanted = false;
    std::string m_info;  // the balloon text; this program never fills it
};

}  // namespace surgepad
