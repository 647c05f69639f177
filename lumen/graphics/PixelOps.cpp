#include "lumen/graphics/PixelOps.h"

namespace lumen {

void PremultiplyAlpha(Bitmap& bitmap) {
    if (bitmap.Format() != PixelFormat::Bgra32) {
        return;
    }
    for (int y = 0; y < bitmap.Height(); ++y) {
        uint8_t* p = bitmap.ScanLine(y);
        for (int x = 0; x < bitmap.Width(); ++x, p += 4) {
            const unsigned a = p[3];
            p[0] = static_cast<uint8_t>(p[0] * a / 255);
            p[1] = static_cast<uint8_t>(p[1] * a / 255);
            p[2] = static_cast<uint8_t>(p[2] * a / 255);
        }
    }
}

void BlackenVisiblePixels(Bitmap& bitmap) {
    if (bitmap.Format() != PixelFormat::Bgra32) {
        return;
    }
    for (int y = 0; y < bitmap.Height(); ++y) {
        uint8_t* p = bitmap.ScanLine(y);
        for (int x = 0; x < bitmap.Width(); ++x, p += 4) {
            if (p[3] != 0) {
                p[0] = p[1] = p[2] = 0;
            }
        }
    }
}

uint32_t TransparentColourOf(const Bitmap& bitmap) {
    if (bitmap.Empty()) {
        return 0;
    }
    const Bgra p = bitmap.Pixel(0, bitmap.Height() - 1);
    return RgbValue(p.r, p.g, p.b);
}

std::vector<ColourRun> FindColourRuns(const Bitmap& bitmap, uint32_t rgb) {
    const uint8_t r = static_cast<uint8_t>(rgb & 0xFF);
    const uint8_t g = static_cast<uint8_t>((rgb >> 8) & 0xFF);
    const uint8_t b = static_cast<uint8_t>((rgb >> 16) & 0xFF);
    const int bpp = bitmap.BytesPerPixel();
    std::vector<ColourRun> runs;
    for (int y = 0; y < bitmap.Height(); ++y) {
        const uint8_t* row = bitmap.ScanLine(y);
        int x = 0;
        while (x < bitmap.Width()) {
            const uint8_t* p = row + static_cast<size_t>(x) * bpp;
            if (p[0] != b || p[1] != g || p[2] != r) {
                ++x;
                continue;
            }
            const int start = x;
            do {
                ++x;
                p += bpp;
            } while (x < bitmap.Width() && p[0] == b && p[1] == g && p[2] == r);
            runs.push_back(ColourRun{y, start, x});
        }
    }
    return runs;
}

}  // namespace lumen
