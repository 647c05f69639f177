#include "lumen/graphics/Bitmap.h"

#include <algorithm>
#include <cstring>

namespace lumen {

size_t RowStride(int width, PixelFormat format) {
    if (width <= 0) {
        return 0;
    }
    const size_t bits = static_cast<size_t>(width) * static_cast<size_t>(lumen::BytesPerPixel(format)) * 8;
    return ((bits + 31) / 32) * 4;
}

uint8_t* Bitmap::ScanLine(int y) {
    Flush();
    return m_bits + static_cast<size_t>(y) * m_stride;
}

const uint8_t* Bitmap::ScanLine(int y) const {
    Flush();
    return m_bits + static_cast<size_t>(y) * m_stride;
}

Bgra Bitmap::Pixel(int x, int y) const {
    const uint8_t* p = ScanLine(y) + static_cast<size_t>(x) * BytesPerPixel();
    return Bgra{p[0], p[1], p[2], m_format == PixelFormat::Bgra32 ? p[3] : uint8_t{255}};
}

void Bitmap::SetPixel(int x, int y, Bgra pixel) {
    uint8_t* p = ScanLine(y) + static_cast<size_t>(x) * BytesPerPixel();
    p[0] = pixel.b;
    p[1] = pixel.g;
    p[2] = pixel.r;
    if (m_format == PixelFormat::Bgra32) {
        p[3] = pixel.a;
    }
}

void Bitmap::SetGeometry(uint8_t* bits, int width, int height, PixelFormat format) {
    if (bits == nullptr || width <= 0 || height <= 0) {
        bits = nullptr;
        width = 0;
        height = 0;
    }
    m_bits = bits;
    m_width = width;
    m_height = height;
    m_format = format;
    m_stride = RowStride(width, format);
}

void Bitmap::SetPixelFormat(PixelFormat format) {
    if (format == m_format) {
        return;
    }
    if (Empty()) {
        Reallocate(0, 0, format);
        Changed();
        return;
    }
    PixelBuffer old;
    old.Assign(*this);
    Reallocate(old.Width(), old.Height(), format);
    const int w = std::min(Width(), old.Width());
    const int h = std::min(Height(), old.Height());
    for (int y = 0; y < h; ++y) {
        const uint8_t* s = old.ScanLine(y);
        uint8_t* d = ScanLine(y);
        const int sb = old.BytesPerPixel();
        const int db = BytesPerPixel();
        for (int x = 0; x < w; ++x, s += sb, d += db) {
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
            if (db == 4) {
                d[3] = 255;
            }
        }
    }
    Changed();
}

void Bitmap::SetSize(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == m_width && height == m_height) {
        return;
    }
    PixelBuffer old;
    old.Assign(*this);
    Reallocate(width, height, m_format);
    const int w = std::min(Width(), old.Width());
    const int h = std::min(Height(), old.Height());
    const size_t bytes = static_cast<size_t>(w) * static_cast<size_t>(BytesPerPixel());
    for (int y = 0; y < h; ++y) {
        std::memcpy(ScanLine(y), old.ScanLine(y), bytes);
    }
    Changed();
}

void Bitmap::Assign(const Bitmap& other) {
    if (&other == this) {
        return;
    }
    Reallocate(other.Width(), other.Height(), other.Format());
    const size_t bytes = std::min(Stride(), other.Stride());
    for (int y = 0; y < Height(); ++y) {
        std::memcpy(ScanLine(y), other.ScanLine(y), bytes);
    }
    m_transparentMode = other.m_transparentMode;
    m_transparentColor = other.m_transparentColor;
    Changed();
}

void Bitmap::Fill(Bgra pixel) {
    for (int y = 0; y < Height(); ++y) {
        uint8_t* p = ScanLine(y);
        for (int x = 0; x < Width(); ++x, p += BytesPerPixel()) {
            p[0] = pixel.b;
            p[1] = pixel.g;
            p[2] = pixel.r;
            if (m_format == PixelFormat::Bgra32) {
                p[3] = pixel.a;
            }
        }
    }
    Changed();
}

void Bitmap::Changed() {
    // The handler may replace itself; call the one in force when the change happened.
    const BitmapChangeHandler handler = m_onChange;
    handler(*this);
}

uint32_t Bitmap::TransparentColor() const {
    if (m_transparentMode == TransparentMode::Fixed) {
        return m_transparentColor;
    }
    if (Empty()) {
        return 0;
    }
    const Bgra p = Pixel(0, Height() - 1);
    return RgbValue(p.r, p.g, p.b);
}

void Bitmap::SetTransparentColor(uint32_t rgb) {
    m_transparentColor = rgb & 0xFFFFFFu;
    m_transparentMode = TransparentMode::Fixed;
}

void Bitmap::SetTransparentMode(TransparentMode mode) {
    if (mode == TransparentMode::Fixed && m_transparentMode == TransparentMode::Automatic) {
        m_transparentColor = TransparentColor();
    }
    m_transparentMode = mode;
}

void PixelBuffer::Reallocate(int width, int height, PixelFormat format) {
    if (width <= 0 || height <= 0) {
        m_storage.clear();
        m_storage.shrink_to_fit();
        SetGeometry(nullptr, 0, 0, format);
        return;
    }
    m_storage.assign(RowStride(width, format) * static_cast<size_t>(height), 0);
    SetGeometry(m_storage.data(), width, height, format);
}

void PixelBuffer::TakeFrom(PixelBuffer& other) noexcept {
    const int width = other.Width();
    const int height = other.Height();
    const PixelFormat format = other.Format();
    // The moved vector keeps its buffer, so the rows stay where they were.
    m_storage = std::move(other.m_storage);
    SetGeometry(m_storage.empty() ? nullptr : m_storage.data(), width, height, format);
    other.m_storage.clear();
    other.SetGeometry(nullptr, 0, 0, format);
}

}  // namespace lumen
