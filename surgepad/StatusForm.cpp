#include "surgepad/StatusForm.h"

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
    DestroyHandle();
}

void TStatusForm::FormShow() {
    ui::App().HideApplicationWindow();
}

}  // namespace surgepad
