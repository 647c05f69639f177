#include "surgepad/app/ButtonController.h"

#include "surgepad/button/ButtonGuardian.h"

#include "lumen/core/DebugTrace.h"
#include "lumen/kora/BiosInterface.h"
#include "lumen/kora/BtnContronLib.h"
#include "lumen/kora/DormixLib.h"
#include "lumen/kora/ProfileFolder.h"
#include "lumen/system/WinRegistry.h"
#include "surgepad/app/MainForm.h"
#include "surgepad/look/MultiLang.h"
#include "surgepad/display/OsdDisplay.h"
#include "surgepad/display/OsdManager.h"
#include "surgepad/settings/PwrBtnChangeFrom.h"
#include "surgepad/settings/SettingForm.h"
#include "surgepad/settings/SettingView.h"
#include "surgepad/button/SettingsStore.h"
#include "surgepad/app/TurboAutomation.h"
#include "ui/Application.h"

namespace surgepad {

namespace {

// Also called on the animation thread: the main window is reached on the GUI thread,
// which alone forgets and destroys it at exit.
void SetTray(int index) {
    ui::App().Synchronize([index] {
        if (MainForm != nullptr) {
            MainForm->SetTrayIcon(index);
        }
    });
}

// Power events and announcements from elsewhere write or save firmware values: never
// beside a switch's batch of writes. False when the switch still runs after all that a
// switch may take: the caller then leaves the firmware to it.
bool LetTheSwitchFinish(const char* event) {
    if (OsdManager::Instance().IsBusy()) {
        lumen::Trace("controller: %s during a switch: waiting for it", event);
    }
    if (!OsdManager::Instance().WaitForSwitch()) {
        lumen::Trace("controller: %s: the switch did not finish in time; the firmware is left to it", event);
        return false;
    }
    return true;
}

}  // namespace

bool NewFirmwareInterface() {
    static const bool answer = kora::IsNewAcpiInterface();
    return answer;
}

PowerAction& PowerAction::Instance() {
    static auto* action = new PowerAction;
    return *action;
}

TurboAction& TurboAction::Instance() {
    static auto* action = new TurboAction;
    return *action;
}

void TurboAction::Press() {
    // A manual switch: the rules of automatic turbo know what it ends.
    (void)TurboAutomation::Instance().Manual(TurboRequest::Toggle);
}

void ButtonController::PlaySwitch(bool on) {
    SettingsStore& store = SettingsStore::Instance();
    const bool osd = store.GetOsdEnabled();
    const bool status = store.GetStatusEnabled();
    lumen::Trace("controller: turbo %s (display %d, badge %d)", on ? "on" : "off", osd, status);
    if (on) {
        OsdManager::Instance().PlayTurboOn(osd, status, OsdDoneAction{&ButtonController::SwitchOn, this});
    } else {
        OsdManager::Instance().PlayTurboOff(osd, status, OsdDoneAction{&ButtonController::SwitchOff, this});
    }
}

ButtonController& ButtonController::Instance() {
    static auto* controller = new ButtonController;
    return *controller;
}

ButtonControllerInterface& Controller() {
    return ButtonController::Instance();
}

void ButtonController::Initialise() {
    SettingView().Start();
    OsdManager::Instance().LoadPages();
    if (MainForm != nullptr) {
        MainForm->TrayIcon().OnClick = ui::Callback<>::Of<&ButtonController::OpenSettings>(this);
        MainForm->TrayIcon().OnPointer = ui::Callback<>::Of<&ButtonController::PrepareSettings>(this);
    }
    m_current = m_actions[ButtonGuardian::Instance().Start() == 1 ? 1 : 0];
    ResumeRecordedTurbo();
    TurboAutomation::Instance().Start();
    if (MainForm != nullptr) {
        MainForm->CheckTimer.SetEnabled(true);
    }
}

void ButtonController::ResumeRecordedTurbo() {
    if (ButtonGuardian::Instance().ResumeRecordedTurbo() != RecordedTurbo::Resumed) {
        return;
    }
    if (SettingsStore::Instance().GetStatusEnabled()) {
        OsdManager::Instance().ShowStatus();
    }
    SetTray(1);
}

void ButtonController::SelectCurrentAction() {
    const uint32_t index = SettingsStore::Instance().GetButtonAction();
    KeyAction* chosen = m_actions[index == 1 ? 1 : 0];
    if (chosen != m_current) {
        m_current = chosen;
        if (MainForm != nullptr) {
            MainForm->RefreshTrayTip();
        }
    }
}

void ButtonController::OnButtonPressed() {
    if (OsdManager::Instance().IsBusy()) {
        lumen::Trace("controller: an effect is running; the press is ignored");
        return;
    }
    SelectCurrentAction();
    m_current->Press();
}

TurboAnswer ButtonController::RequestTurbo(TurboRequest request) {
    return TurboAutomation::Instance().Manual(request);
}

TurboAutomationInterface* ButtonController::Automation() {
    return &TurboAutomation::Instance();
}

bool ButtonController::TurboIsOn() const {
    return kora::BtnContronLib::Instance().IsTurboOn();
}

bool ButtonController::ProfileUsable() const {
    return ButtonGuardian::Instance().ChosenProfileUsable();
}

bool ButtonController::TurboActionChosen() const {
    return m_current == &TurboAction::Instance();
}

std::vector<std::string> ButtonController::ProfileNames(int* chosen) const {
    kora::CombinedProfileList list = CurrentProfileList();
    *chosen = list.selected;
    return std::move(list.names);
}

std::string ButtonController::TrayProfileName() const {
    // A profile chosen while turbo is on is the next switch-on's.
    if (TurboIsOn()) {
        std::string applied = ButtonGuardian::Instance().AppliedProfileName();
        if (!applied.empty()) {
            return applied;
        }
    }
    // Without listing the profile folder: the tip is made at every switch.
    SettingsStore& store = SettingsStore::Instance();
    kora::BtnContronLib& lib = kora::BtnContronLib::Instance();
    const uint32_t type = store.GetProfileType();
    return type < lib.ProfileCount() ? lib.ProfileNameAt(type) : store.GetProfileName();
}

void ButtonController::ChooseProfile(int index, const std::string& name) {
    if (index < 0) {
        return;
    }
    // A running switch reads the profile: the choice changes after it, as Apply does.
    (void)OsdManager::Instance().WaitForSwitch();
    SettingsStore& store = SettingsStore::Instance();
    store.SetProfileType(static_cast<uint32_t>(index));
    store.SetProfileName(name);
    lumen::Trace("controller: profile %d (%s) chosen from the tray menu", index, name.c_str());
    // A closed settings window shows it when it opens next; an open one keeps what the
    // user is choosing there.
    if (SettingForm == nullptr || SettingForm->View().State() == SettingWindowState::Closed) {
        SettingView().LoadState();
    }
    if (MainForm != nullptr) {
        MainForm->RefreshTrayTip();
    }
}

bool ButtonController::SwitchRunning() const {
    return OsdManager::Instance().IsBusy();
}

HWND FindCompanionWindow() {
    return FindWindowA(kCompanionClass, kCompanionCaption);
}

bool TellSiblingToStandBack() {
    HWND sibling = nullptr;
    for (const char* caption : kSiblingCaptions) {
        sibling = FindWindowA(kCompanionClass, caption);
        if (sibling != nullptr) {
            break;
        }
    }
    if (sibling == nullptr) {
        return false;
    }
    PostMessageA(sibling, kora::kMessageStandBack, kora::kSignature, 0);
    return true;
}

void ButtonController::SwitchOn(void*, int) {
    // A sibling that keeps the processor in a power-saving level would fight the
    // raised clock: it is told to stand back first and given time to do so.
    if (kora::DormixLib::Instance().GetLevel() != 0 && TellSiblingToStandBack()) {
        Sleep(kStandBackWaitMs);
    }
    if (!ButtonGuardian::Instance().SwitchOn()) {
        // No turbo look, and the warning page that says the profile cannot be applied here.
        OsdManager::Instance().HideStatus();
        OsdManager::WarnAfterThisSwitch();
        return;
    }
    SettingsStore& store = SettingsStore::Instance();
    if (store.GetStatusEnabled()) {
        OsdManager::Instance().ShowStatus();
    }
    SetTray(1);
    if (NewFirmwareInterface()) {
        lumen::WinRegistry key;
        if (key.Open(HKEY_CURRENT_USER, kCalibrationKey, true)) {
            (void)key.WriteDword(kCalibrationValue, 1);
        }
    }
    lumen::Trace("controller: switched on");
}

void ButtonController::SwitchOff(void*, int) {
    ButtonGuardian::Instance().SwitchOff();
    OsdManager::Instance().HideStatus();
    SetTray(0);
    lumen::Trace("controller: switched off");
}

void ButtonController::OnValuesChangedElsewhere() {
    if (NewFirmwareInterface()) {
        lumen::Trace("controller: another program changed the values; kept (newer firmware interface)");
        return;
    }
    // A switch that finished after this would leave the turbo flag on again.
    if (!LetTheSwitchFinish("an announcement from elsewhere")) {
        return;
    }
    lumen::Trace("controller: another program changed the values; turbo forgotten");
    ButtonGuardian::Instance().ForgetTurbo();
    OsdManager::Instance().HideStatus();
    SetTray(0);
    TurboAutomation::Instance().ValuesChangedElsewhere();
}

void ButtonController::Suspend() {
    m_suspendWaiting = true;
    m_resumedWhileSuspendWaits = false;
    const bool settled = LetTheSwitchFinish("suspend");
    m_suspendWaiting = false;
    if (!settled) {
        m_savedForSleep = 0;
        return;
    }
    if (m_resumedWhileSuspendWaits) {
        m_resumedWhileSuspendWaits = false;
        RestoreAfterWakingDuringTheSwitch();
        return;
    }
    if (FindCompanionWindow() != nullptr) {
        lumen::Trace("controller: suspend: the companion tool runs; nothing saved");
        return;
    }
    kora::BtnContronLib& lib = kora::BtnContronLib::Instance();
    lib.SaveCurrentValues(&lib.SleepSet());
    m_switchesAtSuspend = lib.SwitchCount();
    m_savedForSleep = 1;
}

void ButtonController::Resume() {
    if (m_suspendWaiting) {
        // Nothing is saved yet, and values read from now on are those after the sleep.
        lumen::Trace("controller: resume while the suspend waits for the switch: handled after it");
        m_resumedWhileSuspendWaits = true;
        return;
    }
    const bool settled = LetTheSwitchFinish("resume");
    if (settled && FindCompanionWindow() == nullptr && m_savedForSleep == 1) {
        kora::BtnContronLib& lib = kora::BtnContronLib::Instance();
        if (lib.SwitchCount() != m_switchesAtSuspend) {
            // A switch ran after the suspend was handled (a press before the machine
            // went to sleep, its effect across the sleep): the values from before it are
            // no longer the ones in force, its own are.
            lumen::Trace("controller: resume: a switch ran since the suspend; its values are written back");
            lib.SleepSet().clear();
            lib.RestoreSwitchTarget();
        } else {
            lib.RestoreSavedValues(&lib.SleepSet());
        }
    }
    m_savedForSleep = 0;
}

void ButtonController::RestoreAfterWakingDuringTheSwitch() {
    m_savedForSleep = 0;
    if (!OsdManager::Instance().WaitForSwitch(0)) {
        // The switch writes its values itself, after the wake-up.
        lumen::Trace("controller: woken up during the switch, which still runs; nothing written back");
        return;
    }
    if (FindCompanionWindow() != nullptr) {
        lumen::Trace("controller: woken up during the switch: the companion tool runs; nothing written back");
        return;
    }
    // What was in force before the sleep is what the finished switch set; values read
    // now would be those after the sleep.
    lumen::Trace("controller: woken up during the switch: its values are written back");
    kora::BtnContronLib::Instance().RestoreSwitchTarget();
}

void ButtonController::FinishRunningSwitch() {
    LetTheSwitchFinish("the end");
}

void ButtonController::PrepareSettings() {
    if (SettingForm != nullptr) {
        SettingForm->MakeSkinAhead();
    }
}

void ButtonController::OpenSettings() {
    SettingView().Open();
    if (SettingForm == nullptr) {
        return;
    }
    HWND window = SettingForm->Handle();
    if (IsIconic(window)) {
        ShowWindow(window, SW_RESTORE);
    }
    HWND foreground = GetForegroundWindow();
    const DWORD foregroundThread = GetWindowThreadProcessId(foreground, nullptr);
    const DWORD ownThread = GetWindowThreadProcessId(window, nullptr);
    const bool attach = foreground != nullptr && foregroundThread != ownThread &&
                        AttachThreadInput(ownThread, foregroundThread, TRUE) != FALSE;
    AllowSetForegroundWindow(ASFW_ANY);
    SetForegroundWindow(window);
    BringWindowToTop(window);
    if (attach) {
        AttachThreadInput(ownThread, foregroundThread, FALSE);
    }
    if (GetForegroundWindow() != window) {
        // The system refuses the foreground to a program the user is not working with
        // while its lock timeout runs; it is lifted for the time of the call.
        DWORD timeout = 0;
        SystemParametersInfoA(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &timeout, 0);
        SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, nullptr, SPIF_SENDCHANGE);
        BringWindowToTop(window);
        SetForegroundWindow(window);
        SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, reinterpret_cast<void*>(static_cast<uintptr_t>(timeout)),
                              SPIF_SENDCHANGE);
    }
    ShowWindow(window, IsIconic(window) ? SW_RESTORE : SW_SHOW);
}

void ButtonController::ChooseLanguage(const std::string& name) {
    SettingsStore::Instance().SetLanguage(name);
    MultiLang& lang = MultiLang::Instance();
    lang.SetChosenLanguage(name);
    lumen::Trace("controller: language chosen: %s, in force: %s", name.empty() ? "the system's" : name.c_str(),
                 lang.LanguageName().c_str());
    if (SettingForm != nullptr) {
        SettingForm->LanguageChanged();
    }
    OsdDisplay::Instance().ForgetWarningPage();
    if (PwrBtnChangeFrom != nullptr) {
        PwrBtnChangeFrom->LanguageChanged();
    }
    if (MainForm != nullptr) {
        MainForm->RefreshTrayTip();
    }
}

void ButtonController::CheckPowerButtonConfiguration() {
    if (!ButtonGuardian::Instance().CheckConfiguration()) {
        return;
    }
    lumen::Trace("controller: the power-button configuration was changed elsewhere");
    if (MainForm != nullptr) {
        MainForm->CheckTimer.SetEnabled(false);
    }
    SettingView().LoadState();
    if (PwrBtnChangeFrom != nullptr) {
        PwrBtnChangeFrom->ShowText("PowBtnConfigAltered");
    }
    if (MainForm != nullptr) {
        MainForm->CheckTimer.SetEnabled(true);
    }
}

}  // namespace surgepad
