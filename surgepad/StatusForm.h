#pragma once
// TStatusForm: the translucent status badge in the top-right corner.

#include "ui/Form.h"

namespace surgepad {

class TStatusForm : public ui::Form {
public:
    TStatusForm();
    ~TStatusForm() override;

protected:
    void FormShow() override;
};

extern TStatusForm* StatusForm;

}  // namespace surgepad
