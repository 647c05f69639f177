#include "lumen/widget/TTextLayout.h"

#include <cstdlib>

#include "lumen/core/Handle.h"
#include "lumen/graphics/DibBitmap.h"
#include "lumen/widget/TLayout.h"
#include "lumen/widget/TLayoutGdi.h"

namespace lumen {
namespace {

int CallDrawText(HDC dc, const char* text, RECT& rect, UINT format) {
    return DrawTextA(dc, text, -1, &rect, format);
}

int CallDrawText(HDC dc, const wchar_t* text, RECT& rect, UINT format) {
    return DrawTextW(dc, text, -1, &rect, format);
}

template <class Char>
void PlainDraw(HDC dc, const Char* text, const RECT& rect, UINT format) {
    RECT r = rect;
    SetBkMode(dc, TRANSPARENT);
    CallDrawText(dc, text, r, format);
}

template <class Char>
RECT PlainMeasure(HDC dc, const Char* text, const RECT& rect, UINT format) {
    RECT r = rect;
    SetBkMode(dc, TRANSPARENT);
    CallDrawText(dc, text, r, format | DT_CALCRECT);
    return r;
}

}  // namespace

TTextLayout& TTextLayout::Plain() {
    // Never destroyed: controls may hold it until the very end of the process.
    static TTextLayout* plain = new TTextLayout;
    return *plain;
}

void TTextLayout::Draw(HDC dc, const char* text, const RECT& rect, UINT format) {
    PlainDraw(dc, text, rect, format);
}

void TTextLayout::Draw(HDC dc, const wchar_t* text, const RECT& rect, UINT format) {
    PlainDraw(dc, text, rect, format);
}

RECT TTextLayout::Measure(HDC dc, const char* text, const RECT& rect, UINT format) {
    return PlainMeasure(dc, text, rect, format);
}

RECT TTextLayout::Measure(HDC dc, const wchar_t* text, const RECT& rect, UINT format) {
    return PlainMeasure(dc, text, rect, format);
}

void TTextLayout::Release() {}

RECT TShadedTextLayout::Inner(const RECT& rect) const {
    return RECT{rect.left + m_radius, rect.top + m_radius, rect.right - m_radius, rect.bottom - m_radius};
}

void TShadedTextLayout::Draw(HDC dc, const char* text, const RECT& rect, UINT format) {
    DrawShaded(dc, text, rect, format);
}

void TShadedTextLayout::Draw(HDC dc, const wchar_t* text, const RECT& rect, UINT format) {
    DrawShaded(dc, text, rect, format);
}

RECT TShadedTextLayout::Measure(HDC dc, const char* text, const RECT& rect, UINT format) {
    return MeasureShaded(dc, text, rect, format);
}

RECT TShadedTextLayout::Measure(HDC dc, const wchar_t* text, const RECT& rect, UINT format) {
    return MeasureShaded(dc, text, rect, format);
}

void TShadedTextLayout::Release() {
    delete this;
}

template <class Char>
void TShadedTextLayout::DrawShaded(HDC dc, const Char* text, const RECT& rect, UINT format) {
    const RECT inner = Inner(rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (m_shaded && width > 0 && height > 0) {
        // The text in white on black, in the context's font: its luminance is the
        // coverage of every pixel, which the blur turns into the shade's alpha.
        DibBitmap work(width, height, PixelFormat::Bgra32);
        {
            BitmapCanvas canvas(work);
            if (canvas.Dc() != nullptr) {
                SelectGuard font(canvas.Dc(), GetCurrentObject(dc, OBJ_FONT));
                SetTextColor(canvas.Dc(), RGB(255, 255, 255));
                RECT r = inner;
                OffsetRect(&r, -rect.left, -rect.top);
                PlainDraw(canvas.Dc(), text, r, format);
            }
        }
        MakeShadeAlpha(work);

        DibBitmap behind;
        CopyBackgroundRect(dc, behind, Rect{rect.left, rect.top, rect.right, rect.bottom});
        AlphaBlendBitmap(work, Rect{0, 0, width, height}, behind, m_shadeOffset, 255);
        BitmapCanvas composed(behind);
        if (composed.Dc() != nullptr) {
            BitBlt(dc, rect.left, rect.top, width, height, composed.Dc(), 0, 0, SRCCOPY);
        }
    }
    PlainDraw(dc, text, inner, format);
}

template <class Char>
RECT TShadedTextLayout::MeasureShaded(HDC dc, const Char* text, const RECT& rect, UINT format) {
    RECT r = PlainMeasure(dc, text, Inner(rect), format);
    if (m_shaded) {
        r.right += 3 + std::abs(m_shadeOffset.x);
        r.bottom += 3 + std::abs(m_shadeOffset.y);
    }
    return r;
}

void TShadedTextLayout::MakeShadeAlpha(Bitmap& work) const {
    const int width = work.Width();
    const int height = work.Height();
    const IntMatrix luminance = LuminanceMap(work);
    IntMatrix blurred(height, width);
    {
        const GaussianFilterFactory factory(m_sigma);
        const GaussianFilterFactory::KernelPtr kernel = factory.MakeKernel(m_radius);
        const int side = 2 * m_radius + 1;
        Convolve(luminance, height, width, kernel->entries, side, side, blurred, m_radius, m_radius, kernel->divisor);
    }
    work.SetPixelFormat(PixelFormat::Bgra32);
    work.Fill(Bgra{static_cast<uint8_t>(m_shadeColor >> 16), static_cast<uint8_t>(m_shadeColor >> 8),
                   static_cast<uint8_t>(m_shadeColor), 0});
    for (int y = m_radius; y < height - m_radius; ++y) {
        uint8_t* row = work.ScanLine(y);
        for (int x = m_radius; x < width - m_radius; ++x) {
            row[x * 4 + 3] = static_cast<uint8_t>(blurred.At(y, x) * m_shadeAlpha / 255);
        }
    }
    work.Changed();
}

}  // namespace lumen
