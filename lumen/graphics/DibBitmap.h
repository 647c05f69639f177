#pragma once
// A bitmap whose rows live in a GDI DIB section (top-down), so the same pixels can be
// blended in place by lumen's pixel arithmetic, drawn on with GDI and pushed to a
// layered window.

#include <windows.h>

#include "lumen/core/Handle.h"
#include "lumen/graphics/Bitmap.h"

namespace lumen {

class DibBitmap final : public Bitmap {
public:
    DibBitmap() = default;
    DibBitmap(int width, int height, PixelFormat format) { Reallocate(width, height, format); }
    DibBitmap(DibBitmap&& other) noexcept { TakeFrom(other); }
    DibBitmap& operator=(DibBitmap&& other) noexcept;

    // The DIB section; null while the bitmap is empty. The bitmap must not be
    // resized or reformatted while the handle is selected into a device context.
    HBITMAP Handle() const { return m_handle.get(); }

protected:
    void Reallocate(int width, int height, PixelFormat format) override;
    void Flush() const override;

private:
    void TakeFrom(DibBitmap& other) noexcept;

    UniqueBitmap m_handle;
};

// A memory device context with a bitmap selected into it, for the time of a GDI
// drawing; the previous bitmap goes back and the context is deleted at the end.
class BitmapCanvas {
public:
    explicit BitmapCanvas(const DibBitmap& bitmap);
    BitmapCanvas(const BitmapCanvas&) = delete;
    BitmapCanvas& operator=(const BitmapCanvas&) = delete;
    ~BitmapCanvas();

    // Null when the system gave no context or the bitmap is empty.
    HDC Dc() const { return m_dc.get(); }

private:
    UniqueDc m_dc;
    HGDIOBJ m_previous = nullptr;
};

}  // namespace lumen
