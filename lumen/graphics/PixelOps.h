#pragma once
// Small whole-picture operations of the layered windows and the regions.

#include <cstdint>
#include <vector>

#include "lumen/graphics/Bitmap.h"

namespace lumen {

// Turns straight colour into the premultiplied colour that per-pixel alpha windows
// read: every B, G, R becomes channel x alpha / 255 (integer division). Only a
// 32-bit bitmap is changed.
void PremultiplyAlpha(Bitmap& bitmap);

// Blackens the colour of every pixel whose alpha is not 0, keeping the alpha: a
// shadow whose shape and softness come from the alpha channel alone. Only a 32-bit
// bitmap is changed.
void BlackenVisiblePixels(Bitmap& bitmap);

// The automatic transparent colour of a skin bitmap: the colour of its bottom-left
// pixel as RGB (red in the low byte); 0 for an empty bitmap.
uint32_t TransparentColourOf(const Bitmap& bitmap);

// A maximal run of pixels on row y, columns [left, right), whose colour bytes equal
// a given colour exactly.
struct ColourRun {
    int y = 0;
    int left = 0;
    int right = 0;
    bool operator==(const ColourRun&) const = default;
};

// The runs of `rgb` (red in the low byte) row by row from the top, left to right;
// runs are never merged across rows. Alpha plays no part.
std::vector<ColourRun> FindColourRuns(const Bitmap& bitmap, uint32_t rgb);

}  // namespace lumen
