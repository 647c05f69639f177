#pragma once
// The package's bricks: KrBrick is a bitmap tile with a normal, a focused and a
// disabled picture that follows hover, focus and enabling but never clicks (it never
// sinks); KrBrickTx draws a one-line caption over the picture, in the font's colour
// or a colour of its own while focused or disabled.

#include <string>

#include "kr/KrCustomControl.h"
#include "kr/KrThreeStateAppearance.h"
#include "ui/Font.h"

namespace kr {

class KrBrick : public KrCustomControl {
public:
    // Double clicks reach a brick as double clicks.
    static constexpr ui::ControlClass kClass = {"KrBrick", true};

    KrBrick(ui::WinControl& parent, int left = 0, int top = 0, int width = 0, int height = 0);
    const char* ClassName() const override { return "KrBrick"; }

    KrThreeStateAppearance& Appearance() { return m_appearance; }
    void SetAppearance(const KrThreeStateAppearance& appearance) { m_appearance.Assign(appearance); }
    bool LoadBitmap(const std::string& folder, const std::string& normal, const std::string& focused,
                    const std::string& disabled) {
        return m_appearance.LoadBitmap(folder, normal, focused, disabled);
    }

    // ShowRaised shows the normal picture, and so does ShowSunken (the base's).
    void ShowFocused() override { ShowBitmap(brFocused); }
    void ShowDisabled() override { ShowBitmap(brDisabled); }

protected:
    KrBrick(ui::WinControl& parent, const ui::ControlClass& cls, int left, int top, int width, int height);

private:
    KrThreeStateAppearance m_appearance;
};

class KrBrickTx : public KrBrick {
public:
    static constexpr ui::ControlClass kClass = {"KrBrickTx", true};

    KrBrickTx(ui::WinControl& parent, int left = 0, int top = 0, int width = 0, int height = 0);
    ~KrBrickTx() override;
    const char* ClassName() const override { return "KrBrickTx"; }

    ui::Font& GetFont() { return m_font; }
    const std::string& GetText() const { return m_text; }
    void SetText(const std::string& text);
    // The caption shift of the captioned controls. A brick never sinks, so its caption
    // is never shifted; the value is only kept.
    void SetDisp(int dx, int dy) { m_disp = POINT{dx, dy}; }
    POINT Disp() const { return m_disp; }
    void SetTextBounds(int x, int y, int width, int height);
    RECT TextBounds() const { return m_textBounds; }
    KrTwoStateFontColor& FontColors() { return m_fontColors; }
    void SetFontColors(const KrTwoStateFontColor& colors) { m_fontColors.Assign(colors); }
    // The caption's colour in the current state (an RGB value).
    COLORREF GetFontColorOfCurState() const;

    void ShowBitmap(int index) override;
    void SetBounds(int left, int top, int width, int height) override;
    void Repaint() override { DoRepaint(); }
    // Paints the picture afresh and the caption over it.
    void DoRepaint();

private:
    static void FontChanged(void* self, ui::Font& font);
    void DrawCaption();

    ui::Font m_font;
    std::string m_text;
    POINT m_disp = {2, 2};
    RECT m_textBounds = {};
    KrTwoStateFontColor m_fontColors;
    ui::Callback<ui::Font&> m_previousFontHandler;
};

}  // namespace kr
