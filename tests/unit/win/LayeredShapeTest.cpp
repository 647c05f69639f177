// The shaping makers on real windows: a frameless form in the outline of its
// background picture, seen on the X display through the compositor.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "lumen/graphics/PixelOps.h"
#include "lumen/widget/LayeredWindow.h"
#include "lumen/widget/TShapedForm.h"
#include "tests/unit/ReportRecorder.h"
#include "tests/unit/win/LayeredTestWindows.h"

using lumen::Bgra;
using testwin::Near;
using testwin::SolidWindow;
using testwin::TestForm;
using testwin::TestImage;

namespace {

// A 60 x 40 skin: magenta everywhere (so also in the bottom-left corner) except a
// red panel (10, 8) - (50, 32) with a green dot at (20, 16).
void PaintSkin(lumen::Bitmap& b) {
    b.SetPixelFormat(lumen::PixelFormat::Bgr24);
    b.SetSize(60, 40);
    b.Fill({255, 0, 255, 0});
    for (int y = 8; y < 32; ++y) {
        for (int x = 10; x < 50; ++x) {
            b.SetPixel(x, y, {0, 0, 200, 0});
        }
    }
    b.SetPixel(20, 16, {0, 180, 0, 0});
}

struct PressLog {
    std::vector<lumen::MouseButton> buttons;
    static void Record(void* data, lumen::MouseButton button, int, int) {
        static_cast<PressLog*>(data)->buttons.push_back(button);
    }
};

}  // namespace

TEST(LayeredShapeOnDesktop, AttachShapesTheFormAfterItsPicture) {
    TestForm form(testwin::kAreaLeft, testwin::kAreaTop, "ShapeForm");
    TestImage image(form.Hwnd(), &form, 10, 10);
    PaintSkin(image.picture);
    lumen::TLayeredFormMaker maker;
    ASSERT_NE(nullptr, maker.Layered());
    ASSERT_TRUE(maker.Attach(&image));
    EXPECT_TRUE(maker.IsAttached());
    EXPECT_EQ(&form, maker.Form());

    EXPECT_FALSE(GetWindowLongPtrA(form.Hwnd(), GWL_STYLE) & WS_CAPTION);
    EXPECT_TRUE(image.autoSized);
    RECT client;
    GetClientRect(form.Hwnd(), &client);
    EXPECT_EQ(60, client.right);
    EXPECT_EQ(40, client.bottom);
    EXPECT_EQ(RGB(255, 0, 255), maker.GetTransparentColor());
    EXPECT_EQ(RGB(255, 0, 255), form.color);  // what the form paints is see-through too
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(form.Hwnd(), &key, &alpha, &flags));
    EXPECT_EQ(RGB(255, 0, 255), key);
    EXPECT_EQ(static_cast<DWORD>(LWA_COLORKEY), flags);

    EXPECT_NE(std::string::npos, testutil::AssertionOf([&] { maker.Attach(&image); }).find("!IsAttached()"));
}

TEST(LayeredShapeOnDesktop, AlphaForFadesAppliesOnReapply) {
    TestForm form(testwin::kAreaLeft, testwin::kAreaTop, "FadeForm");
    TestImage image(form.Hwnd(), &form, 10, 10);
    PaintSkin(image.picture);
    lumen::TLayeredFormMaker maker;
    maker.SetAlphaEnabled(true);  // before attaching: stored only
    maker.SetAlpha(0);
    ASSERT_TRUE(maker.Attach(&image));
    COLORREF key = 0;
    BYTE alpha = 1;
    DWORD flags = 0;
    GetLayeredWindowAttributes(form.Hwnd(), &key, &alpha, &flags);
    EXPECT_EQ(0, alpha);
    EXPECT_EQ(static_cast<DWORD>(LWA_COLORKEY | LWA_ALPHA), flags);

    maker.SetAlpha(170);
    GetLayeredWindowAttributes(form.Hwnd(), &key, &alpha, &flags);
    EXPECT_EQ(0, alpha);  // SetAlpha only stores
    maker.Reapply();
    GetLayeredWindowAttributes(form.Hwnd(), &key, &alpha, &flags);
    EXPECT_EQ(170, alpha);

    maker.SetAlphaEnabled(false);  // attached: applied at once
    GetLayeredWindowAttributes(form.Hwnd(), &key, &alpha, &flags);
    EXPECT_EQ(static_cast<DWORD>(LWA_COLORKEY), flags);

    maker.Remove(form);
    EXPECT_FALSE(GetWindowLongPtrA(form.Hwnd(), GWL_EXSTYLE) & WS_EX_LAYERED);
}

TEST(LayeredShapeOnDesktop, NoImageOrNoFormShapesNothing) {
    lumen::TLayeredFormMaker maker;
    EXPECT_FALSE(maker.Attach(nullptr));
    testwin::TestWindow loose(WS_POPUP, 0, testwin::kAreaLeft, testwin::kAreaTop, 10, 10, nullptr);
    TestImage orphan(loose.Hwnd(), nullptr, 10, 10);
    EXPECT_FALSE(maker.Attach(&orphan));
    EXPECT_FALSE(maker.IsAttached());
    EXPECT_FALSE(orphan.OnMouseDown());
}

TEST(LayeredShapeOnDesktop, AScaledFormIsReportedThenRefused) {
    TestForm form(testwin::kAreaLeft, testwin::kAreaTop, "ScaledForm", true);
    TestImage image(form.Hwnd(), &form, 10, 10);
    PaintSkin(image.picture);
    lumen::TLayeredFormMaker maker;
    EXPECT_NE(std::string::npos, testutil::AssertionOf([&] { maker.Attach(&image); }).find("m_form->Scaled == false"));
    const std::vector<testutil::ReportedMessage> expected = {{"Scaled is not set false", "ScaledForm"}};
    EXPECT_EQ(expected, testutil::Recorder().messages);
}

TEST(LayeredShapeOnDesktop, WithoutLayeredWindowsTheFormIsShownUnshaped) {
    TestForm form(testwin::kAreaLeft, testwin::kAreaTop, "OldSystemForm");
    TestImage image(form.Hwnd(), &form, 10, 10);
    PaintSkin(image.picture);
    lumen::TLayeredFormMaker maker(GetModuleHandleA("kernel32.dll"));
    EXPECT_EQ(nullptr, maker.Layered());
    ASSERT_TRUE(maker.Attach(&image));
    EXPECT_FALSE(GetWindowLongPtrA(form.Hwnd(), GWL_EXSTYLE) & WS_EX_LAYERED);
    maker.SetAlphaEnabled(true);
    maker.Reapply();
    EXPECT_FALSE(GetWindowLongPtrA(form.Hwnd(), GWL_EXSTYLE) & WS_EX_LAYERED);
}

TEST(LayeredShapeOnDesktop, LeftPressDragsTheFormAndEveryPressReachesThePreviousHandler) {
    TestForm form(testwin::kAreaLeft, testwin::kAreaTop, "DragForm");
    TestImage image(form.Hwnd(), &form, 10, 10);
    PaintSkin(image.picture);
    PressLog log;
    image.SetOnMouseDown(lumen::MouseDownHandler{&PressLog::Record, &log});
    {
        lumen::TLayeredFormMaker maker;
        ASSERT_TRUE(maker.Attach(&image));
        SendMessageA(image.Hwnd(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(12, 12));
        EXPECT_TRUE(form.nclButtonDowns.empty());
        SendMessageA(image.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(12, 12));
        EXPECT_EQ(std::vector<int>{HTCAPTION}, form.nclButtonDowns);
        const std::vector<lumen::MouseButton> both = {lumen::MouseButton::Right, lumen::MouseButton::Left};
        EXPECT_EQ(both, log.buttons);
    }
    // The maker gone, the image has its own handler back.
    EXPECT_EQ(&PressLog::Record, image.OnMouseDown().code);
    EXPECT_EQ(&log, image.OnMouseDown().data);
}

TEST(LayeredShapeOnDesktop, OnScreenTheKeyColourIsSeeThrough) {
    const int x = testwin::kAreaLeft + 300;
    const int y = testwin::kAreaTop;
    SolidWindow below(x, y, 100, 80, RGB(0, 0, 255));
    ShowWindow(below.Hwnd(), SW_SHOWNOACTIVATE);
    TestForm form(x + 10, y + 10, "KeyedForm");
    TestImage image(form.Hwnd(), &form, 10, 10);
    PaintSkin(image.picture);
    lumen::TLayeredFormMaker maker;
    ASSERT_TRUE(maker.Attach(&image));
    SetWindowPos(form.Hwnd(), HWND_TOPMOST, x + 10, y + 10, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);

    // In the form's client coordinates: (2, 2) magenta, (15, 12) red, (20, 16) green.
    RECT client;
    GetClientRect(form.Hwnd(), &client);
    POINT origin = {0, 0};
    ClientToScreen(form.Hwnd(), &origin);
    const RECT area = {origin.x, origin.y, origin.x + 60, origin.y + 40};
    const lumen::DibBitmap shot = testwin::CaptureWhen(area, [](const lumen::Bitmap& s) {
        return Near(s.Pixel(2, 2), 0, 0, 255, 8) && Near(s.Pixel(15, 12), 200, 0, 0, 8);
    });
    EXPECT_TRUE(Near(shot.Pixel(2, 2), 0, 0, 255, 8)) << testwin::Describe(shot.Pixel(2, 2));
    EXPECT_TRUE(Near(shot.Pixel(55, 38), 0, 0, 255, 8)) << testwin::Describe(shot.Pixel(55, 38));
    EXPECT_TRUE(Near(shot.Pixel(15, 12), 200, 0, 0, 8)) << testwin::Describe(shot.Pixel(15, 12));
    EXPECT_TRUE(Near(shot.Pixel(20, 16), 0, 180, 0, 8)) << testwin::Describe(shot.Pixel(20, 16));
    // (Windows also lets clicks through key-coloured pixels; Wine hit-tests the whole
    // window rectangle, so that half cannot be observed here.)
}
