#include "surgepad/display/StatusDisplay.h"

#include "lumen/core/DebugTrace.h"
#include "surgepad/look/PngReader.h"
#include "surgepad/look/Screens.h"
#include "surgepad/display/StatusForm.h"
#include "lumen/graphics/Dpi.h"
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
    m_path = path;
    // The picture is made at the window's DPI.
    m_dpi = StatusForm != nullptr ? StatusForm->Dpi() : ui::SystemDpi();
    m_picture.SetPixelFormat(lumen::PixelFormat::Bgra32);
    (void)LoadPngFile(path, m_picture, m_dpi);
    m_layered.SetClickThrough(true);
    m_layered.SetPerPixel(true);
    if (StatusForm == nullptr) {
        return;
    }
    m_layered.Update(StatusForm->Handle(), m_picture);
    StatusForm->SetClientSize(m_picture.Width(), m_picture.Height());
}

POINT StatusDisplay::Position(int screenWidth, int width, int dpi) {
    const int margin = lumen::ScaleToDpi(kStatusMargin, dpi);
    return POINT{screenWidth - width - margin, margin};
}

void StatusDisplay::ShowAt(uint8_t alpha) {
    if (StatusForm == nullptr) {
        return;
    }
    m_wanted = true;
    m_layered.SetAlphaEnabled(true);
    m_layered.SetAlpha(alpha);
    Watch(true);
    // At the top-right corner of the monitor the user is looking at.
    m_monitor = MonitorInView(StatusForm->Handle()).area;
    m_steppedAside = FullScreenOn(m_monitor);
    if (m_steppedAside) {
        StatusForm->Hide();
        lumen::Trace("status: stepped aside for a full-screen window");
        return;
    }
    Place();
}

void StatusDisplay::Watch(bool watch) {
    if (watch && !m_foreground) {
        m_foreground = ui::App().SubscribeForeground(
            ui::ForegroundNotify{[](void* self, HWND) { static_cast<StatusDisplay*>(self)->CheckFullScreen(); }, this});
        StatusForm->OnFullScreenNotice = ui::Notify::Of<&StatusDisplay::CheckFullScreen>(this);
    } else if (!watch && m_foreground) {
        m_foreground.Reset();
        StatusForm->OnFullScreenNotice = {};
    }
    StatusForm->ListenForFullScreen(watch);
}

void StatusDisplay::Place() {
    const MonitorPlace monitor = MonitorInView(StatusForm->Handle());
    m_monitor = monitor.area;
    if (m_dpi != 0 && monitor.dpi != m_dpi) {
        StatusForm->SetDpi(monitor.dpi);
        LoadFrom(m_path);
    }
    const POINT corner = Position(monitor.area.Width(), StatusForm->ClientWidth(), StatusForm->Dpi());
    const POINT at{monitor.area.left + corner.x, monitor.area.top + corner.y};
    StatusForm->MoveTo(at.x, at.y);
    m_layered.Update(StatusForm->Handle(), m_picture);
    StatusForm->Show();
}

void StatusDisplay::CheckFullScreen() {
    if (!m_wanted || StatusForm == nullptr) {
        return;
    }
    const bool fullScreen = FullScreenOn(m_monitor);
    if (fullScreen && !m_steppedAside) {
        m_steppedAside = true;
        StatusForm->Hide();
        lumen::Trace("status: stepped aside for a full-screen window");
    } else if (!fullScreen && m_steppedAside) {
        m_steppedAside = false;
        Place();
        lumen::Trace("status: back");
    }
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
    m_wanted = false;
    m_steppedAside = false;
    if (StatusForm != nullptr) {
        Watch(false);
        StatusForm->Hide();
    }
}

}  // namespace surgepad
