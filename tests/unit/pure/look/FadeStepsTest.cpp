// Step arithmetic of the fades and the logo cross-fade.
#include <gtest/gtest.h>

#include <vector>

#include "surgepad/look/FadeSteps.h"

using surgepad::FadeAlpha;
using surgepad::FadeClock;

namespace {
std::vector<int> Sequence(int maximum, bool fadeOut) {
    std::vector<int> alphas;
    for (uint32_t step = 1; step < surgepad::kFadeSteps; ++step) {
        alphas.push_back(FadeAlpha(maximum, step, fadeOut));
    }
    return alphas;
}
}  // namespace

TEST(FadeAlpha, OsdFadeOutRuns249DownTo5) {
    const std::vector<int> out = Sequence(255, true);
    ASSERT_EQ(49u, out.size());
    EXPECT_EQ(249, out.front());
    EXPECT_EQ(244, out[1]);
    EXPECT_EQ(239, out[2]);
    EXPECT_EQ(51, out[39]);  // 5.1 x 10 is whole: no 50 from rounding
    EXPECT_EQ((std::vector<int>{15, 10, 5}), std::vector<int>(out.end() - 3, out.end()));
}

TEST(FadeAlpha, StatusFadesStayBelowItsMaximum) {
    const std::vector<int> in = Sequence(120, false);
    EXPECT_EQ((std::vector<int>{2, 4, 7, 9}), std::vector<int>(in.begin(), in.begin() + 4));
    EXPECT_EQ((std::vector<int>{112, 115, 117}), std::vector<int>(in.end() - 3, in.end()));
    const std::vector<int> out = Sequence(120, true);
    EXPECT_EQ((std::vector<int>{117, 115, 112}), std::vector<int>(out.begin(), out.begin() + 3));
    EXPECT_EQ((std::vector<int>{7, 4, 2}), std::vector<int>(out.end() - 3, out.end()));
}

TEST(FadeClock, FirstUpdateAfter50msAndStarvedStepsJump) {
    FadeClock clock;
    EXPECT_FALSE(clock.Due(0));
    EXPECT_FALSE(clock.Due(49));
    EXPECT_EQ(1u, clock.Due(50));
    EXPECT_FALSE(clock.Due(99));
    EXPECT_EQ(2u, clock.Due(100));
    // Starved for 600 ms: straight to the current step.
    EXPECT_EQ(14u, clock.Due(700));
    EXPECT_EQ(49u, clock.Due(2499));
    EXPECT_FALSE(clock.Due(2500));
    EXPECT_TRUE(FadeClock::Finished(2500));
}

TEST(FadeClock, WaitsUntilTheNextBoundary) {
    EXPECT_EQ(50u, FadeClock::WaitForNextStep(0));
    EXPECT_EQ(1u, FadeClock::WaitForNextStep(49));
    EXPECT_EQ(50u, FadeClock::WaitForNextStep(50));
    EXPECT_EQ(30u, FadeClock::WaitForNextStep(2470));
    EXPECT_EQ(0u, FadeClock::WaitForNextStep(2500));
}

TEST(FadeClock, TickWrapKeepsTheDuration) {
    const uint32_t start = 0xFFFFFF00u;
    EXPECT_EQ(0x100u + 0x10u, surgepad::TickDifference(0x10u, start));
    EXPECT_EQ(2500u, surgepad::TickDifference(start + 2500u, start));
}

TEST(LogoWeight, ThirtyOneFramesFromOldToNew) {
    const std::vector<int> expected = {255, 246, 238, 229, 221, 212, 204, 195, 187, 178, 170, 161, 153, 144, 136, 127,
                                       119, 110, 102, 93,  85,  76,  68,  59,  51,  42,  34,  25,  17,  8,   0};
    std::vector<int> got;
    for (int i = 0; i < surgepad::kLogoFrames; ++i) {
        got.push_back(surgepad::LogoWeight(i));
    }
    EXPECT_EQ(expected, got);
}
