#pragma once
// TOsdForm: the on-screen display in the middle of the screen.

#include "ui/Form.h"

namespace surgepad {

class TOsdForm : public ui::Form {
public:
    TOsdForm();
    ~TOsdForm() override;
};

extern TOsdForm* OsdForm;

}  // namespace surgepad
