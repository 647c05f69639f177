#pragma once
// TSettingShadowForm: the drop shadow of the settings window, a pop-up owned by it.

#include "ui/Form.h"

namespace surgepad {

class TSettingShadowForm : public ui::Form {
public:
    explicit TSettingShadowForm(ui::Form& owner);
    ~TSettingShadowForm() override;

    // Once at start-up, after every window exists: takes the settings window's place.
    void Prepare();

protected:
    void FormShow() override;

private:
    ui::Form& m_owner;
};

extern TSettingShadowForm* SettingShadowForm;

}  // namespace surgepad
