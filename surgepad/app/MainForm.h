#pragma once
// TMainForm: the program's main window. Never shown; it owns the tray icon, the two
// tray pictures and the check timer, and routes the broadcast protocol, the private
// commands and the power broadcasts to the button controller.

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "lumen/kora/BroadcastProtocol.h"
#include "surgepad/app/BroadcastTwins.h"
#include "surgepad/button/ButtonControllerInterface.h"
#include "surgepad/look/MultiLang.h"
#include "surgepad/app/TsTrayIcon.h"
#include "ui/Application.h"
#include "ui/Form.h"
#include "ui/Icon.h"
#include "ui/Timer.h"

namespace surgepad {

inline constexpr char kMainFormClass[] = "TMainForm";
inline constexpr char kMainFormCaption[] = "Surgepad";
inline constexpr UINT kTrayIconId = 1;
inline constexpr UINT kTrayCallbackMessage = 1114;
inline constexpr char kNormalIconFile[] = "Q_Button.ico";
inline constexpr char kTurboIconFile[] = "Q_Button_red16.ico";
// The tray icon's menu: its items' identifiers and the keys of their texts.
inline constexpr UINT kTrayMenuSettings = 1;
inline constexpr UINT kTrayMenuExit = 2;
inline constexpr UINT kTrayMenuTurbo = 3;
inline constexpr UINT kTrayMenuFirstProfile = 100;  // + the profile's index
inline constexpr UINT kTrayMenuProfileLimit = 900;
// The Language submenu: the system's language, then each language (+ its index).
inline constexpr UINT kTrayMenuSystemLanguage = 900;
inline constexpr UINT kTrayMenuLanguageLimit = 1000;
inline constexpr char kTrayMenuSettingsKey[] = "TrayMenuSettings";
inline constexpr char kTrayMenuExitKey[] = "TrayMenuExit";

class TMainForm : public ui::Form {
public:
    // Throws ui::Error when a tray picture cannot be read (the tray icon is gone again).
    explicit TMainForm(ButtonControllerInterface& controller);
    ~TMainForm() override;

    // Once, after every window exists: the controller's initialisation, then the
    // application window is hidden.
    void Startup();
    // 0 normal, 1 turbo, with the tip for the state. GUI thread.
    void SetTrayIcon(int index);
    // The tip names the state and the profile (GUI thread).
    void RefreshTrayTip();

    TsTrayIcon& TrayIcon() { return *m_trayIcon; }
    UINT BroadcastMessageId() const { return m_broadcastMessage; }
    HICON TrayPicture(int index) const { return m_icons[index & 1].Handle(); }

    // Every 5000 ms once the controller enables it.
    ui::Timer CheckTimer{5000, false};

protected:
    void FormShow() override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void ApplicationMessageHook(MSG& msg, bool& handled);
    // A broadcast of the protocol, whichever copy of it counts; `route` names the way
    // it came for the trace.
    void HandleBroadcast(WPARAM wParam, LPARAM lParam, kora::BroadcastAction action, const char* route);
    // The main form's copy of a broadcast, dispatched by a loop other than the
    // program's own (the tray menu, a move loop, a message box): the application
    // window's copy goes past the hook there, so this one counts instead.
    void BroadcastInModalLoop(WPARAM wParam, LPARAM lParam, kora::BroadcastAction action);
    void CheckTimerTimer();
    // Right click on the tray icon, at the mouse pointer: "Turbo on" or "Turbo off" with
    // the profile's name (the switch a press makes), the profiles with the chosen one
    // checked, "Settings" (the default, as the left click) and "Exit" (the close
    // command).
    void ShowTrayMenu();
    // The submenu "Language" at the end of `menu`; the languages it lists, in the order
    // of their items, in `languages`.
    bool AppendLanguageMenu(HMENU menu, std::vector<LanguageInfo>* languages);
    // The close command: ends the program.
    void CloseCommand();

    ButtonControllerInterface& m_controller;
    UINT m_broadcastMessage = 0;
    UINT m_taskbarCreated = 0;
    // Which copy of a broadcast counts (the main form's or the application window's).
    BroadcastTwins m_twins;
    // Ends with the form (also when construction fails half-way).
    ui::Subscription m_hook;
    std::unique_ptr<TsTrayIcon> m_trayIcon;
    ui::Icon m_icons[2];
    std::string m_tip;
};

// The process-wide instance (null before start-up and after exit).
extern TMainForm* MainForm;

}  // namespace surgepad
