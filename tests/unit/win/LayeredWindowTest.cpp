// Layered-window makers, the flicker eliminator and regions on real windows.
#include <windows.h>

#include <gtest/gtest.h>

#include "lumen/graphics/PixelOps.h"
#include "lumen/graphics/WinRegion.h"
#include "lumen/widget/Flicker.h"
#include "lumen/widget/LayeredWindow.h"
#include "tests/unit/ReportRecorder.h"
#include "tests/unit/win/LayeredTestWindows.h"

inline bool operator==(const RECT& a, const RECT& b) {
    return EqualRect(&a, &b) != FALSE;
}

using testwin::Near;
using testwin::SolidWindow;
using testwin::TestWindow;

namespace {

DWORD ExStyle(HWND w) {
    return static_cast<DWORD>(GetWindowLongPtrA(w, GWL_EXSTYLE));
}

struct Attributes {
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
};

Attributes LayeredAttributes(HWND w) {
    Attributes a;
    GetLayeredWindowAttributes(w, &a.key, &a.alpha, &a.flags);
    return a;
}

// Whether a repaint of the window is pending.
bool RedrawPending(HWND w) {
    return GetUpdateRect(w, nullptr, FALSE) != FALSE;
}

}  // namespace

TEST(LayeredMakerOnDesktop, SetStyleWritesOnlyRealChanges) {
    SolidWindow w(testwin::kAreaLeft, testwin::kAreaTop, 30, 30, RGB(1, 2, 3));
    EXPECT_TRUE(lumen::LayeredWindowMaker::SetStyle(w.Hwnd(), true, true));
    EXPECT_EQ(static_cast<DWORD>(WS_EX_LAYERED | WS_EX_TRANSPARENT), ExStyle(w.Hwnd()) & 0x80020);
    EXPECT_TRUE(ExStyle(w.Hwnd()) & WS_EX_TOPMOST);  // other bits stay
    EXPECT_FALSE(lumen::LayeredWindowMaker::SetStyle(w.Hwnd(), true, true));
    EXPECT_TRUE(lumen::LayeredWindowMaker::SetStyle(w.Hwnd(), true, false));
    EXPECT_EQ(static_cast<DWORD>(WS_EX_LAYERED), ExStyle(w.Hwnd()) & 0x80020);
}

TEST(LayeredMakerOnDesktop, ColourKeyAndAlphaReachTheWindow) {
    SolidWindow w(testwin::kAreaLeft, testwin::kAreaTop, 30, 30, RGB(1, 2, 3));
    lumen::LayeredWindowMaker maker;
    ASSERT_TRUE(maker.IsEnabled());
    EXPECT_EQ(lumen::kNoColorKey, maker.ColorKey());
    maker.SetColorKey(RGB(255, 0, 255));
    EXPECT_EQ(0xFFFF00FFu, maker.ColorKey());
    maker.SetUseColorKey(true);
    maker.SetUseAlpha(true);
    maker.SetAlpha(77);
    maker.Apply(w.Hwnd());
    EXPECT_TRUE(ExStyle(w.Hwnd()) & WS_EX_LAYERED);
    EXPECT_FALSE(ExStyle(w.Hwnd()) & WS_EX_TRANSPARENT);
    const Attributes a = LayeredAttributes(w.Hwnd());
    EXPECT_EQ(RGB(255, 0, 255), a.key);
    EXPECT_EQ(77, a.alpha);
    EXPECT_EQ(static_cast<DWORD>(LWA_COLORKEY | LWA_ALPHA), a.flags);

    maker.SetUseAlpha(false);
    maker.SetClickThrough(true);
    maker.Apply(w.Hwnd());
    EXPECT_TRUE(ExStyle(w.Hwnd()) & WS_EX_TRANSPARENT);
    EXPECT_EQ(static_cast<DWORD>(LWA_COLORKEY), LayeredAttributes(w.Hwnd()).flags);
}

TEST(LayeredMakerOnDesktop, NeitherKeyNorAlphaDropsTheStyleAndRedrawsOnlyOnAChange) {
    SolidWindow w(testwin::kAreaLeft, testwin::kAreaTop, 30, 30, RGB(1, 2, 3));
    ShowWindow(w.Hwnd(), SW_SHOWNOACTIVATE);
    lumen::LayeredWindowMaker maker;
    maker.SetUseAlpha(true);
    maker.Apply(w.Hwnd());
    ASSERT_TRUE(ExStyle(w.Hwnd()) & WS_EX_LAYERED);
    testwin::Pump(50);
    ValidateRect(w.Hwnd(), nullptr);

    maker.SetUseAlpha(false);
    maker.Apply(w.Hwnd());
    EXPECT_FALSE(ExStyle(w.Hwnd()) & WS_EX_LAYERED);
    EXPECT_TRUE(RedrawPending(w.Hwnd()));

    testwin::Pump(50);
    ValidateRect(w.Hwnd(), nullptr);
    maker.Apply(w.Hwnd());
    EXPECT_FALSE(RedrawPending(w.Hwnd()));

    maker.SetClickThrough(true);
    maker.Apply(w.Hwnd());  // the click-through bit alone is a change too
    EXPECT_TRUE(ExStyle(w.Hwnd()) & WS_EX_TRANSPARENT);
    EXPECT_FALSE(ExStyle(w.Hwnd()) & WS_EX_LAYERED);
    EXPECT_TRUE(RedrawPending(w.Hwnd()));

    maker.Remove(w.Hwnd());
    EXPECT_EQ(0u, ExStyle(w.Hwnd()) & 0x80020);
}

TEST(LayeredMakerOnDesktop, WithoutTheSystemEntryItIsDisabled) {
    // kernel32 has no SetLayeredWindowAttributes: an older system's user32 as far as
    // the maker can tell.
    lumen::LayeredWindowMaker maker(GetModuleHandleA("kernel32.dll"));
    EXPECT_FALSE(maker.IsEnabled());
    SolidWindow w(testwin::kAreaLeft, testwin::kAreaTop, 30, 30, RGB(1, 2, 3));
    EXPECT_NE(std::string::npos, testutil::AssertionOf([&] { maker.Apply(w.Hwnd()); }).find("IsEnabled()"));
    EXPECT_FALSE(lumen::TPerPixelLayeredWindowMaker(GetModuleHandleA("kernel32.dll")).IsEnabled());
}

TEST(LayeredPerPixelOnDesktop, PushesThirtyTwoBitPicturesWithAlpha) {
    SolidWindow w(testwin::kAreaLeft, testwin::kAreaTop, 10, 10, RGB(1, 2, 3));
    lumen::DibBitmap picture(20, 12, lumen::PixelFormat::Bgra32);
    picture.Fill({0, 0, 100, 128});
    lumen::TPerPixelLayeredWindowMaker maker;
    ASSERT_TRUE(maker.IsEnabled());
    EXPECT_EQ(picture.Handle(), maker.GetBitmapHandle(picture));

    // Neither per-pixel alpha nor overall alpha nor a colour key: nothing is pushed.
    EXPECT_FALSE(maker.Update(w.Hwnd(), picture));
    EXPECT_FALSE(ExStyle(w.Hwnd()) & WS_EX_LAYERED);

    maker.SetPerPixel(true);
    maker.SetClickThrough(true);
    EXPECT_TRUE(maker.Update(w.Hwnd(), picture));
    EXPECT_EQ(static_cast<DWORD>(WS_EX_LAYERED | WS_EX_TRANSPARENT), ExStyle(w.Hwnd()) & 0x80020);
    // The window takes the picture's size.
    RECT r;
    GetWindowRect(w.Hwnd(), &r);
    EXPECT_EQ(20, r.right - r.left);
    EXPECT_EQ(12, r.bottom - r.top);

    // A 24-bit picture is pushed with its colour key only.
    lumen::DibBitmap opaque(8, 8, lumen::PixelFormat::Bgr24);
    lumen::TPerPixelLayeredWindowMaker keyed;
    keyed.SetPerPixel(true);
    keyed.SetColorKey(RGB(255, 0, 255));
    EXPECT_FALSE(keyed.Update(w.Hwnd(), opaque));
    keyed.SetUseColorKey(true);
    EXPECT_TRUE(keyed.Update(w.Hwnd(), opaque));

    // An empty bitmap has nothing to push.
    lumen::DibBitmap empty;
    EXPECT_FALSE(maker.Update(w.Hwnd(), empty));
}

TEST(LayeredFlickerOnDesktop, SwallowsEraseAndPassesEverythingElse) {
    TestWindow w(WS_POPUP, WS_EX_TOOLWINDOW, testwin::kAreaLeft, testwin::kAreaTop, 10, 10, nullptr);
    lumen::FlickerEliminator flicker;
    flicker.Attach(w.Hwnd());
    EXPECT_EQ(w.Hwnd(), flicker.Control());
    w.seen.clear();
    EXPECT_EQ(1, SendMessageA(w.Hwnd(), WM_ERASEBKGND, 0, 0));
    SendMessageA(w.Hwnd(), WM_USER + 5, 0, 0);
    EXPECT_EQ(std::vector<UINT>{WM_USER + 5}, w.seen);

    EXPECT_NE(std::string::npos, testutil::AssertionOf([&] { flicker.Attach(w.Hwnd()); }).find("m_control == NULL"));

    flicker.Detach();
    EXPECT_EQ(nullptr, flicker.Control());
    w.seen.clear();
    SendMessageA(w.Hwnd(), WM_ERASEBKGND, 0, 0);
    EXPECT_EQ(std::vector<UINT>{WM_ERASEBKGND}, w.seen);
    flicker.Attach(w.Hwnd());  // attachable again after Detach
    EXPECT_EQ(w.Hwnd(), flicker.Control());
}

TEST(LayeredFlickerOnDesktop, AWindowDestroyedFirstLeavesItDetached) {
    lumen::FlickerEliminator flicker;
    {
        TestWindow w(WS_POPUP, 0, testwin::kAreaLeft, testwin::kAreaTop, 10, 10, nullptr);
        flicker.Attach(w.Hwnd());
    }
    EXPECT_EQ(nullptr, flicker.Control());
}

TEST(LayeredRegionOnDesktop, FromBitmapCutsEveryPixelOfTheColour) {
    lumen::DibBitmap b(6, 4, lumen::PixelFormat::Bgr24);
    b.Fill({255, 0, 255, 0});
    for (int x = 1; x < 5; ++x) {
        for (int y = 1; y < 3; ++y) {
            b.SetPixel(x, y, {10, 20, 30, 0});
        }
    }
    b.SetPixel(2, 0, {0, 0, 0, 0});
    lumen::WinRegion region;
    region.FromBitmap(b, RGB(255, 0, 255));
    EXPECT_TRUE(PtInRegion(region.Handle(), 1, 1));
    EXPECT_TRUE(PtInRegion(region.Handle(), 4, 2));
    EXPECT_TRUE(PtInRegion(region.Handle(), 2, 0));
    EXPECT_FALSE(PtInRegion(region.Handle(), 0, 0));
    EXPECT_FALSE(PtInRegion(region.Handle(), 3, 0));
    EXPECT_FALSE(PtInRegion(region.Handle(), 5, 1));
    EXPECT_FALSE(PtInRegion(region.Handle(), 1, 3));
    RECT box;
    EXPECT_EQ(COMPLEXREGION, GetRgnBox(region.Handle(), &box));
    EXPECT_EQ((RECT{1, 0, 5, 3}), box);
}

TEST(LayeredRegionOnDesktop, AllOfTheColourIsEmptyAndNoneOfItIsTheWholeRectangle) {
    lumen::DibBitmap b(7, 3, lumen::PixelFormat::Bgra32);
    b.Fill({255, 0, 255, 0});
    lumen::WinRegion region;
    region.FromBitmap(b, RGB(255, 0, 255));
    RECT box;
    EXPECT_EQ(NULLREGION, GetRgnBox(region.Handle(), &box));
    region.FromBitmap(b, RGB(255, 0, 254));
    EXPECT_EQ(SIMPLEREGION, GetRgnBox(region.Handle(), &box));
    EXPECT_EQ((RECT{0, 0, 7, 3}), box);
}

TEST(LayeredRegionOnDesktop, CopiesAreIndependentAndTheWindowOwnsItsOwn) {
    lumen::WinRegion a;
    a.SetRect(0, 0, 10, 10);
    lumen::WinRegion hole;
    hole.SetRect(2, 2, 4, 4);
    lumen::WinRegion b = a.Copy();
    b.Subtract(hole);
    EXPECT_TRUE(PtInRegion(a.Handle(), 3, 3));
    EXPECT_FALSE(PtInRegion(b.Handle(), 3, 3));

    SolidWindow w(testwin::kAreaLeft, testwin::kAreaTop, 20, 20, RGB(1, 2, 3));
    ASSERT_TRUE(b.ApplyToWindow(w.Hwnd(), false));
    HRGN got = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(ERROR, GetWindowRgn(w.Hwnd(), got));
    EXPECT_TRUE(EqualRgn(got, b.Handle()));
    DeleteObject(got);
    b.SetRect(0, 0, 1, 1);  // the window keeps its own copy
    HRGN again = CreateRectRgn(0, 0, 0, 0);
    GetWindowRgn(w.Hwnd(), again);
    EXPECT_TRUE(PtInRegion(again, 5, 5));
    DeleteObject(again);
}

// A per-pixel alpha window over a blue window, as the X display shows it through the
// compositor: each pixel is source + destination x (1 - alpha), the source colour
// being premultiplied.
TEST(LayeredPerPixelOnDesktop, OnScreenThePixelsAreBlendedOverWhatLiesBelow) {
    const int x = testwin::kAreaLeft;
    const int y = testwin::kAreaTop + 150;
    SolidWindow below(x, y, 90, 60, RGB(0, 0, 200));
    ShowWindow(below.Hwnd(), SW_SHOWNOACTIVATE);
    SolidWindow top(x + 10, y + 10, 40, 20, RGB(0, 0, 0));

    // Straight colours, premultiplied as the on-screen display does it.
    lumen::DibBitmap picture(40, 20, lumen::PixelFormat::Bgra32);
    for (int py = 0; py < 20; ++py) {
        for (int px = 0; px < 40; ++px) {
            lumen::Bgra p{0, 0, 0, 0};  // right half: fully transparent
            if (px < 10) {
                p = {255, 255, 255, 255};  // opaque white
            } else if (px < 20) {
                p = {0, 0, 200, 128};  // half red
            }
            picture.SetPixel(px, py, p);
        }
    }
    lumen::PremultiplyAlpha(picture);
    lumen::TPerPixelLayeredWindowMaker maker;
    maker.SetPerPixel(true);
    ASSERT_TRUE(maker.Update(top.Hwnd(), picture));
    SetWindowPos(top.Hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);

    const RECT area = {x + 10, y + 10, x + 50, y + 30};
    // Half red over blue: red 200 x 128/255 = 100; blue 200 x 127/255 = 99.6.
    auto expected = [](const lumen::Bitmap& s) {
        return Near(s.Pixel(5, 10), 255, 255, 255, 3) && Near(s.Pixel(15, 10), 100, 0, 100, 3) &&
               Near(s.Pixel(35, 10), 0, 0, 200, 3);
    };
    lumen::DibBitmap shot = testwin::CaptureWhen(area, expected);
    EXPECT_TRUE(Near(shot.Pixel(5, 10), 255, 255, 255, 3)) << testwin::Describe(shot.Pixel(5, 10));
    EXPECT_TRUE(Near(shot.Pixel(15, 10), 100, 0, 100, 3))
        << testwin::Describe(shot.Pixel(15, 10)) << " (opaque here means no compositor is running)";
    EXPECT_TRUE(Near(shot.Pixel(35, 10), 0, 0, 200, 3)) << testwin::Describe(shot.Pixel(35, 10));

    // The overall opacity on top: opaque white at 128 gives 128 + 200 x 127/255 blue.
    maker.SetAlphaEnabled(true);
    maker.SetAlpha(128);
    ASSERT_TRUE(maker.Update(top.Hwnd(), picture));
    shot = testwin::CaptureWhen(area, [](const lumen::Bitmap& s) { return Near(s.Pixel(5, 10), 128, 128, 228, 3); });
    EXPECT_TRUE(Near(shot.Pixel(5, 10), 128, 128, 228, 3)) << testwin::Describe(shot.Pixel(5, 10));
    EXPECT_TRUE(Near(shot.Pixel(35, 10), 0, 0, 200, 3)) << testwin::Describe(shot.Pixel(35, 10));
}
