#pragma once
// The font of a control: face, height, style and colour, with a change event that a
// control can take over (remembering the previous handler and calling it).
// Colours are the framework's colour values: an RGB value, or a system colour with
// the top bit set (0x80000000 | COLOR_xxx), resolved by ColorToRgb.

#include <windows.h>

#include <cstdint>
#include <string>

#include "lumen/core/Handle.h"
#include "ui/Callback.h"

namespace ui {

using Color = int32_t;
constexpr Color clNone = -1;
constexpr Color clBlack = 0x000000;
constexpr Color clWhite = 0xFFFFFF;
constexpr Color clGray = 0x808080;
constexpr Color clGrayText = static_cast<Color>(0x80000000u | COLOR_GRAYTEXT);
constexpr Color clBtnHighlight = static_cast<Color>(0x80000000u | COLOR_BTNHIGHLIGHT);
constexpr Color clBtnShadow = static_cast<Color>(0x80000000u | COLOR_BTNSHADOW);
constexpr Color clWindowText = static_cast<Color>(0x80000000u | COLOR_WINDOWTEXT);

// An RGB value (red in the low byte) for a colour value; system colours resolved.
COLORREF ColorToRgb(Color color);

class Font {
public:
    Font() = default;
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    const std::string& Name() const { return m_name; }
    void SetName(const std::string& name);
    // Negative: character height in pixels; positive: cell height.
    int Height() const { return m_height; }
    void SetHeight(int height);
    Color GetColor() const { return m_color; }
    void SetColor(Color color);
    bool Bold() const { return m_bold; }
    void SetBold(bool bold);
    // The character set asked of the font mapper (DEFAULT_CHARSET: the system's).
    BYTE Charset() const { return m_charset; }
    void SetCharset(BYTE charset);
    // Copies face, height, style, character set and colour; one change event.
    void Assign(const Font& other);

    // The GDI font, made when first needed and after each change.
    HFONT Handle() const;

    Callback<Font&> OnChange;

private:
    void Changed();

    std::string m_name = "Tahoma";
    int m_height = -11;
    Color m_color = clWindowText;
    bool m_bold = false;
    BYTE m_charset = DEFAULT_CHARSET;
    mutable lumen::UniqueFont m_handle;
};

}  // namespace ui
