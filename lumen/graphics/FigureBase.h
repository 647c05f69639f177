#pragma once
// A drawing made of filled polygons, designed in a box of its own (the original size)
// and scaled as a whole to the size it is shown at.
//
// Points are pixel positions, and a polygon covers its outline as well as its inside
// (like a GDI polygon drawn with a one-pixel pen of the fill colour): the rectangle
// (4, 2) (12, 2) (12, 3) (4, 3) lights columns 4 to 12 of rows 2 and 3. Because the
// outline always shows, a part that shrinks to a line or a single point when the
// figure is made small still appears instead of vanishing.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "lumen/graphics/Bitmap.h"

namespace lumen {

using Polygon = std::vector<Point>;

struct Size {
    int width = 0;
    int height = 0;
    bool operator==(const Size&) const = default;
};

// The size a figure of original size (originalWidth, originalHeight) takes when it is
// given (width, height). Without keepRatio that is (width, height). With keepRatio the
// figure is scaled by f = min(width / originalWidth, height / originalHeight) and the
// size is (trunc(originalWidth x f), trunc(originalHeight x f)), computed in integers
// so that the side that decides f comes out exactly as given. With keepRatio both
// original sides must be positive.
Size FitSize(int originalWidth, int originalHeight, int width, int height, bool keepRatio);

class FigureBase {
public:
    FigureBase() = default;
    FigureBase(int originalWidth, int originalHeight);

    int OriginalWidth() const { return m_originalWidth; }
    int OriginalHeight() const { return m_originalHeight; }
    // The size the polygons are scaled to; the original size until ScaleTo.
    int Width() const { return m_width; }
    int Height() const { return m_height; }

    // Adds a polygon in original coordinates, moved right by dx; returns its index.
    // It is scaled at once to the current size.
    size_t AddPolygon(const Polygon& polygon, int dx = 0);
    size_t PolygonCount() const { return m_original.size(); }
    const Polygon& OriginalPolygon(size_t index) const { return m_original[index]; }
    const Polygon& ScaledPolygon(size_t index) const { return m_scaled[index]; }

    // Scales every polygon from the original size to (width, height): each point
    // (x, y) becomes (x * width / OriginalWidth, y * height / OriginalHeight), both
    // truncated. A figure whose original side is 0 keeps 0 on that axis.
    void ScaleTo(int width, int height);

private:
    Point ScalePoint(Point p) const;

    int m_originalWidth = 0;
    int m_originalHeight = 0;
    int m_width = 0;
    int m_height = 0;
    std::vector<Polygon> m_original;
    std::vector<Polygon> m_scaled;
};

// Fills `polygon` with `colour` (alpha only in a 32-bit bitmap), outline included,
// inside by the even-odd rule; whatever lies outside the bitmap is clipped.
void FillPolygon(Bitmap& bitmap, const Polygon& polygon, Bgra colour);

}  // namespace lumen
