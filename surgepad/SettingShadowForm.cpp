#include "surgepad/SettingShadowForm.h"

#include "ui/Application.h"

namespace surgepad {

TSettingShadowForm* SettingShadowForm = nullptr;

namespace {
ui::FormLayout Layout(ui::Form& owner) {
    ui::FormLayout layout;
    layout.className = "TSettingShadowForm";
    layout.name = "SettingShadowForm";
    layout.caption = "SettingShadowForm";
    layout.clientWidth = 329;
    layout.clientHeight = 373;
    layout.owner = owner.Handle();
    return layout;
}
}  // namespace

TSettingShadowForm::TSettingShadowForm(ui::Form& owner) : ui::Form(Layout(owner)), m_owner(owner) {}

TSettingShadowForm::~TSettingShadowForm() {
    DestroyHandle();
}

void TSettingShadowForm::Prepare() {
    MoveTo(m_owner.Left(), m_owner.Top());
}

void TSettingShadowForm::FormShow() {
    ui::App().HideApplicationWindow();
}

}  // namespace surgepad
