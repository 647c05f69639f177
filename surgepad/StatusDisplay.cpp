#include "surgepad/StatusDisplay.h"

#include "surgepad/PngReader.h"
#include "surgepad/Screens.h"
#include "surgepad/StatusForm.h"
#include "ui/Scale.h"

namespace surgepad {

StatusDisplay& StatusDisplay::Instance() {
    static auto* display = new StatusDisplay;
    return *display;
}

void StatusDisplay::Load() {
    LoadFrom(ResourceFolder() + kStatusPictureFile);
}

void StatusDisplay::LoadFrom(const std::string& path) {
    m_picture.SetPixelFormat(lumen::PixelFormat::Bgra32);
    (void)LoadPngFile(path, m_picture);
    m_layered.SetClickThrough(true);
    m_layered.SetPerPixel(true);
    if (StatusForm == nullptr) {
        return;
    }
    m_layered.Update(StatusForm->Handle(), m_picture);
    StatusForm->SetClientSize(m_picture.Width(), m_picture.Height());
}

POINT StatusDisplay::Position(int screenWidth, int width) {
    return POINT{screenWidth - width - ui::Px(kStatusMargin), ui::Px(kStatusMargin)};
}

void StatusDisplay::ShowAt(uint8_t alpha) {
    if (StatusForm == nullptr) {
        return;
    }
    // At the top-right corner of the monitor the user is looking at.
    const MonitorPlace monitor = MonitorInView(StatusForm->Handle());
    const POINT corner = Position(monitor.area.Width(), StatusForm->ClientWidth());
    const POINT at{monitor.area.left + corner.x, monitor.area.top + corner.y};
    StatusForm->MoveTo(at.x, at.y);
    m_layered.SetAlphaEnabled(true);
    m_layered.SetAlpha(alpha);
    m_layered.Update(StatusForm->Handle(), m_picture);
    StatusForm->Show();
}

void StatusDisplay::SetAlpha(uint8_t alpha) {
    if (StatusForm == nullptr) {
        return;
    }
    m_layered.SetAlphaEnabled(true);
    m_layered.SetAlpha(alpha);
    m_layered.Update(StatusForm->Handle(), m_picture);
}

void StatusDisplay::Hide() {
    if (StatusForm != nullptr) {
        StatusForm->Hide();
    }
}

}  // namespace surgepad
