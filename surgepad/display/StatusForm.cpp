#include "surgepad/display/StatusForm.h"

#include <shellapi.h>

#include "lumen/core/DebugTrace.h"
#include "ui/Application.h"

namespace surgepad {

TStatusForm* StatusForm = nullptr;

namespace {
ui::FormLayout Layout() {
    ui::FormLayout layout;
    layout.className = "TStatusForm";
    layout.name = "StatusForm";
    layout.caption = "StatusForm";
    layout.clientWidth = 121;
    layout.clientHeight = 91;
    // Never takes the focus, never a taskbar button.
    layout.exStyleAdd = WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
    layout.exStyleRemove = WS_EX_APPWINDOW;
    return layout;
}
}  // namespace

TStatusForm::TStatusForm() : ui::Form(Layout()) {}

TStatusForm::~TStatusForm() {
    ListenForFullScreen(false);
    DestroyHandle();
}

void TStatusForm::ListenForFullScreen(bool listen) {
    if (listen == m_appBar || !HandleAllocated()) {
        return;
    }
    APPBARDATA bar{};
    bar.cbSize = sizeof bar;
    bar.hWnd = Handle();
    bar.uCallbackMessage = kAppBarMessage;
    if (listen) {
        m_appBar = SHAppBarMessage(ABM_NEW, &bar) != FALSE;
        if (!m_appBar) {
            lumen::Trace("status: the shell takes no application bar; the window in front decides alone");
        }
    } else {
        (void)SHAppBarMessage(ABM_REMOVE, &bar);
        m_appBar = false;
    }
}

LRESULT TStatusForm::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kAppBarMessage) {
        if (wParam == ABN_FULLSCREENAPP) {
            OnFullScreenNotice();
        }
        return 0;
    }
    return ui::Form::WndProc(message, wParam, lParam);
}

void TStatusForm::FormShow() {
    ui::App().HideApplicationWindow();
}

}  // namespace surgepad
