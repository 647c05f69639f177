#pragma once
// TPwrBtnChangeFrom: the dialog telling that the power-button configuration was
// changed elsewhere; non-modal, topmost, no taskbar button.

#include "ui/Form.h"

namespace surgepad {

class TPwrBtnChangeFrom : public ui::Form {
public:
    TPwrBtnChangeFrom();
    ~TPwrBtnChangeFrom() override;

protected:
    void FormMove() override;
};

extern TPwrBtnChangeFrom* PwrBtnChangeFrom;

}  // namespace surgepad
