#pragma once
// The pixel arithmetic of the skin: copying a piece of a picture, blending one bitmap
// over another (by the source's alpha, by a constant opacity, or both), a luminance
// map, square Gaussian kernels and a plain integer convolution.
//
// Blends are computed per channel in double precision and truncated toward zero when
// stored. Everything here works on plain pixel rows; lumen/widget/TLayoutGdi.h adds
// the one operation that reads from a GDI device context.

#include <cstdint>
#include <memory>
#include <vector>

#include "lumen/graphics/Bitmap.h"

namespace lumen {

// A dense matrix of ints, rows first.
class IntMatrix {
public:
    IntMatrix() = default;
    IntMatrix(int rows, int cols, int value = 0);

    int Rows() const { return m_rows; }
    int Cols() const { return m_cols; }
    int& At(int row, int col) { return m_cells[Index(row, col)]; }
    int At(int row, int col) const { return m_cells[Index(row, col)]; }

private:
    size_t Index(int row, int col) const { return static_cast<size_t>(row) * static_cast<size_t>(m_cols) + col; }

    int m_rows = 0;
    int m_cols = 0;
    std::vector<int> m_cells;
};

// Makes `bitmap` the size of `rect`, 24 bits a pixel, and copies that rectangle of
// `canvas` into it. Pixels of the rectangle outside the canvas come out black.
void CopyBackgroundRect(const Bitmap& canvas, Bitmap& bitmap, const Rect& rect);

// Blends the rectangle srcRect of `src` onto `dst` so that its top-left lands at
// `offset`, weighting each pixel by the source alpha (and by opacity / 255 when the
// opacity is below 255). Only the colour bytes of `dst` change. The blended area is
// clipped to the destination; a srcRect reaching beyond the source inside that area
// is a programming error. A 24-bit source counts as opaque.
void AlphaBlendBitmap(const Bitmap& src, const Rect& srcRect, Bitmap& dst, Point offset, uint8_t opacity);
// The whole source at (0, 0).
void AlphaBlendBitmap(const Bitmap& src, Bitmap& dst, uint8_t opacity = 255);

// Blends the whole `src` onto `dst` at (0, 0) with the constant weight opacity / 255,
// ignoring alpha; when both are 32-bit the alpha bytes are blended too.
void BlendBitmap(const Bitmap& src, Bitmap& dst, uint8_t opacity);

// trunc(0.299 R + 0.587 G + 0.114 B + 0.5) of every pixel; rows x columns = height x width.
IntMatrix LuminanceMap(const Bitmap& bitmap);

// A square (2r + 1) x (2r + 1) integer kernel and its divisor (the sum of its entries).
struct Kernel {
    int radius = 0;
    IntMatrix entries;
    int divisor = 0;
};

class GaussianFilterFactory {
public:
    // Returns the kernel through ReleaseKernel when the pointer goes.
    struct Releaser {
        void operator()(const Kernel* kernel) const;
    };
    using KernelPtr = std::unique_ptr<const Kernel, Releaser>;

    explicit GaussianFilterFactory(float sigma = 1.0f) : m_sigma(sigma) {}

    float Sigma() const { return m_sigma; }
    void SetSigma(float sigma) { m_sigma = sigma; }

    // r = 1 and r = 2 give the two fixed kernels (divisors 16 and 273), which ignore
    // sigma; any other r > 0 is computed from sigma.
    KernelPtr MakeKernel(int r) const;
    // Frees a computed kernel; the fixed ones live for the whole process.
    static void ReleaseKernel(const Kernel* kernel);

private:
    float m_sigma;
};

// For every i in 0 .. rows - kh and j in 0 .. cols - kw:
// out[i + offY][j + offX] = (sum of in[i + k][j + l] * kernel[k][l] + divisor / 2) / divisor.
// Cells of `out` outside that area are left alone.
void Convolve(const IntMatrix& in, int rows, int cols, const IntMatrix& kernel, int kh, int kw, IntMatrix& out,
              int offY, int offX, int divisor);

}  // namespace lumen
