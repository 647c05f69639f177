// The comparison of pictures with their approved ones: where the tolerance ends, the
// difference picture, a fading window judged at its opacity, and what a check leaves
// behind (the three pictures on a difference, approved pictures written only when
// they change).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/pictures/Picture.h"

namespace {

using pictures::Picture;

// A picture with some structure: a gradient, so that a shifted or faded picture differs.
Picture Gradient(int width, int height) {
    Picture p = pictures::Filled(width, height, 0, 0, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint8_t* px = p.At(x, y);
            px[0] = static_cast<uint8_t>(40 + x * 2);
            px[1] = static_cast<uint8_t>(30 + y * 2);
            px[2] = static_cast<uint8_t>(200 - x);
        }
    }
    return p;
}

// `base` with the first `pixels` pixels' red channel moved by `by`.
Picture Changed(Picture p, int pixels, int by) {
    for (int i = 0; i < pixels; ++i) {
        p.rgb[static_cast<size_t>(i) * 3] = static_cast<uint8_t>(p.rgb[static_cast<size_t>(i) * 3] + by);
    }
    return p;
}

TEST(PictureCompare, MatchesWithinTheToleranceOfAChannelAndOfTheNumberOfPixels) {
    const Picture approved = Gradient(100, 100);  // 10,000 pixels: 4 may differ
    struct Case {
        const char* what;
        Picture got;
        bool matches;
        int differing;
    };
    const Case cases[] = {
        {"the same", approved, true, 0},
        {"every pixel 8 off", Changed(approved, 10000, 8), true, 0},
        {"4 pixels 9 off", Changed(approved, 4, 9), true, 4},
        {"5 pixels 9 off", Changed(approved, 5, 9), false, 5},
        {"one row wider", Gradient(101, 100), false, 100},
    };
    for (const Case& c : cases) {
        const pictures::Comparison got = pictures::Compare(c.got, approved);
        EXPECT_EQ(got.Matches(), c.matches) << c.what;
        EXPECT_EQ(got.differing, c.differing) << c.what;
    }
    EXPECT_EQ(pictures::Tolerance{}.Allowed(658 * 746), 49) << "the settings window at 200 %";
}

TEST(PictureCompare, TheDifferencePictureIsTheApprovedOneInGreyWithTheDifferencesInRed) {
    const Picture approved = pictures::Filled(3, 1, 90, 90, 90);
    Picture got = approved;
    got.At(1, 0)[2] = 200;
    const pictures::Comparison c = pictures::Compare(got, approved);
    const Picture expected{3, 1, {30, 30, 30, 255, 0, 0, 30, 30, 30}};
    EXPECT_EQ(c.diff.rgb, expected.rgb);
    EXPECT_EQ(c.largest, 110);
}

TEST(PictureCompare, AFadingWindowIsJudgedAtTheOpacityItWasCaughtAt) {
    const Picture approved = Gradient(120, 90);
    const auto fadedTo = [](Picture p, int alpha) {
        for (uint8_t& channel : p.rgb) {
            channel = static_cast<uint8_t>(channel * alpha / 255);
        }
        return p;
    };
    struct Case {
        const char* what;
        Picture got;
        bool matches;
        int alpha;
    };
    const Case cases[] = {
        {"full", approved, true, 255},
        {"at 200", fadedTo(approved, 200), true, 200},
        {"at 200, 20 pixels changed", Changed(fadedTo(approved, 200), 20, 40), false, 200},
        {"at 60, too faint", fadedTo(approved, 60), false, 60},
    };
    for (const Case& c : cases) {
        const pictures::Comparison got = pictures::CompareFaded(c.got, approved, 96);
        EXPECT_EQ(got.Matches(), c.matches) << c.what;
        EXPECT_NEAR(got.alpha, c.alpha, 1) << c.what;
    }
}

TEST(PictureCompare, ACheckLeavesThePicturesOfADifferenceAndApprovingWritesOnlyChanges) {
    const std::filesystem::path root = std::filesystem::temp_directory_path() / "picture-compare-test";
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root / "approved");
    std::filesystem::create_directories(root / "out");
    pictures::CheckPlace place{(root / "approved").string(), (root / "out").string(), "build/pictures", false};
    const Picture drawn = Gradient(40, 30);
    const auto exists = [&](const char* folder, const char* file) {
        return std::filesystem::exists(root / folder / file);
    };

    pictures::Verdict v = pictures::CheckPicture(drawn, "list", place);
    EXPECT_FALSE(v.ok);
    EXPECT_NE(v.message.find("no approved picture"), std::string::npos) << v.message;
    EXPECT_TRUE(exists("out", "list.png"));

    place.approve = true;
    EXPECT_EQ(pictures::CheckPicture(drawn, "list", place).message, "list: approved (new)");
    const auto written = std::filesystem::last_write_time(root / "approved" / "list.png");
    EXPECT_EQ(pictures::CheckPicture(Changed(drawn, 3, 20), "list", place).message, "list: the approved picture stays");
    EXPECT_EQ(std::filesystem::last_write_time(root / "approved" / "list.png"), written);

    place.approve = false;
    v = pictures::CheckPicture(drawn, "list", place);
    EXPECT_TRUE(v.ok) << v.message;
    std::filesystem::remove(root / "out" / "list.png");
    v = pictures::CheckPicture(Changed(drawn, 30, 60), "list", place);
    EXPECT_FALSE(v.ok);
    EXPECT_NE(v.message.find("30 pixels differ"), std::string::npos) << v.message;
    EXPECT_NE(v.message.find("build/pictures/list.png"), std::string::npos) << v.message;
    for (const char* file : {"list.png", "list.approved.png", "list.diff.png"}) {
        EXPECT_TRUE(exists("out", file)) << file;
    }
    Picture back;
    ASSERT_TRUE(pictures::ReadPng((root / "out" / "list.approved.png").string(), back));
    EXPECT_EQ(back, drawn) << "the approved picture read back";
    std::filesystem::remove_all(root);
}

}  // namespace
