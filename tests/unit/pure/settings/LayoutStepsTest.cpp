// The settings window's opening and closing steps.
#include <gtest/gtest.h>

#include <vector>

#include "surgepad/settings/LayoutSteps.h"

using namespace surgepad;

TEST(LayoutSteps, OpeningCopiesEveryRowOnceAndGrowsThreeRowsAStep) {
    const std::vector<StripStep> steps = OpeningStrips();
    ASSERT_GE(steps.size(), 3u);
    EXPECT_EQ((StripStep{0, 40, 40}), steps.front());
    EXPECT_EQ((StripStep{40, 43, 43}), steps[1]);
    EXPECT_EQ((StripStep{331, 334, 334}), steps[steps.size() - 2]);
    EXPECT_EQ((StripStep{334, 336, 336}), steps.back());
    // Each step copies exactly the rows the previous one left out, and the strip
    // sits right under them.
    int next = 0;
    for (size_t i = 0; i < steps.size(); ++i) {
        EXPECT_EQ(next, steps[i].copyFrom) << "step " << i;
        EXPECT_EQ(steps[i].copyTo, steps[i].strip) << "step " << i;
        next = steps[i].copyTo;
    }
    EXPECT_EQ(kStripTop, next);
}

TEST(LayoutSteps, ClosingMovesOnlyTheStripFromTheFullSkinDownToFortyRows) {
    const std::vector<StripStep> steps = ClosingStrips();
    ASSERT_GE(steps.size(), 3u);
    EXPECT_EQ((StripStep{0, 336, 336}), steps.front());
    EXPECT_EQ((StripStep{0, 0, 333}), steps[1]);
    EXPECT_EQ((StripStep{0, 0, 42}), steps[steps.size() - 2]);
    EXPECT_EQ((StripStep{0, 0, 40}), steps.back());
    for (size_t i = 1; i < steps.size(); ++i) {
        EXPECT_EQ(steps[i].copyFrom, steps[i].copyTo) << "step " << i << " copies rows";
        EXPECT_LT(steps[i].strip, steps[i - 1].strip) << "step " << i;
    }
}

// At every display scale the animation takes as many steps, and ends on the scaled
// skin's strip.
TEST(LayoutSteps, EveryScaleTakesTheSameStepsToTheScaledStrip) {
    const size_t opening = OpeningStrips().size();
    const size_t closing = ClosingStrips().size();
    for (int dpi : {120, 144, 192}) {
        const StripGeometry g = StripGeometryAt(dpi);
        const std::vector<StripStep> open = OpeningStrips(g);
        EXPECT_NEAR(static_cast<double>(open.size()), static_cast<double>(opening), 1.0) << "dpi " << dpi;
        EXPECT_NEAR(static_cast<double>(ClosingStrips(g).size()), static_cast<double>(closing), 1.0) << "dpi " << dpi;
        EXPECT_EQ(open.back().strip, g.stripTop) << "dpi " << dpi;
        EXPECT_EQ(StripPlacement(g.stripTop, g).clearTo, g.skinHeight) << "dpi " << dpi;
    }
    EXPECT_EQ(StripGeometryAt(192).skinHeight, 746);
    EXPECT_EQ(StripGeometryAt(144).StripRows(), 56);
}

TEST(LayoutSteps, StripPlacement) {
    struct Case {
        int y;
        StripRows want;
    } cases[] = {
        {40, {40, 77, 77, 373}},     {336, {336, 373, 373, 373}},  // the complete skin: nothing cleared
        {0, {0, 37, 37, 373}},       {-5, {0, 37, 37, 373}},       // clamped, never outside the picture
        {400, {336, 373, 373, 373}},
    };
    for (const Case& c : cases) {
        const StripRows got = StripPlacement(c.y);
        EXPECT_EQ(c.want.stripFrom, got.stripFrom) << "y " << c.y;
        EXPECT_EQ(c.want.stripTo, got.stripTo) << "y " << c.y;
        EXPECT_EQ(c.want.clearFrom, got.clearFrom) << "y " << c.y;
        EXPECT_EQ(c.want.clearTo, got.clearTo) << "y " << c.y;
    }
}

TEST(LayoutSteps, FadesEndOnTheirLimits) {
    const std::vector<uint8_t> in = FadeInAlphas();
    ASSERT_EQ(27u, in.size());  // 0, 10, ..., 250, 255
    EXPECT_EQ(0, in.front());
    EXPECT_EQ(250, in[25]);
    EXPECT_EQ(255, in.back());
    const std::vector<uint8_t> out = FadeOutAlphas();
    ASSERT_EQ(27u, out.size());  // 255, 245, ..., 5, 0
    EXPECT_EQ(255, out.front());
    EXPECT_EQ(5, out[25]);
    EXPECT_EQ(0, out.back());
}
