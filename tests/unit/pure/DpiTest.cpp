#include "lumen/graphics/Dpi.h"

#include <gtest/gtest.h>

namespace {

TEST(Dpi, ScalingRoundsToTheNearestPixelHalvesAwayFromZero) {
    const struct {
        int value;
        int dpi;
        int expected;
    } rows[] = {
        {326, 96, 326},
        {326, 120, 408},  // 407.5
        {5, 144, 8},      // 7.5
        {-5, 144, -8},
        {-11, 144, -17},  // a font height, -16.5
        {329, 144, 494},
        {326, 192, 652},
        {1, 288, 3},
        // Large values do not overflow on the way.
        {30000000, 288, 90000000},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(lumen::ScaleToDpi(row.value, row.dpi), row.expected) << row.value << " at " << row.dpi;
    }
}

TEST(Dpi, AReadDpiIsKeptBetween100And300Percent) {
    const struct {
        int read;
        int expected;
    } rows[] = {{-1, 96}, {0, 96}, {72, 96}, {96, 96}, {97, 97}, {144, 144}, {288, 288}, {289, 288}, {480, 288}};
    for (const auto& row : rows) {
        EXPECT_EQ(lumen::ClampDpi(row.read), row.expected) << row.read;
    }
}

}  // namespace
