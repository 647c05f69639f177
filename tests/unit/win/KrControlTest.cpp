// The skinned controls under real input: the mouse and the keyboard go through
// SendInput into real windows, every look the control shows and every event it fires
// is recorded, and the record is compared with the expected sequence.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kr/KrButton.h"
#include "kr/KrCheckBox.h"
#include "kr/KrControl.h"
#include "tests/unit/ReportRecorder.h"
#include "tests/unit/win/PaintProbe.h"
#include "tests/unit/win/RealInput.h"
#include "tests/unit/win/UiTestSupport.h"
#include "ui/Application.h"
#include "ui/Form.h"
#include "ui/Panel.h"

namespace {

using uitest::Join;
using uitest::Log;

class TestForm : public ui::Form {
public:
    TestForm() : ui::Form(uitest::TestFormLayout("TKrTestForm")) {}
};

// A control of the base class whose looks are only recorded.
class LookRecorder : public kr::KrControl {
public:
    static constexpr ui::ControlClass kClass = {"KrTestControl", false};
    LookRecorder(ui::WinControl& parent, Log& log, bool clicksDisabled)
        : kr::KrControl(parent, kClass, clicksDisabled, 20, 20, 80, 40), m_log(log) {
        OnMouseEnter = ui::Callback<kr::KrControl&>{
            [](void* d, kr::KrControl&) { static_cast<Log*>(d)->push_back("enter"); }, &log};
        OnMouseLeave = ui::Callback<kr::KrControl&>{
            [](void* d, kr::KrControl&) { static_cast<Log*>(d)->push_back("leave"); }, &log};
        OnClick =
            ui::Callback<ui::Control&>{[](void* d, ui::Control&) { static_cast<Log*>(d)->push_back("click"); }, &log};
    }
    const char* ClassName() const override { return "KrTestControl"; }
    void ShowRaised() override { m_log.push_back("raised"); }
    void ShowSunken() override { m_log.push_back("sunken"); }
    void ShowFocused() override { m_log.push_back("focused"); }
    void ShowDisabled() override { m_log.push_back("disabled"); }

private:
    Log& m_log;
};

class KrControlsOnDesktop : public testing::Test {
protected:
    void SetUp() override {
        ui::App().Initialize();
        form = ui::App().CreateForm<TestForm>();
        other = std::make_unique<ui::Panel>(*form, 300, 20, 60, 40);
        other->SetTabStop(true);
        form->Show();
        SetForegroundWindow(form->Handle());
        realinput::Park();
    }
    void TearDown() override {
        realinput::Park();
        other.reset();
        ui::App().DestroyForms();
    }

    TestForm* form = nullptr;
    std::unique_ptr<ui::Panel> other;  // somewhere else to put the focus
};

// One step of user input or of the program, on the control under test.
enum class Step {
    In,
    Out,
    Down,
    Up,
    SpaceDown,
    SpaceUp,
    FocusIn,
    FocusOut,
    Disable,
    Enable,
    NoHoverLook,
    AllowClicks,
    CaptureTaken
};

const char* StepName(Step s) {
    static const char* const names[] = {"in",           "out",     "down",    "up",     "space down",    "space up",
                                        "focus",        "unfocus", "disable", "enable", "no hover look", "allow clicks",
                                        "capture taken"};
    return names[static_cast<int>(s)];
}

struct StateCase {
    const char* name;
    bool clicksDisabled;
    std::vector<Step> steps;
    std::vector<Log> expected;  // after each step
};

TEST_F(KrControlsOnDesktop, StateMachineFollowsTheInput) {
    using enum Step;
    const StateCase cases[] = {
        {"press and release",
         false,
         {In, Down, Up, Out},
         {{"focused", "enter"}, {"sunken"}, {"focused", "click"}, {"leave"}}},
        {"drag out and back in",
         false,
         {In, Down, Out, In, Up},
         {{"focused", "enter"}, {"sunken"}, {"focused"}, {"sunken", "enter"}, {"focused", "click"}}},
        {"space while the mouse holds it",
         false,
         {In, Down, SpaceDown, Up, SpaceUp, Out},
         {{"focused", "enter"}, {"sunken"}, {}, {"click"}, {"focused"}, {"leave"}}},
        {"keyboard press",
         false,
         {FocusIn, SpaceDown, SpaceUp, FocusOut},
         {{"focused"}, {"sunken"}, {"focused"}, {"raised"}}},
        {"focus lost while the key holds it",
         false,
         {FocusIn, SpaceDown, FocusOut},
         {{"focused"}, {"sunken"}, {"raised"}}},
        {"hover without focus", false, {In, Out}, {{"focused", "enter"}, {"raised", "leave"}}},
        {"disabled and enabled",
         false,
         {In, Disable, Out, Enable},
         {{"focused", "enter"}, {"raised", "disabled"}, {}, {"raised"}}},
        {"hover look turned off", false, {In, NoHoverLook, Out}, {{"focused", "enter"}, {"raised"}, {}}},
        {"clicks disabled: hover only",
         true,
         {In, Down, Up, SpaceDown, Out},
         {{"focused", "enter"}, {}, {"click"}, {}, {"raised", "leave"}}},
        // Another window takes the capture (a message box, Alt+Tab): the press ends
        // unsunken, and the release clicks nothing.
        {"capture taken while pressed",
         false,
         {In, Down, CaptureTaken, Up},
         {{"focused", "enter"}, {"sunken"}, {"focused"}, {}}},
        {"clicks allowed again ends nothing unpressed",
         true,
         {In, AllowClicks, Down, Up},
         {{"focused", "enter"}, {}, {"sunken"}, {"focused", "click"}}},
    };
    for (const StateCase& c : cases) {
        SCOPED_TRACE(c.name);
        Log log;
        auto control = std::make_unique<LookRecorder>(*form, log, c.clicksDisabled);
        SetFocus(form->Handle());
        realinput::Settle();
        log.clear();
        ASSERT_EQ(c.steps.size(), c.expected.size());
        for (size_t i = 0; i < c.steps.size(); ++i) {
            log.clear();
            switch (c.steps[i]) {
                case In:
                    realinput::MoveTo(control->Handle(), 40, 20);
                    break;
                case Out:
                    realinput::MoveTo(control->Handle(), 40, 150);
                    realinput::SettleFor(800);
                    break;
                case Down:
                    realinput::Button(true);
                    break;
                case Up:
                    realinput::Button(false);
                    break;
                case SpaceDown:
                    realinput::Key(VK_SPACE, true);
                    break;
                case SpaceUp:
                    realinput::Key(VK_SPACE, false);
                    break;
                case FocusIn:
                    control->SetFocus();
                    realinput::Settle();
                    break;
                case FocusOut:
                    other->SetFocus();
                    realinput::Settle();
                    break;
                case Disable:
                    control->SetEnabled(false);
                    realinput::Settle();
                    break;
                case Enable:
                    control->SetEnabled(true);
                    realinput::Settle();
                    break;
                case NoHoverLook:
                    control->SetShowMouseOver(false);
                    break;
                case AllowClicks:
                    control->SetClicksDisabled(false);
                    break;
                case CaptureTaken:
                    SetCapture(other->Handle());
                    realinput::Settle();
                    break;
            }
            EXPECT_EQ(Join(log), Join(c.expected[i])) << "step " << i << " (" << StepName(c.steps[i]) << ")";
        }
        realinput::Park();
        realinput::Key(VK_SPACE, false);
    }
}

TEST_F(KrControlsOnDesktop, AControlThatAsksForTheHandShowsItAndOnlyThere) {
    other->SetCursorShape(IDC_HAND);
    const HCURSOR hand = LoadCursorA(nullptr, IDC_HAND);
    realinput::MoveTo(other->Handle(), 10, 10);
    EXPECT_EQ(GetCursor(), hand) << "over the control";
    realinput::MoveTo(form->Handle(), 10, 10);
    EXPECT_NE(GetCursor(), hand) << "beside it";
    realinput::Park();
}

// A picture of one flat colour, with a frame of the transparent colour when `framed`.
lumen::DibBitmap Picture(int w, int h, lumen::Bgra colour, bool framed = false) {
    lumen::DibBitmap b(w, h, lumen::PixelFormat::Bgr24);
    b.Fill(colour);
    if (framed) {
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                if (x < 10 || y < 5 || x >= w - 10 || y >= h - 5) {
                    b.SetPixel(x, y, lumen::Bgra{255, 0, 255, 255});
                }
            }
        }
    }
    return b;
}

const lumen::Bgra kColours[] = {{0, 0, 200, 255}, {0, 200, 0, 255}, {200, 0, 0, 255}, {90, 90, 90, 255}};

TEST_F(KrControlsOnDesktop, ButtonSizesToBitmapZeroAndShowsTheLooksWithFallback) {
    kr::KrButton button(*form, 10, 10, 33, 17);
    // An empty bitmap 0: the size given stays and the window has no region.
    EXPECT_EQ(button.Width(), 33);
    EXPECT_EQ(button.Height(), 17);
    EXPECT_EQ(GetWindowRgn(button.Handle(), CreateRectRgn(0, 0, 0, 0)), ERROR);

    button.Appearance().SetRaisedBmp(Picture(60, 30, kColours[0]));
    EXPECT_EQ(button.Width(), 60);
    EXPECT_EQ(button.Height(), 30);
    // A later size request keeps the picture's size.
    button.SetBounds(5, 6, 100, 100);
    EXPECT_EQ(button.Left(), 5);
    EXPECT_EQ(button.Width(), 60);

    struct Look {
        void (kr::KrButton::*show)();
        int wantIndex;
    };
    const Look looks[] = {{&kr::KrButton::ShowRaised, 0},
                          {&kr::KrButton::ShowSunken, 1},
                          {&kr::KrButton::ShowFocused, 2},
                          {&kr::KrButton::ShowDisabled, 3}};
    for (const Look& l : looks) {
        (button.*l.show)();
        EXPECT_EQ(button.StateIndex(), l.wantIndex);
        EXPECT_EQ(button.Display().Shown(), 0) << "only the raised picture exists";
    }
    button.Appearance().SetSunkenBmp(Picture(60, 30, kColours[1]));
    button.ShowSunken();
    EXPECT_EQ(button.Display().Shown(), 1);
    EXPECT_EQ(button.Display().Picture().Pixel(30, 15), kColours[1]);
    // Changing the shown bitmap repaints it at once.
    button.Appearance().SunkenBmp().Fill(kColours[2]);
    EXPECT_EQ(button.Display().Picture().Pixel(30, 15), kColours[2]);
}

TEST_F(KrControlsOnDesktop, TransparentButtonIgnoresClicksOnTheTransparentColour) {
    Log log;
    kr::KrButton button(*form, 20, 20);
    button.OnClick =
        ui::Callback<ui::Control&>{[](void* d, ui::Control&) { static_cast<Log*>(d)->push_back("click"); }, &log};
    button.Appearance().SetRaisedBmp(Picture(60, 30, kColours[0], true));
    button.SetTransparent(true);
    EXPECT_EQ(button.TransparentColor(), lumen::RgbValue(255, 0, 255));
    EXPECT_FALSE(button.IsInside(3, 3));
    EXPECT_TRUE(button.IsInside(30, 15));

    realinput::Click(button.Handle(), 3, 15);  // the frame
    EXPECT_TRUE(log.empty());
    realinput::Click(button.Handle(), 30, 15);
    EXPECT_EQ(Join(log), "click");
}

TEST_F(KrControlsOnDesktop, SpaceClicksOnKeyPressEnterNeverAndTheFormGetsTheModalResult) {
    Log log;
    kr::KrButton button(*form, 20, 20, 40, 20);
    button.SetModalResult(2);
    button.OnClick =
        ui::Callback<ui::Control&>{[](void* d, ui::Control&) { static_cast<Log*>(d)->push_back("click"); }, &log};
    button.SetFocus();
    realinput::Settle();
    realinput::Key(VK_SPACE, true);
    EXPECT_EQ(Join(log), "click") << "on the key press, not its release";
    realinput::Key(VK_SPACE, false);
    realinput::Tap(VK_RETURN);
    EXPECT_EQ(Join(log), "click");
    EXPECT_EQ(form->ModalResult(), 2);
}

TEST_F(KrControlsOnDesktop, TabAndShiftTabMoveBetweenTabStopsAndEscapeReachesTheForm) {
    kr::KrButton a(*form, 10, 10, 30, 20);
    kr::KrCheckBox b(*form, 50, 10, 30, 20);
    kr::KrButton c(*form, 90, 10, 30, 20);
    c.SetEnabled(false);
    kr::KrButton d(*form, 130, 10, 30, 20);
    other->SetTabStop(false);
    a.SetFocus();
    realinput::Settle();
    // Dots of the focus frame along the control's top edge: pixels that differ from
    // its middle.
    const auto cueDots = [&](const ui::WinControl& control) {
        const RECT r = control.BoundsRect();
        const lumen::DibBitmap shot = painttest::PaintedPixels(*form, r);
        int dots = 0;
        for (int x = 0; x < shot.Width(); ++x) {
            dots += shot.Pixel(x, 0) == shot.Pixel(shot.Width() / 2, shot.Height() / 2) ? 0 : 1;
        }
        return dots;
    };
    const ui::WinControl* stops[] = {&a, &b, &d};
    const HWND forward[] = {b.Handle(), d.Handle(), a.Handle()};
    for (HWND want : forward) {
        realinput::Tap(VK_TAB);
        EXPECT_EQ(GetFocus(), want);
        for (const ui::WinControl* stop : stops) {
            // The keyboard was used: the focused control, and it alone, shows its frame.
            EXPECT_EQ(cueDots(*stop) > 0, stop->Handle() == want)
                << "control at x " << stop->Left() << " with the focus on " << (want == stop->Handle());
        }
    }
    realinput::Key(VK_SHIFT, true);
    realinput::Tap(VK_TAB);
    realinput::Key(VK_SHIFT, false);
    EXPECT_EQ(GetFocus(), d.Handle());
    // A control placed after another in the tab order is reached right after it.
    d.PlaceInTabOrderAfter(a);
    a.SetFocus();
    for (HWND want : {d.Handle(), b.Handle(), a.Handle()}) {
        realinput::Tap(VK_TAB);
        EXPECT_EQ(GetFocus(), want);
    }

    // Escape goes to the form, not to the control with the focus.
    Log log;
    class EscapeForm : public ui::Form {
    public:
        explicit EscapeForm(Log& log) : ui::Form(uitest::TestFormLayout("TKrTestForm")), m_log(log) {}

    protected:
        void KeyDown(WORD& key, ui::ShiftState shift) override {
            if (key == VK_ESCAPE) {
                m_log.push_back("escape");
            }
            ui::Form::KeyDown(key, shift);
        }

    private:
        Log& m_log;
    };
    auto* escapeForm = ui::App().CreateForm<EscapeForm>(log);
    kr::KrButton inside(*escapeForm, 10, 10, 30, 20);
    escapeForm->Show();
    SetForegroundWindow(escapeForm->Handle());
    inside.SetFocus();
    realinput::Settle();
    realinput::Tap(VK_ESCAPE);
    EXPECT_EQ(Join(log), "escape");
}

TEST_F(KrControlsOnDesktop, CheckBoxCyclesWithAndWithoutGrayed) {
    kr::KrCheckBox box(*form, 20, 20, 30, 20);
    const kr::CheckBoxState plain[] = {kr::cbChecked, kr::cbUnchecked, kr::cbChecked};
    for (kr::CheckBoxState want : plain) {
        box.Click();
        EXPECT_EQ(box.State(), want);
    }
    box.SetState(kr::cbUnchecked);
    box.SetAllowGrayed(true);
    const kr::CheckBoxState grayed[] = {kr::cbGrayed, kr::cbChecked, kr::cbUnchecked, kr::cbGrayed};
    for (kr::CheckBoxState want : grayed) {
        box.Click();
        EXPECT_EQ(box.State(), want);
    }
}

// Which bitmap shows for every check state and look, with only some pictures loaded.
TEST_F(KrControlsOnDesktop, CheckBoxAndRadioFallBackToTheRaisedLookOfTheSameStateThenToUnchecked) {
    kr::KrCheckBox box(*form, 20, 20);
    box.Appearance().Uncheck.SetRaisedBmp(Picture(20, 20, kColours[0]));    // 0
    box.Appearance().Uncheck.SetDisabledBmp(Picture(20, 20, kColours[3]));  // 3
    box.Appearance().Check.SetRaisedBmp(Picture(20, 20, kColours[1]));      // 4
    // grayed: nothing
    struct Want {
        kr::CheckBoxState state;
        int look;
        int shown;
    };
    const Want wants[] = {
        {kr::cbUnchecked, 0, 0}, {kr::cbUnchecked, 1, 0}, {kr::cbUnchecked, 3, 3}, {kr::cbChecked, 0, 4},
        {kr::cbChecked, 2, 4},   {kr::cbChecked, 3, 4},   {kr::cbGrayed, 0, 0},    {kr::cbGrayed, 1, 0},
    };
    for (const Want& w : wants) {
        box.SetState(w.state);
        box.ShowChkboxBmp(w.look);
        EXPECT_EQ(box.Display().Shown(), w.shown) << "state " << w.state << " look " << w.look;
    }
    // The state changes, the look stays: sunken of the new state (or its stand-in).
    box.SetState(kr::cbUnchecked);
    box.ShowSunken();
    box.SetState(kr::cbChecked);
    EXPECT_EQ(box.StateIndex(), 5);
    EXPECT_EQ(box.Display().Shown(), 4);
    // The stand-in of the shown state changes: it is shown again at once.
    box.Appearance().Check.RaisedBmp().Fill(kColours[2]);
    EXPECT_EQ(box.Display().Picture().Pixel(5, 5), kColours[2]);

    kr::KrRadioButton radio(*form, 60, 20);
    radio.Appearance().Uncheck.SetRaisedBmp(Picture(20, 20, kColours[0]));
    radio.Appearance().Check.SetRaisedBmp(Picture(20, 20, kColours[1]));
    radio.SetChecked(true);
    radio.SetEnabled(false);
    EXPECT_EQ(radio.StateIndex(), 7);
    EXPECT_EQ(radio.Display().Shown(), 4) << "checked disabled without its picture shows checked raised";
}

TEST_F(KrControlsOnDesktop, RadioButtonsExcludeEachOtherOnOneParentOnly) {
    ui::Panel left(*form, 0, 100, 150, 100);
    ui::Panel right(*form, 200, 100, 150, 100);
    kr::KrRadioButton a(left, 10, 10, 20, 20), b(left, 40, 10, 20, 20), c(left, 70, 10, 20, 20);
    kr::KrRadioButton elsewhere(right, 10, 10, 20, 20);
    kr::KrCheckBox box(left, 100, 10, 20, 20);
    elsewhere.SetChecked(true);
    box.SetChecked(true);
    a.SetChecked(true);
    b.SetChecked(true);
    c.Click();
    EXPECT_FALSE(a.GetChecked());
    EXPECT_FALSE(b.GetChecked());
    EXPECT_TRUE(c.GetChecked());
    EXPECT_TRUE(elsewhere.GetChecked()) << "another parent";
    EXPECT_TRUE(box.GetChecked()) << "not a radio button";
    c.Click();
    EXPECT_TRUE(c.GetChecked()) << "a click keeps a checked radio button checked";
}

TEST_F(KrControlsOnDesktop, CaptionedButtonColoursItsCaptionByStateAndRecentresOnResize) {
    kr::KrButtonTx button(*form, 20, 20, 80, 24);
    button.GetFont().SetColor(0x102030);
    button.FontColors().SetSunken(0x0000FF);
    struct Want {
        void (kr::KrButtonTx::*show)();
        COLORREF colour;
    };
    const Want wants[] = {{&kr::KrButtonTx::ShowRaised, 0x102030},
                          {&kr::KrButtonTx::ShowSunken, 0x0000FF},
                          {&kr::KrButtonTx::ShowFocused, 0x102030},
                          {&kr::KrButtonTx::ShowDisabled, GetSysColor(COLOR_GRAYTEXT)}};
    for (const Want& w : wants) {
        (button.*w.show)();
        EXPECT_EQ(button.GetFontColorOfCurState(), w.colour) << "state " << button.StateIndex();
    }
    button.SetTextBounds(5, 5, 10, 10);
    button.SetBounds(20, 20, 120, 30);
    const RECT r = button.TextBounds();
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 120);
    EXPECT_EQ(r.bottom, 30);
}

TEST_F(KrControlsOnDesktop, DisplayPreconditionsAreAssertions) {
    EXPECT_NE(testutil::AssertionOf([&] { kr::TBmpLEDCtrl display(*form, 0); }).find("stateCount > 0"),
              std::string::npos);
    kr::KrButton button(*form);
    EXPECT_NE(testutil::AssertionOf([&] { button.ShowBitmap(4); }).find("index < (int) m_bitmaps.size()"),
              std::string::npos);
}

TEST_F(KrControlsOnDesktop, AClassNameRegisteredAgainWithAnotherStyleIsAProgrammingError) {
    struct Twin : ui::WinControl {
        Twin(ui::WinControl& parent, bool dbl) : ui::WinControl(parent, {"KrTwinClass", dbl}, 0, 0, 5, 5) {}
        const char* ClassName() const override { return "KrTwinClass"; }
    };
    Twin first(*form, false);
    EXPECT_NE(testutil::AssertionOf([&] { Twin second(*form, true); }).find("another style"), std::string::npos);
}

}  // namespace
