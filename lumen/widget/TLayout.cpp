#include "lumen/widget/TLayout.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "lumen/core/Report.h"

namespace lumen {
namespace {

// dst x (1 - a) + a x src, truncated toward zero.
inline uint8_t Mix(uint8_t dst, uint8_t src, double a) {
    return static_cast<uint8_t>(static_cast<int>(dst * (1.0 - a) + a * src));
}

// The part of a blend that lands inside the destination.
struct BlendArea {
    int srcTop = 0;
    int srcLeft = 0;
    int dstTop = 0;
    int dstLeft = 0;
    int rows = 0;
    int cols = 0;
};

// The blended area runs from the source rectangle's top-left over as many rows and
// columns as fit both the rectangle and the destination from `offset` on. Rows and
// columns that would land before the destination's first row or column (a negative
// offset) or come from before the source's (a negative rectangle) are left out.
BlendArea ClipBlend(const Rect& srcRect, int dstWidth, int dstHeight, Point offset, int* maxRow, int* maxCol) {
    const int rows = std::max(0, std::min(srcRect.Height(), dstHeight - offset.y));
    const int cols = std::max(0, std::min(srcRect.Width(), dstWidth - offset.x));
    *maxRow = srcRect.top + rows;
    *maxCol = srcRect.left + cols;
    const int skipY = std::max({0, -offset.y, -srcRect.top});
    const int skipX = std::max({0, -offset.x, -srcRect.left});
    BlendArea area;
    area.srcTop = srcRect.top + skipY;
    area.srcLeft = srcRect.left + skipX;
    area.dstTop = offset.y + skipY;
    area.dstLeft = offset.x + skipX;
    area.rows = std::max(0, rows - skipY);
    area.cols = std::max(0, cols - skipX);
    return area;
}

const Kernel& FixedKernel1() {
    static const Kernel* kernel = [] {
        auto* k = new Kernel{1, IntMatrix(3, 3), 16};
        const int v[3][3] = {{1, 2, 1}, {2, 4, 2}, {1, 2, 1}};
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) {
                k->entries.At(i, j) = v[i][j];
            }
        }
        return k;
    }();
    return *kernel;
}

const Kernel& FixedKernel2() {
    static const Kernel* kernel = [] {
        auto* k = new Kernel{2, IntMatrix(5, 5), 273};
        const int v[5][5] = {
            {1, 4, 7, 4, 1}, {4, 16, 26, 16, 4}, {7, 26, 41, 26, 7}, {4, 16, 26, 16, 4}, {1, 4, 7, 4, 1}};
        for (int i = 0; i < 5; ++i) {
            for (int j = 0; j < 5; ++j) {
                k->entries.At(i, j) = v[i][j];
            }
        }
        return k;
    }();
    return *kernel;
}

}  // namespace

IntMatrix::IntMatrix(int rows, int cols, int value)
    : m_rows(std::max(rows, 0)),
      m_cols(std::max(cols, 0)),
      m_cells(static_cast<size_t>(m_rows) * static_cast<size_t>(m_cols), value) {}

void CopyBackgroundRect(const Bitmap& canvas, Bitmap& bitmap, const Rect& rect) {
    bitmap.SetPixelFormat(PixelFormat::Bgr24);
    bitmap.SetSize(0, 0);
    bitmap.SetSize(rect.Width(), rect.Height());
    for (int y = 0; y < bitmap.Height(); ++y) {
        const int sy = rect.top + y;
        uint8_t* d = bitmap.ScanLine(y);
        if (sy < 0 || sy >= canvas.Height()) {
            continue;
        }
        const uint8_t* s = canvas.ScanLine(sy);
        const int sb = canvas.BytesPerPixel();
        for (int x = 0; x < bitmap.Width(); ++x) {
            const int sx = rect.left + x;
            if (sx < 0 || sx >= canvas.Width()) {
                continue;
            }
            const uint8_t* p = s + static_cast<size_t>(sx) * sb;
            d[x * 3 + 0] = p[0];
            d[x * 3 + 1] = p[1];
            d[x * 3 + 2] = p[2];
        }
    }
}

void AlphaBlendBitmap(const Bitmap& src, const Rect& srcRect, Bitmap& dst, Point offset, uint8_t opacity) {
    int maxRow = 0;
    int maxCol = 0;
    const BlendArea area = ClipBlend(srcRect, dst.Width(), dst.Height(), offset, &maxRow, &maxCol);
    const int sb = src.BytesPerPixel();
    const int db = dst.BytesPerPixel();
    const bool srcAlpha = src.Format() == PixelFormat::Bgra32;
    if (opacity == 255) {
        if (!(maxRow <= src.Height() && maxCol <= src.Width())) {
            AssertionFailed("maxRow <= src->Height && maxCol <= src->Width", __FILE__, __LINE__);
        }
        for (int r = 0; r < area.rows; ++r) {
            const uint8_t* s = src.ScanLine(area.srcTop + r) + static_cast<size_t>(area.srcLeft) * sb;
            uint8_t* d = dst.ScanLine(area.dstTop + r) + static_cast<size_t>(area.dstLeft) * db;
            for (int c = 0; c < area.cols; ++c, s += sb, d += db) {
                const double a = (srcAlpha ? s[3] : 255) / 255.0;
                d[0] = Mix(d[0], s[0], a);
                d[1] = Mix(d[1], s[1], a);
                d[2] = Mix(d[2], s[2], a);
            }
        }
        return;
    }
    if (!(maxRow <= src.Height() && maxCol <= src.Width())) {
        AssertionFailed("maxRow <= src->Height && maxCol <= src->Width", __FILE__, __LINE__);
    }
    const double k = opacity / 255.0;
    for (int r = 0; r < area.rows; ++r) {
        const uint8_t* s = src.ScanLine(area.srcTop + r) + static_cast<size_t>(area.srcLeft) * sb;
        uint8_t* d = dst.ScanLine(area.dstTop + r) + static_cast<size_t>(area.dstLeft) * db;
        for (int c = 0; c < area.cols; ++c, s += sb, d += db) {
            const double a = ((srcAlpha ? s[3] : 255) / 255.0) * k;
            d[0] = Mix(d[0], s[0], a);
            d[1] = Mix(d[1], s[1], a);
            d[2] = Mix(d[2], s[2], a);
        }
    }
}

void AlphaBlendBitmap(const Bitmap& src, Bitmap& dst, uint8_t opacity) {
    AlphaBlendBitmap(src, Rect{0, 0, src.Width(), src.Height()}, dst, Point{0, 0}, opacity);
}

void BlendBitmap(const Bitmap& src, Bitmap& dst, uint8_t opacity) {
    const double k = opacity / 255.0;
    const int maxRow = std::min(src.Height(), dst.Height());
    const int maxCol = std::min(src.Width(), dst.Width());
    const int sb = src.BytesPerPixel();
    const int db = dst.BytesPerPixel();
    if (src.Format() == PixelFormat::Bgra32 && dst.Format() == PixelFormat::Bgra32) {
        if (!(maxRow <= src.Height() && maxCol <= src.Width())) {
            AssertionFailed("maxRow <= src->Height && maxCol <= src->Width", __FILE__, __LINE__);
        }
        for (int y = 0; y < maxRow; ++y) {
            const uint8_t* s = src.ScanLine(y);
            uint8_t* d = dst.ScanLine(y);
            for (int i = 0; i < maxCol * 4; ++i) {
                d[i] = Mix(d[i], s[i], k);
            }
        }
        return;
    }
    if (!(maxRow <= src.Height() && maxCol <= src.Width())) {
        AssertionFailed("maxRow <= src->Height && maxCol <= src->Width", __FILE__, __LINE__);
    }
    for (int y = 0; y < maxRow; ++y) {
        const uint8_t* s = src.ScanLine(y);
        uint8_t* d = dst.ScanLine(y);
        for (int x = 0; x < maxCol; ++x, s += sb, d += db) {
            d[0] = Mix(d[0], s[0], k);
            d[1] = Mix(d[1], s[1], k);
            d[2] = Mix(d[2], s[2], k);
        }
    }
}

IntMatrix LuminanceMap(const Bitmap& bitmap) {
    IntMatrix map(bitmap.Height(), bitmap.Width());
    const int bpp = bitmap.BytesPerPixel();
    for (int y = 0; y < bitmap.Height(); ++y) {
        const uint8_t* p = bitmap.ScanLine(y);
        for (int x = 0; x < bitmap.Width(); ++x, p += bpp) {
            // Never negative: adding a half and truncating rounds, exactly as the
            // shade's arithmetic is defined.
            // NOLINTNEXTLINE(bugprone-incorrect-roundings)
            map.At(y, x) = static_cast<int>(0.299 * p[2] + 0.587 * p[1] + 0.114 * p[0] + 0.5);
        }
    }
    return map;
}

void GaussianFilterFactory::Releaser::operator()(const Kernel* kernel) const {
    GaussianFilterFactory::ReleaseKernel(kernel);
}

GaussianFilterFactory::KernelPtr GaussianFilterFactory::MakeKernel(int r) const {
    LUMEN_ASSERT(r > 0);
    if (r == 1) {
        return KernelPtr(&FixedKernel1());
    }
    if (r == 2) {
        return KernelPtr(&FixedKernel2());
    }
    const double sigma = m_sigma;
    LUMEN_ASSERT(sigma > 0);
    const double t = 2.0 * sigma * sigma;
    // The scale makes the corner entries about 1; a wide radius with a narrow sigma
    // would need entries beyond the range of an int.
    const double scale = std::trunc(1.0 / std::exp(-2.0 * r * r / t) + 0.5);
    const double side = 2.0 * r + 1.0;
    const bool kernelFitsInt = std::isfinite(scale) && scale * side * side <= static_cast<double>(INT_MAX);
    LUMEN_ASSERT(kernelFitsInt);
    auto kernel = std::make_unique<Kernel>();
    kernel->radius = r;
    kernel->entries = IntMatrix(2 * r + 1, 2 * r + 1);
    int64_t sum = 0;
    for (int i = -r; i <= r; ++i) {
        for (int j = -r; j <= r; ++j) {
            // NOLINTNEXTLINE(bugprone-incorrect-roundings): never negative, as above.
            const int v = static_cast<int>(std::exp(-(i * i + j * j) / t) * scale + 0.5);
            kernel->entries.At(i + r, j + r) = v;
            sum += v;
        }
    }
    kernel->divisor = static_cast<int>(sum);
    return KernelPtr(kernel.release());
}

void GaussianFilterFactory::ReleaseKernel(const Kernel* kernel) {
    if (kernel == nullptr || kernel == &FixedKernel1() || kernel == &FixedKernel2()) {
        return;
    }
    delete kernel;
}

void Convolve(const IntMatrix& in, int rows, int cols, const IntMatrix& kernel, int kh, int kw, IntMatrix& out,
              int offY, int offX, int divisor) {
    LUMEN_ASSERT(divisor > 0);
    LUMEN_ASSERT(rows <= in.Rows() && cols <= in.Cols());
    LUMEN_ASSERT(kh > 0 && kw > 0 && kh <= kernel.Rows() && kw <= kernel.Cols());
    if (rows < kh || cols < kw) {
        return;
    }
    LUMEN_ASSERT(offY >= 0 && offX >= 0 && rows - kh + offY < out.Rows() && cols - kw + offX < out.Cols());
    for (int i = 0; i <= rows - kh; ++i) {
        for (int j = 0; j <= cols - kw; ++j) {
            int64_t sum = 0;
            for (int k = 0; k < kh; ++k) {
                for (int l = 0; l < kw; ++l) {
                    sum += static_cast<int64_t>(in.At(i + k, j + l)) * kernel.At(k, l);
                }
            }
            out.At(i + offY, j + offX) = static_cast<int>((sum + divisor / 2) / divisor);
        }
    }
}

}  // namespace lumen
