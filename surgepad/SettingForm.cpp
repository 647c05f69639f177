#include "surgepad/SettingForm.h"

#include "surgepad/SettingShadowForm.h"

namespace surgepad {

TSettingForm* SettingForm = nullptr;

namespace {
ui::FormLayout Layout() {
    ui::FormLayout layout;
    layout.className = "TSettingForm";
    layout.name = "SettingForm";
    layout.caption = "SettingForm";
    layout.clientWidth = 329;
    layout.clientHeight = 373;
    layout.exStyleAdd = WS_EX_TOPMOST;
    return layout;
}
}  // namespace

TSettingForm::TSettingForm() : ui::Form(Layout()) {}

TSettingForm::~TSettingForm() {
    DestroyHandle();
}

void TSettingForm::FormMove() {
    // The drop shadow follows the window.
    if (SettingShadowForm != nullptr) {
        SettingShadowForm->FollowOwner(Left(), Top());
    }
}

}  // namespace surgepad
