#include "surgepad/settings/ShadowForm.h"

#include "surgepad/look/PngReader.h"
#include "ui/Application.h"

namespace surgepad {
namespace {
ui::FormLayout Layout(const ShadowLayout& shadow, ui::Form& owner) {
    ui::FormLayout layout;
    layout.className = shadow.className;
    layout.name = shadow.name;
    layout.caption = shadow.name;
    layout.clientWidth = owner.Px(shadow.clientWidth);
    layout.clientHeight = owner.Px(shadow.clientHeight);
    layout.dpi = owner.Dpi();
    // Shown beside a window the user works with, it must never take the activation
    // away from it.
    layout.exStyleAdd = WS_EX_NOACTIVATE;
    layout.owner = owner.Handle();
    return layout;
}
}  // namespace

TShadowForm::TShadowForm(const ShadowLayout& layout, ui::Form& owner)
    : ui::Form(Layout(layout, owner)), Background(*this), m_owner(owner) {}

TShadowForm::~TShadowForm() {
    DestroyHandle();
}

void TShadowForm::PrepareShadow(const std::string& name) {
    Background.Picture().SetPixelFormat(lumen::PixelFormat::Bgra32);
    m_layered.SetClickThrough(true);
    m_layered.SetAlphaEnabled(true);
    PrepareShadowBitmap(Background.Picture(), name, Dpi());
    (void)m_layered.Update(Handle(), Background.Picture());
    MoveTo(m_owner.Left(), m_owner.Top());
}

void TShadowForm::SetShadowAlpha(uint8_t alpha) {
    m_layered.SetAlpha(alpha);
    (void)m_layered.Update(Handle(), Background.Picture());
}

void TShadowForm::FormShow() {
    ui::App().HideApplicationWindow();
}

}  // namespace surgepad
