#pragma once

#include <string>
#include <vector>
// What the main window asks of the button controller. The main window routes every
// received event to one of these operations; all run on the GUI thread.

namespace surgepad {

// Turbo asked for from the tray menu or the command line.
enum class TurboRequest { On, Off, Toggle };
// Switching: the switch started (display and badge as for a press); AlreadySo: nothing
// to do; Busy: a switch runs; Unusable: the chosen profile cannot be applied (the
// warning shows, as for a press); OnBattery: refused on battery (a warning of its own).
enum class TurboAnswer { Switching, AlreadySo, Busy, Unusable, OnBattery };

class TurboAutomationInterface;

class ButtonControllerInterface {
public:
    virtual ~ButtonControllerInterface() = default;

    // Once, from the main window's start-up operation, after every window exists.
    virtual void Initialise() = 0;
    // Broadcast command 0x22 with lParam 0.
    virtual void OnButtonPressed() = 0;
    // Broadcast command 0x23 from another program.
    virtual void OnValuesChangedElsewhere() = 0;
    // Power broadcast 4.
    virtual void Suspend() = 0;
    // Power broadcast 7 or 6.
    virtual void Resume() = 0;
    // Left click on the tray icon; private commands 1026 and 1027.
    virtual void OpenSettings() = 0;
    // CheckTimer, every 5000 ms.
    virtual void CheckPowerButtonConfiguration() = 0;
    // The button action stored in the settings is the one a press follows from now on.
    virtual void SelectCurrentAction() {}
    // Tray menu and command line: the switch a press runs under the turbo action,
    // whichever action the button has.
    virtual TurboAnswer RequestTurbo(TurboRequest) { return TurboAnswer::Busy; }
    virtual bool TurboIsOn() const { return false; }
    virtual bool SwitchRunning() const { return false; }
    virtual bool ProfileUsable() const { return false; }
    virtual bool TurboActionChosen() const { return false; }
    // The profiles as the settings window lists them (firmware profiles, then the
    // files), and the chosen one's index (-1: none).
    virtual std::vector<std::string> ProfileNames(int* chosen) const {
        *chosen = -1;
        return {};
    }
    // The profile the tray names: the one in force while turbo is on, else the chosen
    // one ("" for none).
    virtual std::string TrayProfileName() const { return {}; }
    // Entry `index` of ProfileNames chosen, stored as Apply stores it.
    virtual void ChooseProfile(int, const std::string&) {}
    // The language of the program's texts chosen in the tray menu ("" for the system's),
    // stored and in force at once in every window and the tray.
    virtual void ChooseLanguage(const std::string&) {}
    // Automatic turbo: the tray menu's submenus, the tip's reason, -turbo's records;
    // none without it.
    virtual TurboAutomationInterface* Automation() { return nullptr; }
};

// The program's controller (process-wide, created on first use, never destroyed).
ButtonControllerInterface& Controller();

}  // namespace surgepad
