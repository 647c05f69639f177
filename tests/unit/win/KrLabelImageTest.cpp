// KrLabel, the shaded text layout and KrImage on real forms. The expected pixels are
// worked out here: the shade from the same white-on-black text with literal kernels,
// blends as trunc(dst (1 - a) + a src); the text itself is drawn with GDI.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "kr/KrImage.h"
#include "kr/KrLabel.h"
#include "lumen/widget/TTextLayout.h"
#include "surgepad/look/PngReader.h"
#include "surgepad/look/SkinImage.h"
#include "ui/Application.h"
#include "ui/Form.h"

using lumen::Bgra;
using lumen::DibBitmap;
using lumen::PixelFormat;

namespace {

constexpr COLORREF kFormColor = RGB(40, 60, 90);
constexpr char kText[] = "Turbo Wg";

ui::FormLayout FormOf(int width, int height) {
    if (!ui::App().Initialized()) {
        ui::App().Initialize();
    }
    ui::FormLayout layout;
    layout.className = "TKrSkinTestForm";
    layout.left = 40;
    layout.top = 420;
    layout.clientWidth = width;
    layout.clientHeight = height;
    layout.color = kFormColor;
    layout.exStyleAdd = WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW;
    return layout;
}

// The form's pixels in `r` once it has painted, read from its window (24 bits, as its back buffer).
DibBitmap Painted(ui::Form& form, const RECT& r) {
    form.Show();
    UpdateWindow(form.Handle());
    DibBitmap shot(r.right - r.left, r.bottom - r.top, PixelFormat::Bgr24);
    lumen::WindowDc window(form.Handle());
    lumen::BitmapCanvas canvas(shot);
    BitBlt(canvas.Dc(), 0, 0, shot.Width(), shot.Height(), window.Dc(), r.left, r.top, SRCCOPY);
    return shot;
}

DibBitmap Filled(int width, int height, COLORREF color, PixelFormat format = PixelFormat::Bgr24) {
    DibBitmap picture(width, height, format);
    picture.Fill(Bgra{GetBValue(color), GetGValue(color), GetRValue(color), 0});
    return picture;
}

void DrawTextOn(DibBitmap& picture, HFONT font, COLORREF color, RECT rect, UINT flags) {
    lumen::BitmapCanvas canvas(picture);
    lumen::SelectGuard selected(canvas.Dc(), font);
    SetTextColor(canvas.Dc(), color);
    SetBkMode(canvas.Dc(), TRANSPARENT);
    DrawTextA(canvas.Dc(), kText, -1, &rect, flags);
}

// Empty when the colours agree everywhere, else the first difference and the count.
std::string Difference(const lumen::Bitmap& got, const lumen::Bitmap& want) {
    auto rgb = [](Bgra p) { return std::to_string(p.r) + "," + std::to_string(p.g) + "," + std::to_string(p.b); };
    std::string first;
    int count = 0;
    for (int i = 0; i < want.Width() * want.Height(); ++i) {
        const Bgra g = got.Pixel(i % want.Width(), i / want.Width()),
                   w = want.Pixel(i % want.Width(), i / want.Width());
        if ((g.b != w.b || g.g != w.g || g.r != w.r) && count++ == 0) {
            first = "at (" + std::to_string(i % want.Width()) + ", " + std::to_string(i / want.Width()) + ") got " +
                    rgb(g) + " expected " + rgb(w);
        }
    }
    return count == 0 ? "" : first + ", " + std::to_string(count) + " differ";
}

struct Shade {
    int radius;
    POINT offset;
    int alpha;
    COLORREF color;
};

constexpr int kKernel1[3][3] = {{1, 2, 1}, {2, 4, 2}, {1, 2, 1}};
constexpr int kKernel2[5][5] = {{1, 4, 7, 4, 1},
                                {4, 16, 26, 16, 4},
                                {7, 26, 41, 26, 7},
                                {4, 16, 26, 16, 4},
                                {1, 4, 7, 4, 1}};

// Blends the shade of the text drawn white on black in `inner` of the shaded
// rectangle `area` over `picture`, then draws the text in `inner` in `ink`.
void ExpectedText(DibBitmap& picture, HFONT font, COLORREF ink, RECT area, RECT inner, UINT flags, const Shade& s) {
    const int w = area.right - area.left, h = area.bottom - area.top, r = s.radius;
    DibBitmap white = Filled(w, h, RGB(0, 0, 0), PixelFormat::Bgra32);
    OffsetRect(&inner, -area.left, -area.top);
    DrawTextOn(white, font, RGB(255, 255, 255), inner, flags);
    OffsetRect(&inner, area.left, area.top);
    const int colour[3] = {GetBValue(s.color), GetGValue(s.color), GetRValue(s.color)};
    for (int y = r; s.alpha > 0 && y < h - r; ++y) {
        for (int x = r; x < w - r; ++x) {
            int sum = 0;
            for (int k = 0; k <= 2 * r; ++k) {
                for (int l = 0; l <= 2 * r; ++l) {
                    const Bgra p = white.Pixel(x - r + l, y - r + k);
                    const int luminance = static_cast<int>(0.299 * p.r + 0.587 * p.g + 0.114 * p.b + 0.5);
                    sum += luminance * (r == 1 ? kKernel1[k][l] : kKernel2[k][l]);
                }
            }
            const int divisor = r == 1 ? 16 : 273;
            const double a = (sum + divisor / 2) / divisor * s.alpha / 255 / 255.0;
            const int tx = x + s.offset.x, ty = y + s.offset.y;
            if (tx >= 0 && ty >= 0 && tx < w && ty < h) {
                uint8_t* d = picture.ScanLine(area.top + ty) + (area.left + tx) * 3;
                for (int c = 0; c < 3; ++c) {
                    d[c] = static_cast<uint8_t>(static_cast<int>(d[c] * (1.0 - a) + a * colour[c]));
                }
            }
        }
    }
    DrawTextOn(picture, font, ink, inner, flags);
}

struct LabelCase {
    const char* name;
    bool shaded;
    int shadeAlpha;  // -1: the default
    ui::Alignment alignment;
    ui::TextLayout layout;
    UINT flags;      // the format DrawText is expected to get
    int shownAlpha;  // 0: no shade expected
};

constexpr UINT kLine = DT_EXPANDTABS | DT_SINGLELINE;
using Align = ui::Alignment;
using Place = ui::TextLayout;

const LabelCase kLabelCases[] = {
    {"default shade, top left", true, -1, Align::Left, Place::Top, kLine | DT_LEFT, 120},
    {"heading shade, centred", true, 200, Align::Center, Place::Center, kLine | DT_CENTER | DT_VCENTER, 200},
    {"full shade, bottom right", true, 255, Align::Right, Place::Bottom, kLine | DT_RIGHT | DT_BOTTOM, 255},
    {"shade off, top left", false, 200, Align::Left, Place::Top, kLine | DT_LEFT, 0},
    {"shade off, bottom right", false, 200, Align::Right, Place::Bottom, kLine | DT_RIGHT | DT_BOTTOM, 0},
    {"shade alpha 0, top left", true, 0, Align::Left, Place::Top, kLine | DT_LEFT, 0},
};

TEST(KrLabelOnDesktop, ShadeAndTextOnAFormAreTheArithmeticsTwoPixelsIn) {
    const RECT area = {0, 0, 100, 26}, inner = {2, 2, 98, 24};
    for (const LabelCase& c : kLabelCases) {
        SCOPED_TRACE(c.name);
        ui::Form form(FormOf(120, 40));
        kr::KrLabel label(form);
        label.SetBounds(10, 8, 100, 26);
        label.SetTransparent(true);
        label.GetFont().SetName("Tahoma");
        label.GetFont().SetHeight(-13);
        label.GetFont().SetBold(true);
        label.GetFont().SetColor(RGB(219, 219, 219));
        label.SetCaption(kText);
        label.SetAlignment(c.alignment);
        label.SetLayout(c.layout);
        label.SetShaded(c.shaded);
        if (c.shadeAlpha >= 0) {
            label.SetShadeAlphaValue(static_cast<uint8_t>(c.shadeAlpha));
        }
        const DibBitmap got = Painted(form, label.BoundsRect());
        const HFONT font = label.GetFont().Handle();
        DibBitmap want = Filled(100, 26, kFormColor), unshaded = Filled(100, 26, kFormColor);
        ExpectedText(want, font, RGB(219, 219, 219), area, inner, c.flags, Shade{2, {1, 1}, c.shownAlpha, 0});
        ExpectedText(unshaded, font, RGB(219, 219, 219), area, area, c.flags, Shade{2, {1, 1}, 0, 0});
        EXPECT_EQ("", Difference(got, want));
        // Neither the shade nor the two pixels' inset may go unnoticed by the comparison.
        if (c.alignment != Align::Center) {
            EXPECT_NE("", Difference(want, unshaded));
        }
    }
}

TEST(ShadedTextLayout, DrawsItsColourAtItsOffsetInsideTheRadius) {
    const struct {
        const char* name;
        Shade shade;
        bool wide;
    } kCases[] = {
        {"radius 1, up and left, opaque red", {1, {-1, -2}, 255, RGB(230, 20, 0)}, false},
        {"radius 2, right, faint blue, wide text", {2, {2, 0}, 90, RGB(0, 0, 200)}, true},
    };
    ui::Font font;
    font.SetHeight(-13);
    const RECT area = {4, 3, 84, 25};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        lumen::ShadedTextLayoutPtr layout = lumen::MakeShadedTextLayout();
        layout->SetBlurRadius(c.shade.radius);
        layout->SetShadeOffset(lumen::Point{c.shade.offset.x, c.shade.offset.y});
        layout->SetShadeAlphaValue(static_cast<uint8_t>(c.shade.alpha));
        layout->SetShadeColor(c.shade.color);
        DibBitmap got = Filled(90, 28, RGB(200, 200, 190));
        {
            lumen::BitmapCanvas canvas(got);
            lumen::SelectGuard selected(canvas.Dc(), font.Handle());
            SetTextColor(canvas.Dc(), RGB(20, 30, 40));
            c.wide ? layout->Draw(canvas.Dc(), L"Turbo Wg", area, DT_SINGLELINE)
                   : layout->Draw(canvas.Dc(), kText, area, DT_SINGLELINE);
        }
        const int r = c.shade.radius;
        DibBitmap want = Filled(90, 28, RGB(200, 200, 190));
        ExpectedText(want, font.Handle(), RGB(20, 30, 40), area,
                     RECT{area.left + r, area.top + r, area.right - r, area.bottom - r}, DT_SINGLELINE, c.shade);
        EXPECT_EQ("", Difference(got, want));
    }
}

TEST(ShadedTextLayout, MeasuresInsideTheRadiusAndAddsThreePlusTheOffset) {
    ui::Font font;
    DibBitmap surface(8, 8, PixelFormat::Bgr24);
    lumen::BitmapCanvas canvas(surface);
    lumen::SelectGuard selected(canvas.Dc(), font.Handle());
    const RECT area = {5, 7, 205, 57};
    RECT inner = {7, 9, 203, 55}, whole = area;
    DrawTextA(canvas.Dc(), kText, -1, &inner, DT_CALCRECT);
    DrawTextA(canvas.Dc(), kText, -1, &whole, DT_CALCRECT);
    const struct {
        POINT offset;
        bool shaded;
        int wider, taller;
    } kCases[] = {{{1, 1}, true, 4, 4}, {{-2, 3}, true, 5, 6}, {{0, 0}, true, 3, 3}, {{4, -1}, false, 0, 0}};
    for (const auto& c : kCases) {
        lumen::ShadedTextLayoutPtr layout = lumen::MakeShadedTextLayout();
        layout->SetShadeOffset(lumen::Point{c.offset.x, c.offset.y});
        layout->SetShaded(c.shaded);
        RECT want = {inner.left, inner.top, inner.right + c.wider, inner.bottom + c.taller};
        RECT narrow = layout->Measure(canvas.Dc(), kText, area, 0),
             wide = layout->Measure(canvas.Dc(), L"Turbo Wg", area, 0);
        EXPECT_TRUE(EqualRect(&narrow, &want) && EqualRect(&wide, &want))
            << "offset " << c.offset.x << ", " << c.offset.y << ": right " << narrow.right << " bottom "
            << narrow.bottom << ", expected " << want.right << " " << want.bottom;
    }
    // The plain layout measures in the whole rectangle, and stays after its release.
    lumen::TTextLayout::Plain().Release();
    RECT plain = lumen::TTextLayout::Plain().Measure(canvas.Dc(), kText, area, 0);
    EXPECT_TRUE(EqualRect(&plain, &whole));
}

// Four columns of B, G, R, A: opaque, half, clear, a quarter; the form is B 90, G 60, R 40.
constexpr Bgra kPixels[4] = {{0, 100, 200, 255}, {255, 255, 255, 128}, {10, 20, 30, 0}, {250, 0, 120, 64}};
constexpr Bgra kByAlpha[4] = {{0, 100, 200}, {172, 157, 147}, {90, 60, 40}, {130, 44, 60}};
constexpr Bgra kHalfAlpha[4] = {{44, 80, 120}, {131, 109, 94}, {90, 60, 40}, {110, 52, 50}};
constexpr Bgra kOpaque[4] = {{0, 100, 200}, {255, 255, 255}, {10, 20, 30}, {250, 0, 120}};

TEST(KrImageOnDesktop, BlendsOverTheFormByItsAlphaAndAlphaValue) {
    const struct {
        const char* name;
        PixelFormat format;
        bool alphaChannel, alphaBlend;
        uint8_t alphaValue;
        const Bgra* shown;
    } kCases[] = {
        {"alpha channel", PixelFormat::Bgra32, true, false, 255, kByAlpha},
        {"alpha value without alpha blend", PixelFormat::Bgra32, true, false, 128, kByAlpha},
        {"alpha blend 128: half its own alpha", PixelFormat::Bgra32, true, true, 128, kHalfAlpha},
        {"alpha channel off: opaque", PixelFormat::Bgra32, false, true, 128, kOpaque},
        {"24-bit picture: opaque", PixelFormat::Bgr24, true, true, 128, kOpaque},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        ui::Form form(FormOf(30, 20));
        kr::KrImage image(form);
        DibBitmap picture(4, 3, PixelFormat::Bgra32);
        for (int i = 0; i < 12; ++i) {
            picture.SetPixel(i % 4, i / 4, kPixels[i % 4]);
        }
        picture.SetPixelFormat(c.format);
        image.SetPicture(picture);
        image.SetAutoSize(true);
        image.SetPosition(6, 5);
        image.SetAlphaChannel(c.alphaChannel);
        image.SetAlphaBlend(c.alphaBlend);
        image.SetAlphaValue(c.alphaValue);
        // A pixel of the form around the picture stays the form's.
        DibBitmap want = Filled(6, 5, kFormColor);
        for (int i = 0; i < 12; ++i) {
            want.SetPixel(1 + i % 4, 1 + i / 4, c.shown[i % 4]);
        }
        EXPECT_EQ("", Difference(Painted(form, RECT{5, 4, 11, 9}), want));
    }
}

TEST(KrImageOnDesktop, RepaintsForAChangeThatShows) {
    const struct {
        const char* name;
        bool blendFirst;
        void (*change)(kr::KrImage&);
        bool repaints;
    } kCases[] = {
        {"alpha channel on", false, [](kr::KrImage& i) { i.SetAlphaChannel(true); }, true},
        {"alpha channel unchanged", false, [](kr::KrImage& i) { i.SetAlphaChannel(false); }, false},
        {"alpha blend on", false, [](kr::KrImage& i) { i.SetAlphaBlend(true); }, true},
        {"alpha value with alpha blend", true, [](kr::KrImage& i) { i.SetAlphaValue(100); }, true},
        {"alpha value without alpha blend", false, [](kr::KrImage& i) { i.SetAlphaValue(100); }, false},
    };
    for (const auto& c : kCases) {
        ui::Form form(FormOf(30, 20));
        kr::KrImage image(form);
        image.SetBounds(2, 2, 8, 8);
        image.SetAlphaBlend(c.blendFirst);
        (void)Painted(form, RECT{0, 0, 1, 1});
        ValidateRect(form.Handle(), nullptr);
        c.change(image);
        EXPECT_EQ(c.repaints, GetUpdateRect(form.Handle(), nullptr, FALSE) != FALSE) << c.name;
    }
}

TEST(KrImageOnDesktop, SkinImageHoldsTheResourcePictureBlendedByItsAlpha) {
    ui::Form form(FormOf(200, 40));
    std::unique_ptr<kr::KrImage> image = surgepad::CreateSkinImage(form, "combo_box_bg.png", 7, 9);
    DibBitmap file;
    ASSERT_TRUE(surgepad::LoadPngFile(surgepad::ResourceFolder() + "combo_box_bg.png", file, form.Dpi()));
    const RECT bounds = image->BoundsRect(), placed = {7, 9, 7 + file.Width(), 9 + file.Height()};
    EXPECT_TRUE(EqualRect(&bounds, &placed));
    EXPECT_EQ(PixelFormat::Bgra32, image->Picture().Format());
    EXPECT_TRUE(image->AlphaChannel());
    DibBitmap want = Filled(file.Width(), file.Height(), kFormColor);
    for (int y = 0; y < file.Height(); ++y) {
        for (int x = 0; x < file.Width(); ++x) {
            const Bgra p = file.Pixel(x, y);
            const double a = p.a / 255.0;
            const Bgra d = want.Pixel(x, y);
            want.SetPixel(
                x, y,
                Bgra{static_cast<uint8_t>(d.b * (1.0 - a) + a * p.b), static_cast<uint8_t>(d.g * (1.0 - a) + a * p.g),
                     static_cast<uint8_t>(d.r * (1.0 - a) + a * p.r), 0});
        }
    }
    EXPECT_EQ("", Difference(Painted(form, bounds), want));
    EXPECT_TRUE(surgepad::CreateSkinImage(form, "missing.png", 3, 4)->Picture().Empty());
}

}  // namespace
