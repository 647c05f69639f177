#pragma once
// The pixel model every picture of the program shares: rows top-down, pixels in memory
// order B, G, R (24 bits) or B, G, R, A (32 bits, straight colour unless a caller has
// premultiplied it). Rows are padded to a multiple of 4 bytes, exactly like a GDI
// device-independent bitmap, so a DIB section can carry the same rows unchanged.
//
// `Bitmap` owns nothing by itself; `PixelBuffer` keeps its rows in memory, and on
// Windows `DibBitmap` keeps them in a DIB section that GDI can draw on.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "lumen/core/Callback.h"

namespace lumen {

enum class PixelFormat : uint8_t {
    Bgr24 = 24,
    Bgra32 = 32,
};

inline int BytesPerPixel(PixelFormat format) {
    return format == PixelFormat::Bgra32 ? 4 : 3;
}

// Bytes of one row of `width` pixels, padded to 4 bytes.
size_t RowStride(int width, PixelFormat format);

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const Rect&) const = default;
};

struct Point {
    int x = 0;
    int y = 0;
};

// One pixel as plain values; colour in the low 24 bits of a COLORREF-like value
// (red in the low byte).
struct Bgra {
    uint8_t b = 0;
    uint8_t g = 0;
    uint8_t r = 0;
    uint8_t a = 0;
    bool operator==(const Bgra&) const = default;
};

inline uint32_t RgbValue(uint8_t r, uint8_t g, uint8_t b) {
    return static_cast<uint32_t>(r) | (static_cast<uint32_t>(g) << 8) | (static_cast<uint32_t>(b) << 16);
}

class Bitmap;

// Who is told when a bitmap's picture changed, so that a control can take the event
// over and chain to the handler it found.
using BitmapChangeHandler = Callback<Bitmap&>;

// Which colour of a skin bitmap counts as transparent: the colour of its bottom-left
// pixel (automatic) or one set explicitly (fixed).
enum class TransparentMode : uint8_t {
    Automatic,
    Fixed,
};

class Bitmap {
public:
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;
    virtual ~Bitmap() = default;

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    bool Empty() const { return m_width == 0 || m_height == 0; }
    PixelFormat Format() const { return m_format; }
    int BytesPerPixel() const { return lumen::BytesPerPixel(m_format); }
    size_t Stride() const { return m_stride; }

    // Row y (0 = top). Only valid for 0 <= y < Height().
    uint8_t* ScanLine(int y);
    const uint8_t* ScanLine(int y) const;

    // Reads and writes one pixel; a 24-bit pixel reads as opaque and ignores the
    // alpha written. Coordinates must lie inside the bitmap.
    Bgra Pixel(int x, int y) const;
    void SetPixel(int x, int y, Bgra pixel);

    // Changes the pixel format and keeps the picture: 32 to 24 bits drops alpha,
    // 24 to 32 bits makes every pixel opaque (a 24-bit picture has no transparency).
    void SetPixelFormat(PixelFormat format);
    // Changes the size; the part of the old picture that still fits stays in the
    // top-left corner, new pixels are 0 (black, transparent).
    void SetSize(int width, int height);
    // Makes this bitmap an exact copy of `other`: format, size and pixels.
    void Assign(const Bitmap& other);
    // Every byte of every pixel set to `pixel` (alpha only in 32-bit bitmaps).
    void Fill(Bgra pixel);

    // The change event: fired after SetPixelFormat, SetSize, Assign and Fill changed
    // the picture, and by Changed() after direct writes through ScanLine or SetPixel.
    BitmapChangeHandler OnChange() const { return m_onChange; }
    void SetOnChange(BitmapChangeHandler handler) { m_onChange = handler; }
    void Changed();

    // The transparent colour (red in the low byte). Automatic: the bottom-left pixel's
    // colour, 0 while the bitmap is empty. Setting a colour makes the mode fixed.
    uint32_t TransparentColor() const;
    void SetTransparentColor(uint32_t rgb);
    TransparentMode GetTransparentMode() const { return m_transparentMode; }
    void SetTransparentMode(TransparentMode mode);

protected:
    Bitmap() = default;

    // Replaces the storage with zeroed rows of the given geometry and calls
    // SetGeometry. Negative or zero sizes give an empty bitmap.
    virtual void Reallocate(int width, int height, PixelFormat format) = 0;
    // Lets GDI finish drawing before the rows are read or written directly.
    virtual void Flush() const {}

    void SetGeometry(uint8_t* bits, int width, int height, PixelFormat format);

private:
    uint8_t* m_bits = nullptr;
    int m_width = 0;
    int m_height = 0;
    PixelFormat m_format = PixelFormat::Bgr24;
    size_t m_stride = 0;
    BitmapChangeHandler m_onChange;
    TransparentMode m_transparentMode = TransparentMode::Automatic;
    uint32_t m_transparentColor = 0;
};

// A bitmap whose rows live in ordinary memory.
class PixelBuffer final : public Bitmap {
public:
    PixelBuffer() = default;
    PixelBuffer(int width, int height, PixelFormat format) { Reallocate(width, height, format); }
    PixelBuffer(PixelBuffer&& other) noexcept { TakeFrom(other); }
    PixelBuffer& operator=(PixelBuffer&& other) noexcept {
        if (this != &other) {
            TakeFrom(other);
        }
        return *this;
    }

protected:
    void Reallocate(int width, int height, PixelFormat format) override;

private:
    void TakeFrom(PixelBuffer& other) noexcept;

    std::vector<uint8_t> m_storage;
};

}  // namespace lumen
