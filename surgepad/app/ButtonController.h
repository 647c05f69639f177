#pragma once
// ButtonController: what a press of the power button does, the two button actions,
// the overclocking values kept across sleep, the settings window's opening and the
// watch on the system's power-button configuration.
//
// The GUI thread runs every event handler; SwitchOn and SwitchOff run on the on-screen
// display's animation thread once its effect has finished, before the busy flag
// clears, so a press that comes meanwhile is ignored.

#include <windows.h>

#include <cstdint>

#include "surgepad/button/ButtonControllerInterface.h"
#include "surgepad/settings/SettingViewInterface.h"
#include "surgepad/button/SwitchTimes.h"

namespace surgepad {

inline constexpr char kCompanionClass[] = "TMainForm";
inline constexpr char kCompanionCaption[] = "Tunewise";
inline constexpr const char* kSiblingCaptions[] = {"Hexamotor", "Tetramotor"};
inline constexpr DWORD kStandBackWaitMs = kStandBackMs;
inline constexpr char kCalibrationKey[] = "Software\\KORA\\Pacely3\\Advance";
inline constexpr char kCalibrationValue[] = "CalibrationNeeded";

class KeyAction {
public:
    virtual ~KeyAction() = default;
    virtual void Press() = 0;
};

// Index 0: the button keeps its system function; a press does nothing here.
class PowerAction final : public KeyAction {
public:
    static PowerAction& Instance();
    void Press() override {}
};

// Index 1: every press switches the overclocking profile on or off.
class TurboAction final : public KeyAction {
public:
    static TurboAction& Instance();
    void Press() override;
};

// The firmware speaks the newer interface (version 3 or more): asked once, then kept.
bool NewFirmwareInterface();

class ButtonController final : public ButtonControllerInterface {
public:
    static ButtonController& Instance();

    void Initialise() override;
    void OnButtonPressed() override;
    void OnValuesChangedElsewhere() override;
    void Suspend() override;
    void Resume() override;
    void OpenSettings() override;
    void CheckPowerButtonConfiguration() override;
    TurboAnswer RequestTurbo(TurboRequest request) override;
    bool TurboIsOn() const override;
    bool SwitchRunning() const override;
    bool ProfileUsable() const override;
    bool TurboActionChosen() const override;
    std::vector<std::string> ProfileNames(int* chosen) const override;
    std::string TrayProfileName() const override;
    void ChooseProfile(int index, const std::string& name) override;
    void ChooseLanguage(const std::string& name) override;
    TurboAutomationInterface* Automation() override;
    // Before the windows go (the close command, the end of the session): lets a
    // running switch finish, waiting at most kSwitchFinishWaitMs. GUI thread.
    void FinishRunningSwitch();
    // At start: a profile that an earlier run left on is taken up again.
    void ResumeRecordedTurbo();

    // The pointer is on the tray icon: the settings window's skin is made now, so that a
    // first click opens it as fast as later ones.
    void PrepareSettings();
    void SelectCurrentAction() override;
    // Plays the switch on or off with the stored display options; the firmware is
    // written when the effect has run. Switching on needs a usable profile.
    void PlaySwitch(bool on);
    KeyAction& CurrentAction() const { return *m_current; }
    bool SavedForSleep() const { return m_savedForSleep != 0; }

    // Completion actions of the switch effects (animation thread; second argument 0).
    static void SwitchOn(void* context, int unused);
    static void SwitchOff(void* context, int unused);

private:
    // The machine slept and woke up while a suspend waited for a switch.
    void RestoreAfterWakingDuringTheSwitch();

    KeyAction* m_current = &PowerAction::Instance();
    KeyAction* m_actions[2] = {&PowerAction::Instance(), &TurboAction::Instance()};
    uint8_t m_savedForSleep = 0;
    // A suspend waits for a running switch and handles messages meanwhile, so the
    // resume can come inside that wait; the suspend then does the resume's work.
    bool m_suspendWaiting = false;
    bool m_resumedWhileSuspendWaits = false;
    // The firmware side's count of switches when the suspend saved the values.
    uint32_t m_switchesAtSuspend = 0;
};

// The companion tool's main window, or null.
HWND FindCompanionWindow();
// Tells the sibling power-saving utility (first "Hexamotor", else "Tetramotor") to
// stand back; true when one was told.
bool TellSiblingToStandBack();

}  // namespace surgepad
