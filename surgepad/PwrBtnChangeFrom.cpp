#include "surgepad/PwrBtnChangeFrom.h"

#include "surgepad/PwrBtnChangeShadow.h"

namespace surgepad {

TPwrBtnChangeFrom* PwrBtnChangeFrom = nullptr;

namespace {
ui::FormLayout Layout() {
    ui::FormLayout layout;
    layout.className = "TPwrBtnChangeFrom";
    layout.name = "PwrBtnChangeFrom";
    layout.caption = "PwrBtnChangeFrom";
    layout.clientWidth = 329;
    layout.clientHeight = 238;
    layout.exStyleAdd = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
    layout.exStyleRemove = WS_EX_APPWINDOW;
    return layout;
}
}  // namespace

TPwrBtnChangeFrom::TPwrBtnChangeFrom() : ui::Form(Layout()) {}

TPwrBtnChangeFrom::~TPwrBtnChangeFrom() {
    DestroyHandle();
}

void TPwrBtnChangeFrom::FormMove() {
    if (PwrBtnChangeShadow != nullptr) {
        PwrBtnChangeShadow->MoveTo(Left(), Top());
    }
}

}  // namespace surgepad
