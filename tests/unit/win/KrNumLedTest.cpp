// The numeric LED display on a form: the size it takes with and without keeping the
// row's proportions, and the pixels it paints, lit and dark where the segments lie.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "kr/KrNumLed.h"
#include "lumen/graphics/DibBitmap.h"
#include "tests/unit/win/PaintProbe.h"
#include "ui/Application.h"
#include "ui/Form.h"

namespace {

constexpr COLORREF kFormColour = RGB(40, 40, 60);
constexpr COLORREF kLight = RGB(10, 240, 10);
constexpr COLORREF kDark = RGB(14, 38, 62);
constexpr COLORREF kWhite = RGB(255, 255, 255);

ui::FormLayout LedFormLayout() {
    ui::FormLayout layout;
    layout.className = "TKrNumLedTestForm";
    layout.left = 40;
    layout.top = 420;
    layout.clientWidth = 320;
    layout.clientHeight = 200;
    layout.color = kFormColour;
    layout.exStyleAdd = WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW;
    return layout;
}

class LedForm : public ui::Form {
public:
    LedForm() : ui::Form(LedFormLayout()) {}
};

class KrNumLeds : public testing::Test {
protected:
    void SetUp() override {
        ui::App().Initialize();
        form = ui::App().CreateForm<LedForm>();
    }
    void TearDown() override { ui::App().DestroyForms(); }
    LedForm* form = nullptr;
};

// A part of the row "88.8" at scale 1 (60 x 27: digits at 0, 18 and 42, the point at
// 36), as the rectangle its polygon spans, and the colour it must show with 3.14159
// (a blank, 3, the point, 1).
struct Probe {
    const char* what;
    RECT part;
    COLORREF colour;
};

const Probe kProbes[] = {
    {"blank digit, a", {4, 2, 12, 3}, kDark}, {"blank digit, g", {4, 10, 12, 11}, kDark},
    {"3, a", {22, 2, 30, 3}, kLight},         {"3, b", {32, 4, 33, 9}, kLight},
    {"3, c", {32, 12, 33, 17}, kLight},       {"3, d", {22, 18, 30, 19}, kLight},
    {"3, e", {20, 12, 21, 17}, kDark},        {"3, f", {20, 4, 21, 9}, kDark},
    {"3, g", {22, 10, 30, 11}, kLight},       {"3, inside the upper loop", {23, 5, 29, 8}, kWhite},
    {"point", {38, 22, 40, 24}, kLight},      {"1, a", {46, 2, 54, 3}, kDark},
    {"1, b", {56, 4, 57, 9}, kLight},         {"1, c", {56, 12, 57, 17}, kLight},
    {"1, e", {44, 12, 45, 17}, kDark},        {"below the digits", {2, 24, 16, 26}, kWhite},
};

// The middle of the part once the row of 60 x 27 is shown at width x height, with
// corners scaled and truncated as the figure does it. The middle lies inside the
// part's pixels whatever the rounding of its edges.
POINT MiddleAt(const RECT& part, int width, int height) {
    const int left = part.left * width / 60;
    const int right = part.right * width / 60;
    const int top = part.top * height / 27;
    const int bottom = part.bottom * height / 27;
    return POINT{(left + right) / 2, (top + bottom) / 2};
}

TEST_F(KrNumLeds, SizeAndSegmentsWithAndWithoutKeepingTheRatio) {
    struct Case {
        bool keepRatio;
        int width, height;  // asked for
        int gotW, gotH;     // taken
        bool transparent = false;
    };
    const Case cases[] = {
        {false, 120, 54, 120, 54},        // twice the row
        {true, 200, 54, 120, 54},         // the height decides
        {true, 90, 100, 90, 40},          // the width decides: 27 x 90 / 60 = 40.5
        {false, 90, 100, 90, 100},        // stretched
        {false, 60, 27, 60, 27},          // the row's own size
        {false, 120, 54, 120, 54, true},  // the white background lets the form show
    };
    for (const Case& c : cases) {
        const std::string name = std::string(c.keepRatio ? "keeping the ratio, " : "") + std::to_string(c.width) + "x" +
                                 std::to_string(c.height);
        kr::KrNumLed led(*form, 10, 10, 0, 0);
        led.SetFormat("88.8");
        led.SetValue(3.14159);
        led.SetKeepRatio(c.keepRatio);
        led.SetTransparent(c.transparent);
        const COLORREF behind = c.transparent ? kFormColour : kWhite;
        led.SetBounds(10, 10, c.width, c.height);
        EXPECT_EQ(c.gotW, led.Width()) << name;
        EXPECT_EQ(c.gotH, led.Height()) << name;
        const RECT shown = led.DisplayImage().BoundsRect();
        const RECT expectedShown = {10, 10, 10 + c.gotW, 10 + c.gotH};
        EXPECT_TRUE(EqualRect(&shown, &expectedShown)) << name << ": display at (" << shown.left << ", " << shown.top
                                                       << ")-(" << shown.right << ", " << shown.bottom << ")";

        const lumen::DibBitmap shot = painttest::PaintedPixels(*form, RECT{0, 0, 320, 200});
        for (const Probe& p : kProbes) {
            const POINT at = MiddleAt(p.part, c.gotW, c.gotH);
            EXPECT_EQ(painttest::Rgb(p.colour == kWhite ? behind : p.colour),
                      painttest::Rgb(shot.Pixel(10 + at.x, 10 + at.y)))
                << name << ": " << p.what << " at (" << at.x << ", " << at.y << ")";
        }
        // Nothing is painted beyond the control.
        EXPECT_EQ(painttest::Rgb(kFormColour), painttest::Rgb(shot.Pixel(10 + c.gotW, 10))) << name;
        EXPECT_EQ(painttest::Rgb(kFormColour), painttest::Rgb(shot.Pixel(10, 10 + c.gotH))) << name;
        EXPECT_EQ(painttest::Rgb(behind), painttest::Rgb(shot.Pixel(10 + c.gotW - 1, 10))) << name;
    }
    // A size the system cannot make a picture of shows nothing, and the display
    // comes back at a size it can.
    kr::KrNumLed led(*form, 10, 10, 200000, 200000);
    led.SetValue(3.14159);
    EXPECT_EQ(painttest::Rgb(kFormColour),
              painttest::Rgb(painttest::PaintedPixels(*form, RECT{0, 0, 320, 200}).Pixel(15, 15)));
    led.SetBounds(10, 10, 60, 27);
    EXPECT_EQ(painttest::Rgb(kLight),
              painttest::Rgb(painttest::PaintedPixels(*form, RECT{0, 0, 320, 200}).Pixel(10 + 56, 10 + 6)));
}

TEST_F(KrNumLeds, KeepRatioTurnedOnFitsTheCurrentBoundsAndTurnedOffKeepsThem) {
    struct Step {
        const char* what;
        RECT bounds;
    };
    kr::KrNumLed led(*form, 5, 6, 200, 54);
    std::vector<Step> got;
    auto record = [&](const char* what) { got.push_back({what, led.BoundsRect()}); };
    record("made 200x54");
    led.SetKeepRatio(true);
    record("KeepRatio on");
    led.SetKeepRatio(false);
    record("KeepRatio off");
    led.SetBounds(5, 6, 200, 54);
    record("200x54 again");
    // "8888" is 72 x 22: 200 / 72 > 54 / 22, so the height decides: 72 x 54 / 22 = 176.7.
    const std::vector<Step> expected = {
        {"made 200x54", {5, 6, 205, 60}},
        {"KeepRatio on", {5, 6, 181, 60}},
        {"KeepRatio off", {5, 6, 181, 60}},
        {"200x54 again", {5, 6, 205, 60}},
    };
    ASSERT_EQ(expected.size(), got.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const RECT& g = got[i].bounds;
        const RECT& e = expected[i].bounds;
        EXPECT_TRUE(EqualRect(&g, &e)) << "after " << expected[i].what << ": got (" << g.left << ", " << g.top << ", "
                                       << g.right << ", " << g.bottom << "), expected (" << e.left << ", " << e.top
                                       << ", " << e.right << ", " << e.bottom << ")";
    }
}

// Every step that changes what is lit repaints at once.
TEST_F(KrNumLeds, ValueColoursAndOnOffRepaint) {
    kr::KrNumLed led(*form, 10, 10, 60, 27);
    led.SetFormat("88.8");
    const POINT a2 = MiddleAt(kProbes[2].part, 60, 27);   // the second digit's a
    const POINT b4 = MiddleAt(kProbes[12].part, 60, 27);  // the last digit's b
    auto colourAt = [&](POINT p) {
        const lumen::DibBitmap shot = painttest::PaintedPixels(*form, RECT{10, 10, 70, 37});
        return painttest::Rgb(shot.Pixel(p.x, p.y));
    };
    const std::string light = painttest::Rgb(kLight);
    const std::string dark = painttest::Rgb(kDark);
    const std::string red = painttest::Rgb(RGB(255, 0, 0));
    const std::string blue = painttest::Rgb(RGB(0, 0, 255));

    struct Step {
        const char* what;
        std::string a2;
        std::string b4;
    };
    std::vector<Step> got;
    auto record = [&](const char* what) { got.push_back({what, colourAt(a2), colourAt(b4)}); };
    record("new format, all lit");
    led.SetValue(10.4);  // 1, 0, point, 4
    record("10.4");
    led.Off(2);
    record("Off(2)");
    led.LedColors().SetLightColor(RGB(255, 0, 0));
    record("light red");
    led.LedColors().SetDarkColor(RGB(0, 0, 255));
    record("dark blue");
    led.On(2);
    record("On(2)");
    led.SetValue(11.1);
    record("11.1");

    const std::vector<Step> expected = {
        {"new format, all lit", light, light},
        {"10.4", light, light},  // 0 lights a; 4 lights b
        {"Off(2)", dark, light},
        {"light red", dark, red},
        {"dark blue", blue, red},
        {"On(2)", red, red},
        {"11.1", blue, red},  // 1 leaves a dark and lights b
    };
    ASSERT_EQ(expected.size(), got.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(expected[i].a2, got[i].a2) << "after " << expected[i].what << ": second digit's a";
        EXPECT_EQ(expected[i].b4, got[i].b4) << "after " << expected[i].what << ": last digit's b";
    }
}

TEST_F(KrNumLeds, TimeAndDateTypesTakeOnlyTheirValues) {
    using namespace std::chrono;
    kr::KrNumLed led(*form, 10, 10, 90, 27);
    led.SetFormat("hh.mm");
    led.SetType(lumen::nledTime);
    led.SetValue(42.0);  // not a time
    double number = 0;
    EXPECT_FALSE(led.GetValue(number));
    const lumen::LedDateTime t = local_days{2024y / 3 / 7} + hours{13} + minutes{45};
    led.SetValue(t);
    EXPECT_EQ(t, led.GetValue());
    EXPECT_EQ(3, led.Model().Row().WantedState(1) - 1);
    EXPECT_EQ(5, led.Model().Row().WantedState(4) - 1);
}

}  // namespace
