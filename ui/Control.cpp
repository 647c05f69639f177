#include "ui/Control.h"

#include "lumen/graphics/Dpi.h"
#include "ui/Scale.h"
#include "ui/ThreadCheck.h"
#include "ui/WinControl.h"

namespace ui {

Control::Control(WinControl* parent) : m_parent(parent) {
    UI_EXPECT_GUI_THREAD();
    if (m_parent != nullptr) {
        m_parent->AddControl(this);
    }
}

int Control::Dpi() const {
    return m_parent != nullptr ? m_parent->Dpi() : SystemDpi();
}

int Control::Px(int pixels) const {
    return lumen::ScaleToDpi(pixels, Dpi());
}

Control::~Control() {
    UI_EXPECT_GUI_THREAD();
    if (m_parent != nullptr) {
        m_parent->RemoveControl(this);
    }
}

void Control::SetBounds(int left, int top, int width, int height) {
    UI_EXPECT_GUI_THREAD();
    CanResize(width, height);
    const RECT wanted = {left, top, left + width, top + height};
    if (EqualRect(&wanted, &m_bounds)) {
        return;
    }
    if (!IsWindowed()) {
        Invalidate();  // the old area
    }
    m_bounds = wanted;
    ApplyBounds();
    if (!IsWindowed()) {
        Invalidate();
    }
    if (m_parent != nullptr && !m_hint.empty()) {
        m_parent->UpdateTool(*this);
    }
    Resized();
}

void Control::SetVisible(bool visible) {
    UI_EXPECT_GUI_THREAD();
    if (visible == m_visible) {
        return;
    }
    m_visible = visible;
    ApplyVisible();
    if (!IsWindowed() && m_parent != nullptr) {
        m_parent->Invalidate();
    }
    VisibleChanged();
}

void Control::SetEnabled(bool enabled) {
    UI_EXPECT_GUI_THREAD();
    if (enabled == m_enabled) {
        return;
    }
    m_enabled = enabled;
    ApplyEnabled();
    EnabledChanged();
    Invalidate();
}

void Control::SetHint(const std::string& hint) {
    if (hint == m_hint) {
        return;
    }
    m_hint = hint;
    if (m_parent != nullptr) {
        m_parent->UpdateTool(*this);
    }
}

void Control::Invalidate() {
    if (m_parent != nullptr && m_parent->HandleAllocated()) {
        InvalidateRect(m_parent->Handle(), &m_bounds, FALSE);
    }
}

void Control::Update() {
    if (m_parent != nullptr && m_parent->HandleAllocated()) {
        UpdateWindow(m_parent->Handle());
    }
}

void Control::Click() {
    OnClick(*this);
}

void Control::DblClick() {
    OnDblClick(*this);
}

GraphicControl::GraphicControl(WinControl& parent) : Control(&parent) {}

}  // namespace ui
