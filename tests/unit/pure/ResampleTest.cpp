#include <gtest/gtest.h>

#include <cmath>

#include "lumen/graphics/Resample.h"

namespace {

using lumen::Bgra;
using lumen::PixelBuffer;

constexpr Bgra kMagenta{255, 0, 255, 255};
constexpr Bgra kPanel{50, 40, 40, 255};

// A colour-keyed window picture: a disc of one panel colour, the key outside.
PixelBuffer KeyedDisc(int size, Bgra key, Bgra inside) {
    PixelBuffer p;
    p.SetPixelFormat(lumen::PixelFormat::Bgra32);
    p.SetSize(size, size);
    const double c = size / 2.0;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const bool in = std::hypot(x + 0.5 - c, y + 0.5 - c) < c * 0.8;
            p.SetPixel(x, y, in ? inside : key);
        }
    }
    return p;
}

int Count(const lumen::Bitmap& b, Bgra colour) {
    int n = 0;
    for (int y = 0; y < b.Height(); ++y) {
        for (int x = 0; x < b.Width(); ++x) {
            n += b.Pixel(x, y) == colour ? 1 : 0;
        }
    }
    return n;
}

// The key stays exact at every scale the skin is shown at: each new pixel is the key
// or the panel colour, never a blend of the two, and the shape keeps its area.
TEST(ResizePicture, ColourKeyedPicturesKeepHardCleanEdges) {
    const struct {
        int from;
        int to;
    } rows[] = {{200, 150}, {200, 100}, {100, 200}, {100, 150}, {150, 125}};
    for (const auto& row : rows) {
        const PixelBuffer drawn = KeyedDisc(row.from, kMagenta, kPanel);
        PixelBuffer shown;
        lumen::ResizePicture(drawn, shown, row.to, row.to);
        ASSERT_EQ(shown.Width(), row.to);
        const int key = Count(shown, kMagenta);
        const int panel = Count(shown, kPanel);
        EXPECT_EQ(key + panel, row.to * row.to) << row.from << " -> " << row.to << ": blended edge pixels";
        const double want = Count(drawn, kMagenta) * (double(row.to) / row.from) * (double(row.to) / row.from);
        EXPECT_NEAR(key, want, want * 0.03) << row.from << " -> " << row.to;
    }
}

// Colours that average to the key must not come out as the key: the window would get
// a hole where the picture has none.
TEST(ResizePicture, NoNewPixelBecomesTheKeyByAccident) {
    const Bgra key{0x6B, 0x69, 0x69, 255};
    PixelBuffer drawn;
    drawn.SetPixelFormat(lumen::PixelFormat::Bgra32);
    drawn.SetSize(8, 8);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            drawn.SetPixel(x, y, x % 2 == 0 ? Bgra{0x6A, 0x68, 0x68, 255} : Bgra{0x6C, 0x6A, 0x6A, 255});
        }
    }
    drawn.SetPixel(0, 7, key);  // the bottom-left pixel names the key
    PixelBuffer shown;
    lumen::ResizePicture(drawn, shown, 4, 4);
    EXPECT_EQ(Count(shown, key), 0);
}

// Soft edges of an alpha picture keep their colour: a white shape fading into
// transparent black stays white at every level of its edge.
TEST(ResizePicture, AlphaPicturesAreFilteredWithoutFringes) {
    PixelBuffer drawn;
    drawn.SetPixelFormat(lumen::PixelFormat::Bgra32);
    drawn.SetSize(40, 40);
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 40; ++x) {
            const int alpha = std::clamp(255 - 20 * std::abs(x - 20), 0, 255);
            drawn.SetPixel(x, y, alpha == 0 ? Bgra{0, 0, 0, 0} : Bgra{255, 255, 255, static_cast<uint8_t>(alpha)});
        }
    }
    for (int size : {30, 20, 60, 80}) {
        PixelBuffer shown;
        lumen::ResizePicture(drawn, shown, size, size);
        int soft = 0;
        for (int x = 0; x < size; ++x) {
            const Bgra p = shown.Pixel(x, size / 2);
            if (p.a == 0) {
                EXPECT_EQ(p, (Bgra{0, 0, 0, 0})) << "size " << size << " x " << x;
            } else {
                EXPECT_EQ(p.r + p.g + p.b, 3 * 255) << "size " << size << " x " << x << " alpha " << int(p.a);
                soft += p.a < 255 ? 1 : 0;
            }
        }
        EXPECT_GT(soft, 2) << "size " << size << ": the edge stays soft";
    }
}

}  // namespace
