#include "surgepad/MainForm.h"

#include "lumen/core/DebugTrace.h"
#include "lumen/core/Handle.h"
#include "lumen/kora/BroadcastProtocol.h"
#include "surgepad/MessageFilter.h"
#include "surgepad/MultiLang.h"
#include "ui/Paths.h"

namespace surgepad {

using namespace kora;  // the wire format of the board maker's utilities

TMainForm* MainForm = nullptr;

namespace {

ui::FormLayout MainFormLayout() {
    ui::FormLayout layout;
    layout.className = kMainFormClass;
    layout.name = "MainForm";
    layout.caption = kMainFormCaption;
    layout.clientWidth = 242;
    layout.clientHeight = 200;
    layout.color = RGB(0, 0, 0);
    // Never a taskbar button: a tool window without the application-window bit.
    layout.exStyleAdd = WS_EX_TOPMOST | WS_EX_TOOLWINDOW;
    layout.exStyleRemove = WS_EX_APPWINDOW;
    return layout;
}

}  // namespace

TMainForm::TMainForm(ButtonControllerInterface& controller) : ui::Form(MainFormLayout()), m_controller(controller) {
    CheckTimer.OnTimer = ui::Callback<>::Of<&TMainForm::CheckTimerTimer>(this);

    m_broadcastMessage = RegisterWindowMessageA(kBroadcastMessageName);
    m_hook = ui::App().SubscribeMessages(ui::MessageHook::Of<&TMainForm::ApplicationMessageHook>(this));
    (void)AllowWindowMessage(m_broadcastMessage);
    // An elevated program would not hear a restarted shell otherwise.
    m_taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    (void)AllowWindowMessage(m_taskbarCreated);

    m_trayIcon = std::make_unique<TsTrayIcon>(*this, kTrayIconId, kTrayCallbackMessage);
    m_trayIcon->SetTip(kMainFormCaption);
    m_trayIcon->SetVisible(true);
    m_trayIcon->SetInfoKind(BalloonKind::Info);
    m_trayIcon->OnContextMenu = ui::Callback<>::Of<&TMainForm::ShowTrayMenu>(this);
    const std::string folder = ui::ResourceFolder();
    m_icons[0].LoadFromFile(folder + kNormalIconFile);
    m_icons[1].LoadFromFile(folder + kTurboIconFile);
    SetTrayIcon(0);
}

TMainForm::~TMainForm() {
    m_trayIcon.reset();
    DestroyHandle();
}

void TMainForm::Startup() {
    m_controller.Initialise();
    ui::App().HideApplicationWindow();
}

void TMainForm::SetTrayIcon(int index) {
    if (index != 0 && index != 1) {
        return;
    }
    m_trayIcon->SetIcon(m_icons[index].Handle());
}

void TMainForm::FormShow() {
    ui::App().HideApplicationWindow();
}

void TMainForm::CheckTimerTimer() {
    m_controller.CheckPowerButtonConfiguration();
}

void TMainForm::ShowTrayMenu() {
    const MultiLang& lang = MultiLang::Instance();
    const std::string settings = lang.Text(kTrayMenuSettingsKey);
    const std::string exit = lang.Text(kTrayMenuExitKey);
    lumen::UniqueMenu menu(CreatePopupMenu());
    if (!menu || !AppendMenuA(menu.get(), MF_STRING, kTrayMenuSettings, settings.c_str()) ||
        !AppendMenuA(menu.get(), MF_STRING, kTrayMenuExit, exit.c_str())) {
        lumen::Trace("tray: menu not made, error %lu", GetLastError());
        return;
    }
    // The default item is drawn bold: what a left click on the icon does.
    SetMenuDefaultItem(menu.get(), kTrayMenuSettings, FALSE);
    POINT at = {};
    GetCursorPos(&at);
    // A menu of a window that is not in the foreground does not close when the user
    // clicks elsewhere; the null message after it lets the next right click open the
    // menu again at once.
    SetForegroundWindow(Handle());
    lumen::Trace("tray: menu shown: %s | %s", settings.c_str(), exit.c_str());
    const UINT chosen = static_cast<UINT>(
        TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, at.x, at.y, 0, Handle(), nullptr));
    PostMessageA(Handle(), WM_NULL, 0, 0);
    menu.reset();
    if (chosen == kTrayMenuSettings) {
        lumen::Trace("tray: menu: settings");
        m_controller.OpenSettings();
    } else if (chosen == kTrayMenuExit) {
        lumen::Trace("tray: menu: exit");
        CloseCommand();
    } else {
        lumen::Trace("tray: menu: nothing chosen");
    }
}

void TMainForm::CloseCommand() {
    Close();
}

void TMainForm::ApplicationMessageHook(MSG& msg, bool& handled) {
    if (m_broadcastMessage != 0 && msg.message == m_broadcastMessage && msg.hwnd == Handle()) {
        // The main form's copy, taken by the program's own loop (BroadcastTwins.h).
        if (DecodeBroadcast(msg.wParam, static_cast<uint64_t>(msg.lParam)) != BroadcastAction::NotProtocol) {
            handled = !m_twins.MainFormCopyInOwnLoop();
        }
        return;
    }
    // A broadcast reaches every top-level window of the process; only the copy
    // addressed to the application window counts, so each post is handled once.
    if (msg.hwnd == ui::App().Handle()) {
        if (m_broadcastMessage != 0 && msg.message == m_broadcastMessage) {
            const BroadcastAction action = DecodeBroadcast(msg.wParam, static_cast<uint64_t>(msg.lParam));
            if (action != BroadcastAction::NotProtocol) {
                handled = true;
                if (!m_twins.AppWindowCopy(msg.wParam, static_cast<uint64_t>(msg.lParam))) {
                    lumen::Trace("command: broadcast 0x%08X 0x%08X: handled in a modal loop already",
                                 static_cast<unsigned>(msg.wParam), static_cast<unsigned>(msg.lParam));
                    return;
                }
                HandleBroadcast(msg.wParam, msg.lParam, action, "");
            }
        } else if (msg.message == WM_SYSCOMMAND && (msg.wParam & 0xFFF0) == SC_CLOSE) {
            // The application window cannot be closed from outside this way.
            handled = true;
            lumen::Trace("command: SC_CLOSE to the application window swallowed");
        }
    }
}

void TMainForm::BroadcastInModalLoop(WPARAM wParam, LPARAM lParam, BroadcastAction action) {
    // The application window's copy of this post comes right behind this one. Taken
    // out of the queue, it cannot be handled a second time by the program's loop
    // should the modal loop end before it; not queued yet, it is awaited.
    const HWND app = ui::App().Handle();
    MSG twin = {};
    const bool queued = PeekMessageA(&twin, app, m_broadcastMessage, m_broadcastMessage, PM_NOREMOVE) &&
                        twin.wParam == wParam && twin.lParam == lParam;
    if (queued) {
        PeekMessageA(&twin, app, m_broadcastMessage, m_broadcastMessage, PM_REMOVE);
    }
    if (m_twins.MainFormCopyInModalLoop(wParam, static_cast<uint64_t>(lParam), queued)) {
        HandleBroadcast(wParam, lParam, action, " (modal loop)");
    }
}

void TMainForm::HandleBroadcast(WPARAM wParam, LPARAM lParam, BroadcastAction action, const char* route) {
    lumen::Trace("command: broadcast 0x%08X 0x%08X: %s%s", static_cast<unsigned>(wParam), static_cast<unsigned>(lParam),
                 BroadcastActionName(action), route);
    if (action == BroadcastAction::ButtonPressed) {
        m_controller.OnButtonPressed();
    } else if (action == BroadcastAction::ValuesChangedElsewhere) {
        m_controller.OnValuesChangedElsewhere();
    }
}

LRESULT TMainForm::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // The hook keeps the copies of the program's own loop from this procedure, and a
    // copy sent by another thread or program is not a command.
    if (m_broadcastMessage != 0 && message == m_broadcastMessage && !InSendMessage()) {
        const BroadcastAction action = DecodeBroadcast(wParam, static_cast<uint64_t>(lParam));
        if (action != BroadcastAction::NotProtocol) {
            BroadcastInModalLoop(wParam, lParam, action);
            return 0;
        }
    }
    if (message == kPowerBroadcastMessage) {
        const PowerEvent event = DecodePowerBroadcast(wParam);
        if (event == PowerEvent::Suspend) {
            lumen::Trace("command: power broadcast %u: suspend", static_cast<unsigned>(wParam));
            m_controller.Suspend();
        } else if (event == PowerEvent::Resume) {
            lumen::Trace("command: power broadcast %u: resume", static_cast<unsigned>(wParam));
            m_controller.Resume();
        }
        return DefaultHandler(message, wParam, lParam);
    }
    if (message >= kFirstPrivateMessage && message <= kFirstPrivateMessage + 6) {
        const PrivateCommand command = DecodePrivateCommand(message, wParam);
        if (command != PrivateCommand::NotPrivate) {
            lumen::Trace("command: %u 0x%08X: %s", message, static_cast<unsigned>(wParam), PrivateCommandName(command));
            if (command == PrivateCommand::Close) {
                CloseCommand();
            } else if (command == PrivateCommand::OpenSettings) {
                m_controller.OpenSettings();
            }
            return 0;
        }
    }
    if (m_taskbarCreated != 0 && message == m_taskbarCreated) {
        m_trayIcon->NotificationAreaRecreated();
    }
    return ui::Form::WndProc(message, wParam, lParam);
}

}  // namespace surgepad
