#pragma once
// Text layout objects: how a control puts its caption on a device context. The plain
// layout draws with DrawText; the shaded layout puts a soft drop shade (a blurred,
// semi-transparent copy of the text) behind the caption first.

#include <windows.h>

#include <cstdint>
#include <memory>

#include "lumen/graphics/Bitmap.h"

namespace lumen {

class TTextLayout {
public:
    TTextLayout(const TTextLayout&) = delete;
    TTextLayout& operator=(const TTextLayout&) = delete;

    // The plain layout: one for the whole process, made on first use; Release leaves it.
    static TTextLayout& Plain();

    // Draws `text` in `rect` with the DrawText format `format`, over the context's
    // picture (background mode transparent) in its font and text colour.
    virtual void Draw(HDC dc, const char* text, const RECT& rect, UINT format);
    virtual void Draw(HDC dc, const wchar_t* text, const RECT& rect, UINT format);
    // The rectangle DrawText computes for `text` in `rect` (DT_CALCRECT added).
    virtual RECT Measure(HDC dc, const char* text, const RECT& rect, UINT format);
    virtual RECT Measure(HDC dc, const wchar_t* text, const RECT& rect, UINT format);
    // Gives the layout back: the plain one stays, a layout of a control is destroyed.
    virtual void Release();

protected:
    TTextLayout() = default;
    virtual ~TTextLayout() = default;
};

// Releases a layout when its owner goes.
struct TextLayoutReleaser {
    void operator()(TTextLayout* layout) const {
        if (layout != nullptr) {
            layout->Release();
        }
    }
};

class TShadedTextLayout : public TTextLayout {
public:
    TShadedTextLayout() = default;

    // Where the shade lies relative to the text.
    Point ShadeOffset() const { return m_shadeOffset; }
    void SetShadeOffset(Point offset) { m_shadeOffset = offset; }
    uint8_t ShadeAlphaValue() const { return m_shadeAlpha; }
    void SetShadeAlphaValue(uint8_t alpha) { m_shadeAlpha = alpha; }
    // Colour of the shade, red in the low byte.
    uint32_t ShadeColor() const { return m_shadeColor; }
    void SetShadeColor(uint32_t rgb) { m_shadeColor = rgb; }
    // The blur radius r: the text keeps r pixels from every edge of its rectangle, so
    // that the blur has room inside it. r > 0.
    int BlurRadius() const { return m_radius; }
    void SetBlurRadius(int radius) { m_radius = radius; }
    // Sigma of the Gaussian kernel; the kernels of radius 1 and 2 are fixed and ignore it.
    float Sigma() const { return m_sigma; }
    void SetSigma(float sigma) { m_sigma = sigma; }
    bool Shaded() const { return m_shaded; }
    void SetShaded(bool shaded) { m_shaded = shaded; }

    // The text goes r pixels in from the edges of `rect`; with the shade on, the shade
    // is blended over the context's picture in `rect` first.
    void Draw(HDC dc, const char* text, const RECT& rect, UINT format) override;
    void Draw(HDC dc, const wchar_t* text, const RECT& rect, UINT format) override;
    // The text measured r pixels in; with the shade on, widened and heightened by
    // 3 + |dx| and 3 + |dy| for the shade.
    RECT Measure(HDC dc, const char* text, const RECT& rect, UINT format) override;
    RECT Measure(HDC dc, const wchar_t* text, const RECT& rect, UINT format) override;
    void Release() override;

    // Turns `work`, a 32-bit picture of the text in white on black, into the shade:
    // every pixel takes the shade colour, and its alpha is the blurred luminance scaled
    // by ShadeAlphaValue, 0 within r pixels of the edges.
    virtual void MakeShadeAlpha(Bitmap& work) const;

protected:
    ~TShadedTextLayout() override = default;

private:
    RECT Inner(const RECT& rect) const;
    template <class Char>
    void DrawShaded(HDC dc, const Char* text, const RECT& rect, UINT format);
    template <class Char>
    RECT MeasureShaded(HDC dc, const Char* text, const RECT& rect, UINT format);

    Point m_shadeOffset{1, 1};
    uint8_t m_shadeAlpha = 120;
    uint32_t m_shadeColor = 0;
    int m_radius = 2;
    float m_sigma = 1.0f;
    bool m_shaded = true;
};

using ShadedTextLayoutPtr = std::unique_ptr<TShadedTextLayout, TextLayoutReleaser>;

inline ShadedTextLayoutPtr MakeShadedTextLayout() {
    return ShadedTextLayoutPtr(new TShadedTextLayout);
}

}  // namespace lumen
