#include "surgepad/settings/SettingShadowForm.h"

#include "surgepad/settings/SettingForm.h"

namespace surgepad {

TSettingShadowForm* SettingShadowForm = nullptr;

TSettingShadowForm::TSettingShadowForm(ui::Form& owner)
    : TShadowForm(ShadowLayout{"TSettingShadowForm", "SettingShadowForm", kSettingWidth, kSettingHeight}, owner) {}

void TSettingShadowForm::Prepare() {
    PrepareShadow(kSettingShadowPicture);
}

}  // namespace surgepad
