#include "surgepad/PendingButtonController.h"

#include "surgepad/MainForm.h"

namespace surgepad {

void PendingButtonController::Initialise() {
    if (MainForm == nullptr) {
        return;
    }
    MainForm->TrayIcon().OnClick = ui::Callback<>::Of<&ButtonControllerInterface::OpenSettings>(
        static_cast<ButtonControllerInterface*>(this));
    MainForm->CheckTimer.SetEnabled(true);
}

ButtonControllerInterface& Controller() {
    static auto* controller = new PendingButtonController;
    return *controller;
}

}  // namespace surgepad
