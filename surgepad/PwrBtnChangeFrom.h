#pragma once
// TPwrBtnChangeFrom: the dialog telling that the power-button configuration was
// changed elsewhere; non-modal, topmost, no taskbar button.

#include <string>

#include "ui/Form.h"

namespace surgepad {

class TPwrBtnChangeFrom : public ui::Form {
public:
    TPwrBtnChangeFrom();
    ~TPwrBtnChangeFrom() override;

    // Shows `text` without waiting for the user: topmost, at the screen's top-left.
    void ShowMessage(const std::string& text);
    const std::string& Message() const { return m_message; }

protected:
    void FormMove() override;
    void Paint(HDC dc, const RECT& area) override;

private:
    std::string m_message;
};

extern TPwrBtnChangeFrom* PwrBtnChangeFrom;

}  // namespace surgepad
