#include "lumen/graphics/DibBitmap.h"

#include <cstring>
#include <utility>

namespace lumen {

DibBitmap& DibBitmap::operator=(DibBitmap&& other) noexcept {
    if (this != &other) {
        TakeFrom(other);
    }
    return *this;
}

void DibBitmap::TakeFrom(DibBitmap& other) noexcept {
    const int width = other.Width();
    const int height = other.Height();
    const PixelFormat format = other.Format();
    uint8_t* bits = other.Empty() ? nullptr : other.ScanLine(0);
    m_handle = std::move(other.m_handle);
    SetGeometry(bits, width, height, format);
    other.SetGeometry(nullptr, 0, 0, format);
}

void DibBitmap::Reallocate(int width, int height, PixelFormat format) {
    UniqueBitmap handle;
    void* bits = nullptr;
    if (width > 0 && height > 0) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        // A negative height makes the rows top-down, as lumen's pixel model has them.
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = static_cast<WORD>(format);
        info.bmiHeader.biCompression = BI_RGB;
        handle.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (handle && bits != nullptr) {
            std::memset(bits, 0, RowStride(width, format) * static_cast<size_t>(height));
        } else {
            handle.reset();
        }
    }
    const bool made = static_cast<bool>(handle);
    m_handle = std::move(handle);
    // Out of GDI memory the bitmap stays empty; every reader copes with that.
    SetGeometry(made ? static_cast<uint8_t*>(bits) : nullptr, width, height, format);
}

void DibBitmap::Flush() const {
    // GDI may still hold drawing calls on this bitmap in its batch.
    GdiFlush();
}

BitmapCanvas::BitmapCanvas(const DibBitmap& bitmap) {
    if (bitmap.Handle() == nullptr) {
        return;
    }
    m_dc.reset(CreateCompatibleDC(nullptr));
    if (m_dc) {
        m_previous = SelectObject(m_dc.get(), bitmap.Handle());
    }
}

BitmapCanvas::~BitmapCanvas() {
    if (m_dc) {
        GdiFlush();
        SelectObject(m_dc.get(), m_previous);
    }
}

}  // namespace lumen
