// TLayout: blends, luminance, kernels and convolution, with exact integers.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "lumen/widget/TLayout.h"
#include "tests/unit/ReportRecorder.h"

using lumen::Bgra;
using lumen::PixelBuffer;
using lumen::PixelFormat;

namespace {

PixelBuffer Solid(int w, int h, PixelFormat format, Bgra pixel) {
    PixelBuffer b(w, h, format);
    b.Fill(pixel);
    return b;
}

}  // namespace

TEST(LayoutAlphaBlend, TransparentSourceLeavesDestinationAndOpaqueReplacesColourOnly) {
    PixelBuffer dst = Solid(3, 2, PixelFormat::Bgra32, {10, 20, 30, 77});
    const PixelBuffer clear = Solid(3, 2, PixelFormat::Bgra32, {200, 210, 220, 0});
    lumen::AlphaBlendBitmap(clear, dst);
    EXPECT_EQ((Bgra{10, 20, 30, 77}), dst.Pixel(2, 1));

    const PixelBuffer opaque = Solid(3, 2, PixelFormat::Bgra32, {200, 210, 220, 255});
    lumen::AlphaBlendBitmap(opaque, dst);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ((Bgra{200, 210, 220, 77}), dst.Pixel(x, y)) << x << "," << y;
        }
    }
}

TEST(LayoutAlphaBlend, PartialAlphaAndOpacityTruncate) {
    PixelBuffer dst = Solid(1, 1, PixelFormat::Bgr24, {100, 0, 255, 0});
    // 100 x (1 - 128/255) + 200 x 128/255 = 150.196; 0 -> 255 x 1/255 = 1; 255 -> 254.
    lumen::AlphaBlendBitmap(Solid(1, 1, PixelFormat::Bgra32, {200, 255, 0, 128}), dst);
    EXPECT_EQ((Bgra{150, 128, 127, 255}), dst.Pixel(0, 0));

    PixelBuffer a = Solid(1, 1, PixelFormat::Bgr24, {100, 0, 255, 0});
    lumen::AlphaBlendBitmap(Solid(1, 1, PixelFormat::Bgra32, {200, 255, 0, 1}), a);
    EXPECT_EQ((Bgra{100, 1, 254, 255}), a.Pixel(0, 0));

    // Alpha and opacity multiply: (128/255)^2 gives 125.196 -> 125.
    PixelBuffer b = Solid(1, 1, PixelFormat::Bgr24, {100, 100, 100, 0});
    lumen::AlphaBlendBitmap(Solid(1, 1, PixelFormat::Bgra32, {200, 200, 200, 128}), b, 128);
    EXPECT_EQ((Bgra{125, 125, 125, 255}), b.Pixel(0, 0));

    // 10 x (1 - a) + 250 x a with a = 200/255 x 100/255: 83.
    PixelBuffer c = Solid(1, 1, PixelFormat::Bgra32, {10, 10, 10, 9});
    lumen::AlphaBlendBitmap(Solid(1, 1, PixelFormat::Bgra32, {250, 250, 250, 200}), c, 100);
    EXPECT_EQ((Bgra{83, 83, 83, 9}), c.Pixel(0, 0));
}

TEST(LayoutAlphaBlend, TwentyFourBitSourceCountsAsOpaque) {
    PixelBuffer dst = Solid(2, 1, PixelFormat::Bgra32, {1, 2, 3, 4});
    lumen::AlphaBlendBitmap(Solid(2, 1, PixelFormat::Bgr24, {9, 8, 7, 0}), dst);
    EXPECT_EQ((Bgra{9, 8, 7, 4}), dst.Pixel(1, 0));
}

TEST(LayoutAlphaBlend, SourceRectangleLandsAtOffsetAndIsClippedToDestination) {
    // A 4x3 source whose pixels carry their own coordinates, blended opaque.
    PixelBuffer src(4, 3, PixelFormat::Bgra32);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) {
            src.SetPixel(x, y, Bgra{static_cast<uint8_t>(x), static_cast<uint8_t>(y), 100, 255});
        }
    }
    PixelBuffer dst = Solid(5, 4, PixelFormat::Bgr24, {50, 50, 50, 0});
    lumen::AlphaBlendBitmap(src, lumen::Rect{1, 1, 4, 3}, dst, lumen::Point{3, 3}, 255);
    // Only the source's (1,1) and (2,1) fit: they land on (3,3) and (4,3).
    EXPECT_EQ((Bgra{1, 1, 100, 255}), dst.Pixel(3, 3));
    EXPECT_EQ((Bgra{2, 1, 100, 255}), dst.Pixel(4, 3));
    EXPECT_EQ((Bgra{50, 50, 50, 255}), dst.Pixel(2, 3));
    EXPECT_EQ((Bgra{50, 50, 50, 255}), dst.Pixel(3, 2));

    // A negative offset cuts the rows and columns that would land before (0, 0).
    PixelBuffer dst2 = Solid(3, 3, PixelFormat::Bgra32, {50, 50, 50, 7});
    lumen::AlphaBlendBitmap(src, lumen::Rect{0, 0, 4, 3}, dst2, lumen::Point{-2, -1}, 200);
    // Source (2,1) at 200/255: 50 x 55/255 + 2 x 200/255 = 12.35 -> 12; 50 -> 11 + 0.78 = 11.
    EXPECT_EQ((Bgra{12, 11, 89, 7}), dst2.Pixel(0, 0));
    EXPECT_EQ((Bgra{50, 50, 50, 7}), dst2.Pixel(2, 2));
}

TEST(LayoutAlphaBlend, RectangleBeyondTheSourceIsAProgrammingError) {
    const PixelBuffer src = Solid(2, 2, PixelFormat::Bgra32, {0, 0, 0, 255});
    PixelBuffer dst = Solid(8, 8, PixelFormat::Bgr24, {0, 0, 0, 0});
    EXPECT_NE(std::string::npos, testutil::AssertionOf([&] {
                                     lumen::AlphaBlendBitmap(src, lumen::Rect{0, 0, 3, 2}, dst, {0, 0}, 255);
                                 }).find("maxRow <= src->Height && maxCol <= src->Width"));
    EXPECT_NE(std::string::npos, testutil::AssertionOf([&] {
                                     lumen::AlphaBlendBitmap(src, lumen::Rect{0, 1, 2, 3}, dst, {0, 0}, 100);
                                 }).find("maxRow <= src->Height && maxCol <= src->Width"));
    // Clipped by the destination, the same rectangle stays inside the source.
    PixelBuffer small = Solid(2, 1, PixelFormat::Bgr24, {0, 0, 0, 0});
    EXPECT_EQ("", testutil::AssertionOf([&] {
                  lumen::AlphaBlendBitmap(src, lumen::Rect{0, 0, 3, 3}, small, {0, 0}, 255);
              }));
}

TEST(LayoutBlend, OpacityEndsCopyOrKeepAndTheMiddleTruncates) {
    const PixelBuffer src = Solid(3, 2, PixelFormat::Bgra32, {255, 0, 90, 0});
    PixelBuffer full = Solid(3, 2, PixelFormat::Bgra32, {0, 255, 40, 255});
    lumen::BlendBitmap(src, full, 255);
    EXPECT_EQ((Bgra{255, 0, 90, 0}), full.Pixel(2, 1));

    PixelBuffer none = Solid(3, 2, PixelFormat::Bgra32, {0, 255, 40, 255});
    lumen::BlendBitmap(src, none, 0);
    EXPECT_EQ((Bgra{0, 255, 40, 255}), none.Pixel(2, 1));

    // Both 32-bit: all four bytes, alpha included.
    PixelBuffer half = Solid(3, 2, PixelFormat::Bgra32, {0, 255, 40, 255});
    lumen::BlendBitmap(src, half, 128);
    EXPECT_EQ((Bgra{128, 127, 65, 127}), half.Pixel(0, 0));
}

TEST(LayoutBlend, MixedDepthsBlendColourOnlyOverTheCommonArea) {
    PixelBuffer dst = Solid(3, 3, PixelFormat::Bgra32, {200, 200, 200, 33});
    lumen::BlendBitmap(Solid(2, 2, PixelFormat::Bgr24, {10, 10, 10, 0}), dst, 128);
    EXPECT_EQ((Bgra{104, 104, 104, 33}), dst.Pixel(1, 1));
    EXPECT_EQ((Bgra{200, 200, 200, 33}), dst.Pixel(2, 1));
    EXPECT_EQ((Bgra{200, 200, 200, 33}), dst.Pixel(0, 2));
}

TEST(LayoutCopyBackground, CopiesTheRectangleAsTwentyFourBitsAndBlackOutside) {
    PixelBuffer canvas(4, 3, PixelFormat::Bgra32);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) {
            canvas.SetPixel(x, y, Bgra{static_cast<uint8_t>(10 * x), static_cast<uint8_t>(10 * y), 1, 0});
        }
    }
    PixelBuffer out = Solid(9, 9, PixelFormat::Bgra32, {9, 9, 9, 9});
    lumen::CopyBackgroundRect(canvas, out, lumen::Rect{2, 1, 5, 3});
    ASSERT_EQ(PixelFormat::Bgr24, out.Format());
    ASSERT_EQ(3, out.Width());
    ASSERT_EQ(2, out.Height());
    EXPECT_EQ((Bgra{20, 10, 1, 255}), out.Pixel(0, 0));
    EXPECT_EQ((Bgra{30, 20, 1, 255}), out.Pixel(1, 1));
    EXPECT_EQ((Bgra{0, 0, 0, 255}), out.Pixel(2, 0));  // column 4 lies outside the canvas
}

TEST(LayoutLuminance, WhiteBlackAndWeightedChannels) {
    PixelBuffer b(3, 1, PixelFormat::Bgra32);
    b.SetPixel(0, 0, {255, 255, 255, 0});
    b.SetPixel(1, 0, {0, 0, 0, 255});
    b.SetPixel(2, 0, {50, 100, 200, 255});  // B 50, G 100, R 200: 59.8 + 58.7 + 5.7 + 0.5
    const lumen::IntMatrix m = lumen::LuminanceMap(b);
    ASSERT_EQ(1, m.Rows());
    ASSERT_EQ(3, m.Cols());
    EXPECT_EQ(255, m.At(0, 0));
    EXPECT_EQ(0, m.At(0, 1));
    EXPECT_EQ(124, m.At(0, 2));
}

TEST(LayoutKernel, FixedKernelsAreSharedAndSumToTheirDivisors) {
    const lumen::GaussianFilterFactory factory(3.0f);  // sigma plays no part in r = 1, 2
    auto k1 = factory.MakeKernel(1);
    auto k2 = factory.MakeKernel(2);
    auto again = factory.MakeKernel(2);
    EXPECT_EQ(k2.get(), again.get());
    EXPECT_EQ(16, k1->divisor);
    EXPECT_EQ(273, k2->divisor);
    int sum1 = 0;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            sum1 += k1->entries.At(i, j);
        }
    }
    EXPECT_EQ(16, sum1);
    EXPECT_EQ(4, k1->entries.At(1, 1));
    EXPECT_EQ(41, k2->entries.At(2, 2));
    EXPECT_EQ(7, k2->entries.At(0, 2));
    EXPECT_EQ(26, k2->entries.At(1, 2));
    int sum2 = 0;
    for (int i = 0; i < 5; ++i) {
        for (int j = 0; j < 5; ++j) {
            sum2 += k2->entries.At(i, j);
        }
    }
    EXPECT_EQ(273, sum2);
}

TEST(LayoutKernel, ComputedKernelFollowsSigma) {
    auto k = lumen::GaussianFilterFactory(1.0f).MakeKernel(3);
    ASSERT_EQ(7, k->entries.Rows());
    EXPECT_EQ(8103, k->entries.At(3, 3));  // scale trunc(e^9 + 0.5)
    EXPECT_EQ(1, k->entries.At(0, 0));
    EXPECT_EQ(90, k->entries.At(0, 3));
    EXPECT_EQ(90, k->entries.At(3, 6));
    EXPECT_EQ(4915, k->entries.At(2, 3));
    EXPECT_EQ(50887, k->divisor);

    auto wide = lumen::GaussianFilterFactory(1.5f).MakeKernel(3);
    EXPECT_EQ(55, wide->entries.At(3, 3));
    EXPECT_EQ(1, wide->entries.At(6, 6));
    EXPECT_EQ(747, wide->divisor);
}

TEST(LayoutKernel, RadiusZeroAndOverflowingKernelsArePreconditions) {
    const lumen::GaussianFilterFactory factory;
    EXPECT_NE(std::string::npos, testutil::AssertionOf([&] { (void)factory.MakeKernel(0); }).find("r > 0"));
    // e^(r^2) overflows an int long before r = 10 with sigma 1.
    EXPECT_NE("", testutil::AssertionOf([&] { (void)factory.MakeKernel(10); }));
    EXPECT_NE("", testutil::AssertionOf([&] { (void)lumen::GaussianFilterFactory(0.0f).MakeKernel(3); }));
}

TEST(LayoutConvolve, RoundsHalfUp) {
    auto k = lumen::GaussianFilterFactory().MakeKernel(1);
    // A lone corner value weighs 1 of 16 at the centre.
    const std::pair<int, int> cases[] = {{7, 0}, {8, 1}, {23, 1}, {24, 2}};
    for (const auto& [corner, expected] : cases) {
        lumen::IntMatrix in(3, 3, 0);
        in.At(0, 0) = corner;
        lumen::IntMatrix out(3, 3, -1);
        lumen::Convolve(in, 3, 3, k->entries, 3, 3, out, 1, 1, k->divisor);
        EXPECT_EQ(expected, out.At(1, 1)) << "corner " << corner;
        EXPECT_EQ(-1, out.At(0, 0));
        EXPECT_EQ(-1, out.At(2, 2));
    }
}

TEST(LayoutConvolve, SlidesOverTheValidAreaOnlyAtTheOffset) {
    auto k = lumen::GaussianFilterFactory().MakeKernel(2);
    lumen::IntMatrix in(5, 7, 10);
    in.At(0, 6) = 273;  // only the window at column 2 sees it, with weight 1
    lumen::IntMatrix out(5, 7, -1);
    lumen::Convolve(in, 5, 7, k->entries, 5, 5, out, 2, 2, k->divisor);
    EXPECT_EQ(10, out.At(2, 2));
    EXPECT_EQ(10, out.At(2, 3));
    EXPECT_EQ(11, out.At(2, 4));  // (2730 - 10 + 273 + 136) / 273 = 11
    int written = 0;
    for (int r = 0; r < 5; ++r) {
        for (int c = 0; c < 7; ++c) {
            written += out.At(r, c) != -1;
        }
    }
    EXPECT_EQ(3, written);
}

TEST(LayoutConvolve, AnOutputTooSmallForTheOffsetIsAProgrammingError) {
    auto k = lumen::GaussianFilterFactory().MakeKernel(1);
    lumen::IntMatrix in(4, 4, 1);
    lumen::IntMatrix out(4, 4, 0);
    EXPECT_NE("", testutil::AssertionOf([&] { lumen::Convolve(in, 4, 4, k->entries, 3, 3, out, 3, 1, 16); }));
    EXPECT_NE("", testutil::AssertionOf([&] { lumen::Convolve(in, 5, 4, k->entries, 3, 3, out, 0, 0, 16); }));
    EXPECT_NE("", testutil::AssertionOf([&] { lumen::Convolve(in, 4, 4, k->entries, 3, 3, out, 0, 0, 0); }));
    EXPECT_EQ("", testutil::AssertionOf([&] { lumen::Convolve(in, 4, 4, k->entries, 3, 3, out, 1, 1, 16); }));
    EXPECT_EQ(1, out.At(2, 2));
}
