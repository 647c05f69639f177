#pragma once
// What the main window asks of the button controller. The main window routes every
// received event to one of these operations; all run on the GUI thread.

namespace surgepad {

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
};

// The program's controller (process-wide, created on first use, never destroyed).
ButtonControllerInterface& Controller();

}  // namespace surgepad
