#include "kr/KrImage.h"

#include "lumen/widget/TLayout.h"
#include "lumen/widget/TLayoutGdi.h"

namespace kr {

KrImage::KrImage(ui::WinControl& parent) : ui::Image(parent) {}

void KrImage::SetAlphaChannel(bool alphaChannel) {
    if (alphaChannel != m_alphaChannel) {
        m_alphaChannel = alphaChannel;
        Invalidate();
    }
}

void KrImage::SetAlphaBlend(bool alphaBlend) {
    if (alphaBlend != m_alphaBlend) {
        m_alphaBlend = alphaBlend;
        Invalidate();
    }
}

void KrImage::SetAlphaValue(uint8_t alphaValue) {
    if (alphaValue != m_alphaValue) {
        m_alphaValue = alphaValue;
        if (m_alphaBlend) {
            Invalidate();
        }
    }
}

void KrImage::Paint(ui::Canvas& canvas) {
    const lumen::DibBitmap& picture = Picture();
    if (Width() <= 0 || Height() <= 0 || picture.Empty()) {
        return;
    }
    if (!m_alphaChannel || picture.Format() != lumen::PixelFormat::Bgra32) {
        ui::Image::Paint(canvas);
        return;
    }
    // The canvas's origin is the control's top-left, so (0, 0, width, height) of it is
    // what the parent and the controls below have painted under this one.
    lumen::DibBitmap composed;
    lumen::CopyBackgroundRect(canvas.Dc(), composed, lumen::Rect{0, 0, Width(), Height()});
    lumen::AlphaBlendBitmap(picture, composed, m_alphaBlend ? m_alphaValue : 255);
    lumen::BitmapCanvas source(composed);
    if (source.Dc() != nullptr) {
        BitBlt(canvas.Dc(), 0, 0, Width(), Height(), source.Dc(), 0, 0, SRCCOPY);
    }
}

}  // namespace kr
