// The scroll bar: where its indicator sits for an origin, a kind and a position, and
// a drag with the real mouse, every step's position, indicator and events recorded
// and compared with the expected sequence.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "kr/KrBar.h"
#include "kr/KrButton.h"
#include "lumen/graphics/DibBitmap.h"
#include "tests/unit/win/RealInput.h"
#include "tests/unit/win/PaintProbe.h"
#include "tests/unit/win/UiTestSupport.h"
#include "ui/Application.h"
#include "ui/Form.h"

namespace {

using uitest::Join;
using uitest::Log;

constexpr COLORREF kTrack = RGB(90, 90, 90);
constexpr COLORREF kKnob = RGB(250, 200, 0);

class BarForm : public ui::Form {
public:
    BarForm() : ui::Form(uitest::TestFormLayout("TKrBarTestForm")) {}
};

class KrBarsOnDesktop : public testing::Test {
protected:
    void SetUp() override {
        ui::App().Initialize();
        form = ui::App().CreateForm<BarForm>();
        form->Show();
        SetForegroundWindow(form->Handle());
        realinput::Park();
    }
    void TearDown() override {
        realinput::Park();
        ui::App().DestroyForms();
    }
    BarForm* form = nullptr;
};

// The indicator's top-left for each setting, without input.
TEST_F(KrBarsOnDesktop, IndicatorPlacement) {
    struct Case {
        const char* name;
        int w, h;  // indicator
        int originX, originY;
        kr::KrBarKind kind;
        int length, position;
        int nudge;  // what OnIndicate adds
        POINT expected;
    };
    const Case cases[] = {
        {"5 wide at origin 10", 5, 11, 10, 10, kr::bkHorizontal, 20, 0, 0, {8, 5}},
        {"4 wide at origin 10", 4, 11, 10, 10, kr::bkHorizontal, 20, 0, 0, {8, 5}},
        {"position 7", 5, 11, 10, 10, kr::bkHorizontal, 20, 7, 0, {15, 5}},
        {"50 with Length 20 is not clamped", 5, 11, 10, 10, kr::bkHorizontal, 20, 50, 0, {58, 5}},
        {"negative position", 5, 11, 30, 10, kr::bkHorizontal, 20, -4, 0, {24, 5}},
        {"vertical", 11, 5, 10, 10, kr::bkVertical, 20, 7, 0, {5, 15}},
        {"vertical, 4 high", 11, 4, 10, 10, kr::bkVertical, 20, 0, 0, {5, 8}},
        {"OnIndicate moves it", 5, 11, 10, 10, kr::bkHorizontal, 20, 7, 3, {18, 5}},
        {"OnIndicate moves the vertical axis", 11, 5, 10, 10, kr::bkVertical, 20, 7, -2, {5, 13}},
    };
    for (const Case& c : cases) {
        kr::KrBar bar(*form, 20, 20, 0, 0);
        bar.Appearance().SetNormalBmp(painttest::Flat(120, 20, kTrack));
        int nudge = c.nudge;
        bar.OnIndicate = ui::Callback<kr::KrBar&, int&>{
            [](void* d, kr::KrBar&, int& coordinate) { coordinate += *static_cast<int*>(d); }, &nudge};
        bar.SetIndicator(painttest::Flat(c.w, c.h, kKnob));
        bar.SetKind(c.kind);
        bar.SetLength(c.length);
        bar.Origin().SetX(c.originX);
        bar.Origin().SetY(c.originY);
        bar.SetScrollPos(c.position);
        EXPECT_EQ(c.position, bar.ScrollPos()) << c.name;
        const ui::Image& knob = bar.IndicatorImage();
        EXPECT_EQ(c.expected.x, knob.Left()) << c.name;
        EXPECT_EQ(c.expected.y, knob.Top()) << c.name;
        EXPECT_EQ(c.w, knob.Width()) << c.name;
        EXPECT_EQ(c.h, knob.Height()) << c.name;
    }
}

// The painted bar: the indicator's columns exactly, over the track.
TEST_F(KrBarsOnDesktop, IndicatorIsPaintedWhereItIsPlaced) {
    kr::KrBar bar(*form, 20, 20, 0, 0);
    bar.Appearance().SetNormalBmp(painttest::Flat(120, 20, kTrack));
    bar.SetIndicator(painttest::Flat(5, 11, kKnob));
    bar.Origin().SetX(10);
    bar.Origin().SetY(10);
    const int positions[] = {0, 33};
    for (int position : positions) {
        bar.SetScrollPos(position);
        const lumen::DibBitmap shot = painttest::PaintedPixels(*form, RECT{20, 20, 140, 40});
        std::string row;
        std::string expected;
        for (int x = 0; x < 120; ++x) {
            row += shot.Pixel(x, 10) == painttest::FromRgb(kKnob) ? '#' : '.';
            expected += x >= 8 + position && x < 13 + position ? '#' : '.';
        }
        EXPECT_EQ(expected, row) << "position " << position;
        const RECT ink = painttest::InkBox(shot, kTrack);
        EXPECT_EQ(5, ink.top) << "position " << position;
        EXPECT_EQ(16, ink.bottom) << "position " << position;
    }
}

enum class Step { Press, Move, Release };

struct DragStep {
    Step step;
    int x, y;  // bar client coordinates (Move, Press)
    int position;
    int indicatorEdge;  // left (horizontal) or top (vertical)
    Log events;
};

struct DragCase {
    const char* name;
    kr::KrBarKind kind;
    bool snapToFive;  // OnScroll rounds the position down to a multiple of 5
    std::vector<DragStep> steps;
};

TEST_F(KrBarsOnDesktop, DragStopsAtBothEndsAndFollowsTheMouseBack) {
    using enum Step;
    const DragCase cases[] = {
        {"horizontal",
         kr::bkHorizontal,
         false,
         {
             {Press, 10, 10, 0, 8, {"start"}},
             {Move, 20, 10, 10, 18, {"scroll 10 forward"}},
             {Move, 45, 10, 20, 28, {"scroll 20 forward"}},  // 35 stops at Length
             {Move, 60, 12, 20, 28, {"scroll 20 forward"}},  // still at the end
             {Move, 55, 12, 15, 23, {"scroll 15 back"}},     // back at once, no jump
             {Move, -30, 12, 0, 8, {"scroll 0 back"}},       // past the start, outside the bar
             {Move, -40, 12, 0, 8, {"scroll 0 forward"}},    // 0 is not before 0
             {Move, -35, 12, 5, 13, {"scroll 5 forward"}},
             {Release, 0, 0, 5, 13, {"end"}},
             {Move, 80, 12, 5, 13, {}},  // no longer dragging
         }},
        {"vertical",
         kr::bkVertical,
         false,
         {
             {Press, 10, 10, 0, 5, {"start"}},
             {Move, 60, 16, 6, 11, {"scroll 6 forward"}},  // only y counts
             {Move, 60, 50, 20, 25, {"scroll 20 forward"}},
             {Move, 60, 47, 17, 22, {"scroll 17 back"}},
             {Release, 0, 0, 17, 22, {"end"}},
         }},
        {"corrected by OnScroll",
         kr::bkHorizontal,
         true,
         {
             {Press, 10, 10, 0, 8, {"start"}},
             {Move, 17, 10, 5, 13, {"scroll 7 forward"}},
             {Move, 20, 10, 5, 13, {"scroll 8 forward"}},  // from the corrected 5
             {Move, 29, 10, 10, 18, {"scroll 14 forward"}},
             {Release, 0, 0, 10, 18, {"end"}},
         }},
    };
    for (const DragCase& c : cases) {
        SCOPED_TRACE(c.name);
        kr::KrBar bar(*form, 40, 40, 0, 0);
        bar.Appearance().SetNormalBmp(painttest::Flat(120, 60, kTrack));
        bar.SetIndicator(painttest::Flat(5, 11, kKnob));
        bar.SetKind(c.kind);
        bar.SetLength(20);
        bar.Origin().SetX(10);
        bar.Origin().SetY(10);
        struct Recorder {
            Log log;
            bool snap;
        } rec{{}, c.snapToFive};
        bar.OnStartScroll = ui::Callback<kr::KrBar&>{
            [](void* d, kr::KrBar&) { static_cast<Recorder*>(d)->log.push_back("start"); }, &rec};
        bar.OnEndScroll = ui::Callback<kr::KrBar&>{
            [](void* d, kr::KrBar&) { static_cast<Recorder*>(d)->log.push_back("end"); }, &rec};
        bar.OnScroll = ui::Callback<kr::KrBar&, int&, bool>{
            [](void* d, kr::KrBar&, int& p, bool forward) {
                auto* r = static_cast<Recorder*>(d);
                r->log.push_back("scroll " + std::to_string(p) + (forward ? " forward" : " back"));
                if (r->snap) {
                    p -= p % 5;
                }
            },
            &rec};
        bool dragging = false;
        for (size_t i = 0; i < c.steps.size(); ++i) {
            const DragStep& s = c.steps[i];
            dragging = s.step == Press || (dragging && s.step != Release);
            rec.log.clear();
            switch (s.step) {
                case Press:
                    realinput::MoveTo(bar.Handle(), s.x, s.y);
                    realinput::Button(true);
                    break;
                case Move:
                    realinput::MoveTo(bar.Handle(), s.x, s.y);
                    break;
                case Release:
                    realinput::Button(false);
                    break;
            }
            const int edge = c.kind == kr::bkHorizontal ? bar.IndicatorImage().Left() : bar.IndicatorImage().Top();
            EXPECT_EQ(s.position, bar.ScrollPos()) << "step " << i;
            EXPECT_EQ(s.indicatorEdge, edge) << "step " << i << " (indicator's edge along the axis)";
            EXPECT_EQ(Join(s.events), Join(rec.log)) << "step " << i;
            EXPECT_EQ(dragging, bar.IsDraging()) << "step " << i;
        }
        realinput::Button(false);
    }
}

// A handler may destroy the control that runs it. Each row's handler does so, then
// fills the control's storage with a poison pattern: a member read afterwards would
// crash the test. The rest of the gesture then reaches only the form.
TEST_F(KrBarsOnDesktop, AHandlerMayDestroyTheControlThatRunsIt) {
    struct Doomed {
        const char* event;
        ui::Control* control = nullptr;
        size_t size = 0;
        bool destroyed = false;
        bool captureTaken = false;
        void At(const char* name) {
            if (!destroyed && std::strcmp(name, event) == 0) {
                control->~Control();
                std::memset(static_cast<void*>(control), 0xDD, size);
                destroyed = true;
            }
        }
    };
    for (const char* event : {"start", "scroll", "end", "capture lost", "click"}) {
        SCOPED_TRACE(event);
        Doomed doomed{event};
        HWND handle = nullptr;
        if (std::strcmp(event, "click") == 0) {
            alignas(kr::KrButton) unsigned char storage[sizeof(kr::KrButton)];
            auto* button = new (storage) kr::KrButton(*form, 40, 40);
            button->Appearance().SetRaisedBmp(painttest::Flat(40, 20, kTrack));
            button->OnClick = ui::Callback<ui::Control&>{
                [](void* d, ui::Control&) { static_cast<Doomed*>(d)->At("click"); }, &doomed};
            doomed.control = button;
            doomed.size = sizeof(kr::KrButton);
            handle = button->Handle();
            realinput::Click(handle, 10, 10);
            EXPECT_TRUE(doomed.destroyed);
            if (!doomed.destroyed) {
                button->~KrButton();
            }
            continue;
        }
        alignas(kr::KrBar) unsigned char storage[sizeof(kr::KrBar)];
        auto* bar = new (storage) kr::KrBar(*form, 40, 40, 0, 0);
        bar->Appearance().SetNormalBmp(painttest::Flat(120, 60, kTrack));
        bar->SetIndicator(painttest::Flat(5, 11, kKnob));
        bar->SetLength(20);
        bar->Origin().SetX(10);
        bar->Origin().SetY(10);
        bar->OnStartScroll =
            ui::Callback<kr::KrBar&>{[](void* d, kr::KrBar&) { static_cast<Doomed*>(d)->At("start"); }, &doomed};
        bar->OnScroll = ui::Callback<kr::KrBar&, int&, bool>{
            [](void* d, kr::KrBar&, int&, bool) { static_cast<Doomed*>(d)->At("scroll"); }, &doomed};
        bar->OnEndScroll = ui::Callback<kr::KrBar&>{[](void* d, kr::KrBar&) {
                                                        auto* doomed = static_cast<Doomed*>(d);
                                                        doomed->At(doomed->captureTaken ? "capture lost" : "end");
                                                    },
                                                    &doomed};
        doomed.control = bar;
        doomed.size = sizeof(kr::KrBar);
        handle = bar->Handle();
        POINT at{10, 10};
        ClientToScreen(handle, &at);
        realinput::MoveTo(nullptr, at.x, at.y);
        realinput::Button(true);
        realinput::MoveTo(nullptr, at.x + 12, at.y);
        if (std::strcmp(event, "capture lost") == 0) {
            doomed.captureTaken = true;
            SetCapture(form->Handle());
            realinput::Settle();
            ReleaseCapture();
        }
        realinput::Button(false);
        realinput::MoveTo(nullptr, at.x + 20, at.y);
        EXPECT_TRUE(doomed.destroyed);
        if (!doomed.destroyed) {
            bar->~KrBar();
        }
    }
}

}  // namespace
