#pragma once
// The owner of one GDI region, with the builder of a window region from a skin
// bitmap: every pixel of the transparent colour is cut out.

#include <windows.h>

#include <cstdint>

#include "lumen/core/Handle.h"
#include "lumen/graphics/Bitmap.h"

namespace lumen {

class WinRegion {
public:
    // An empty region (0, 0, 0, 0).
    WinRegion();

    HRGN Handle() const { return m_handle.get(); }
    // Gives up ownership (for a caller that hands the region to the system).
    [[nodiscard]] HRGN Release() { return m_handle.release(); }

    void SetRect(int left, int top, int right, int bottom);
    void Subtract(const WinRegion& other);
    // A new region with the same area.
    WinRegion Copy() const;
    // The full rectangle of the bitmap minus every run of pixels whose colour bytes
    // equal `rgb` (red in the low byte). The bitmap is not changed.
    void FromBitmap(const Bitmap& bitmap, uint32_t rgb);
    // Gives the window a copy of this region (the window owns the copy).
    [[nodiscard]] bool ApplyToWindow(HWND window, bool redraw) const;

private:
    void Combine(HRGN source, int mode);

    UniqueRegion m_handle;
};

}  // namespace lumen
