#pragma once
// The overclock warning page: the translated title and explanation drawn into the
// warning picture (page 0 of the on-screen display) once at start-up, keeping the
// picture's alpha so the texts show only where the picture is opaque and fade with it.

#include <windows.h>

#include <string>

#include "lumen/core/Handle.h"
#include "lumen/graphics/DibBitmap.h"

namespace surgepad {

inline constexpr RECT kWarningTitleRect{103, 53, 223, 91};
inline constexpr RECT kWarningTextRect{63, 200, 263, 281};
inline constexpr UINT kWarningTitleFlags = DT_SINGLELINE | DT_CENTER | DT_VCENTER;
inline constexpr UINT kWarningTextFlags = DT_CENTER | DT_WORDBREAK;

struct WarningFont {
    int height = -11;
    bool bold = false;
    BYTE charset = DEFAULT_CHARSET;
    // Arial, or the language's own font where Arial lacks its script.
    std::string face = "Arial";
};

// The title's font and the explanation's, at `dpi`, for a language and the
// face its texts are drawn with.
struct WarningFonts {
    WarningFont title;
    WarningFont body;
};
WarningFonts WarningFontsFor(const std::string& languageName, const std::string& face, int dpi);
lumen::UniqueFont CreateWarningFont(const WarningFont& font);

// Draws `text` in white with `font` into rectangle `r` of the 32-bit `page`; only blue,
// green and red of the page change. The part of `r` outside the page is left alone.
void DrawTextKeepingAlpha(lumen::Bitmap& page, const std::string& text, const RECT& r, UINT flags,
                          const WarningFont& font);

// The explanations: the profile that cannot be applied, and turbo refused on battery.
inline constexpr char kOcWarnKey[] = "OcWarn";
inline constexpr char kOnBatteryWarnKey[] = "TurboOnBatteryWarn";

// Title Text("Warning") in bold -16, explanation Text(explanationKey) in regular -11,
// the latter with the Shift-JIS character set when the language is "Japanese"; both in
// `face`, the language's font; places and heights for a page at `dpi`.
void DrawWarningTexts(lumen::Bitmap& page, int dpi, const char* explanationKey = kOcWarnKey);
void DrawWarningTexts(lumen::Bitmap& page, int dpi, const std::string& title, const std::string& explanation,
                      const std::string& languageName, const std::string& face = "Arial");

}  // namespace surgepad
