// The settings window on a change of scale: the place the system suggests, one remake,
// and an opening or closing animation that goes on at the new scale.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "surgepad/settings/LayoutExpandThread.h"
#include "surgepad/settings/LayoutSteps.h"
#include "surgepad/settings/SettingForm.h"
#include "tests/unit/win/UiTestSupport.h"
#include "tests/unit/win/settings/WindowStates.h"
#include "ui/Application.h"

namespace surgepad {
namespace {

using states::WindowState;

class SettingScaleOnDesktop : public testing::Test {
protected:
    void SetUp() override {
        ui::App().Initialize();
        ui::App().CreateForm<ui::Form>(ui::FormLayout{});  // the main form, as at start-up
        form = SettingForm = ui::App().CreateForm<TSettingForm>();
    }
    void TearDown() override {
        SettingForm = nullptr;
        ui::App().DestroyForms();
    }

    TSettingForm* form = nullptr;
};

TEST_F(SettingScaleOnDesktop, AChangeOfScaleTakesTheSuggestedRectangleAndMakesTheWindowOnce) {
    form->FollowDpi(96);
    form->MoveTo(40, 30);
    states::Recorder recorder(*form);
    ASSERT_TRUE(recorder.Hooked());
    struct Step {
        const char* what;
        int dpi;
        RECT suggested;
        std::vector<WindowState> expected;
    };
    const Step steps[] = {
        {"to 125 %", 120, {20, 10, 431, 476}, {{96, {20, 10, 349, 383}}, {120, {20, 10, 431, 476}}}},
        {"to 200 %", 192, {300, 200, 958, 946}, {{120, {300, 200, 711, 666}}, {192, {300, 200, 958, 946}}}},
        {"back to 100 %", 96, {0, 0, 329, 373}, {{192, {0, 0, 658, 746}}, {96, {0, 0, 329, 373}}}},
    };
    for (const Step& step : steps) {
        states::ExpectStatesOnDpiChange(*form, recorder, step.what, step.dpi, step.suggested, step.expected);
        EXPECT_EQ(form->Background.Picture().Height(), form->Px(kSettingHeight)) << step.what;
    }
}

// Hands the animation's steps to the window and, after the strip of step `atStrip` is
// drawn, moves the window to a monitor at `toDpi` as the system would: between two
// steps, on the GUI thread.
class RescalingCanvas : public LayoutCanvas {
public:
    RescalingCanvas(TSettingForm& form, int atStrip, int toDpi) : m_form(form), m_atStrip(atStrip), m_toDpi(toDpi) {}

    StripGeometry Geometry() override { return m_form.Geometry(); }
    void DrawRows(int from, int to) override { m_form.DrawRows(from, to); }
    void DrawStrip(int y) override {
        m_form.DrawStrip(y);
        if (++m_strips == m_atStrip) {
            const int width = MulDiv(kSettingWidth, m_toDpi, 96);
            const int height = MulDiv(kSettingHeight, m_toDpi, 96);
            states::SendDpiChanged(m_form, m_toDpi, RECT{0, 0, width, height});
        }
    }
    void SetAlphas(uint8_t alpha) override { m_form.SetAlphas(alpha); }
    void ShowControls(bool visible) override { m_form.ShowControls(visible); }
    void HideShadow() override { m_form.HideShadow(); }

    int Strips() const { return m_strips; }

private:
    TSettingForm& m_form;
    int m_atStrip;
    int m_toDpi;
    int m_strips = 0;
};

// Whether row `y` of `b` has the colours of row `from` of `source`, or of the colour key
// when `source` is null.
bool RowIs(const lumen::Bitmap& b, int y, const lumen::Bitmap* source, int from) {
    for (int x = 0; x < b.Width(); ++x) {
        const lumen::Bgra p = b.Pixel(x, y);
        const lumen::Bgra q = source != nullptr ? source->Pixel(x, from) : lumen::Bgra{255, 0, 255, 255};
        if (p.r != q.r || p.g != q.g || p.b != q.b) {
            return false;
        }
    }
    return true;
}

// A change of scale in the middle of the opening or the closing: the animation goes on
// at the new scale and the window ends as it should at it. Opened, every row of the
// window's picture is the skin's (none see-through); closed, the skin's first rows
// stand closed by its bottom strip and only the rows below are the colour key.
TEST_F(SettingScaleOnDesktop, AChangeOfScaleDuringTheAnimationEndsItAtTheNewScale) {
    struct Row {
        const char* what;
        bool opening;
        int atStrip;
        int fromDpi;
        int toDpi;
    };
    const Row rows[] = {
        {"opening, after its first rows, 100 % to 200 %", true, 1, 96, 192},
        {"opening, halfway, 200 % to 100 %", true, 40, 192, 96},
        {"opening, halfway, 100 % to 150 %", true, 50, 96, 144},
        {"closing, after its first step, 100 % to 150 %", false, 1, 96, 144},
        {"closing, halfway, 150 % to 100 %", false, 30, 144, 96},
        {"closing, halfway, 100 % to 200 %", false, 40, 96, 192},
    };
    for (const Row& row : rows) {
        form->FollowDpi(row.fromDpi);
        RescalingCanvas canvas(*form, row.atStrip, row.toDpi);
        bool ended = false;
        {
            TLayoutExpandThread thread(canvas, row.opening);
            thread.OnTerminate =
                ui::Callback<ui::Thread&>{[](void* flag, ui::Thread&) { *static_cast<bool*>(flag) = true; }, &ended};
            thread.Resume();
            ASSERT_TRUE(uitest::PumpUntil([&] { return ended; }, 30000)) << row.what << ": the animation did not end";
        }
        ASSERT_GT(canvas.Strips(), row.atStrip) << row.what << ": the change came after the last step";
        ASSERT_EQ(form->Dpi(), row.toDpi) << row.what;

        const lumen::Bitmap& skin = form->BkSave.Picture();
        const lumen::Bitmap& shown = form->Background.Picture();
        const StripGeometry g = StripGeometryAt(row.toDpi);
        ASSERT_EQ(shown.Height(), g.skinHeight) << row.what;
        ASSERT_EQ(skin.Height(), g.skinHeight) << row.what;
        RECT window{};
        GetWindowRect(form->Handle(), &window);
        EXPECT_EQ(window.bottom - window.top, g.skinHeight) << row.what << ": the layered window's height";
        int wrong = 0;
        int first = -1;
        for (int y = 0; y < shown.Height(); ++y) {
            // Closed: the first rows, the strip below them, then the colour key.
            const bool strip = !row.opening && y >= g.firstRows && y < g.firstRows + g.StripRows();
            const bool key = !row.opening && y >= g.firstRows + g.StripRows();
            const bool right = RowIs(shown, y, key ? nullptr : &skin, strip ? g.stripTop + y - g.firstRows : y);
            if (!right && wrong++ == 0) {
                first = y;
            }
        }
        EXPECT_EQ(wrong, 0) << row.what << ": rows not as they should be at " << row.toDpi << " dpi, the first "
                            << first << " of " << shown.Height();
    }
}

}  // namespace
}  // namespace surgepad
