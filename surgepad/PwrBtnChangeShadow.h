#pragma once
// TPwrBtnChangeShadow: the dialog's drop shadow, owned by it; never shown.

#include "ui/Form.h"

namespace surgepad {

class TPwrBtnChangeShadow : public ui::Form {
public:
    explicit TPwrBtnChangeShadow(ui::Form& owner);
    ~TPwrBtnChangeShadow() override;

protected:
    void FormShow() override;
};

extern TPwrBtnChangeShadow* PwrBtnChangeShadow;

}  // namespace surgepad
