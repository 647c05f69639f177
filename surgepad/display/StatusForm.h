#pragma once
// TStatusForm: the translucent status badge in the top-right corner.

#include "ui/Application.h"
#include "ui/Form.h"

namespace surgepad {

class TStatusForm : public ui::Form {
public:
    TStatusForm();
    ~TStatusForm() override;

    // While the badge is wanted the form is an application bar of the shell's, which
    // then tells it when a full-screen application opens or closes (ABN_FULLSCREENAPP);
    // no space of the screen is asked for.
    void ListenForFullScreen(bool listen);
    static constexpr UINT kAppBarMessage = WM_APP + 0x41;
    // A full-screen application opened or closed, as the shell says.
    ui::Notify OnFullScreenNotice;

protected:
    void FormShow() override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    bool m_appBar = false;
};

extern TStatusForm* StatusForm;

}  // namespace surgepad
