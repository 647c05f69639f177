#include "kr/KrNumLed_imp.h"

#include "lumen/core/Report.h"

namespace kr {

namespace {

lumen::Bgra PixelOf(ui::Color color) {
    const COLORREF c = ui::ColorToRgb(color);
    return lumen::Bgra{GetBValue(c), GetGValue(c), GetRValue(c), 255};
}

}  // namespace

KrNumLed_imp::KrNumLed_imp(ui::WinControl& parent) : m_display(parent, 1) {
    m_colors.OnChange = ui::Callback<>::Of<&KrNumLed_imp::ColorsChanged>(this);
    m_display.SetTransparentColor(ui::ColorToRgb(m_colors.TransparentColor()));
}

KrNumLed_imp::~KrNumLed_imp() {
    m_colors.OnChange = {};
}

lumen::Size KrNumLed_imp::Fit(int width, int height) const {
    if (m_keepRatio) {
        LUMEN_ASSERT(Figure()->OriginalWidth() > 0 && Figure()->OriginalHeight() > 0);
    }
    return lumen::FitSize(Figure()->OriginalWidth(), Figure()->OriginalHeight(), width, height, m_keepRatio);
}

void KrNumLed_imp::Place(int left, int top, int width, int height) {
    m_display.Resize(width, height);
    // Resize puts the image at the owner's top-left: the display belongs where the
    // control is.
    m_display.Image().SetBounds(left, top, m_display.Width(), m_display.Height());
    Rescale();
}

void KrNumLed_imp::Rescale() {
    m_model.Row().ScaleTo(m_display.Width(), m_display.Height());
    Paint();
}

void KrNumLed_imp::Paint() {
    lumen::DibBitmap& picture = m_display.Picture();
    if (!picture.Empty()) {
        m_model.Row().Paint(picture, {PixelOf(m_colors.LightColor()), PixelOf(m_colors.DarkColor()),
                                      PixelOf(m_colors.BackgroundColor())});
    }
    m_display.Image().Invalidate();
}

void KrNumLed_imp::ColorsChanged() {
    m_display.SetTransparentColor(ui::ColorToRgb(m_colors.TransparentColor()));
    Paint();
}

}  // namespace kr
