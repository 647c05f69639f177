#include "surgepad/SettingShadowForm.h"

namespace surgepad {

TSettingShadowForm* SettingShadowForm = nullptr;

TSettingShadowForm::TSettingShadowForm(ui::Form& owner)
    : TShadowForm(ShadowLayout{"TSettingShadowForm", "SettingShadowForm", 329, 373}, owner) {}

void TSettingShadowForm::Prepare() {
    PrepareShadow(kSettingShadowPicture);
}

}  // namespace surgepad
