#include "surgepad/app/MainForm.h"

#include <algorithm>

#include "lumen/core/DebugTrace.h"
#include "lumen/core/Handle.h"
#include "lumen/core/TextUtf8.h"
#include "lumen/core/WideText.h"
#include "lumen/kora/BroadcastProtocol.h"
#include "surgepad/app/MessageFilter.h"
#include "surgepad/look/LanguageLookup.h"
#include "surgepad/look/MultiLang.h"
#include "surgepad/app/TrayTexts.h"
#include "surgepad/app/TrayTurboMenu.h"
#include "surgepad/turbo/TurboAutomationInterface.h"
#include "surgepad/turbo/TurboCommand.h"
#include "ui/Paths.h"

namespace surgepad {

using namespace kora;  // the wire format of the board maker's utilities

TMainForm* MainForm = nullptr;

namespace {

// A menu shows "&" as it is only doubled; single, it underlines the next letter.
std::string MenuText(const std::string& text) {
    std::string shown;
    for (char c : text) {
        shown += c;
        if (c == '&') {
            shown += '&';
        }
    }
    return shown;
}

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
    // -turbo from a program without the rights of this one, to this window alone.
    const bool allowed = AllowWindowMessageFor(Handle(), WM_COPYDATA);
    lumen::Trace("command: WM_COPYDATA let through to the main window%s", allowed ? "" : ": refused");

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
    RefreshTrayTip();
    ui::App().HideApplicationWindow();
}

void TMainForm::SetTrayIcon(int index) {
    if (index != 0 && index != 1) {
        return;
    }
    m_trayIcon->SetIcon(m_icons[index].Handle());
    RefreshTrayTip();
}

void TMainForm::RefreshTrayTip() {
    const TrayState state = TrayStateOf(m_controller.TurboIsOn(), m_controller.TurboActionChosen());
    // The profile's name is a file name in the system's code page; the tip is UTF-8.
    std::string text =
        FillName(MultiLang::Instance().Text(TrayTipKey(state)), lumen::Utf8FromAnsi(m_controller.TrayProfileName()));
    // "... while game.exe runs": why automatic turbo holds it on.
    if (TurboAutomationInterface* automation = m_controller.Automation()) {
        const std::string reason = automation->TipReason();
        if (!reason.empty()) {
            text += " " + reason;
        }
    }
    // The record holds 127 UTF-16 units; a character is never cut in half.
    const std::string tip =
        lumen::CutToUtf16Units(text.empty() ? std::string(kMainFormCaption) : text, CsTrayIcon::kTipUnits);
    if (tip != m_tip) {
        m_tip = tip;
        m_trayIcon->SetTip(tip);
        lumen::Trace("tray: tip %s", tip.c_str());
    }
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
    const bool on = m_controller.TurboIsOn();
    const std::string turbo = FillName(lang.Text(on ? "TrayMenuTurboOff" : "TrayMenuTurboOn"),
                                       MenuText(lumen::Utf8FromAnsi(m_controller.TrayProfileName())));
    // Greyed while a switch runs, and "Turbo on" while the chosen profile is unusable.
    const bool turboEnabled = !m_controller.SwitchRunning() && (on || m_controller.ProfileUsable());
    int chosen = -1;
    const std::vector<std::string> profiles = m_controller.ProfileNames(&chosen);
    lumen::UniqueMenu menu(CreatePopupMenu());
    bool made = menu && AppendMenuW(menu.get(), MF_STRING | (turboEnabled ? 0 : MF_GRAYED), kTrayMenuTurbo,
                                    lumen::Widen(turbo).c_str());
    // "Turbo for" and "Automatic turbo" follow the turbo item.
    TurboAutomationInterface* automation = m_controller.Automation();
    const AutomationMenu automatic = automation != nullptr ? automation->Menu() : AutomationMenu{};
    made = made && (automation == nullptr || AppendTurboMenus(menu.get(), automatic));
    if (made && !profiles.empty()) {
        made = AppendMenuA(menu.get(), MF_SEPARATOR, 0, nullptr) != FALSE;
        for (size_t i = 0; made && i < profiles.size() && kTrayMenuFirstProfile + i < kTrayMenuProfileLimit; ++i) {
            made = AppendMenuW(menu.get(), MF_STRING | (static_cast<int>(i) == chosen ? MF_CHECKED : 0),
                               kTrayMenuFirstProfile + i, lumen::Widen(MenuText(profiles[i])).c_str()) != FALSE;
        }
    }
    std::vector<LanguageInfo> languages;
    made = made && AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr) && AppendLanguageMenu(menu.get(), &languages) &&
           AppendMenuW(menu.get(), MF_STRING, kTrayMenuSettings, lumen::Widen(settings).c_str()) &&
           AppendMenuW(menu.get(), MF_STRING, kTrayMenuExit, lumen::Widen(exit).c_str());
    if (!made) {
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
    lumen::Trace("tray: menu shown: %s%s | %u profiles, chosen %d | %s | %s", turbo.c_str(),
                 turboEnabled ? "" : " (greyed)", static_cast<unsigned>(profiles.size()), chosen, settings.c_str(),
                 exit.c_str());
    const UINT item = static_cast<UINT>(
        TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, at.x, at.y, 0, Handle(), nullptr));
    PostMessageA(Handle(), WM_NULL, 0, 0);
    menu.reset();
    if (item == kTrayMenuSettings) {
        lumen::Trace("tray: menu: settings");
        m_controller.OpenSettings();
    } else if (item == kTrayMenuExit) {
        lumen::Trace("tray: menu: exit");
        CloseCommand();
    } else if (item == kTrayMenuTurbo) {
        lumen::Trace("tray: menu: turbo %s", on ? "off" : "on");
        (void)m_controller.RequestTurbo(on ? TurboRequest::Off : TurboRequest::On);
    } else if (automation != nullptr && TurboMenuChosen(item, automatic, *automation)) {
        // Carried out by automatic turbo.
    } else if (item >= kTrayMenuFirstProfile && item - kTrayMenuFirstProfile < profiles.size()) {
        const size_t index = item - kTrayMenuFirstProfile;
        lumen::Trace("tray: menu: profile %u", static_cast<unsigned>(index));
        m_controller.ChooseProfile(static_cast<int>(index), profiles[index]);
    } else if (item >= kTrayMenuSystemLanguage && item - kTrayMenuSystemLanguage <= languages.size()) {
        const size_t index = item - kTrayMenuSystemLanguage;
        const std::string name = index == 0 ? std::string() : languages[index - 1].name;
        lumen::Trace("tray: menu: language %s", index == 0 ? "of the system" : name.c_str());
        m_controller.ChooseLanguage(name);
    } else {
        lumen::Trace("tray: menu: nothing chosen");
    }
}

bool TMainForm::AppendLanguageMenu(HMENU menu, std::vector<LanguageInfo>* languages) {
    const MultiLang& lang = MultiLang::Instance();
    *languages = lang.Languages();
    const std::string chosen = lang.ChosenLanguage();
    const bool chosenThere = std::any_of(languages->begin(), languages->end(),
                                         [&](const LanguageInfo& info) { return info.name == chosen; });
    lumen::UniqueMenu sub(CreatePopupMenu());
    // The system's language first, named in its own words, then each language by its
    // own name, so that a user finds their way back from a language they cannot read.
    const std::string system =
        FillName(lang.Text("TrayMenuSystemLanguage"), MenuText(lang.About(lang.SystemLanguageName()).ownName));
    bool made = sub && AppendMenuW(sub.get(), MF_STRING | (chosenThere ? 0 : MF_CHECKED), kTrayMenuSystemLanguage,
                                   lumen::Widen(system).c_str());
    if (made && !languages->empty()) {
        made = AppendMenuW(sub.get(), MF_SEPARATOR, 0, nullptr) != FALSE;
    }
    for (size_t i = 0; made && i < languages->size() && kTrayMenuSystemLanguage + 1 + i < kTrayMenuLanguageLimit; ++i) {
        const LanguageInfo& info = (*languages)[i];
        made = AppendMenuW(sub.get(), MF_STRING | (chosenThere && info.name == chosen ? MF_CHECKED : 0),
                           kTrayMenuSystemLanguage + 1 + i, lumen::Widen(MenuText(info.ownName)).c_str()) != FALSE;
    }
    // The submenu's title also in English when the language in force is another, for
    // a user who chose a language by mistake.
    std::string title = lang.Text("TrayMenuLanguage");
    const char* english = EnglishText("TrayMenuLanguage");
    if (title != english) {
        title += std::string(" (") + english + ")";
    }
    made = made && AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub.get()), lumen::Widen(title).c_str());
    lumen::Trace("tray: language menu: %u languages, chosen %s", static_cast<unsigned>(languages->size()),
                 chosenThere ? chosen.c_str() : "the system's");
    if (made) {
        // The menu owns its submenu now.
        (void)sub.release();
    }
    return made;
}

void TMainForm::CloseCommand() {
    // Commands that come from now on are refused.
    if (TurboAutomationInterface* automation = m_controller.Automation()) {
        automation->Ending();
    }
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
        // The power source may have changed (PBT_APMPOWERSTATUSCHANGE), also during a sleep.
        if ((wParam == PBT_APMPOWERSTATUSCHANGE || event == PowerEvent::Resume) &&
            m_controller.Automation() != nullptr) {
            m_controller.Automation()->PowerStatusChanged();
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
    if (message == WM_COPYDATA && lParam != 0) {
        const auto& data = *reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (data.dwData == kTurboCopyDataId && m_controller.Automation() != nullptr) {
            return m_controller.Automation()->CommandReceived(data.lpData, data.cbData, reinterpret_cast<HWND>(wParam));
        }
    }
    if (m_taskbarCreated != 0 && message == m_taskbarCreated) {
        m_trayIcon->NotificationAreaRecreated();
    }
    return ui::Form::WndProc(message, wParam, lParam);
}

}  // namespace surgepad
