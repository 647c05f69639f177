#pragma once
// The notification record of the tray icon and the calls that announce it to the
// shell. The record has the layout of NOTIFYICONDATAA up to the info flags (488
// bytes on x86, NOTIFYICONDATAA_V2_SIZE), which every shell since Windows 2000 takes.
//
// The icon may change from a worker thread (a finished turbo switch) while the GUI
// thread re-announces it, so the record is guarded.

#include <windows.h>

#include <shellapi.h>

#include <mutex>
#include <string>

namespace surgepad {

#if !defined(_WIN64)
static_assert(NOTIFYICONDATAA_V2_SIZE == 488, "the notification record of x86 is 488 bytes");
#endif

// Kinds of the (never shown) balloon, as the component stores them.
enum class BalloonKind { None = 0, Warning = 1, Info = 2, Error = 3 };

class CsTrayIcon {
public:
    static constexpr UINT kRecordSize = NOTIFYICONDATAA_V2_SIZE;
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

    // Copies at most 127 characters; re-announces when visible.
    void SetTip(const std::string& tip);
    std::string Tip() const;
    // Puts the picture into the record; re-announces when visible.
    void SetIconHandle(HICON icon);
    void SetBalloonKind(BalloonKind kind);

    // A copy of the record, for tests and diagnostics.
    NOTIFYICONDATAA Record() const;
    // The flags of an add or modify for the record as it stands.
    UINT AnnounceFlags() const;

private:
    bool AddLocked();
    bool ModifyLocked();
    UINT FlagsLocked() const;

    mutable std::mutex m_lock;
    NOTIFYICONDATAA* m_data;
    bool m_visible = false;
    bool m_wanted = false;
    std::string m_info;  // the balloon text; this program never fills it
};

}  // namespace surgepad
