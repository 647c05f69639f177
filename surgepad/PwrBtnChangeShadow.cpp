#include "surgepad/PwrBtnChangeShadow.h"

#include "ui/Application.h"

namespace surgepad {

TPwrBtnChangeShadow* PwrBtnChangeShadow = nullptr;

namespace {
ui::FormLayout Layout(ui::Form& owner) {
    ui::FormLayout layout;
    layout.className = "TPwrBtnChangeShadow";
    layout.name = "PwrBtnChangeShadow";
    layout.caption = "PwrBtnChangeShadow";
    layout.clientWidth = 329;
    layout.clientHeight = 238;
    layout.owner = owner.Handle();
    return layout;
}
}  // namespace

TPwrBtnChangeShadow::TPwrBtnChangeShadow(ui::Form& owner) : ui::Form(Layout(owner)) {}

TPwrBtnChangeShadow::~TPwrBtnChangeShadow() {
    DestroyHandle();
}

void TPwrBtnChangeShadow::FormShow() {
    ui::App().HideApplicationWindow();
}

}  // namespace surgepad
