#include "ui/Image.h"

#include "lumen/core/Handle.h"
#include "ui/Error.h"

namespace ui {

Image::Image(WinControl& parent) : GraphicControl(parent) {
    m_picture.SetOnChange(lumen::BitmapChangeHandler{&Image::OnPictureChange, this});
}

void Image::OnPictureChange(void* self, lumen::Bitmap&) {
    static_cast<Image*>(self)->PictureChanged();
}

void Image::SetPicture(const lumen::Bitmap& picture) {
    m_picture.Assign(picture);
}

void Image::SetAutoSize(bool autoSize) {
    m_autoSize = autoSize;
    if (autoSize) {
        AdjustSize();
    }
}

void Image::AdjustSize() {
    SetBounds(Left(), Top(), m_picture.Width(), m_picture.Height());
}

void Image::PictureChanged() {
    if (m_autoSize && !m_picture.Empty()) {
        AdjustSize();
    }
    Invalidate();
}

void Image::Paint(Canvas& canvas) {
    if (m_picture.Empty()) {
        return;
    }
    lumen::BitmapCanvas source(m_picture);
    if (source.Dc() != nullptr) {
        BitBlt(canvas.Dc(), 0, 0, m_picture.Width(), m_picture.Height(), source.Dc(), 0, 0, SRCCOPY);
    }
}

void LoadBitmapFile(const std::string& path, lumen::DibBitmap& bitmap) {
    lumen::UniqueBitmap loaded(static_cast<HBITMAP>(
        LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
    BITMAP info = {};
    if (!loaded || GetObjectA(loaded.get(), sizeof info, &info) == 0 || info.bmWidth <= 0 || info.bmHeight == 0) {
        throw FileOpenError(path);
    }
    const int width = info.bmWidth;
    const int height = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    const lumen::PixelFormat format = info.bmBitsPixel == 32 ? lumen::PixelFormat::Bgra32 : lumen::PixelFormat::Bgr24;
    lumen::DibBitmap result(width, height, format);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;  // rows top-down, as the pixel model keeps them
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = static_cast<WORD>(format == lumen::PixelFormat::Bgra32 ? 32 : 24);
    bi.bmiHeader.biCompression = BI_RGB;
    lumen::WindowDc screen(nullptr);
    if (GetDIBits(screen.Dc(), loaded.get(), 0, static_cast<UINT>(height), result.ScanLine(0), &bi, DIB_RGB_COLORS) ==
        0) {
        throw FileOpenError(path);
    }
    bitmap.Assign(result);
}

}  // namespace ui
