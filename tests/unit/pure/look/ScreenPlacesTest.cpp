// Where the windows go: the monitor in view, the settings window's corner for each
// taskbar edge, the scale of a DPI, and a window that fills its monitor.
#include "surgepad/look/ScreenPlaces.h"

#include "lumen/graphics/Dpi.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

using lumen::Point;
using lumen::Rect;
using surgepad::TaskbarEdge;

// Two monitors side by side: the primary at 1920 x 1080 with the taskbar at the
// bottom, and a second at 2560 x 1440 on its right, at 144 DPI.
const std::vector<surgepad::MonitorPlace> kMonitors = {
    {{0, 0, 1920, 1080}, {0, 0, 1920, 1040}, 96},
    {{1920, 0, 4480, 1440}, {1920, 0, 4480, 1440}, 144},
};

TEST(ScreenPlaces, TheMonitorInViewIsTheForegroundWindowsThenThePointers) {
    struct Row {
        const char* what;
        std::optional<Rect> foreground;
        Point pointer;
        size_t monitor;
    };
    const Row rows[] = {
        {"a window on the second monitor", Rect{2000, 100, 2600, 700}, {10, 10}, 1},
        {"a window mostly on the primary", Rect{1500, 100, 2000, 700}, {3000, 10}, 0},
        {"a window mostly on the second", Rect{1800, 100, 2400, 700}, {10, 10}, 1},
        {"no window in front: the pointer's", std::nullopt, {3000, 500}, 1},
        {"a window on no monitor: the pointer's", Rect{-900, -900, -100, -100}, {3000, 500}, 1},
        {"nothing decides: the primary", std::nullopt, {-50, -50}, 0},
        {"the pointer on the right edge belongs to the next", std::nullopt, {1920, 0}, 1},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(surgepad::MonitorInView(kMonitors, row.foreground, row.pointer), row.monitor) << row.what;
    }
}

TEST(ScreenPlaces, TheSettingsWindowOpensInTheCornerNextToTheNotificationArea) {
    // The work area of a 1024 x 768 screen for each taskbar edge (30 px bar); the
    // window is 329 x 373, 20 px from the side and 5 px from the top or bottom.
    struct Row {
        TaskbarEdge edge;
        Rect work;
        Point place;
    };
    const Row rows[] = {
        {TaskbarEdge::Bottom, {0, 0, 1024, 738}, {1024 - 329 - 20, 738 - 373 - 5}},
        {TaskbarEdge::None, {0, 0, 1024, 768}, {1024 - 329 - 20, 768 - 373 - 5}},
        {TaskbarEdge::Top, {0, 30, 1024, 768}, {1024 - 329 - 20, 30 + 5}},
        {TaskbarEdge::Right, {0, 0, 994, 768}, {994 - 329 - 20, 768 - 373 - 5}},
        {TaskbarEdge::Left, {30, 0, 1024, 768}, {30 + 20, 768 - 373 - 5}},
        // A second monitor's work area starts away from 0.
        {TaskbarEdge::Left, {1950, 100, 4480, 1540}, {1950 + 20, 1540 - 373 - 5}},
        // A work area smaller than the window: its top-left stays inside.
        {TaskbarEdge::Bottom, {0, 0, 300, 350}, {0, 0}},
    };
    for (const Row& row : rows) {
        const Point got = surgepad::SettingsWindowPlace(row.work, row.edge, 329, 373, 20, 5);
        EXPECT_EQ(got.x, row.place.x) << static_cast<int>(row.edge);
        EXPECT_EQ(got.y, row.place.y) << static_cast<int>(row.edge);
    }
}

TEST(ScreenPlaces, TheTaskbarsEdgeIsTheOneItsLongSideLiesAlong) {
    const Rect screen{0, 0, 1024, 768};
    EXPECT_EQ(surgepad::EdgeOfTaskbar({0, 738, 1024, 768}, screen), TaskbarEdge::Bottom);
    EXPECT_EQ(surgepad::EdgeOfTaskbar({0, 0, 1024, 30}, screen), TaskbarEdge::Top);
    EXPECT_EQ(surgepad::EdgeOfTaskbar({0, 0, 62, 768}, screen), TaskbarEdge::Left);
    EXPECT_EQ(surgepad::EdgeOfTaskbar({962, 0, 1024, 768}, screen), TaskbarEdge::Right);
}

TEST(ScreenPlaces, ScaleCentreAndFullScreen) {
    // A picture drawn at 2x and shown at 150 % is as large as the window's own scaled
    // size of it.
    EXPECT_EQ(surgepad::SkinPixelsAt(658, 200, 144), lumen::ScaleToDpi(329, 144));
    EXPECT_EQ(surgepad::SkinPixelsAt(329, 100, 144), 494);
    EXPECT_EQ(surgepad::SkinPixelsAt(465, 150, 192), 620);
    EXPECT_EQ(surgepad::SkinPixelsAt(494, 150, 120), lumen::ScaleToDpi(329, 120)) << "not 412 (494 x 120 / 144)";
    EXPECT_EQ(surgepad::SkinPixelsAt(26, 150, 192), 34) << "a 17-pixel box, 26 at 150 %";

    using Sets = std::vector<int>;
    EXPECT_EQ(surgepad::SkinSetsFor(96), Sets{100}) << "shown as drawn";
    EXPECT_EQ(surgepad::SkinSetsFor(120), (Sets{150, 100, 200})) << "125 %: a tie goes to the larger";
    EXPECT_EQ(surgepad::SkinSetsFor(144), (Sets{150, 200, 100}));
    EXPECT_EQ(surgepad::SkinSetsFor(168), (Sets{200, 150, 100})) << "175 %";
    EXPECT_EQ(surgepad::SkinSetsFor(288), (Sets{200, 150, 100}));

    const Point centre = surgepad::CentredIn(kMonitors[1].area, 326, 310);
    EXPECT_EQ(centre.x, 1920 + (2560 - 326) / 2);
    EXPECT_EQ(centre.y, (1440 - 310) / 2);

    EXPECT_TRUE(surgepad::CoversMonitor({1920, 0, 4480, 1440}, kMonitors[1].area));
    EXPECT_TRUE(surgepad::CoversMonitor({1910, -10, 4490, 1450}, kMonitors[1].area)) << "a border outside counts";
    EXPECT_FALSE(surgepad::CoversMonitor({1920, 0, 4480, 1400}, kMonitors[1].area)) << "a maximised window";
    EXPECT_FALSE(surgepad::CoversMonitor({0, 0, 1920, 1080}, kMonitors[1].area)) << "another monitor's";

    // A full-screen application on the badge's monitor: whatever monitor the window in
    // front is on, and never a maximised window (on a monitor without a taskbar its
    // borders lie outside, as a game's window would).
    struct Case {
        const char* what;
        Rect window;
        bool maximised;
        size_t monitor;
        bool want;
    };
    const Case cases[] = {
        {"a game on the badge's monitor", {1920, 0, 4480, 1440}, false, 1, true},
        {"a game on the other monitor", {1920, 0, 4480, 1440}, false, 0, false},
        {"maximised on a monitor without a taskbar", {1912, -8, 4488, 1448}, true, 1, false},
        {"a window short of the monitor", {1920, 0, 4480, 1400}, false, 1, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(surgepad::FullScreenApplicationOn(c.window, c.maximised, kMonitors[c.monitor].area), c.want)
            << c.what;
    }
}

}  // namespace
