#include "surgepad/display/WarningPage.h"

#include <algorithm>

#include "lumen/core/Handle.h"
#include "lumen/core/WideText.h"
#include "lumen/widget/TLayout.h"
#include "surgepad/look/MultiLang.h"
#include "lumen/graphics/Dpi.h"

namespace surgepad {

lumen::UniqueFont CreateWarningFont(const WarningFont& font) {
    return lumen::UniqueFont(CreateFontW(font.height, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                                         font.charset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                         DEFAULT_PITCH | FF_DONTCARE, lumen::Widen(font.face).c_str()));
}

WarningFonts WarningFontsFor(const std::string& languageName, const std::string& face, int dpi) {
    WarningFonts fonts{WarningFont{lumen::ScaleToDpi(-16, dpi), true, DEFAULT_CHARSET, face},
                       WarningFont{lumen::ScaleToDpi(-11, dpi), false, DEFAULT_CHARSET, face}};
    if (languageName == "Japanese") {
        fonts.body.charset = SHIFTJIS_CHARSET;
    }
    return fonts;
}

void DrawTextKeepingAlpha(lumen::Bitmap& page, const std::string& text, const RECT& r, UINT flags,
                          const WarningFont& font) {
    if (page.Format() != lumen::PixelFormat::Bgra32 || page.Empty() || r.right <= r.left || r.bottom <= r.top) {
        return;
    }
    lumen::PixelBuffer under;
    lumen::CopyBackgroundRect(page, under, lumen::Rect{r.left, r.top, r.right, r.bottom});
    lumen::DibBitmap drawn;
    drawn.Assign(under);
    drawn.SetPixelFormat(lumen::PixelFormat::Bgra32);
    {
        lumen::BitmapCanvas canvas(drawn);
        if (canvas.Dc() == nullptr) {
            return;
        }
        const lumen::UniqueFont hfont = CreateWarningFont(font);
        const lumen::SelectGuard selected(canvas.Dc(), hfont.get());
        SetBkMode(canvas.Dc(), TRANSPARENT);
        SetTextColor(canvas.Dc(), RGB(255, 255, 255));
        RECT box{0, 0, r.right - r.left, r.bottom - r.top};
        const std::wstring wide = lumen::Widen(text);
        DrawTextW(canvas.Dc(), wide.c_str(), static_cast<int>(wide.size()), &box, flags);
        GdiFlush();
    }
    const int left = static_cast<int>(r.left);
    const int top = static_cast<int>(r.top);
    const int rows = std::min(under.Height(), page.Height() - top);
    const int cols = std::min(under.Width(), page.Width() - left);
    for (int i = std::max(0, -top); i < rows; ++i) {
        for (int j = std::max(0, -left); j < cols; ++j) {
            const lumen::Bgra from = drawn.Pixel(j, i);
            lumen::Bgra to = page.Pixel(left + j, top + i);
            to.b = from.b;
            to.g = from.g;
            to.r = from.r;
            page.SetPixel(left + j, top + i, to);
        }
    }
}

void DrawWarningTexts(lumen::Bitmap& page, int dpi, const std::string& title, const std::string& explanation,
                      const std::string& languageName, const std::string& face) {
    const auto scaled = [dpi](const RECT& r) {
        return RECT{lumen::ScaleToDpi(r.left, dpi), lumen::ScaleToDpi(r.top, dpi), lumen::ScaleToDpi(r.right, dpi),
                    lumen::ScaleToDpi(r.bottom, dpi)};
    };
    const WarningFonts fonts = WarningFontsFor(languageName, face, dpi);
    DrawTextKeepingAlpha(page, title, scaled(kWarningTitleRect), kWarningTitleFlags, fonts.title);
    DrawTextKeepingAlpha(page, explanation, scaled(kWarningTextRect), kWarningTextFlags, fonts.body);
}

void DrawWarningTexts(lumen::Bitmap& page, int dpi, const char* explanationKey) {
    const MultiLang& lang = MultiLang::Instance();
    DrawWarningTexts(page, dpi, lang.Text("Warning"), lang.Text(explanationKey), lang.LanguageName(),
                     lang.FontFace("Arial"));
}

}  // namespace surgepad
