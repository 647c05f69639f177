#include "kr/TBmpLEDCtrl.h"

#include <algorithm>
#include <cstring>

#include "lumen/core/Report.h"
#include "ui/WinControl.h"

namespace kr {

using lumen::BitmapCanvas;
using lumen::BitmapChangeHandler;
using lumen::DibBitmap;
using lumen::PixelFormat;
using lumen::TransparentMode;

class TBmpLEDCtrl::ImageControl final : public ui::GraphicControl {
public:
    ImageControl(ui::WinControl& owner, const TBmpLEDCtrl& display) : ui::GraphicControl(owner), m_display(display) {}
    const char* ClassName() const override { return "TImage"; }
    void Paint(ui::Canvas& canvas) override {
        const DibBitmap& picture = m_display.m_picture;
        if (picture.Empty()) {
            return;
        }
        BitmapCanvas source(picture);
        if (source.Dc() == nullptr) {
            return;
        }
        if (m_display.Transparent()) {
            // Pixels of the transparent colour let what lies behind show through.
            TransparentBlt(canvas.Dc(), 0, 0, picture.Width(), picture.Height(), source.Dc(), 0, 0, picture.Width(),
                           picture.Height(), m_display.TransparentColor());
        } else {
            BitBlt(canvas.Dc(), 0, 0, picture.Width(), picture.Height(), source.Dc(), 0, 0, SRCCOPY);
        }
    }

private:
    const TBmpLEDCtrl& m_display;
};

TBmpLEDCtrl::TBmpLEDCtrl(ui::WinControl& owner, int stateCount) {
    LUMEN_ASSERT(stateCount > 0);
    // The screen of a 16-colour system cannot show 24-bit pictures well, but every
    // system this runs on has more; the picture is always 24 bits.
    m_picture.SetTransparentMode(TransparentMode::Fixed);
    for (int i = 0; i < stateCount; ++i) {
        auto bitmap = std::make_unique<DibBitmap>();
        bitmap->SetOnChange(BitmapChangeHandler{&TBmpLEDCtrl::BitmapChanged, this});
        m_bitmaps.push_back(std::move(bitmap));
    }
    m_image = std::make_unique<ImageControl>(owner, *this);
    m_image->SetBounds(0, 0, 0, 0);
}

TBmpLEDCtrl::~TBmpLEDCtrl() = default;

DibBitmap& TBmpLEDCtrl::Bitmap(int index) {
    LUMEN_ASSERT_AS(index >= 0 && index < static_cast<int>(m_bitmaps.size()), "index < (int) m_bitmaps.size()");
    return *m_bitmaps[static_cast<size_t>(index)];
}

void TBmpLEDCtrl::AssignBitmap(int index, const lumen::Bitmap& source) {
    Bitmap(index).Assign(source);
}

ui::GraphicControl& TBmpLEDCtrl::Image() {
    return *m_image;
}

void TBmpLEDCtrl::BitmapChanged(void* self, lumen::Bitmap& bitmap) {
    auto* display = static_cast<TBmpLEDCtrl*>(self);
    if (display->m_shown >= 0 && display->m_shown < display->BitmapCount() &&
        display->m_bitmaps[static_cast<size_t>(display->m_shown)].get() == &bitmap) {
        display->Repaint();
    }
}

void TBmpLEDCtrl::Show(int index) {
    (void)Bitmap(index);
    if (index == m_shown) {
        return;
    }
    m_shown = index;
    PaintShown();
    Refresh();
}

void TBmpLEDCtrl::Repaint() {
    PaintShown();
    Refresh();
}

void TBmpLEDCtrl::PaintShown() {
    if (m_shown < 0 || m_picture.Empty()) {
        return;
    }
    const lumen::Bitmap& b = *m_bitmaps[static_cast<size_t>(m_shown)];
    const int w = std::min(b.Width(), m_picture.Width());
    const int h = std::min(b.Height(), m_picture.Height());
    for (int y = 0; y < h; ++y) {
        const uint8_t* s = b.ScanLine(y);
        uint8_t* d = m_picture.ScanLine(y);
        const int sb = b.BytesPerPixel();
        for (int x = 0; x < w; ++x, s += sb, d += 3) {
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
        }
    }
}

void TBmpLEDCtrl::Resize(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    const int oldWidth = m_picture.Width();
    const int oldHeight = m_picture.Height();
    if (m_picture.Format() != PixelFormat::Bgr24) {
        m_picture.SetPixelFormat(PixelFormat::Bgr24);
    }
    m_picture.SetSize(width, height);
    // A picture the system cannot make (a huge size, GDI exhausted) stays empty: the
    // display then shows nothing.
    width = m_picture.Width();
    height = m_picture.Height();
    for (int y = 0; y < height; ++y) {
        uint8_t* row = m_picture.ScanLine(y);
        const int from = y < oldHeight ? std::min(oldWidth, width) : 0;
        std::memset(row + static_cast<size_t>(from) * 3, 0xFF, static_cast<size_t>(width - from) * 3);
    }
    m_image->SetBounds(0, 0, width, height);
}

void TBmpLEDCtrl::SetTransparent(bool transparent) {
    if (transparent != m_transparent) {
        m_transparent = transparent;
        Refresh();
    }
}

void TBmpLEDCtrl::Refresh() {
    m_image->Invalidate();
}

}  // namespace kr
