#pragma once
// TSettingForm: the settings window. Created hidden at start-up; its skin, controls
// and animations are built by the settings window's own code.

#include "ui/Form.h"

namespace surgepad {

class TSettingForm : public ui::Form {
public:
    TSettingForm();
    ~TSettingForm() override;

protected:
    void FormMove() override;
};

extern TSettingForm* SettingForm;

}  // namespace surgepad
