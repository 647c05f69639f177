#include "surgepad/display/OsdDisplay.h"

#include "lumen/graphics/PixelOps.h"
#include "surgepad/display/OsdForm.h"
#include "surgepad/look/PngReader.h"
#include "surgepad/look/Screens.h"
#include "surgepad/display/WarningPage.h"
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
    // The pages are made at the window's DPI.
    m_dpi = OsdForm != nullptr ? OsdForm->Dpi() : ui::SystemDpi();
    m_layered.SetAlphaEnabled(true);
    m_layered.SetClickThrough(false);
    m_layered.SetPerPixel(true);
    // The warning pages are made when first shown: most runs never show them.
    m_pages[PageWarning].SetSize(0, 0);
    m_pages[PageBatteryWarning].SetSize(0, 0);
    LoadPage(PageTurboOff);
    LoadPage(PageTurboOn);
    m_background.SetPixelFormat(lumen::PixelFormat::Bgra32);
    SizeFormTo(m_pages[PageTurboOff]);
}

void OsdDisplay::LoadPage(int page) {
    lumen::DibBitmap& picture = m_pages[page];
    picture.SetPixelFormat(lumen::PixelFormat::Bgra32);
    (void)LoadPngFile(m_folder + kOsdPageFiles[page], picture, m_dpi);
    if (page == PageWarning || page == PageBatteryWarning) {
        DrawWarningTexts(picture, m_dpi, page == PageWarning ? kOcWarnKey : kOnBatteryWarnKey);
        SizeFormTo(picture);
    }
    if (picture.Format() == lumen::PixelFormat::Bgra32) {
        lumen::PremultiplyAlpha(picture);
    }
}

void OsdDisplay::SizeFormTo(const lumen::Bitmap& page) {
    if (OsdForm != nullptr && !page.Empty()) {
        OsdForm->SetClientSize(page.Width(), page.Height());
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
        OsdForm->SetDpi(monitor.dpi);
        LoadFrom(m_folder);
    }
    if ((page == PageWarning || page == PageBatteryWarning) && m_pages[page].Empty()) {
        LoadPage(page);
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
