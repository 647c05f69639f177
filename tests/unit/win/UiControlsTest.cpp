// The framework's controls on real windows: graphic controls painted by their parent in
// z-order, hints as tooltips, click and double-click generation under real input.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "tests/unit/win/RealInput.h"
#include "tests/unit/win/UiTestSupport.h"
#include "ui/Application.h"
#include "ui/Form.h"
#include "ui/Panel.h"

namespace {

ui::FormLayout Layout() {
    ui::FormLayout layout;
    layout.className = "TUiControlsForm";
    layout.left = 80;
    layout.top = 80;
    layout.clientWidth = 200;
    layout.clientHeight = 120;
    layout.color = RGB(200, 0, 0);
    return layout;
}

class Form : public ui::Form {
public:
    Form() : ui::Form(Layout()) {}
};

// A graphic control filled with one colour.
class Swatch : public ui::GraphicControl {
public:
    Swatch(ui::WinControl& parent, COLORREF colour) : ui::GraphicControl(parent), m_colour(colour) {}
    const char* ClassName() const override { return "TSwatch"; }
    void Paint(ui::Canvas& canvas) override {
        lumen::UniqueBrush brush(CreateSolidBrush(m_colour));
        const RECT r = ClientRect();
        FillRect(canvas.Dc(), &r, brush.get());
    }

private:
    COLORREF m_colour;
};

class UiControlsOnDesktop : public testing::Test {
protected:
    void SetUp() override {
        ui::App().Initialize();
        form = ui::App().CreateForm<Form>();
        form->Show();
        SetForegroundWindow(form->Handle());
        realinput::Park();
    }
    void TearDown() override { ui::App().DestroyForms(); }

    COLORREF ScreenPixel(int x, int y) {
        UpdateWindow(form->Handle());
        lumen::WindowDc dc(form->Handle());
        return GetPixel(dc.Dc(), x, y);
    }

    Form* form = nullptr;
};

TEST_F(UiControlsOnDesktop, GraphicControlsArePaintedInZOrderOverTheParent) {
    Swatch below(*form, RGB(0, 0, 255));
    below.SetBounds(10, 10, 40, 40);
    Swatch above(*form, RGB(0, 255, 0));
    above.SetBounds(30, 30, 40, 40);
    Swatch hidden(*form, RGB(255, 255, 0));
    hidden.SetBounds(100, 10, 40, 40);
    hidden.SetVisible(false);
    form->Invalidate();
    struct Want {
        int x, y;
        COLORREF colour;
    };
    const Want wants[] = {{5, 5, RGB(200, 0, 0)},
                          {20, 20, RGB(0, 0, 255)},
                          {40, 40, RGB(0, 255, 0)},
                          {65, 65, RGB(0, 255, 0)},
                          {120, 20, RGB(200, 0, 0)}};
    for (const Want& w : wants) {
        EXPECT_EQ(ScreenPixel(w.x, w.y), w.colour) << "at " << w.x << "," << w.y;
    }
    // Moving a control repaints both its old and its new place.
    above.SetPosition(120, 60);
    EXPECT_EQ(ScreenPixel(40, 40), RGB(0, 0, 255));
    EXPECT_EQ(ScreenPixel(130, 70), RGB(0, 255, 0));
}

std::string ToolText(HWND tooltip, HWND owner, UINT_PTR id) {
    char text[128] = {};
    TTTOOLINFOA ti = {};
    ti.cbSize = TTTOOLINFOA_V2_SIZE;
    ti.hwnd = owner;
    ti.uId = id;
    ti.lpszText = text;
    SendMessageA(tooltip, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&ti));
    return text;
}

TEST_F(UiControlsOnDesktop, HintsBecomeToolsOfTheFormsTooltipAndGoWithTheirControls) {
    EXPECT_EQ(form->TooltipWindow(), nullptr) << "no tooltip window until a hint is set";
    ui::Panel panel(*form, 10, 10, 50, 30);
    auto swatch = std::make_unique<Swatch>(*form, RGB(1, 2, 3));
    swatch->SetBounds(80, 10, 30, 30);
    panel.SetHint("Close");
    swatch->SetHint("Logo");
    const HWND tooltip = form->TooltipWindow();
    ASSERT_NE(tooltip, nullptr);
    EXPECT_EQ(SendMessageA(tooltip, TTM_GETTOOLCOUNT, 0, 0), 2);
    EXPECT_EQ(ToolText(tooltip, form->Handle(), reinterpret_cast<UINT_PTR>(panel.Handle())), "Close");
    EXPECT_EQ(ToolText(tooltip, form->Handle(), reinterpret_cast<UINT_PTR>(swatch.get())), "Logo");
    panel.SetHint("Shut");
    EXPECT_EQ(ToolText(tooltip, form->Handle(), reinterpret_cast<UINT_PTR>(panel.Handle())), "Shut");
    swatch.reset();
    EXPECT_EQ(SendMessageA(tooltip, TTM_GETTOOLCOUNT, 0, 0), 1);
    panel.SetHint("");
    EXPECT_EQ(SendMessageA(tooltip, TTM_GETTOOLCOUNT, 0, 0), 0);
}

// Records clicks and double clicks of a windowed control whose class does or does not
// ask for double clicks.
class ClickTarget : public ui::WinControl {
public:
    ClickTarget(ui::WinControl& parent, const ui::ControlClass& cls, std::vector<std::string>& log)
        : ui::WinControl(parent, cls, 20, 20, 60, 40) {
        OnClick = ui::Callback<ui::Control&>{
            [](void* d, ui::Control&) { static_cast<std::vector<std::string>*>(d)->push_back("click"); }, &log};
        OnDblClick = ui::Callback<ui::Control&>{
            [](void* d, ui::Control&) { static_cast<std::vector<std::string>*>(d)->push_back("double"); }, &log};
    }
    const char* ClassName() const override { return "TClickTarget"; }
};

TEST_F(UiControlsOnDesktop, DoubleClicksFollowTheClassAndAReleaseOutsideIsNoClick) {
    struct Case {
        ui::ControlClass cls;
        std::vector<std::string> want;
    };
    const Case cases[] = {{{"TClickTargetSingle", false}, {"click", "click"}},
                          {{"TClickTargetDouble", true}, {"click", "double"}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cls.name);
        std::vector<std::string> log;
        ClickTarget target(*form, c.cls, log);
        realinput::MoveTo(target.Handle(), 30, 20);
        for (int i = 0; i < 2; ++i) {
            realinput::Button(true);
            realinput::Button(false);
        }
        EXPECT_EQ(log, c.want);
        realinput::SettleFor(GetDoubleClickTime() + 100);
        // Pressed inside, released outside: the capture brings the release, no click.
        log.clear();
        realinput::Button(true);
        realinput::MoveTo(target.Handle(), 150, 20);
        realinput::Button(false);
        EXPECT_TRUE(log.empty());
        realinput::Park();
        realinput::SettleFor(GetDoubleClickTime() + 100);
    }
}

// Counts the messages that reach it: the stand-in for whatever a freed control's
// window handle might name once its memory is reused.
int g_witnessMessages = 0;
LRESULT CALLBACK WitnessProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CONTEXTMENU || (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST)) {
        ++g_witnessMessages;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// A control whose handler of a button's press or release destroys it. Its memory is
// then filled with the witness's handle in every pointer-sized slot: a framework that
// still used the control would send to the witness, or call through a broken table.
class SelfDestroying : public ui::WinControl {
public:
    SelfDestroying(ui::WinControl& parent, ui::MouseButton button, bool onRelease, HWND witness, bool& destroyed)
        : ui::WinControl(parent, {"TSelfDestroying", false}, 20, 20, 60, 40),
          m_button(button),
          m_onRelease(onRelease),
          m_witness(witness),
          m_destroyed(destroyed) {}
    const char* ClassName() const override { return "TSelfDestroying"; }

protected:
    void MouseDown(ui::MouseButton button, ui::ShiftState, int, int) override { Maybe(button, false); }
    void MouseUp(ui::MouseButton button, ui::ShiftState, int, int) override { Maybe(button, true); }

private:
    void Maybe(ui::MouseButton button, bool release) {
        if (button != m_button || release != m_onRelease) {
            return;
        }
        bool& destroyed = m_destroyed;
        const HWND witness = m_witness;
        this->~SelfDestroying();
        auto* slots = reinterpret_cast<HWND*>(this);
        std::fill(slots, slots + sizeof(SelfDestroying) / sizeof(HWND), witness);
        destroyed = true;
    }
    ui::MouseButton m_button;
    bool m_onRelease;
    HWND m_witness;
    bool& m_destroyed;
};

TEST_F(UiControlsOnDesktop, AHandlerOfEitherButtonMayDestroyItsControl) {
    WNDCLASSA cls = {};
    cls.lpfnWndProc = WitnessProc;
    cls.hInstance = GetModuleHandleA(nullptr);
    cls.lpszClassName = "TDestroyWitness";
    RegisterClassA(&cls);
    HWND witness = CreateWindowExA(0, "TDestroyWitness", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(witness, nullptr);
    struct Case {
        ui::MouseButton button;
        bool onRelease;
    };
    const Case cases[] = {{ui::MouseButton::Left, false},
                          {ui::MouseButton::Left, true},
                          {ui::MouseButton::Right, false},
                          {ui::MouseButton::Right, true}};
    for (const Case& c : cases) {
        const bool right = c.button == ui::MouseButton::Right;
        SCOPED_TRACE(std::string(right ? "right" : "left") + (c.onRelease ? " release" : " press"));
        bool destroyed = false;
        g_witnessMessages = 0;
        alignas(SelfDestroying) unsigned char storage[sizeof(SelfDestroying)];
        auto* target = new (storage) SelfDestroying(*form, c.button, c.onRelease, witness, destroyed);
        realinput::MoveTo(target->Handle(), 30, 20);
        realinput::Button(true, right);
        realinput::Button(false, right);
        EXPECT_TRUE(destroyed);
        EXPECT_EQ(g_witnessMessages, 0) << "the freed control's handle was still used";
        if (!destroyed) {
            target->~SelfDestroying();
        }
        realinput::Park();
        realinput::SettleFor(GetDoubleClickTime() + 100);
    }
    DestroyWindow(witness);
}

}  // namespace
