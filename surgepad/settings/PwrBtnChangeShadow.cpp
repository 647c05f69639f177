#include "surgepad/settings/PwrBtnChangeShadow.h"

#include "ui/Scale.h"

namespace surgepad {

TPwrBtnChangeShadow* PwrBtnChangeShadow = nullptr;

TPwrBtnChangeShadow::TPwrBtnChangeShadow(ui::Form& owner)
    : TShadowForm(ShadowLayout{"TPwrBtnChangeShadow", "PwrBtnChangeShadow", ui::Px(329), ui::Px(238)}, owner) {}

}  // namespace surgepad
