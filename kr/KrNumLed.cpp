#include "kr/KrNumLed.h"

#include "kr/KrNumLed_imp.h"

namespace kr {

void KrLedColors::Assign(const KrLedColors& other) {
    m_light = other.m_light;
    m_dark = other.m_dark;
    m_background = other.m_background;
    m_transparent = other.m_transparent;
    OnChange();
}

KrNumLed::KrNumLed(ui::WinControl& parent, int left, int top, int width, int height)
    : ui::GraphicControl(parent), m_imp(std::make_unique<KrNumLed_imp>(parent)) {
    SetBounds(left, top, width, height);
}

KrNumLed::~KrNumLed() = default;

lumen::NumLedType KrNumLed::GetType() const {
    return m_imp->Model().Type();
}

void KrNumLed::SetType(lumen::NumLedType type) {
    m_imp->Model().SetType(type);
}

bool KrNumLed::GetZeroLeading() const {
    return m_imp->Model().ZeroLeading();
}

void KrNumLed::SetZeroLeading(bool zeroLeading) {
    m_imp->Model().SetZeroLeading(zeroLeading);
}

bool KrNumLed::GetKeepRatio() const {
    return m_imp->KeepRatio();
}

void KrNumLed::SetKeepRatio(bool keepRatio) {
    m_imp->SetKeepRatio(keepRatio);
    SetBounds(Left(), Top(), Width(), Height());
}

const std::string& KrNumLed::GetFormat() const {
    return m_imp->Model().Format();
}

void KrNumLed::SetFormat(const std::string& format) {
    if (m_imp->Model().SetFormat(format)) {
        m_imp->Rescale();
    }
}

bool KrNumLed::GetTransparent() const {
    return m_imp->Display().Transparent();
}

void KrNumLed::SetTransparent(bool transparent) {
    m_imp->Display().SetTransparent(transparent);
    m_imp->Paint();
}

KrLedColors& KrNumLed::LedColors() {
    return m_imp->Colors();
}

void KrNumLed::SetValue(double value) {
    if (m_imp->Model().SetValue(value)) {
        m_imp->Paint();
    }
}

void KrNumLed::SetValue(lumen::LedDateTime value) {
    if (m_imp->Model().SetValue(value)) {
        m_imp->Paint();
    }
}

bool KrNumLed::GetValue(double& value) const {
    return m_imp->Model().GetValue(value);
}

lumen::LedDateTime KrNumLed::GetValue() const {
    return m_imp->Model().GetDateTime();
}

void KrNumLed::On(int index) {
    m_imp->Model().On(index);
    m_imp->Paint();
}

void KrNumLed::Off(int index) {
    m_imp->Model().Off(index);
    m_imp->Paint();
}

void KrNumLed::Repaint() {
    m_imp->Paint();
}

void KrNumLed::SetBounds(int left, int top, int width, int height) {
    const lumen::Size size = m_imp->Fit(width, height);
    m_imp->Place(left, top, size.width, size.height);
    ui::GraphicControl::SetBounds(left, top, size.width, size.height);
}

const lumen::NumLedModel& KrNumLed::Model() const {
    return m_imp->Model();
}

ui::GraphicControl& KrNumLed::DisplayImage() {
    return m_imp->Display().Image();
}

void KrNumLed::VisibleChanged() {
    m_imp->Display().Image().SetVisible(Visible());
}

}  // namespace kr
