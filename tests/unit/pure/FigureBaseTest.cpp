// Polygon figures: the size a figure takes with and without keeping its proportions,
// the scaled points, and which pixels a filled polygon covers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lumen/graphics/Bitmap.h"
#include "lumen/graphics/FigureBase.h"

using lumen::FigureBase;
using lumen::Point;
using lumen::Polygon;
using lumen::Size;

namespace {

std::string Show(Size s) {
    return std::to_string(s.width) + "x" + std::to_string(s.height);
}

// Rows of the picture as text, '#' for pixels of `ink`.
std::vector<std::string> Rows(const lumen::Bitmap& b, lumen::Bgra ink, int top, int bottom) {
    std::vector<std::string> rows;
    for (int y = top; y <= bottom; ++y) {
        std::string row;
        for (int x = 0; x < b.Width(); ++x) {
            row += b.Pixel(x, y) == ink ? '#' : '.';
        }
        rows.push_back(row);
    }
    return rows;
}

const lumen::Bgra kInk{1, 2, 3, 255};

}  // namespace

TEST(FigureFitSize, WithAndWithoutKeepingTheRatio) {
    struct Case {
        int ow, oh, width, height;
        bool keep;
        Size expected;
    };
    const Case cases[] = {
        {72, 22, 100, 100, false, {100, 100}},
        {72, 22, 144, 44, true, {144, 44}},
        {72, 22, 200, 44, true, {144, 44}},   // height decides
        {72, 22, 144, 100, true, {144, 44}},  // width decides
        {72, 22, 100, 100, true, {100, 30}},  // 22 x 100 / 72 = 30.6
        {72, 22, 30, 10, true, {30, 9}},      // 30 / 72 < 10 / 22; 22 x 30 / 72 = 9.2
        {72, 22, 200, 11, true, {36, 11}},
        {135, 27, 100, 100, true, {100, 20}},
        {3, 1, 1, 5, true, {1, 0}},  // a third of a pixel high
        {72, 22, 0, 50, true, {0, 0}},
    };
    for (const Case& c : cases) {
        const Size got = lumen::FitSize(c.ow, c.oh, c.width, c.height, c.keep);
        EXPECT_EQ(c.expected, got) << c.ow << "x" << c.oh << " into " << c.width << "x" << c.height
                                   << (c.keep ? " keeping the ratio" : "") << ": got " << Show(got) << ", expected "
                                   << Show(c.expected);
    }
}

TEST(FigureScale, PointsScaleFromTheOriginalAndTruncate) {
    struct Case {
        int width, height;
        std::vector<Point> expected;
    };
    // The digit's segment b, (14, 4)-(15, 9), in a box of 18 x 22 moved right by 18
    // (the second digit of a 36 x 22 row).
    const Polygon b = {{14, 4}, {15, 4}, {15, 9}, {14, 9}};
    const Case cases[] = {
        {36, 22, {{32, 4}, {33, 4}, {33, 9}, {32, 9}}},    {72, 44, {{64, 8}, {66, 8}, {66, 18}, {64, 18}}},
        {100, 30, {{88, 5}, {91, 5}, {91, 12}, {88, 12}}},  // 32 x 100 / 36 = 88.9, 4 x 30 / 22 = 5.5
        {18, 11, {{16, 2}, {16, 2}, {16, 4}, {16, 4}}},     // 33 / 2 = 16.5, 9 / 2 = 4.5
        {0, 0, {{0, 0}, {0, 0}, {0, 0}, {0, 0}}},
    };
    FigureBase figure(36, 22);
    figure.AddPolygon(b, 18);
    // The cases run on one figure, in order: each scale starts from the original, so
    // no rounding of an earlier size remains.
    for (const Case& c : cases) {
        figure.ScaleTo(c.width, c.height);
        const Polygon& got = figure.ScaledPolygon(0);
        ASSERT_EQ(c.expected.size(), got.size());
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(c.expected[i].x, got[i].x) << c.width << "x" << c.height << " point " << i;
            EXPECT_EQ(c.expected[i].y, got[i].y) << c.width << "x" << c.height << " point " << i;
        }
        EXPECT_EQ(c.width, figure.Width());
        EXPECT_EQ(c.height, figure.Height());
    }
    figure.ScaleTo(36, 22);
    EXPECT_EQ(figure.OriginalPolygon(0).front().x, figure.ScaledPolygon(0).front().x);
    // A polygon added to a scaled figure comes in at the current scale.
    figure.ScaleTo(72, 44);
    const size_t second = figure.AddPolygon({{1, 1}});
    EXPECT_EQ(2, figure.ScaledPolygon(second).front().x);
    EXPECT_EQ(2, figure.ScaledPolygon(second).front().y);
}

TEST(FigureFill, RectangleCoversItsOutline) {
    lumen::PixelBuffer b(18, 6, lumen::PixelFormat::Bgra32);
    lumen::FillPolygon(b, {{4, 2}, {12, 2}, {12, 3}, {4, 3}}, kInk);
    const std::vector<std::string> expected = {
        "..................", "..................", "....#########.....",
        "....#########.....", "..................", "..................",
    };
    EXPECT_EQ(expected, Rows(b, kInk, 0, 5));
}

TEST(FigureFill, SlantedAndConcaveShapes) {
    struct Case {
        const char* name;
        int width, height;
        Polygon polygon;
        int top, bottom;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        // The unit symbol's thin triangle.
        {"triangle",
         12,
         25,
         {{8, 20}, {10, 23}, {6, 20}},
         19,
         24,
         {"............", "......###...", ".......###..", ".........#..", "..........#.", "............"}},
        // The letter C's top bar with its slanted ends.
        {"bar",
         19,
         7,
         {{4, 4}, {5, 3}, {17, 3}, {15, 5}, {5, 5}},
         2,
         6,
         {"...................", ".....#############.", "....#############..", ".....###########...",
          "..................."}},
        // The unit symbol's T: concave, filled only where it is inside.
        {"T",
         12,
         8,
         {{1, 1}, {10, 1}, {9, 2}, {6, 2}, {6, 6}, {5, 6}, {5, 2}, {2, 2}},
         0,
         7,
         {"............", ".##########.", "..########..", ".....##.....", ".....##.....", ".....##.....",
          ".....##.....", "............"}},
    };
    for (const Case& c : cases) {
        lumen::PixelBuffer b(c.width, c.height, lumen::PixelFormat::Bgra32);
        lumen::FillPolygon(b, c.polygon, kInk);
        const std::vector<std::string> got = Rows(b, kInk, c.top, c.bottom);
        std::string shown;
        for (const std::string& row : got) {
            shown += "\n  " + row;
        }
        EXPECT_EQ(c.expected, got) << c.name << ", got:" << shown;
    }
}

TEST(FigureFill, ClipsToTheBitmap) {
    lumen::PixelBuffer b(4, 3, lumen::PixelFormat::Bgr24);
    lumen::FillPolygon(b, {{-5, -5}, {1, -5}, {1, 1}, {-5, 1}}, kInk);
    lumen::FillPolygon(b, {{3, 2}, {40, 2}, {40, 90}, {3, 90}}, kInk);
    const std::vector<std::string> expected = {"##..", "##..", "...#"};
    EXPECT_EQ(expected, Rows(b, kInk, 0, 2));
}
