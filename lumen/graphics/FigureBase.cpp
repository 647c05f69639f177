#include "lumen/graphics/FigureBase.h"

#include <algorithm>
#include <cstdlib>

namespace lumen {

Size FitSize(int originalWidth, int originalHeight, int width, int height, bool keepRatio) {
    if (!keepRatio) {
        return {width, height};
    }
    // width / ow <= height / oh  <=>  width * oh <= height * ow (both sides positive).
    const int64_t ow = originalWidth;
    const int64_t oh = originalHeight;
    if (int64_t{width} * oh <= int64_t{height} * ow) {
        return {width, static_cast<int>(oh * width / ow)};
    }
    return {static_cast<int>(ow * height / oh), height};
}

FigureBase::FigureBase(int originalWidth, int originalHeight)
    : m_originalWidth(originalWidth),
      m_originalHeight(originalHeight),
      m_width(originalWidth),
      m_height(originalHeight) {}

size_t FigureBase::AddPolygon(const Polygon& polygon, int dx) {
    Polygon moved = polygon;
    for (Point& p : moved) {
        p.x += dx;
    }
    Polygon scaled = moved;
    for (Point& p : scaled) {
        p = ScalePoint(p);
    }
    m_original.push_back(std::move(moved));
    m_scaled.push_back(std::move(scaled));
    return m_original.size() - 1;
}

void FigureBase::ScaleTo(int width, int height) {
    m_width = width;
    m_height = height;
    for (size_t i = 0; i < m_original.size(); ++i) {
        for (size_t k = 0; k < m_original[i].size(); ++k) {
            m_scaled[i][k] = ScalePoint(m_original[i][k]);
        }
    }
}

Point FigureBase::ScalePoint(Point p) const {
    const auto scale = [](int v, int to, int from) { return from == 0 ? 0 : static_cast<int>(int64_t{v} * to / from); };
    return {scale(p.x, m_width, m_originalWidth), scale(p.y, m_height, m_originalHeight)};
}

namespace {

// floor(num / den) and ceil(num / den) for den > 0.
int64_t FloorDiv(int64_t num, int64_t den) {
    return num >= 0 ? num / den : -((-num + den - 1) / den);
}
int64_t CeilDiv(int64_t num, int64_t den) {
    return -FloorDiv(-num, den);
}

class Painter {
public:
    Painter(Bitmap& bitmap, Bgra colour) : m_bitmap(bitmap), m_colour(colour) {}

    // Columns [left, right] of row y, clipped.
    void Span(int64_t y, int64_t left, int64_t right) {
        if (y < 0 || y >= m_bitmap.Height()) {
            return;
        }
        left = std::max<int64_t>(left, 0);
        right = std::min<int64_t>(right, m_bitmap.Width() - 1);
        if (left > right) {
            return;
        }
        const int bpp = m_bitmap.BytesPerPixel();
        uint8_t* p = m_bitmap.ScanLine(static_cast<int>(y)) + static_cast<size_t>(left) * bpp;
        for (int64_t x = left; x <= right; ++x, p += bpp) {
            p[0] = m_colour.b;
            p[1] = m_colour.g;
            p[2] = m_colour.r;
            if (bpp == 4) {
                p[3] = m_colour.a;
            }
        }
    }

    // Bresenham's line, both ends included.
    void Line(Point a, Point b) {
        int64_t x = a.x;
        int64_t y = a.y;
        const int64_t dx = std::llabs(int64_t{b.x} - a.x);
        const int64_t dy = -std::llabs(int64_t{b.y} - a.y);
        const int64_t sx = a.x < b.x ? 1 : -1;
        const int64_t sy = a.y < b.y ? 1 : -1;
        int64_t err = dx + dy;
        for (;;) {
            Span(y, x, x);
            if (x == b.x && y == b.y) {
                return;
            }
            const int64_t e2 = 2 * err;
            if (e2 >= dy) {
                err += dy;
                x += sx;
            }
            if (e2 <= dx) {
                err += dx;
                y += sy;
            }
        }
    }

private:
    Bitmap& m_bitmap;
    Bgra m_colour;
};

// Where an edge crosses a row: x = num / den, den > 0.
struct Crossing {
    int64_t num;
    int64_t den;
};

}  // namespace

void FillPolygon(Bitmap& bitmap, const Polygon& polygon, Bgra colour) {
    if (polygon.empty() || bitmap.Empty()) {
        return;
    }
    Painter painter(bitmap, colour);
    const size_t n = polygon.size();

    // The inside, row by row: an edge counts on the rows from its upper end up to but
    // not including its lower end, so a vertex shared by two edges is met once.
    auto [minIt, maxIt] =
        std::minmax_element(polygon.begin(), polygon.end(), [](Point a, Point b) { return a.y < b.y; });
    const int top = std::max(minIt->y, 0);
    const int bottom = std::min(maxIt->y, bitmap.Height() - 1);
    std::vector<Crossing> crossings;
    for (int y = top; y <= bottom; ++y) {
        crossings.clear();
        for (size_t i = 0; i < n; ++i) {
            const Point a = polygon[i];
            const Point b = polygon[(i + 1) % n];
            if (a.y == b.y || y < std::min(a.y, b.y) || y >= std::max(a.y, b.y)) {
                continue;
            }
            int64_t num = int64_t{a.x} * (b.y - a.y) + int64_t{y - a.y} * (b.x - a.x);
            int64_t den = int64_t{b.y} - a.y;
            if (den < 0) {
                num = -num;
                den = -den;
            }
            crossings.push_back({num, den});
        }
        std::sort(crossings.begin(), crossings.end(),
                  [](const Crossing& l, const Crossing& r) { return l.num * r.den < r.num * l.den; });
        for (size_t k = 0; k + 1 < crossings.size(); k += 2) {
            painter.Span(y, CeilDiv(crossings[k].num, crossings[k].den),
                         FloorDiv(crossings[k + 1].num, crossings[k + 1].den));
        }
    }

    for (size_t i = 0; i < n; ++i) {
        painter.Line(polygon[i], polygon[(i + 1) % n]);
    }
}

}  // namespace lumen
