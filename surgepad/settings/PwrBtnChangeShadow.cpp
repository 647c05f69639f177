#include "surgepad/settings/PwrBtnChangeShadow.h"

namespace surgepad {

TPwrBtnChangeShadow* PwrBtnChangeShadow = nullptr;

TPwrBtnChangeShadow::TPwrBtnChangeShadow(ui::Form& owner)
    : TShadowForm(ShadowLayout{"TPwrBtnChangeShadow", "PwrBtnChangeShadow", 329, 238}, owner) {}

}  // namespace surgepad
