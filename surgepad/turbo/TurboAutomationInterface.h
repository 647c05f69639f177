#pragma once
// What the main window asks of automatic turbo: the tray menu's "Turbo for" and
// "Automatic turbo", the reason the tip names, -turbo's records, the power status
// and the program's end. All on the GUI thread.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace surgepad {

// The state the two submenus show.
struct AutomationMenu {
    std::vector<std::string> programs;  // listed, each a checked item
    std::string candidate;              // "Add NAME": the program last in front, not listed; "" none
    bool timedEnabled = true;           // "Turbo for" can be chosen now
    bool gameModeAvailable = false;     // the system reports the effective power mode
    bool gameMode = false;
    bool offOnBattery = true;
};

class TurboAutomationInterface {
public:
    virtual ~TurboAutomationInterface() = default;

    virtual AutomationMenu Menu() = 0;
    // "Turbo for": counts from now.
    virtual void TurboFor(int64_t seconds) = 0;
    virtual void AddProgram(const std::string& name) = 0;
    virtual void RemoveProgram(const std::string& name) = 0;
    virtual void SetGameModeRule(bool on) = 0;
    virtual void SetOffOnBattery(bool on) = 0;
    // What the tip adds after "turbo on (PROFILE)": "while game.exe runs", "for 25 min
    // more"; empty while turbo is off or held by hand.
    virtual std::string TipReason() = 0;
    // A -turbo record (WM_COPYDATA) from the command whose reply window is `reply`: the
    // answer (an encoded reply).
    virtual LRESULT CommandReceived(const void* data, size_t size, HWND reply) = 0;
    // WM_POWERBROADCAST's power status change, or a resume.
    virtual void PowerStatusChanged() = 0;
    // The program has begun to end: commands are refused from now on.
    virtual void Ending() = 0;
};

}  // namespace surgepad
