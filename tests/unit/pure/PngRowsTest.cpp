// Conversion of the codec's rows into the program's bitmaps.
#include <gtest/gtest.h>

#include <vector>

#include "lumen/graphics/PngRows.h"

using lumen::Bgra;
using lumen::PixelBuffer;
using lumen::PixelFormat;

namespace {

// A record over caller-owned rows.
struct Record {
    Record(uint32_t w, uint32_t h, uint32_t colorType, std::vector<uint8_t> bytes) : data(std::move(bytes)), rows(h) {
        const uint32_t stride = colorType == 6 ? 4 : 3;
        for (uint32_t y = 0; y < h; ++y) {
            rows[y] = data.data() + y * w * stride;
        }
        record = PngData{w, h, 8, colorType, w * stride, rows.data()};
    }
    std::vector<uint8_t> data;
    std::vector<uint8_t*> rows;
    PngData record;
};

}  // namespace

TEST(PngRows, TruecolourWithoutAlphaBecomesOpaque) {
    Record r(2, 1, 2, {10, 20, 30, 40, 50, 60});
    PixelBuffer b(1, 1, PixelFormat::Bgra32);
    ASSERT_TRUE(lumen::ConvertPngRows(r.record, b));
    EXPECT_EQ(PixelFormat::Bgra32, b.Format());
    EXPECT_EQ((Bgra{30, 20, 10, 255}), b.Pixel(0, 0));
    EXPECT_EQ((Bgra{60, 50, 40, 255}), b.Pixel(1, 0));
}

TEST(PngRows, AlphaZeroBecomesBlackAndAlphaOneKeepsItsColour) {
    Record r(3, 1, 6, {10, 20, 30, 0, 10, 20, 30, 1, 200, 100, 50, 255});
    PixelBuffer b(1, 1, PixelFormat::Bgra32);
    ASSERT_TRUE(lumen::ConvertPngRows(r.record, b));
    EXPECT_EQ((Bgra{0, 0, 0, 0}), b.Pixel(0, 0));
    EXPECT_EQ((Bgra{30, 20, 10, 1}), b.Pixel(1, 0));
    EXPECT_EQ((Bgra{50, 100, 200, 255}), b.Pixel(2, 0));
}

TEST(PngRows, OnePixelGivesOnePixel) {
    Record r(1, 1, 6, {1, 2, 3, 4});
    PixelBuffer b(9, 9, PixelFormat::Bgra32);
    ASSERT_TRUE(lumen::ConvertPngRows(r.record, b));
    EXPECT_EQ(1, b.Width());
    EXPECT_EQ(1, b.Height());
    EXPECT_EQ((Bgra{3, 2, 1, 4}), b.Pixel(0, 0));
}

TEST(PngRows, ATwentyFourBitTargetTakesColourOnly) {
    // Odd width: the target's rows are padded, the record's are not.
    Record r(3, 2, 6, {1, 2, 3, 0, 4, 5, 6, 9, 7, 8, 9, 255, 11, 12, 13, 1, 14, 15, 16, 2, 17, 18, 19, 3});
    PixelBuffer b(1, 1, PixelFormat::Bgr24);
    ASSERT_TRUE(lumen::ConvertPngRows(r.record, b));
    EXPECT_EQ(PixelFormat::Bgr24, b.Format());
    EXPECT_EQ((Bgra{3, 2, 1, 255}), b.Pixel(0, 0));
    EXPECT_EQ((Bgra{19, 18, 17, 255}), b.Pixel(2, 1));
}

TEST(PngRows, UnusableRecordsLeaveTheBitmapAlone) {
    PixelBuffer b(2, 2, PixelFormat::Bgra32);
    b.Fill({9, 9, 9, 9});
    PngData none = {};
    EXPECT_FALSE(lumen::ConvertPngRows(none, b));
    Record holes(2, 2, 6, std::vector<uint8_t>(16, 1));
    holes.rows[1] = nullptr;
    EXPECT_FALSE(lumen::ConvertPngRows(holes.record, b));
    Record huge(1, 1, 6, {1, 2, 3, 4});
    huge.record.width = 1u << 20;
    huge.record.height = 1u << 20;
    EXPECT_FALSE(lumen::ConvertPngRows(huge.record, b));
    EXPECT_EQ(2, b.Width());
    EXPECT_EQ((Bgra{9, 9, 9, 9}), b.Pixel(1, 1));
}
