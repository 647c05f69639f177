// The bricks under real input: the mouse and the keyboard go through SendInput, every
// picture the brick shows and every event it fires is recorded after each step, and
// the record is compared with the expected sequence. A brick follows hover, focus and
// enabling, never a press.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "kr/KrBrick.h"
#include "kr/KrButton.h"
#include "lumen/graphics/DibBitmap.h"
#include "tests/unit/win/DormixTestSupport.h"
#include "tests/unit/win/PaintProbe.h"
#include "tests/unit/win/RealInput.h"
#include "tests/unit/win/UiTestSupport.h"
#include "ui/Application.h"
#include "ui/Error.h"
#include "ui/Form.h"
#include "ui/Panel.h"

namespace {

using uitest::Join;
using uitest::Log;

class BrickForm : public ui::Form {
public:
    BrickForm() : ui::Form(uitest::TestFormLayout("TKrBrickTestForm")) {}
};

const char* const kPictureNames[] = {"normal", "focused", "disabled"};
const COLORREF kPictureColours[] = {RGB(200, 0, 0), RGB(0, 200, 0), RGB(0, 0, 200)};

// A brick that records the picture its display shows after every change of look, and
// its events.
class RecordingBrick : public kr::KrBrick {
public:
    RecordingBrick(ui::WinControl& parent, Log& log) : kr::KrBrick(parent, 20, 20, 0, 0), m_log(log) {
        OnMouseEnter = ui::Callback<kr::KrControl&>{
            [](void* d, kr::KrControl&) { static_cast<Log*>(d)->push_back("enter"); }, &log};
        OnMouseLeave = ui::Callback<kr::KrControl&>{
            [](void* d, kr::KrControl&) { static_cast<Log*>(d)->push_back("leave"); }, &log};
        OnClick =
            ui::Callback<ui::Control&>{[](void* d, ui::Control&) { static_cast<Log*>(d)->push_back("click"); }, &log};
        OnDblClick = ui::Callback<ui::Control&>{
            [](void* d, ui::Control&) { static_cast<Log*>(d)->push_back("dblclick"); }, &log};
        Appearance().SetNormalBmp(painttest::Flat(80, 40, kPictureColours[0]));
        Appearance().SetFocusedBmp(painttest::Flat(80, 40, kPictureColours[1]));
        Appearance().SetDisabledBmp(painttest::Flat(80, 40, kPictureColours[2]));
    }
    void ShowBitmap(int index) override {
        kr::KrBrick::ShowBitmap(index);
        const int shown = Display().Shown();
        m_log.push_back(shown >= 0 && shown < 3 ? kPictureNames[shown] : "picture " + std::to_string(shown));
    }

private:
    Log& m_log;
};

class KrBricksOnDesktop : public testing::Test {
protected:
    void SetUp() override {
        ui::App().Initialize();
        form = ui::App().CreateForm<BrickForm>();
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

    BrickForm* form = nullptr;
    std::unique_ptr<ui::Panel> other;  // somewhere else to put the focus
};

// Moves the mouse off the brick. After a click the system may report the leave only
// at its next tracking check (under Wine up to the hover time later), so the move
// waits, within a generous bound, until the brick has seen the mouse go.
void LeaveBrick(kr::KrBrick& brick) {
    realinput::MoveTo(brick.Handle(), 40, 150);
    uitest::PumpUntil([&] { return !brick.MouseInside(); }, 3000);
}

enum class Step { In, Out, Down, Up, SpaceDown, SpaceUp, EnterKey, FocusIn, FocusOut, Disable, Enable };

const char* StepName(Step s) {
    static const char* const names[] = {"in",    "out",   "down",    "up",      "space down", "space up",
                                        "enter", "focus", "unfocus", "disable", "enable"};
    return names[static_cast<int>(s)];
}

struct BrickCase {
    const char* name;
    std::vector<Step> steps;
    std::vector<Log> expected;  // after each step
};

TEST_F(KrBricksOnDesktop, ClicksNeverSinkTheBrick) {
    using enum Step;
    const BrickCase cases[] = {
        {"click", {In, Down, Up, Out}, {{"focused", "enter"}, {}, {"click"}, {"normal", "leave"}}},
        {"press and drag out", {In, Down, Out, Up}, {{"focused", "enter"}, {}, {"normal", "leave"}, {}}},
        {"double click",
         {In, Down, Up, Down, Up, Out},
         {{"focused", "enter"}, {}, {"click"}, {"dblclick"}, {}, {"normal", "leave"}}},
        {"keys while focused",
         {FocusIn, SpaceDown, SpaceUp, EnterKey, FocusOut},
         {{"focused"}, {}, {}, {}, {"normal"}}},
        {"click while focused", {FocusIn, In, Down, Up, Out}, {{"focused"}, {"enter"}, {}, {"click"}, {"leave"}}},
        {"disabled under the mouse",
         {In, Disable, Down, Up, Out, Enable},
         {{"focused", "enter"}, {"normal", "disabled"}, {}, {}, {}, {"normal"}}},
    };
    for (const BrickCase& c : cases) {
        SCOPED_TRACE(c.name);
        Log log;
        auto brick = std::make_unique<RecordingBrick>(*form, log);
        SetFocus(form->Handle());
        realinput::Settle();
        ASSERT_EQ(c.steps.size(), c.expected.size());
        for (size_t i = 0; i < c.steps.size(); ++i) {
            log.clear();
            switch (c.steps[i]) {
                case In:
                    realinput::MoveTo(brick->Handle(), 40, 20);
                    break;
                case Out:
                    LeaveBrick(*brick);
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
                case EnterKey:
                    realinput::Tap(VK_RETURN);
                    break;
                case FocusIn:
                    brick->SetFocus();
                    realinput::Settle();
                    break;
                case FocusOut:
                    other->SetFocus();
                    realinput::Settle();
                    break;
                case Disable:
                    brick->SetEnabled(false);
                    realinput::Settle();
                    break;
                case Enable:
                    brick->SetEnabled(true);
                    realinput::Settle();
                    break;
            }
            EXPECT_EQ(Join(log), Join(c.expected[i])) << "step " << i << " (" << StepName(c.steps[i]) << ")";
        }
        realinput::Park();
        brick.reset();
        // The next case's first click must not make a double click with this one's.
        Sleep(GetDoubleClickTime() + 50);
        realinput::Settle();
    }
}

TEST_F(KrBricksOnDesktop, ShowsItsPictureOnTheForm) {
    Log log;
    RecordingBrick brick(*form, log);
    EXPECT_EQ(80, brick.Width());
    EXPECT_EQ(40, brick.Height());
    struct Look {
        Step step;
        COLORREF colour;
    };
    const Look looks[] = {{Step::In, kPictureColours[1]},
                          {Step::Down, kPictureColours[1]},
                          {Step::Up, kPictureColours[1]},
                          {Step::Out, kPictureColours[0]}};
    for (const Look& l : looks) {
        switch (l.step) {
            case Step::In:
                realinput::MoveTo(brick.Handle(), 40, 20);
                break;
            case Step::Out:
                LeaveBrick(brick);
                break;
            case Step::Down:
                realinput::Button(true);
                break;
            default:
                realinput::Button(false);
                break;
        }
        const lumen::DibBitmap shot = painttest::PaintedPixels(*form, RECT{20, 20, 100, 60});
        EXPECT_EQ("", painttest::DifferenceFrom(shot, l.colour)) << "after " << StepName(l.step);
    }
}

// Writes a 24-bit BMP file of one colour, rows bottom-up as paint programs write them.
void WriteBmp(const std::string& path, int w, int h, COLORREF colour) {
    const lumen::DibBitmap b = painttest::Flat(w, h, colour);
    const DWORD stride = static_cast<DWORD>(b.Stride());
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = w;
    info.biHeight = h;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + stride * static_cast<DWORD>(h);
    FILE* out = std::fopen(path.c_str(), "wb");
    ASSERT_NE(nullptr, out) << path;
    std::fwrite(&file, sizeof file, 1, out);
    std::fwrite(&info, sizeof info, 1, out);
    for (int y = h - 1; y >= 0; --y) {
        std::fwrite(b.ScanLine(y), 1, stride, out);
    }
    std::fclose(out);
}

lumen::Bgra ColourOf(const lumen::Bitmap& b) {
    return b.Empty() ? lumen::Bgra{} : b.Pixel(0, 0);
}

TEST_F(KrBricksOnDesktop, LoadBitmapKeepsWhatAnEmptyNameLeavesAndEmptyPicturesFallBack) {
    testutil::ScratchFolder folder("brick");
    WriteBmp(folder / "n.bmp", 30, 10, RGB(1, 2, 3));
    WriteBmp(folder / "f.bmp", 30, 10, RGB(4, 5, 6));
    WriteBmp(folder / "d.bmp", 30, 10, RGB(7, 8, 9));
    WriteBmp(folder / "n2.bmp", 50, 20, RGB(11, 12, 13));

    kr::KrBrick brick(*form, 10, 10, 0, 0);
    // The folder without its trailing backslash gets one.
    std::string bare = folder.Path();
    bare.pop_back();
    ASSERT_TRUE(brick.LoadBitmap(bare, "n.bmp", "f.bmp", "d.bmp"));
    ASSERT_TRUE(brick.LoadBitmap(folder.Path(), "n2.bmp", "", ""));
    struct Expect {
        const char* state;
        const lumen::Bitmap& bitmap;
        lumen::Bgra colour;
    };
    const Expect expected[] = {
        {"normal", brick.Appearance().NormalBmp(), painttest::FromRgb(RGB(11, 12, 13))},
        {"focused", brick.Appearance().FocusedBmp(), painttest::FromRgb(RGB(4, 5, 6))},
        {"disabled", brick.Appearance().DisabledBmp(), painttest::FromRgb(RGB(7, 8, 9))},
    };
    for (const Expect& e : expected) {
        EXPECT_EQ(painttest::Rgb(e.colour), painttest::Rgb(ColourOf(e.bitmap))) << e.state;
    }
    EXPECT_EQ(50, brick.Width());
    EXPECT_EQ(20, brick.Height());
    // A missing file changes nothing.
    EXPECT_THROW(brick.LoadBitmap(folder.Path(), "", "missing.bmp", ""), ui::FileOpenError);
    EXPECT_EQ(painttest::Rgb(RGB(4, 5, 6)), painttest::Rgb(ColourOf(brick.Appearance().FocusedBmp())));

    // An empty focused picture: the focused look shows the normal one.
    kr::KrBrick bare2(*form, 10, 40, 0, 0);
    bare2.Appearance().SetNormalBmp(painttest::Flat(30, 10, RGB(50, 60, 70)));
    bare2.ShowFocused();
    EXPECT_EQ(kr::brFocused, bare2.StateIndex());
    EXPECT_EQ(0, bare2.Display().Shown());
}

TEST_F(KrBricksOnDesktop, AppearanceAssignCopiesTheThreePictures) {
    kr::KrBrick from(*form, 10, 10, 0, 0);
    from.Appearance().SetNormalBmp(painttest::Flat(20, 10, kPictureColours[0]));
    from.Appearance().SetFocusedBmp(painttest::Flat(20, 10, kPictureColours[1]));
    from.Appearance().SetDisabledBmp(painttest::Flat(20, 10, kPictureColours[2]));
    kr::KrBrick to(*form, 10, 40, 0, 0);
    to.SetAppearance(from.Appearance());
    const lumen::Bitmap* got[] = {&to.Appearance().NormalBmp(), &to.Appearance().FocusedBmp(),
                                  &to.Appearance().DisabledBmp()};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(painttest::Rgb(kPictureColours[i]), painttest::Rgb(ColourOf(*got[i]))) << kPictureNames[i];
    }
    EXPECT_EQ(20, to.Width());
}

// The caption's colour in each state, and where the caption lies.
TEST_F(KrBricksOnDesktop, CaptionColourFollowsTheState) {
    kr::KrBrickTx brick(*form, 10, 10, 0, 0);
    brick.Appearance().SetNormalBmp(painttest::Flat(90, 30, RGB(200, 200, 200)));
    brick.GetFont().SetColor(RGB(10, 20, 30));
    struct Case {
        const char* name;
        ui::Color focused;
        ui::Color disabled;
        int state;
        COLORREF expected;
    };
    const Case cases[] = {
        {"normal", ui::clNone, ui::clNone, kr::brNormal, RGB(10, 20, 30)},
        {"focused without its own colour", ui::clNone, ui::clNone, kr::brFocused, RGB(10, 20, 30)},
        {"focused", RGB(1, 2, 3), ui::clNone, kr::brFocused, RGB(1, 2, 3)},
        {"disabled without its own colour", RGB(1, 2, 3), ui::clNone, kr::brDisabled, GetSysColor(COLOR_GRAYTEXT)},
        {"disabled", ui::clNone, RGB(4, 5, 6), kr::brDisabled, RGB(4, 5, 6)},
        {"disabled colour in the normal state", ui::clNone, RGB(4, 5, 6), kr::brNormal, RGB(10, 20, 30)},
    };
    for (const Case& c : cases) {
        brick.FontColors().SetFocused(c.focused);
        brick.FontColors().SetDisabled(c.disabled);
        brick.ShowBitmap(c.state);
        EXPECT_EQ(c.expected, brick.GetFontColorOfCurState()) << c.name;
    }
}

TEST_F(KrBricksOnDesktop, CaptionIsDrawnCentredOnOneLineAndBoundsResetItsRectangle) {
    kr::KrBrickTx brick(*form, 10, 10, 0, 0);
    const COLORREF back = RGB(200, 200, 200);
    brick.Appearance().SetNormalBmp(painttest::Flat(120, 30, back));
    brick.GetFont().SetColor(RGB(0, 0, 0));
    brick.SetTextBounds(0, 0, 40, 30);
    brick.SetText("Wide caption that would wrap");
    EXPECT_EQ(40, brick.TextBounds().right);
    brick.SetBounds(10, 10, 120, 30);
    EXPECT_EQ(120, brick.TextBounds().right);
    EXPECT_EQ(30, brick.TextBounds().bottom);

    // One line, centred in the whole brick: ink in the middle row band only, spread
    // about the same on both sides.
    brick.SetText("Mid");
    const lumen::DibBitmap shot = painttest::PaintedPixels(*form, RECT{10, 10, 130, 40});
    const RECT ink = painttest::InkBox(shot, back);
    ASSERT_LT(ink.left, ink.right) << "no caption drawn";
    EXPECT_LE(std::abs((ink.left - 0) - (120 - ink.right)), 2) << "left " << ink.left << ", right " << ink.right;
    EXPECT_LE(std::abs((ink.top - 0) - (30 - ink.bottom)), 3) << "top " << ink.top << ", bottom " << ink.bottom;
}

// The captioned button sized by its picture keeps its caption, centred on that size,
// through a repaint and through a change of its state picture.
TEST_F(KrBricksOnDesktop, CaptionedButtonKeepsItsCentredCaptionThroughRepaintAndStateChanges) {
    kr::KrButtonTx button(*form, 10, 10, 0, 0);
    const COLORREF back = RGB(200, 200, 200);
    button.Appearance().SetRaisedBmp(painttest::Flat(120, 30, back));
    button.Appearance().SetFocusedBmp(painttest::Flat(120, 30, back));
    button.GetFont().SetColor(RGB(0, 0, 0));
    button.SetText("Mid");
    for (const char* step : {"repaint", "focused look", "raised look"}) {
        if (step[0] == 'r' && step[1] == 'e') {
            button.Repaint();
        } else if (step[0] == 'f') {
            button.ShowFocused();
        } else {
            button.ShowRaised();
        }
        const RECT ink = painttest::InkBox(painttest::PaintedPixels(*form, RECT{10, 10, 130, 40}), back);
        ASSERT_LT(ink.left, ink.right) << "no caption after the " << step;
        EXPECT_LE(std::abs(ink.left - (120 - ink.right)), 2)
            << step << ": left " << ink.left << ", right " << ink.right;
    }
}

}  // namespace
