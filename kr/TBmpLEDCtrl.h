#pragma once
// The display of a skinned control: N state bitmaps, one of which is shown. The shown
// bitmap is painted into an inner picture (24 bits a pixel) that an image control at
// (0, 0) of the owner draws; a caption can be drawn onto that picture afterwards.

#include <windows.h>

#include <memory>
#include <vector>

#include "lumen/graphics/DibBitmap.h"
#include "ui/Control.h"

namespace kr {

class TBmpLEDCtrl {
public:
    // stateCount > 0 is a precondition.
    TBmpLEDCtrl(ui::WinControl& owner, int stateCount);
    TBmpLEDCtrl(const TBmpLEDCtrl&) = delete;
    TBmpLEDCtrl& operator=(const TBmpLEDCtrl&) = delete;
    ~TBmpLEDCtrl();

    int BitmapCount() const { return static_cast<int>(m_bitmaps.size()); }
    // State bitmap `index`; an index outside 0 .. count - 1 is a precondition failure.
    lumen::DibBitmap& Bitmap(int index);
    // Copies `source` into state bitmap `index` (which reports the change).
    void AssignBitmap(int index, const lumen::Bitmap& source);

    // Paints bitmap `index` and refreshes, unless it is already the one shown.
    void Show(int index);
    int Shown() const { return m_shown; }
    // Paints the shown bitmap again and refreshes.
    void Repaint();
    // The picture and the image take this size; strips that appear on the right and
    // at the bottom are white.
    void Resize(int width, int height);
    int Width() const { return m_picture.Width(); }
    int Height() const { return m_picture.Height(); }

    // Where the shown bitmap is painted (draw a caption on it with a BitmapCanvas).
    lumen::DibBitmap& Picture() { return m_picture; }
    ui::GraphicControl& Image();

    // Whether pixels of the transparent colour show what lies behind the display.
    bool Transparent() const { return m_transparent; }
    void SetTransparent(bool transparent);
    uint32_t TransparentColor() const { return m_picture.TransparentColor(); }
    void SetTransparentColor(uint32_t rgb) { m_picture.SetTransparentColor(rgb); }

private:
    class ImageControl;
    static void BitmapChanged(void* self, lumen::Bitmap& bitmap);
    void PaintShown();
    void Refresh();

    std::vector<std::unique_ptr<lumen::DibBitmap>> m_bitmaps;
    lumen::DibBitmap m_picture;
    std::unique_ptr<ImageControl> m_image;
    int m_shown = -1;
    bool m_transparent = false;
};

}  // namespace kr
