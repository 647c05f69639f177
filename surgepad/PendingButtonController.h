#pragma once
// The controller the program runs with until the button controller proper lands:
// it connects the tray icon's click and starts the check timer, and otherwise
// leaves each event to the main window's trace.

#include "surgepad/ButtonControllerInterface.h"

namespace surgepad {

class PendingButtonController final : public ButtonControllerInterface {
public:
    void Initialise() override;
    void OnButtonPressed() override {}
    void OnValuesChangedElsewhere() override {}
    void Suspend() override {}
    void Resume() override {}
    void OpenSettings() override {}
    void CheckPowerButtonConfiguration() override {}
};

}  // namespace surgepad
