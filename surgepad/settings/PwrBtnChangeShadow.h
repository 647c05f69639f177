#pragma once
// TPwrBtnChangeShadow: the power-button dialog's drop-shadow window, owned by it and
// moved with it. Nothing prepares or shows it, so it stays invisible.

#include "surgepad/settings/ShadowForm.h"

namespace surgepad {

class TPwrBtnChangeShadow : public TShadowForm {
public:
    explicit TPwrBtnChangeShadow(ui::Form& owner);
};

extern TPwrBtnChangeShadow* PwrBtnChangeShadow;

}  // namespace surgepad
