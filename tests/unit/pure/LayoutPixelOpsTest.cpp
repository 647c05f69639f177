// The pixel model (formats, sizes, row padding) and the whole-picture operations of
// the layered windows and regions.
#include <gtest/gtest.h>

#include <vector>

#include "lumen/graphics/Bitmap.h"
#include "lumen/graphics/PixelOps.h"

using lumen::Bgra;
using lumen::ColourRun;
using lumen::PixelBuffer;
using lumen::PixelFormat;

TEST(LayoutBitmap, RowsArePaddedLikeADib) {
    EXPECT_EQ(24u, lumen::RowStride(7, PixelFormat::Bgr24));  // 21 bytes -> 24
    EXPECT_EQ(4u, lumen::RowStride(1, PixelFormat::Bgr24));
    EXPECT_EQ(28u, lumen::RowStride(7, PixelFormat::Bgra32));
    EXPECT_EQ(0u, lumen::RowStride(0, PixelFormat::Bgra32));
    PixelBuffer b(7, 2, PixelFormat::Bgr24);
    EXPECT_EQ(b.ScanLine(0) + 24, b.ScanLine(1));
}

TEST(LayoutBitmap, FormatChangesKeepThePicture) {
    PixelBuffer b(3, 2, PixelFormat::Bgra32);
    b.SetPixel(2, 1, {1, 2, 3, 4});
    b.SetPixelFormat(PixelFormat::Bgr24);
    EXPECT_EQ((Bgra{1, 2, 3, 255}), b.Pixel(2, 1));
    b.SetPixelFormat(PixelFormat::Bgra32);
    EXPECT_EQ((Bgra{1, 2, 3, 255}), b.Pixel(2, 1));  // a 24-bit picture is opaque
    EXPECT_EQ((Bgra{0, 0, 0, 255}), b.Pixel(0, 0));
}

TEST(LayoutBitmap, ResizeKeepsTheTopLeftAndZeroesTheRest) {
    PixelBuffer b(2, 2, PixelFormat::Bgra32);
    b.Fill({9, 9, 9, 9});
    b.SetSize(3, 1);
    EXPECT_EQ(3, b.Width());
    EXPECT_EQ(1, b.Height());
    EXPECT_EQ((Bgra{9, 9, 9, 9}), b.Pixel(1, 0));
    EXPECT_EQ((Bgra{0, 0, 0, 0}), b.Pixel(2, 0));
    b.SetSize(0, 5);
    EXPECT_TRUE(b.Empty());
    EXPECT_EQ(0, b.Height());
}

TEST(LayoutBitmap, AssignCopiesFormatSizeAndPixels) {
    PixelBuffer a(5, 3, PixelFormat::Bgr24);
    a.SetPixel(4, 2, {7, 8, 9, 0});
    PixelBuffer b(1, 1, PixelFormat::Bgra32);
    b.Assign(a);
    EXPECT_EQ(PixelFormat::Bgr24, b.Format());
    EXPECT_EQ(5, b.Width());
    EXPECT_EQ((Bgra{7, 8, 9, 255}), b.Pixel(4, 2));
    b.Assign(b);
    EXPECT_EQ((Bgra{7, 8, 9, 255}), b.Pixel(4, 2));
}

TEST(LayoutPremultiply, ScalesColourByAlphaWithIntegerDivision) {
    PixelBuffer b(4, 1, PixelFormat::Bgra32);
    b.SetPixel(0, 0, {255, 255, 255, 255});
    b.SetPixel(1, 0, {200, 100, 50, 128});  // 200 x 128 / 255 = 100.39 -> 100, 50.19 -> 50, 25.09 -> 25
    b.SetPixel(2, 0, {77, 77, 77, 0});
    b.SetPixel(3, 0, {254, 1, 255, 1});
    lumen::PremultiplyAlpha(b);
    EXPECT_EQ((Bgra{255, 255, 255, 255}), b.Pixel(0, 0));
    EXPECT_EQ((Bgra{100, 50, 25, 128}), b.Pixel(1, 0));
    EXPECT_EQ((Bgra{0, 0, 0, 0}), b.Pixel(2, 0));
    EXPECT_EQ((Bgra{0, 0, 1, 1}), b.Pixel(3, 0));
}

TEST(LayoutPremultiply, LeavesTwentyFourBitBitmapsAlone) {
    PixelBuffer b(1, 1, PixelFormat::Bgr24);
    b.SetPixel(0, 0, {200, 100, 50, 0});
    lumen::PremultiplyAlpha(b);
    EXPECT_EQ((Bgra{200, 100, 50, 255}), b.Pixel(0, 0));
}

TEST(LayoutShadow, BlackensEveryVisiblePixelAndKeepsAlpha) {
    PixelBuffer b(3, 1, PixelFormat::Bgra32);
    b.SetPixel(0, 0, {10, 20, 30, 0});
    b.SetPixel(1, 0, {10, 20, 30, 1});
    b.SetPixel(2, 0, {10, 20, 30, 200});
    lumen::BlackenVisiblePixels(b);
    EXPECT_EQ((Bgra{10, 20, 30, 0}), b.Pixel(0, 0));
    EXPECT_EQ((Bgra{0, 0, 0, 1}), b.Pixel(1, 0));
    EXPECT_EQ((Bgra{0, 0, 0, 200}), b.Pixel(2, 0));
}

TEST(LayoutTransparentColour, IsTheBottomLeftPixel) {
    PixelBuffer b(3, 4, PixelFormat::Bgr24);
    b.Fill({1, 1, 1, 0});
    b.SetPixel(0, 3, {0xFF, 0x00, 0xFE, 0});  // B, G, R
    EXPECT_EQ(lumen::RgbValue(0xFE, 0x00, 0xFF), lumen::TransparentColourOf(b));
    EXPECT_EQ(0x00FF00FEu, lumen::TransparentColourOf(b));
    EXPECT_EQ(0u, lumen::TransparentColourOf(PixelBuffer()));
}

TEST(LayoutColourRuns, MaximalRunsPerRowNeverMergedAcrossRows) {
    const Bgra key{255, 0, 255, 0};
    const Bgra ink{1, 2, 3, 0};
    PixelBuffer b(5, 3, PixelFormat::Bgra32);
    b.Fill(key);
    b.SetPixel(2, 0, ink);
    b.SetPixel(0, 1, ink);
    b.SetPixel(4, 1, ink);
    // Alpha is no part of the comparison.
    b.SetPixel(1, 2, {255, 0, 255, 77});
    const std::vector<ColourRun> runs = lumen::FindColourRuns(b, lumen::RgbValue(255, 0, 255));
    const std::vector<ColourRun> expected = {{0, 0, 2}, {0, 3, 5}, {1, 1, 4}, {2, 0, 5}};
    EXPECT_EQ(expected, runs);
}

TEST(LayoutColourRuns, AllOrNothing) {
    PixelBuffer b(6, 2, PixelFormat::Bgr24);
    b.Fill({10, 20, 30, 0});
    EXPECT_TRUE(lumen::FindColourRuns(b, lumen::RgbValue(31, 20, 10)).empty());
    const std::vector<ColourRun> all = {{0, 0, 6}, {1, 0, 6}};
    EXPECT_EQ(all, lumen::FindColourRuns(b, lumen::RgbValue(30, 20, 10)));
}
