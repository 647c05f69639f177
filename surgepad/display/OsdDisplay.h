#pragma once
// OsdDisplay: the on-screen display's three pictures on TOsdForm, pushed with per-pixel
// alpha and an overall opacity. The pages are loaded, texted and premultiplied once
// (the warning page when it is first shown), so showing one is a copy and one
// layered-window update.

#include <cstdint>
#include <string>

#include "lumen/graphics/DibBitmap.h"
#include "lumen/widget/LayeredWindow.h"

namespace surgepad {

enum OsdPage : int {
    PageWarning = 0,
    PageTurboOff = 1,
    PageTurboOn = 2,
    // The warning picture with the text of a refusal on battery.
    PageBatteryWarning = 3,
};
inline constexpr int kOsdPageCount = 4;
inline constexpr const char* kOsdPageFiles[kOsdPageCount] = {"warning.png", "turbo_off.png", "turbo_on.png",
                                                             "warning.png"};

class OsdDisplay {
public:
    // The display on OsdForm, created on first use and never freed.
    static OsdDisplay& Instance();

    // The turbo pages from the ResourceFolder, premultiplied, the form sized to them.
    // A warning page (0 or 3, with its texts) is made at its first ShowPage, and the
    // form then takes its size.
    void Load();
    // Loads the pages from `folder` (which ends in a backslash) instead.
    void LoadFrom(const std::string& folder);
    // Full opacity, centred on the monitor the user is looking at (its whole area, not
    // the work area); the pages are made again first for a monitor of another DPI.
    void ShowPage(int page);
    void SetAlpha(uint8_t alpha);
    void Hide();
    // The language was chosen anew: the warning page is made again, with its new
    // texts, at its next show (one shown now keeps fading as it is). GUI thread.
    void ForgetWarningPage() { m_pages[PageWarning].SetSize(0, 0); }

    const lumen::DibBitmap& Page(int page) const { return m_pages[page]; }
    const lumen::DibBitmap& Background() const { return m_background; }
    lumen::TPerPixelLayeredWindowMaker& Layered() { return m_layered; }

    // Where a page of this size goes on a screen of that size (truncating toward zero).
    static POINT CentredPosition(int screenWidth, int screenHeight, int width, int height);

private:
    void LoadPage(int page);
    void SizeFormTo(const lumen::Bitmap& page);

    lumen::TPerPixelLayeredWindowMaker m_layered;
    std::string m_folder;
    int m_dpi = 0;  // the pages were made for this DPI
    lumen::DibBitmap m_pages[kOsdPageCount];
    lumen::DibBitmap m_background;
};

}  // namespace surgepad
