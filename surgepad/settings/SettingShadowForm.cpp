#include "surgepad/settings/SettingShadowForm.h"

#include "ui/Scale.h"

namespace surgepad {

TSettingShadowForm* SettingShadowForm = nullptr;

TSettingShadowForm::TSettingShadowForm(ui::Form& owner)
    : TShadowForm(ShadowLayout{"TSettingShadowForm", "SettingShadowForm", ui::Px(329), ui::Px(373)}, owner) {}

void TSettingShadowForm::Prepare() {
    PrepareShadow(kSettingShadowPicture);
}

}  // namespace surgepad
