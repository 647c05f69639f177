#pragma once
// The tray icon component of a window: a hidden message window that owns the
// notification record and receives the shell's callbacks, its own copy of the
// picture, and a click event. Used on the GUI thread alone.

#include <windows.h>

#include <memory>
#include <string>

#include "surgepad/app/CsTrayIcon.h"
#include "ui/Callback.h"
#include "ui/Form.h"
#include "ui/Icon.h"
#include "ui/Window.h"

namespace surgepad {

// Class of the hidden window that receives the shell's callback messages. It is a
// message-only window: no broadcast reaches it.
inline constexpr char kTrayWindowClass[] = "TsTrayIconWindow";

class TsTrayIcon : private ui::Window {
public:
    TsTrayIcon(ui::Form& owner, UINT id, UINT callbackMessage);
    ~TsTrayIcon() override;

    void SetTip(const std::string& tip);
    std::string Tip() const { return m_record->Tip(); }
    // No change when `visible` equals the current state; true adds, false deletes.
    void SetVisible(bool visible);
    bool Visible() const { return m_record->IsVisible(); }
    void SetInfoKind(BalloonKind kind) { m_record->SetBalloonKind(kind); }
    // Copies the picture into the component's own icon and announces it.
    void SetIcon(HICON icon);
    HICON IconHandle() const { return m_icon->Handle(); }
    // The notification area was re-created (the shell's "TaskbarCreated").
    void NotificationAreaRecreated();

    HWND WindowHandle() const { return Handle(); }
    ui::Form& Owner() const { return m_owner; }
    CsTrayIcon& Record() { return *m_record; }

    // Left-button release on the icon.
    ui::Callback<> OnClick;
    // The pointer moved over the icon or a button went down on it: a click may follow.
    ui::Callback<> OnPointer;
    // Right-button release on the icon.
    ui::Callback<> OnContextMenu;

private:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    ui::Form& m_owner;
    UINT m_callbackMessage;
    std::unique_ptr<ui::Icon> m_icon;
    std::unique_ptr<CsTrayIcon> m_record;
};

}  // namespace surgepad
