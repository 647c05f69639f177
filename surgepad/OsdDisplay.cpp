#include "surgepad/OsdDisplay.h"

#include "lumen/graphics/PixelOps.h"
#include "surgepad/OsdForm.h"
#include "surgepad/PngReader.h"
#include "surgepad/Screens.h"
#include "surgepad/WarningPage.h"
#include "ui/Scale.h"

namespace surgepad {

OsdDisplay& OsdDisplay::Instance() {
    static auto* display = new OsdDisplay;
    return *display;
}

void OsdDisplay::Load() {
    LoadFrom(ResourceFolder());
}

void OsdDisplay::LoadFrom(const std::string& folder) {
    m_folder = folder;
    m_dpi = ui::DisplayDpi();
    m_layered.SetAlphaEnabled(true);
    m_layered.SetClickThrough(false);
    m_layered.SetPerPixel(true);
    for (int page = 0; page < kOsdPageCount; ++page) {
        m_pages[page].SetPixelFormat(lumen::PixelFormat::Bgra32);
        (void)LoadPngFile(folder + kOsdPageFiles[page], m_pages[page]);
    }
    DrawWarningTexts(m_pages[PageWarning]);
    m_background.SetPixelFormat(lumen::PixelFormat::Bgra32);
    if (OsdForm != nullptr) {
        OsdForm->SetClientSize(m_pages[PageWarning].Width(), m_pages[PageWarning].Height());
    }
    for (auto& page : m_pages) {
        if (page.Format() == lumen::PixelFormat::Bgra32) {
            lumen::PremultiplyAlpha(page);
        }
    }
}

POINT OsdDisplay::CentredPosition(int screenWidth, int screenHeight, int width, int height) {
    return POINT{(screenWidth - width) / 2, (screenHeight - height) / 2};
}

void OsdDisplay::ShowPage(int page) {
    if (OsdForm == nullptr || page < 0 || page >= kOsdPageCount) {
        return;
    }
    m_layered.SetAlpha(255);
    // Centred on the monitor the user is looking at, at its scale.
    const MonitorPlace monitor = MonitorInView(OsdForm->Handle());
    if (m_dpi != 0 && monitor.dpi != m_dpi) {
        const ui::DpiScope scope(monitor.dpi);
        LoadFrom(m_folder);
    }
    const POINT centre =
        CentredPosition(monitor.area.Width(), monitor.area.Height(), OsdForm->ClientWidth(), OsdForm->ClientHeight());
    const POINT at{monitor.area.left + centre.x, monitor.area.top + centre.y};
    OsdForm->MoveTo(at.x, at.y);
    m_background.Assign(m_pages[page]);
    m_layered.Update(OsdForm->Handle(), m_background);
    OsdForm->Show();
}

void OsdDisplay::SetAlpha(uint8_t alpha) {
    if (OsdForm == nullptr) {
        return;
    }
    m_layered.SetAlphaEnabled(true);
    m_layered.SetAlpha(alpha);
    m_layered.Update(OsdForm->Handle(), m_background);
}

void OsdDisplay::Hide() {
    if (OsdForm != nullptr) {
        OsdForm->Hide();
    }
}

}  // namespace surgepad
