#pragma once
// Helpers of the control tests that look at what a form shows: flat pictures, the
// pixels of a shown form after painting, and readable colours for failure messages.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "lumen/graphics/DibBitmap.h"
#include "ui/Form.h"

namespace painttest {

inline lumen::Bgra FromRgb(COLORREF c) {
    return lumen::Bgra{GetBValue(c), GetGValue(c), GetRValue(c), 255};
}

inline std::string Rgb(lumen::Bgra p) {
    char text[32];
    std::snprintf(text, sizeof text, "(%d, %d, %d)", p.r, p.g, p.b);
    return text;
}

inline std::string Rgb(COLORREF c) {
    return Rgb(FromRgb(c));
}

// A 24-bit picture of one colour.
inline lumen::DibBitmap Flat(int width, int height, COLORREF colour) {
    lumen::DibBitmap picture(width, height, lumen::PixelFormat::Bgr24);
    picture.Fill(FromRgb(colour));
    return picture;
}

// The form's client pixels in `r` as its window shows them once whatever is pending
// has been painted.
inline lumen::DibBitmap PaintedPixels(ui::Form& form, const RECT& r) {
    form.Show();
    UpdateWindow(form.Handle());
    lumen::DibBitmap shot(r.right - r.left, r.bottom - r.top, lumen::PixelFormat::Bgr24);
    HDC window = GetDC(form.Handle());
    {
        lumen::BitmapCanvas canvas(shot);
        BitBlt(canvas.Dc(), 0, 0, shot.Width(), shot.Height(), window, r.left, r.top, SRCCOPY);
    }
    ReleaseDC(form.Handle(), window);
    return shot;
}

// Empty when every pixel of `got` has colour `expected`; else the first one that has
// not and how many.
inline std::string DifferenceFrom(const lumen::Bitmap& got, COLORREF expected) {
    const lumen::Bgra want = FromRgb(expected);
    std::string first;
    int count = 0;
    for (int y = 0; y < got.Height(); ++y) {
        for (int x = 0; x < got.Width(); ++x) {
            lumen::Bgra p = got.Pixel(x, y);
            p.a = want.a;
            if (p != want && count++ == 0) {
                first = "at (" + std::to_string(x) + ", " + std::to_string(y) + ") got " + Rgb(p) + ", expected " +
                        Rgb(want);
            }
        }
    }
    return count == 0 ? std::string() : first + "; " + std::to_string(count) + " pixels differ";
}

// The smallest rectangle holding every pixel not of colour `background`.
inline RECT InkBox(const lumen::Bitmap& picture, COLORREF background) {
    const lumen::Bgra bg = FromRgb(background);
    RECT box = {picture.Width(), picture.Height(), 0, 0};
    for (int y = 0; y < picture.Height(); ++y) {
        for (int x = 0; x < picture.Width(); ++x) {
            lumen::Bgra p = picture.Pixel(x, y);
            p.a = bg.a;
            if (p != bg) {
                box = RECT{std::min<LONG>(box.left, x), std::min<LONG>(box.top, y), std::max<LONG>(box.right, x + 1),
                           std::max<LONG>(box.bottom, y + 1)};
            }
        }
    }
    return box;
}

}  // namespace painttest
