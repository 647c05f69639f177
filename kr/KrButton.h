#pragma once
// The package's push buttons: KrButton shows four state bitmaps and sets its form's
// modal result when clicked; KrButtonTx draws a caption over the state bitmap, in a
// font colour per state, shifted a little right after it was pressed.

#include <oleacc.h>

#include <string>

#include "kr/KrAppearance.h"
#include "kr/KrCustomControl.h"
#include "ui/Font.h"

namespace kr {

class KrButton : public KrCustomControl {
public:
    // A double click is a further click: the class asks for no double clicks.
    static constexpr ui::ControlClass kClass = {"KrButton", false};

    KrButton(ui::WinControl& parent, int left = 0, int top = 0, int width = 0, int height = 0);
    const char* ClassName() const override { return "KrButton"; }

    KrFourStateAppearance& Appearance() { return m_appearance; }
    void SetAppearance(const KrFourStateAppearance& appearance) { m_appearance.Assign(appearance); }
    bool LoadBitmap(const std::string& folder, const std::string& raised, const std::string& sunken,
                    const std::string& focused, const std::string& disabled) {
        return m_appearance.LoadBitmap(folder, raised, sunken, focused, disabled);
    }

    int ModalResult() const { return m_modalResult; }
    void SetModalResult(int result) { m_modalResult = result; }

    void ShowSunken() override { ShowBitmap(bsSunken); }
    void ShowFocused() override { ShowBitmap(bsFocused); }
    void ShowDisabled() override { ShowBitmap(bsDisabled); }

    void Click() override;

    long AccessibleRole() const override { return ROLE_SYSTEM_PUSHBUTTON; }

protected:
    KrButton(ui::WinControl& parent, const ui::ControlClass& cls, int left, int top, int width, int height);
    void KeyPress(char& key) override;

private:
    KrFourStateAppearance m_appearance;
    int m_modalResult = 0;
};

class KrButtonTx : public KrButton {
public:
    static constexpr ui::ControlClass kClass = {"KrButtonTx", false};

    KrButtonTx(ui::WinControl& parent, int left = 0, int top = 0, int width = 0, int height = 0);
    ~KrButtonTx() override;
    const char* ClassName() const override { return "KrButtonTx"; }

    ui::Font& GetFont() { return m_font; }
    const std::string& GetText() const { return m_text; }
    void SetText(const std::string& text);
    // The shift of the caption drawn right after the button sank.
    void SetDisp(int dx, int dy);
    POINT Disp() const { return m_disp; }
    void SetTextBounds(int x, int y, int width, int height);
    RECT TextBounds() const { return m_textBounds; }
    bool WordWrap() const { return m_wordWrap; }
    void SetWordWrap(bool wordWrap);
    KrThreeStateFontColor& FontColors() { return m_fontColors; }
    void SetFontColors(const KrThreeStateFontColor& colors) { m_fontColors.Assign(colors); }
    // The caption's colour in the current state (an RGB value).
    COLORREF GetFontColorOfCurState() const;

    void ShowBitmap(int index) override;
    void ShowSunken() override;
    void SetBounds(int left, int top, int width, int height) override;
    void Repaint() override;
    // Paints the state bitmap afresh and the caption over it.
    void DoRepaint();

protected:
    std::string AccessibleCaption() const override { return m_text; }

private:
    static void FontChanged(void* self, ui::Font& font);
    void DrawCaption();

    ui::Font m_font;
    std::string m_text;
    POINT m_disp = {2, 2};
    bool m_shiftPending = false;
    RECT m_textBounds = {};
    bool m_wordWrap = false;
    KrThreeStateFontColor m_fontColors;
    ui::Callback<ui::Font&> m_previousFontHandler;
};

}  // namespace kr
