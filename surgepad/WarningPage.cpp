#include "surgepad/WarningPage.h"

#include <algorithm>

#include "lumen/core/Handle.h"
#include "lumen/widget/TLayout.h"
#include "surgepad/MultiLang.h"
#include "ui/Scale.h"

namespace surgepad {

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
        const lumen::UniqueFont hfont(CreateFontA(font.height, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE,
                                                  FALSE, font.charset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                                  DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Arial"));
        const lumen::SelectGuard selected(canvas.Dc(), hfont.get());
        SetBkMode(canvas.Dc(), TRANSPARENT);
        SetTextColor(canvas.Dc(), RGB(255, 255, 255));
        RECT box{0, 0, r.right - r.left, r.bottom - r.top};
        std::string copy = text;
        DrawTextA(canvas.Dc(), copy.c_str(), static_cast<int>(copy.size()), &box, flags);
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

void DrawWarningTexts(lumen::Bitmap& page, const std::string& title, const std::string& explanation,
                      const std::string& languageName) {
    const auto scaled = [](const RECT& r) {
        return RECT{ui::Px(r.left), ui::Px(r.top), ui::Px(r.right), ui::Px(r.bottom)};
    };
    DrawTextKeepingAlpha(page, title, scaled(kWarningTitleRect), kWarningTitleFlags,
                         WarningFont{ui::Px(-16), true, DEFAULT_CHARSET});
    WarningFont body{ui::Px(-11), false, DEFAULT_CHARSET};
    if (languageName == "Japanese") {
        body.charset = SHIFTJIS_CHARSET;
    }
    DrawTextKeepingAlpha(page, explanation, scaled(kWarningTextRect), kWarningTextFlags, body);
}

void DrawWarningTexts(lumen::Bitmap& page, const char* explanationKey) {
    const MultiLang& lang = MultiLang::Instance();
    DrawWarningTexts(page, lang.Text("Warning"), lang.Text(explanationKey), lang.LanguageName());
}

}  // namespace surgepad
