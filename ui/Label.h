#pragma once
// The framework's text label: a graphic control that draws its caption with its font,
// aligned in its area, over the parent's picture when transparent.

#include <string>

#include "ui/Control.h"
#include "ui/Font.h"

namespace ui {

enum class Alignment { Left, Right, Center };
enum class TextLayout { Top, Center, Bottom };

class Label : public GraphicControl {
public:
    explicit Label(WinControl& parent);
    const char* ClassName() const override { return "TLabel"; }

    const std::string& Caption() const { return m_caption; }
    void SetCaption(const std::string& caption);
    Font& GetFont() { return m_font; }
    Color GetColor() const { return m_color; }
    void SetColor(Color color);
    bool Transparent() const { return m_transparent; }
    void SetTransparent(bool transparent);
    Alignment GetAlignment() const { return m_alignment; }
    void SetAlignment(Alignment alignment);
    TextLayout Layout() const { return m_layout; }
    void SetLayout(TextLayout layout);
    bool WordWrap() const { return m_wordWrap; }
    void SetWordWrap(bool wordWrap);
    bool ShowAccelChar() const { return m_showAccelChar; }
    void SetShowAccelChar(bool show);

    void Paint(Canvas& canvas) override;

protected:
    // Draws (or with DT_CALCRECT measures) the caption in `rect` with `flags`.
    virtual void DoDrawText(HDC dc, RECT& rect, UINT flags);

private:
    static void FontChanged(void* self, Font&);

    std::string m_caption;
    Font m_font;
    Color m_color = static_cast<Color>(0x80000000u | COLOR_BTNFACE);
    bool m_transparent = false;
    Alignment m_alignment = Alignment::Left;
    TextLayout m_layout = TextLayout::Top;
    bool m_wordWrap = false;
    bool m_showAccelChar = true;
};

}  // namespace ui
