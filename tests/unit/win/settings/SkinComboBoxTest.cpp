// The profile drop-down list under real input on a real form: the mouse goes through
// SendInput, what the list does (open, closed, changes, texts) is recorded step by
// step and compared with the expected sequence; the pictures are checked by pixel.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "kr/KrCheckBox.h"
#include "surgepad/look/PngReader.h"
#include "surgepad/settings/SkinComboBox.h"
#include "tests/unit/win/RealInput.h"
#include "tests/unit/win/UiTestSupport.h"
#include "ui/Application.h"
#include "ui/Form.h"

namespace {

constexpr COLORREF kFormColor = RGB(60, 50, 80);
const lumen::Bgra kListColor = {54, 44, 44, 255};
const lumen::Bgra kHighlight = {199, 80, 128, 255};

ui::FormLayout ComboFormLayout() {
    ui::FormLayout layout;
    layout.className = "TComboTestForm";
    layout.left = 60;
    layout.top = 40;
    layout.clientWidth = 329;
    layout.clientHeight = 373;
    layout.color = kFormColor;
    return layout;
}

class ComboForm : public ui::Form {
public:
    ComboForm() : ui::Form(ComboFormLayout()) {}
};

lumen::DibBitmap Filled(int w, int h, COLORREF c) {
    lumen::DibBitmap b(w, h, lumen::PixelFormat::Bgr24);
    b.Fill(lumen::Bgra{GetBValue(c), GetGValue(c), GetRValue(c), 255});
    return b;
}

lumen::DibBitmap Png(const char* name) {
    lumen::DibBitmap b;
    EXPECT_TRUE(surgepad::LoadPngFile(surgepad::ResourceFolder() + name, b, 96)) << name;
    return b;
}

// What a picture of the skin looks like blended by its alpha over the form's colour:
// dst x (1 - a) + a x src, truncated.
lumen::DibBitmap OverForm(const char* name) {
    const lumen::DibBitmap png = Png(name);
    lumen::DibBitmap out = Filled(png.Width(), png.Height(), kFormColor);
    for (int y = 0; y < png.Height(); ++y) {
        for (int x = 0; x < png.Width(); ++x) {
            const lumen::Bgra s = png.Pixel(x, y);
            const lumen::Bgra d = out.Pixel(x, y);
            const double a = s.a / 255.0;
            auto mix = [a](int dst, int src) {
                return static_cast<uint8_t>(static_cast<int>(dst * (1.0 - a) + a * src));
            };
            out.SetPixel(x, y, lumen::Bgra{mix(d.b, s.b), mix(d.g, s.g), mix(d.r, s.r), 255});
        }
    }
    return out;
}

// The pixels a window shows in `r` of its client area, after painting what is pending.
lumen::DibBitmap Shot(HWND window, const RECT& r) {
    UpdateWindow(window);
    lumen::DibBitmap shot(r.right - r.left, r.bottom - r.top, lumen::PixelFormat::Bgr24);
    lumen::WindowDc dc(window);
    {
        lumen::BitmapCanvas canvas(shot);
        BitBlt(canvas.Dc(), 0, 0, shot.Width(), shot.Height(), dc.Dc(), r.left, r.top, SRCCOPY);
    }
    return shot;
}

std::string Rgb(lumen::Bgra p) {
    return "(" + std::to_string(p.r) + ", " + std::to_string(p.g) + ", " + std::to_string(p.b) + ")";
}

// Empty when `got` equals `expected` (which may be larger) in the given columns (all
// when none are given); else the first pixel that differs.
std::string Mismatch(const lumen::Bitmap& got, const lumen::Bitmap& expected, std::vector<int> columns = {}) {
    if (columns.empty()) {
        for (int x = 0; x < got.Width(); ++x) {
            columns.push_back(x);
        }
    }
    for (int y = 0; y < got.Height(); ++y) {
        for (int x : columns) {
            if (Rgb(got.Pixel(x, y)) != Rgb(expected.Pixel(x, y))) {
                return "at (" + std::to_string(x) + ", " + std::to_string(y) + ") got " + Rgb(got.Pixel(x, y)) +
                       ", expected " + Rgb(expected.Pixel(x, y));
            }
        }
    }
    return {};
}

class SkinComboBoxTestOnDesktop : public testing::Test {
public:
    void SetUp() override {
        ui::App().Initialize();
        form = ui::App().CreateForm<ComboForm>();
        // Made before the box, like the settings window's other controls: one under
        // the place where the list opens, one beside it.
        under = MakeBox(150, 300);
        beside = MakeBox(20, 200);
        beside->OnClick =
            ui::Callback<ui::Control&>{[](void* d, ui::Control&) { ++*static_cast<int*>(d); }, &boxClicks};
        background = Filled(form->ClientWidth(), form->ClientHeight(), kFormColor);
        top = Png("combo_panel_top.png");
        body = Png("combo_panel_body.png");
        bottom = Png("combo_panel_bottom.png");
        combo = std::make_unique<surgepad::SkinComboBox>(*form, 75, 260,
                                                         surgepad::SkinComboBox::Skin{background, top, body, bottom});
        for (const char* name : {"Default", "Gaming", "Silent"}) {
            combo->Items().Add(name);
        }
        combo->OnChange = ui::Callback<surgepad::OwnerDrawListBox&>{
            [](void* d, surgepad::OwnerDrawListBox& list) {
                static_cast<std::vector<std::string>*>(d)->push_back("change " + std::to_string(list.ItemIndex()));
            },
            &log};
        form->Show();
        SetForegroundWindow(form->Handle());
        realinput::Park();
    }
    void TearDown() override {
        realinput::Park();
        combo.reset();
        under.reset();
        beside.reset();
        ui::App().DestroyForms();
    }

    std::unique_ptr<kr::KrCheckBox> MakeBox(int x, int y) {
        auto box = std::make_unique<kr::KrCheckBox>(*form, x, y);
        box->Appearance().Uncheck.SetRaisedBmp(Filled(17, 17, RGB(0, 0, 200)));
        box->Appearance().Check.SetRaisedBmp(Filled(17, 17, RGB(0, 200, 0)));
        return box;
    }

    // Where the user presses: the arrow, entry `n` of the list, the check box beside
    // the box, the box's picture.
    enum Target { ArrowButton, Entry0, Entry1, Entry2, Box, Picture };
    void MoveTo(Target t) {
        if (t == ArrowButton) {
            realinput::MoveTo(combo->Arrow().Handle(), 13, 10);
        } else if (t == Box) {
            realinput::MoveTo(beside->Handle(), 8, 8);
        } else if (t == Picture) {
            realinput::MoveTo(form->Handle(), 100, 270);
        } else {
            const RECT r = combo->List().ItemRect(t - Entry0);
            realinput::MoveTo(combo->List().ListHandle(), 20, (r.top + r.bottom) / 2);
        }
    }
    void ClickArrow() {
        MoveTo(ArrowButton);
        realinput::Button(true);
        realinput::Button(false);
    }
    // Everything the user can tell about the box and its neighbour.
    std::string State() {
        std::string s = combo->IsOpen() ? "open" : "closed";
        s += " '" + combo->Text() + "' box " + std::to_string(beside->State()) + "/" + std::to_string(boxClicks);
        for (const std::string& e : log) {
            s += ", " + e;
        }
        log.clear();
        return s;
    }
    // The box's picture as the form shows it, left of the arrow.
    lumen::DibBitmap BoxShot() { return Shot(form->Handle(), RECT{75, 260, 75 + 138, 260 + 22}); }

    ComboForm* form = nullptr;
    std::unique_ptr<kr::KrCheckBox> under;
    std::unique_ptr<kr::KrCheckBox> beside;
    int boxClicks = 0;
    lumen::DibBitmap background, top, body, bottom;
    std::unique_ptr<surgepad::SkinComboBox> combo;
    std::vector<std::string> log;
};

TEST_F(SkinComboBoxTestOnDesktop, InputOpensChoosesAndClosesAsTheUserExpects) {
    struct Step {
        Target at;
        const char* afterPress;
        const char* afterRelease;
    };
    const Step steps[] = {
        // The arrow opens on the press and closes on the next press.
        {ArrowButton, "open '' box 0/0", "open '' box 0/0"},
        {ArrowButton, "closed '' box 0/0", "closed '' box 0/0"},
        // Choosing an entry reports it once and closes; the same entry again reports again.
        {ArrowButton, "open '' box 0/0", "open '' box 0/0"},
        {Entry1, "open '' box 0/0", "closed 'Gaming' box 0/0, change 1"},
        {ArrowButton, "open 'Gaming' box 0/0", "open 'Gaming' box 0/0"},
        {Entry1, "open 'Gaming' box 0/0", "closed 'Gaming' box 0/0, change 1"},
        // A press elsewhere only closes the list: the box under the mouse gets nothing.
        {ArrowButton, "open 'Gaming' box 0/0", "open 'Gaming' box 0/0"},
        {Box, "closed 'Gaming' box 0/0", "closed 'Gaming' box 0/0"},
        {Box, "closed 'Gaming' box 0/0", "closed 'Gaming' box 1/1"},
        // The box's own picture opens nothing, and closes the open list.
        {Picture, "closed 'Gaming' box 1/1", "closed 'Gaming' box 1/1"},
        {ArrowButton, "open 'Gaming' box 1/1", "open 'Gaming' box 1/1"},
        {Picture, "closed 'Gaming' box 1/1", "closed 'Gaming' box 1/1"},
        {ArrowButton, "open 'Gaming' box 1/1", "open 'Gaming' box 1/1"},
        {Entry2, "open 'Gaming' box 1/1", "closed 'Silent' box 1/1, change 2"},
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        MoveTo(steps[i].at);
        realinput::Button(true);
        EXPECT_EQ(State(), steps[i].afterPress) << "press " << i;
        realinput::Button(false);
        EXPECT_EQ(State(), steps[i].afterRelease) << "release " << i;
    }
    // The open list lies above the controls the owner made before the box.
    ClickArrow();
    POINT p = {158, 308};
    ClientToScreen(form->Handle(), &p);
    EXPECT_EQ(WindowFromPoint(p), combo->List().ListHandle()) << "the box under it is " << under->Handle();
}

TEST_F(SkinComboBoxTestOnDesktop, TheKeyboardOpensMovesChoosesAndClosesWithoutChangingTheChoiceUnseen) {
    struct Step {
        std::vector<WORD> keys;  // held down in turn, then let go in reverse
        const char* after;
    };
    const Step steps[] = {
        // Up and Down on the closed box change nothing.
        {{VK_DOWN}, "closed '' -1, focus arrow"},
        {{VK_UP}, "closed '' -1, focus arrow"},
        // F4 opens with the keys in the list; moving there chooses nothing; Escape
        // closes the list alone, and the keys are back on the arrow.
        {{VK_F4}, "open '' -1, focus list"},
        {{VK_DOWN}, "open '' -1, focus list"},
        {{VK_ESCAPE}, "closed '' -1, focus arrow"},
        // Alt+Down opens; Enter chooses the entry moved to.
        {{VK_MENU, VK_DOWN}, "open '' -1, focus list"},
        {{VK_DOWN}, "open '' -1, focus list"},
        {{VK_DOWN}, "open '' -1, focus list"},
        {{VK_RETURN}, "closed 'Gaming' 1, focus arrow, change 1"},
        // Space opens on the chosen entry; Tab closes unchanged.
        {{VK_SPACE}, "open 'Gaming' 1, focus list"},
        {{VK_DOWN}, "open 'Gaming' 1, focus list"},
        {{VK_TAB}, "closed 'Gaming' 1, focus arrow"},
        {{VK_F4}, "open 'Gaming' 1, focus list"},
        {{VK_UP}, "open 'Gaming' 1, focus list"},
        {{VK_MENU, VK_UP}, "closed 'Default' 0, focus arrow, change 0"},
    };
    combo->Arrow().SetFocus();
    const auto state = [&] {
        realinput::Settle();
        const HWND focus = GetFocus();
        std::string s = combo->IsOpen() ? "open" : "closed";
        s += " '" + combo->Text() + "' " + std::to_string(combo->ItemIndex()) + ", focus " +
             (focus == combo->Arrow().Handle()      ? "arrow"
              : focus == combo->List().ListHandle() ? "list"
                                                    : "other");
        for (const std::string& e : log) {
            s += ", " + e;
        }
        log.clear();
        return s;
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        for (WORD key : steps[i].keys) {
            realinput::Key(key, true);
        }
        for (auto key = steps[i].keys.rbegin(); key != steps[i].keys.rend(); ++key) {
            realinput::Key(*key, false);
        }
        EXPECT_EQ(state(), steps[i].after) << "step " << i;
    }
    // Hidden while the list has the keys: they leave the list.
    combo->Arrow().SetFocus();
    realinput::Tap(VK_F4);
    ASSERT_EQ(state(), "open 'Default' 0, focus list");
    combo->SetVisible(false);
    EXPECT_NE(GetFocus(), combo->List().ListHandle());
    // A screen reader on the arrow hears the box's name and the chosen entry.
    combo->SetAccessibleName("Profile");
    EXPECT_EQ(combo->Arrow().AccessibleName(), "Profile, Default");
    combo->SetItemIndex(2);
    EXPECT_EQ(combo->Arrow().AccessibleName(), "Profile, Silent");
}

// A window of another thread: activating it deactivates this program's thread.
class ForeignWindow {
public:
    ForeignWindow() {
        m_thread = std::thread([this] {
            m_threadId = GetCurrentThreadId();
            m_window = CreateWindowExA(0, "STATIC", "foreign", WS_POPUP | WS_VISIBLE, 700, 500, 80, 80, nullptr,
                                       nullptr, nullptr, nullptr);
            SetEvent(m_ready.get());
            MSG msg;
            while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
                DispatchMessageA(&msg);
            }
        });
        WaitForSingleObject(m_ready.get(), 5000);
    }
    ~ForeignWindow() {
        PostThreadMessageA(m_threadId, WM_QUIT, 0, 0);
        m_thread.join();
    }
    HWND Handle() const { return m_window; }

private:
    lumen::UniqueHandle m_ready{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    HWND m_window = nullptr;
    DWORD m_threadId = 0;
    std::thread m_thread;
};

TEST_F(SkinComboBoxTestOnDesktop, LosingActivationToAnotherApplicationClosesTheList) {
    // Activation moving between the program's own windows keeps the list open.
    auto* second = ui::App().CreateForm<ComboForm>();
    second->MoveTo(500, 40);
    ClickArrow();
    second->Show();
    SetForegroundWindow(second->Handle());
    realinput::Settle();
    EXPECT_TRUE(combo->IsOpen()) << "another window of the program";

    ForeignWindow foreign;
    ASSERT_NE(foreign.Handle(), nullptr);
    SetForegroundWindow(foreign.Handle());
    EXPECT_TRUE(uitest::PumpUntil([&] { return !combo->IsOpen(); }, 3000));
    EXPECT_EQ(GetForegroundWindow(), foreign.Handle());
}

TEST_F(SkinComboBoxTestOnDesktop, SetItemIndexShowsTheEntryAndReportsOnlyAChange) {
    const lumen::DibBitmap plain = OverForm("combo_box_bg.png");
    struct Case {
        int index;
        int wantIndex;
        const char* text;
        bool reported;
    };
    const Case cases[] = {
        {1, 1, "Gaming", true}, {1, 1, "Gaming", false}, {-1, -1, "", true},
        {-1, -1, "", false},    {7, -1, "", false},      {0, 0, "Default", true},
    };
    for (const Case& c : cases) {
        log.clear();
        combo->SetItemIndex(c.index);
        EXPECT_EQ(combo->ItemIndex(), c.wantIndex) << "SetItemIndex(" << c.index << ")";
        EXPECT_EQ(combo->Text(), c.text) << "SetItemIndex(" << c.index << ")";
        EXPECT_EQ(log.size(), c.reported ? 1u : 0u) << "SetItemIndex(" << c.index << ")";
        // No text: the box shows its bare picture.
        EXPECT_EQ(Mismatch(BoxShot(), plain).empty(), c.text[0] == '\0') << "SetItemIndex(" << c.index << ")";
    }
}

TEST_F(SkinComboBoxTestOnDesktop, HidingTheBoxHidesItsPartsAndClosesTheList) {
    combo->SetItemIndex(1);
    ClickArrow();
    const lumen::DibBitmap formOnly = Filled(138, 22, kFormColor);
    for (bool visible : {false, true}) {
        combo->SetVisible(visible);
        EXPECT_FALSE(combo->IsOpen()) << "visible " << visible;
        EXPECT_EQ(IsWindowVisible(combo->Arrow().Handle()) != FALSE, visible);
        EXPECT_EQ(Mismatch(BoxShot(), formOnly).empty(), !visible) << "visible " << visible;
    }
}

// The brightest channel of the pixels that differ from `plain`: the text's colour
// where a glyph covers a pixel fully.
int InkPeak(const lumen::Bitmap& shot, const lumen::Bitmap& plain) {
    int peak = -1;
    for (int y = 0; y < shot.Height(); ++y) {
        for (int x = 0; x < shot.Width(); ++x) {
            const lumen::Bgra p = shot.Pixel(x, y);
            lumen::Bgra q = plain.Pixel(x, y);
            q.a = p.a;
            if (p != q) {
                peak = std::max({peak, int{p.r}, int{p.g}, int{p.b}});
            }
        }
    }
    return peak;
}

TEST_F(SkinComboBoxTestOnDesktop, DisabledBoxShowsItsGreyPicturesAndTheArrowDoesNotOpen) {
    combo->SetItemIndex(1);
    struct Case {
        bool enabled;
        const char* body;
        const char* arrow;
        int textColour;
        bool opensOnArrow;
    };
    const Case cases[] = {
        {false, "combo_box_bg_un.png", "arrow_un.png", 128, false},
        {true, "combo_box_bg.png", "arrow_n.png", 218, true},
    };
    for (const Case& c : cases) {
        combo->SetEnabled(c.enabled);
        realinput::Settle();
        const lumen::DibBitmap shot = BoxShot();
        const lumen::DibBitmap plain = OverForm(c.body);
        EXPECT_EQ(Mismatch(Shot(combo->Arrow().Handle(), RECT{0, 0, 26, 20}), OverForm(c.arrow)), "") << c.arrow;
        // The box's picture, beside the text on either side.
        EXPECT_EQ(Mismatch(shot, plain, {0, 5, 9, 130, 134, 137}), "") << c.body;
        EXPECT_EQ(InkPeak(shot, plain), c.textColour) << c.body;
        ClickArrow();
        EXPECT_EQ(combo->IsOpen(), c.opensOnArrow) << "enabled " << c.enabled;
    }
}

TEST_F(SkinComboBoxTestOnDesktop, OpenListShowsThePainterEntriesWithTheChosenOneHighlightedInTheSkinnedPanel) {
    combo->SetItemIndex(1);
    ClickArrow();
    surgepad::OwnerDrawListBox& list = combo->List();
    // One line of the list's font; the painter adds no vertical inset here.
    TEXTMETRICA tm = {};
    {
        lumen::WindowDc dc(list.ListHandle());
        lumen::SelectGuard font(dc.Dc(), list.GetFont().Handle());
        GetTextMetricsA(dc.Dc(), &tm);
    }
    EXPECT_EQ(list.ItemHeight(), tm.tmHeight);

    RECT client = {};
    GetClientRect(list.ListHandle(), &client);
    const lumen::DibBitmap shot = Shot(list.ListHandle(), client);
    const lumen::Bgra fills[] = {kListColor, kHighlight, kListColor};
    for (int i = 0; i < 3; ++i) {
        const RECT r = list.ItemRect(i);
        int firstInk = shot.Width();
        lumen::Bgra ink = fills[i];
        for (int y = r.top; y < r.bottom; ++y) {
            for (int x = 0; x < r.right; ++x) {
                lumen::Bgra p = shot.Pixel(x, y);
                p.a = 255;
                if (p != fills[i] && x < firstInk) {
                    firstInk = x;
                    ink = p;
                }
            }
        }
        EXPECT_GE(firstInk, 9) << "entry " << i << ": fill " << Rgb(fills[i]) << ", found " << Rgb(ink);
        EXPECT_LT(firstInk, 20) << "entry " << i << " has its text";
    }
    // Below the last entry, the list's background.
    const int below = list.ItemRect(2).bottom + 1;
    EXPECT_EQ(Rgb(shot.Pixel(40, below)), Rgb(kListColor));
    EXPECT_EQ(Rgb(shot.Pixel(client.right - 1, client.bottom - 1)), Rgb(kListColor));

    // Around the list, the panel painted from the pieces: the top piece's first row, the
    // body stretched over rows 1 to 75, the bottom piece's two rows.
    const lumen::DibBitmap panel = Shot(combo->DropPanel().Handle(), RECT{0, 0, 165, 78});
    const struct {
        int x, y;
        const lumen::Bitmap& piece;
        int pieceRow;
    } frame[] = {{82, 0, top, 0},    {82, 1, body, 0},    {0, 40, body, 0},
                 {164, 75, body, 1}, {82, 76, bottom, 0}, {82, 77, bottom, 1}};
    for (const auto& f : frame) {
        EXPECT_EQ(Rgb(panel.Pixel(f.x, f.y)), Rgb(f.piece.Pixel(f.x, f.pieceRow))) << "at " << f.x << ", " << f.y;
    }
}

// One line of the list's font, as the system measures it.
int LineHeight(surgepad::OwnerDrawListBox& list) {
    TEXTMETRICA tm = {};
    lumen::WindowDc dc(list.ListHandle());
    lumen::SelectGuard font(dc.Dc(), list.GetFont().Handle());
    GetTextMetricsA(dc.Dc(), &tm);
    return tm.tmHeight;
}

// The rows of the entries as "top-bottom", one after the other.
std::string Rows(const surgepad::OwnerDrawListBox& list) {
    std::string rows;
    for (int i = 0; i < list.Count(); ++i) {
        const RECT r = list.ItemRect(i);
        rows += (i == 0 ? "" : " ") + std::to_string(r.top) + "-" + std::to_string(r.bottom);
    }
    return rows;
}

// The list made as the settings window makes it: its parts when the window is built,
// its entries when the settings are first read, its pictures and fonts at the first
// opening and again for a monitor of another scale, its entries read again when the
// profile files changed. After each step every entry is one line of the list's font
// high, the rows follow each other, and a click where a row is drawn chooses it.
TEST_F(SkinComboBoxTestOnDesktop, EveryEntryIsOneRowAndAClickOnARowChoosesItHoweverTheListWasMade) {
    combo->SetVisible(false);
    form->SetClientSize(480, 360);
    lumen::DibBitmap wide = Filled(480, 360, kFormColor);
    surgepad::SkinComboBox late(*form);
    for (const char* name : {"Game Boost", "Silent OC", "Bench"}) {
        late.Items().Add(name);
    }
    struct Step {
        const char* what;
        int dpi;
        std::vector<std::string> refill;  // the entries read again, when given
    };
    const Step steps[] = {
        {"first opening", 96, {}},
        {"moved to 200 %", 192, {}},
        {"moved to 150 %", 144, {}},
        {"back at 100 %", 96, {}},
        {"profile files changed", 96, {"Game Boost", "Silent OC", "Night", "Quiet", "Zen"}},
        {"at 200 % with the new files", 192, {}},
    };
    for (const Step& step : steps) {
        if (!step.refill.empty()) {
            late.Items().Clear();
            for (const std::string& name : step.refill) {
                late.Items().Add(name);
            }
        }
        form->SetDpi(step.dpi);
        late.Layout(10, 10, surgepad::SkinComboBox::Skin{wide, top, body, bottom});
        surgepad::OwnerDrawListBox& list = late.List();
        const int h = LineHeight(list);
        EXPECT_GE(h, MulDiv(11, step.dpi, 96)) << step.what << ": the font follows the scale";
        std::string expectedRows;
        std::string expectedChoices;
        for (int i = 0; i < list.Count(); ++i) {
            expectedRows += (i == 0 ? "" : " ") + std::to_string(i * h) + "-" + std::to_string((i + 1) * h);
            expectedChoices += list.ItemText(i) + ";";
        }
        EXPECT_EQ(Rows(list), expectedRows) << step.what;
        // The user clicks the middle of each row as it is drawn: i lines down.
        std::string choices;
        for (int i = 0; i < list.Count(); ++i) {
            realinput::Click(late.Arrow().Handle(), late.Arrow().Width() / 2, late.Arrow().Height() / 2);
            if (!late.IsOpen()) {
                choices += "(not open);";
                continue;
            }
            realinput::Click(list.ListHandle(), 20, i * h + h / 2);
            choices += (late.IsOpen() ? std::string("(still open)") : late.Text()) + ";";
        }
        EXPECT_EQ(choices, expectedChoices) << step.what;
    }
    realinput::Park();
}

// The painter measures a line of the font whatever the vertical alignment, plus the
// insets above and below.
TEST_F(SkinComboBoxTestOnDesktop, ThePainterMeasuresOneLinePlusItsInsetsForEveryAlignment) {
    surgepad::OwnerDrawListBox list(*form, 10, 10, 150, 60);
    list.GetFont().SetName("Arial");
    list.Add("Game Boost");
    const int line = LineHeight(list);
    struct Case {
        ui::TextLayout alignment;
        int insetTop;
        int insetBottom;
    };
    const Case cases[] = {{ui::TextLayout::Top, 0, 0}, {ui::TextLayout::Center, 0, 0}, {ui::TextLayout::Bottom, 0, 0},
                          {ui::TextLayout::Top, 2, 3}, {ui::TextLayout::Center, 2, 3}, {ui::TextLayout::Bottom, 2, 3}};
    for (const Case& c : cases) {
        surgepad::ListItemPainter painter;
        painter.SetVerticalAlignment(c.alignment);
        painter.SetInsets(4, c.insetTop, 0, c.insetBottom);
        painter.Attach(list);
        EXPECT_EQ(list.ItemHeight(), line + c.insetTop + c.insetBottom)
            << "alignment " << static_cast<int>(c.alignment) << ", insets " << c.insetTop << "/" << c.insetBottom;
    }
}

}  // namespace
