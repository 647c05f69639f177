// The numeric LED display without a window: the row a format builds, the digits a
// number, a time or a date lights, the on flags, and the painted segments.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <limits>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include "lumen/component/LED.h"
#include "lumen/component/NumLedModel.h"
#include "lumen/graphics/Bitmap.h"
#include "tests/unit/ReportRecorder.h"

using lumen::LedDateTime;
using lumen::LEDRow;
using lumen::NumLedModel;

namespace {

// Seven-segment patterns written bit 0 = a (top) ... bit 6 = g (middle), the way a
// data sheet gives them; digit positions compare against these.
constexpr uint32_t kBlank = 0;
constexpr uint32_t kDigit[10] = {0b0111111, 0b0000110, 0b1011011, 0b1001111, 0b1100110,
                                 0b1101101, 0b1111101, 0b0000111, 0b1111111, 0b1101111};
constexpr uint32_t kAllSegments = 0b1111111;
constexpr uint32_t kPointLit = 0b1;
constexpr uint32_t kDegreeLit = 0b1111;
constexpr uint32_t kLetterCLit = 0b1111;

std::vector<uint32_t> LitMasks(const LEDRow& row) {
    std::vector<uint32_t> masks;
    for (size_t i = 0; i < row.Count(); ++i) {
        masks.push_back(row.LitMask(i));
    }
    return masks;
}

std::string Binary(const std::vector<uint32_t>& masks) {
    std::ostringstream out;
    for (uint32_t m : masks) {
        std::string bits;
        for (int b = 6; b >= 0; --b) {
            bits += ((m >> b) & 1u) ? '1' : '0';
        }
        out << bits << ' ';
    }
    return out.str();
}

LedDateTime At(int year, unsigned month, unsigned day, int h, int m, int s) {
    using namespace std::chrono;
    return local_days{std::chrono::year{year} / month / day} + hours{h} + minutes{m} + seconds{s};
}

}  // namespace

struct FormattingCase {
    const char* name;
    const char* format;
    lumen::NumLedType type;
    bool zeroLeading;
    std::variant<double, LedDateTime> value;
    std::vector<uint32_t> lit;
};

TEST(NumLedFormatting, ValuesLightTheirDigits) {
    const FormattingCase cases[] = {
        {"pi on 88.8", "88.8", lumen::nledFloat, false, 3.14159, {kBlank, kDigit[3], kPointLit, kDigit[1]}},
        {"pi on 88.8, zero leading",
         "88.8",
         lumen::nledFloat,
         true,
         3.14159,
         {kDigit[0], kDigit[3], kPointLit, kDigit[1]}},
        {"0.04 on 88.8", "88.8", lumen::nledFloat, false, 0.04, {kBlank, kDigit[0], kPointLit, kDigit[0]}},
        {"12345 on 8888 drops the 1",
         "8888",
         lumen::nledFloat,
         false,
         12345.0,
         {kDigit[2], kDigit[3], kDigit[4], kDigit[5]}},
        {"7 on 8888", "8888", lumen::nledFloat, false, 7.0, {kBlank, kBlank, kBlank, kDigit[7]}},
        {"1000 on 8888 keeps inner zeros",
         "8888",
         lumen::nledFloat,
         false,
         1000.0,
         {kDigit[1], kDigit[0], kDigit[0], kDigit[0]}},
        // The sign goes after rounding: -2.5 + 0.5 floors to -2, not to -3.
        {"-0.25 on 88.8", "88.8", lumen::nledFloat, false, -0.25, {kBlank, kDigit[0], kPointLit, kDigit[2]}},
        {"0.25 rounds half up", "88.8", lumen::nledFloat, false, 0.25, {kBlank, kDigit[0], kPointLit, kDigit[3]}},
        {"two decimals", "8.88", lumen::nledFloat, false, 2.5, {kDigit[2], kPointLit, kDigit[5], kDigit[0]}},
        {"degree and C stay lit",
         "88^C",
         lumen::nledFloat,
         false,
         21.0,
         {kDigit[2], kDigit[1], kDegreeLit, kLetterCLit}},
        {"field letters are no number digits",
         "8h8",
         lumen::nledFloat,
         false,
         45.0,
         {kDigit[4], kAllSegments, kDigit[5]}},
        {"hh.mm",
         "hh.mm",
         lumen::nledTime,
         false,
         At(2024, 3, 7, 13, 45, 9),
         {kDigit[1], kDigit[3], kPointLit, kDigit[4], kDigit[5]}},
        {"HH.MM.SS keeps leading zeros",
         "HH.MM.SS",
         lumen::nledTime,
         false,
         At(2024, 3, 7, 9, 5, 7),
         {kDigit[0], kDigit[9], kPointLit, kDigit[0], kDigit[5], kPointLit, kDigit[0], kDigit[7]}},
        {"ss alone", "ss", lumen::nledTime, false, At(2024, 3, 7, 23, 59, 58), {kDigit[5], kDigit[8]}},
        {"yyyy.mm.dd",
         "yyyy.mm.dd",
         lumen::nledDate,
         false,
         At(2024, 3, 7, 13, 45, 9),
         {kDigit[2], kDigit[0], kDigit[2], kDigit[4], kPointLit, kDigit[0], kDigit[3], kPointLit, kDigit[0],
          kDigit[7]}},
        {"DD.MM.YY",
         "DD.MM.YY",
         lumen::nledDate,
         false,
         At(1999, 12, 31, 0, 0, 0),
         {kDigit[3], kDigit[1], kPointLit, kDigit[1], kDigit[2], kPointLit, kDigit[9], kDigit[9]}},
        // A time leaves the date letters alone, and the other way round.
        {"time on a date format",
         "dd.hh",
         lumen::nledTime,
         false,
         At(2024, 3, 7, 8, 0, 0),
         {kAllSegments, kAllSegments, kPointLit, kDigit[0], kDigit[8]}},
    };
    for (const FormattingCase& c : cases) {
        NumLedModel model;
        model.SetFormat(c.format);
        ASSERT_EQ(c.format, model.Format()) << c.name;
        model.SetType(c.type);
        model.SetZeroLeading(c.zeroLeading);
        const bool taken = std::visit([&](auto v) { return model.SetValue(v); }, c.value);
        EXPECT_TRUE(taken) << c.name;
        const std::vector<uint32_t> got = LitMasks(model.Row());
        EXPECT_EQ(c.lit, got) << c.name << "\n  got      " << Binary(got) << "\n  expected " << Binary(c.lit);
    }
}

TEST(NumLedFormatting, ValueOfTheWrongTypeOrUnchangedIsIgnored) {
    NumLedModel model;
    ASSERT_TRUE(model.SetValue(42.0));
    double v = 0;
    ASSERT_TRUE(model.GetValue(v));
    EXPECT_EQ(42.0, v);
    EXPECT_FALSE(model.SetValue(42.0));
    EXPECT_FALSE(model.SetValue(At(2024, 1, 1, 1, 1, 1)));  // a float display takes no time
    EXPECT_EQ((std::vector<uint32_t>{kBlank, kBlank, kDigit[4], kDigit[2]}), LitMasks(model.Row()));

    model.SetType(lumen::nledTime);
    EXPECT_FALSE(model.GetValue(v));
    EXPECT_FALSE(model.SetValue(43.0));
    EXPECT_EQ(kDigit[2], model.Row().LitMask(3));

    // The same value again changes nothing even after the display was lit anew.
    model.SetFormat("hhmm");
    ASSERT_TRUE(model.SetValue(At(2024, 1, 1, 12, 34, 0)));
    EXPECT_EQ(At(2024, 1, 1, 12, 34, 0), model.GetDateTime());
    model.On(0);
    EXPECT_FALSE(model.SetValue(At(2024, 1, 1, 12, 34, 0)));
    EXPECT_EQ(std::vector<uint32_t>(4, kAllSegments), LitMasks(model.Row()));
}

// A new row shows its format's "8"s: the first value is placed even when it equals the
// stored one (0, midnight), and again after a new format.
TEST(NumLedFormatting, TheFirstValueOfARowIsShownEvenWhenItIsTheStoredOne) {
    NumLedModel number;
    ASSERT_TRUE(number.SetValue(0.0));
    EXPECT_EQ((std::vector<uint32_t>{kBlank, kBlank, kBlank, kDigit[0]}), LitMasks(number.Row()));
    ASSERT_TRUE(number.SetFormat("88"));
    EXPECT_TRUE(number.SetValue(0.0));
    EXPECT_EQ((std::vector<uint32_t>{kBlank, kDigit[0]}), LitMasks(number.Row()));

    NumLedModel time;
    time.SetType(lumen::nledTime);
    ASSERT_TRUE(time.SetFormat("hhmm"));
    EXPECT_TRUE(time.SetValue(lumen::LedDateTime{}));
    EXPECT_EQ(std::vector<uint32_t>(4, kDigit[0]), LitMasks(time.Row()));
}

TEST(NumLedFormatting, NumbersBeyondTheDigitsNeverOverflow) {
    NumLedModel model;
    ASSERT_TRUE(model.SetValue(1234.0));
    const std::vector<uint32_t> before = LitMasks(model.Row());
    for (double v : {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()}) {
        model.SetValue(v);
        EXPECT_EQ(before, LitMasks(model.Row())) << v;
    }
    // Finite but beyond every integer type: four digits shown, none blank.
    ASSERT_TRUE(model.SetValue(-1e308));
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_NE(kBlank, model.Row().LitMask(i)) << "digit " << i;
    }
}

TEST(NumLedFormat, UnusableFormatsAreRefusedAndTheOldOneStays) {
    const char* const refused[] = {"+", "8,8", "88+", "", "8 8", "88.8c"};
    for (const char* format : refused) {
        NumLedModel model;
        ASSERT_TRUE(model.SetFormat("88.8"));
        ASSERT_TRUE(model.SetValue(12.5));
        EXPECT_FALSE(model.SetFormat(format)) << '"' << format << '"';
        EXPECT_EQ("88.8", model.Format()) << '"' << format << '"';
        EXPECT_EQ((std::vector<uint32_t>{kDigit[1], kDigit[2], kPointLit, kDigit[5]}), LitMasks(model.Row()))
            << '"' << format << '"';
    }
}

TEST(NumLedFormat, SameFormatKeepsTheDigitsAndANewOneLightsEverything) {
    NumLedModel model;
    ASSERT_TRUE(model.SetValue(56.0));
    model.Off(1);
    EXPECT_FALSE(model.SetFormat("8888"));
    EXPECT_EQ((std::vector<uint32_t>{kBlank, kBlank, kDigit[5], kDigit[6]}), LitMasks(model.Row()));
    EXPECT_FALSE(model.Row().IsOn(0));

    ASSERT_TRUE(model.SetFormat("8.^&"));
    EXPECT_EQ((std::vector<uint32_t>{kAllSegments, kPointLit, kDegreeLit, 0xFFFFu}), LitMasks(model.Row()));
    for (size_t i = 0; i < model.Row().Count(); ++i) {
        EXPECT_TRUE(model.Row().IsOn(i)) << i;
    }
}

TEST(NumLedRow, BoxesSitSideBySideWithoutGaps) {
    struct Case {
        const char* format;
        std::vector<int> lefts;
        int width;
        int height;
    };
    const Case cases[] = {
        {"8888", {0, 18, 36, 54}, 72, 22},
        {"88.8^C&", {0, 18, 36, 42, 60, 69, 88}, 135, 27},
        {"hH.", {0, 18, 36}, 42, 27},
        {"&", {0}, 47, 27},
    };
    for (const Case& c : cases) {
        const std::optional<LEDRow> row = LEDRow::FromFormat(c.format);
        ASSERT_TRUE(row) << c.format;
        std::vector<int> lefts;
        for (size_t i = 0; i < row->Count(); ++i) {
            lefts.push_back(row->LeftAt(i));
        }
        EXPECT_EQ(c.lefts, lefts) << c.format;
        EXPECT_EQ(c.width, row->Figure().OriginalWidth()) << c.format;
        EXPECT_EQ(c.height, row->Figure().OriginalHeight()) << c.format;
    }
}

TEST(NumLedRow, PolygonsOfEachKindAndTheirOffsetInTheRow) {
    const std::optional<LEDRow> row = LEDRow::FromFormat("8.^C&");
    ASSERT_TRUE(row);
    // 7 + 1 + 4 + 4 + 16 polygons, LED after LED.
    ASSERT_EQ(32u, row->Figure().PolygonCount());
    // The second LED's square point moved right by the digit's 18.
    const lumen::Polygon point = row->Figure().OriginalPolygon(7);
    ASSERT_EQ(4u, point.size());
    EXPECT_EQ(20, point[0].x);
    EXPECT_EQ(22, point[0].y);
    EXPECT_EQ(22, point[2].x);
    EXPECT_EQ(24, point[2].y);
    // The unit symbol's last polygon ends at (45, 19), moved by 18 + 6 + 9 + 19.
    const lumen::Polygon last = row->Figure().OriginalPolygon(31);
    EXPECT_EQ(52 + 45, last.back().x);
    EXPECT_EQ(19, last.back().y);
}

TEST(NumLedRow, IndexBeyondTheRowAsserts) {
    const std::optional<LEDRow> row = LEDRow::FromFormat("88");
    ASSERT_TRUE(row);
    EXPECT_NE(std::string::npos,
              testutil::AssertionOf([&] { (void)row->LitMask(2); }).find("indexOfLED < m_LEDs.size()"));
    EXPECT_EQ("", testutil::AssertionOf([&] { (void)row->LitMask(1); }));
}

// Every step of a session of On and Off on four digits, recorded and compared with
// what the display should show after it.
TEST(NumLedOnOff, SequenceOfStates) {
    NumLedModel model;
    struct Step {
        const char* what;
        std::vector<uint32_t> lit;
    };
    std::vector<Step> got;
    const auto record = [&](const char* what) { got.push_back({what, LitMasks(model.Row())}); };

    model.SetValue(1234.0);
    record("SetValue(1234)");
    model.Off(2);
    record("Off(2)");
    model.SetValue(5678.0);
    record("SetValue(5678) while 2 is off");
    model.On(2);
    record("On(2)");
    model.Off(5);
    record("Off(5) beyond the row");
    model.On(-1);
    record("On(-1)");
    model.Off(0);
    record("Off(0)");
    model.On(3);
    record("On(3) after Off(0)");
    model.On(0);
    record("On(0)");

    const std::vector<Step> expected = {
        {"SetValue(1234)", {kDigit[1], kDigit[2], kDigit[3], kDigit[4]}},
        {"Off(2)", {kDigit[1], kBlank, kDigit[3], kDigit[4]}},
        {"SetValue(5678) while 2 is off", {kDigit[5], kBlank, kDigit[7], kDigit[8]}},
        {"On(2)", {kDigit[5], kDigit[6], kDigit[7], kDigit[8]}},
        {"Off(5) beyond the row", {kDigit[5], kDigit[6], kDigit[7], kDigit[8]}},
        {"On(-1)", {kDigit[5], kDigit[6], kDigit[7], kDigit[8]}},
        {"Off(0)", {kBlank, kBlank, kBlank, kBlank}},
        {"On(3) after Off(0)", {kBlank, kBlank, kDigit[7], kBlank}},
        {"On(0)", {kAllSegments, kAllSegments, kAllSegments, kAllSegments}},
    };
    ASSERT_EQ(expected.size(), got.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(expected[i].lit, got[i].lit) << "step " << i << " " << expected[i].what << "\n  got      "
                                               << Binary(got[i].lit) << "\n  expected " << Binary(expected[i].lit);
    }
}

// Painting the row: each polygon in the light or dark colour over the background,
// counted pixel by pixel.
TEST(NumLedPaint, SegmentsAtScaleOneAndTwo) {
    const lumen::Bgra light{10, 240, 10, 0};
    const lumen::Bgra dark{62, 38, 14, 0};
    const lumen::Bgra background{255, 255, 255, 0};
    struct Case {
        int width;
        int height;
        int lit;
        int dark;
    };
    // A digit showing 1 (b and c lit) and a lit point.
    // Scale 1: b and c are 2 x 6 each, the point 3 x 3; a, d, g are 9 x 2, e, f 2 x 6.
    // Scale 2: b (28, 8)-(30, 18) and c (28, 24)-(30, 34) are 3 x 11 each, the point
    // (40, 44)-(44, 48) is 5 x 5; a, d, g 17 x 3, e, f 3 x 11.
    const Case cases[] = {
        {24, 27, 2 * 12 + 9, 3 * 18 + 2 * 12},
        {48, 54, 2 * 33 + 25, 3 * 51 + 2 * 33},
    };
    for (const Case& c : cases) {
        NumLedModel model;
        ASSERT_TRUE(model.SetFormat("8."));
        ASSERT_TRUE(model.SetValue(1.0));
        model.Row().ScaleTo(c.width, c.height);
        lumen::PixelBuffer picture(c.width, c.height, lumen::PixelFormat::Bgr24);
        model.Row().Paint(picture, {light, dark, background});
        int lit = 0;
        int unlit = 0;
        int other = 0;
        for (int y = 0; y < c.height; ++y) {
            for (int x = 0; x < c.width; ++x) {
                const lumen::Bgra p = picture.Pixel(x, y);
                const lumen::Bgra opaque{p.b, p.g, p.r, 0};
                lit += opaque == light ? 1 : 0;
                unlit += opaque == dark ? 1 : 0;
                other += opaque == light || opaque == dark || opaque == background ? 0 : 1;
            }
        }
        EXPECT_EQ(c.lit, lit) << c.width << "x" << c.height;
        EXPECT_EQ(c.dark, unlit) << c.width << "x" << c.height;
        EXPECT_EQ(0, other) << c.width << "x" << c.height;
    }
}
