#pragma once
// The package's numeric LED display: a number, a time or a date shown as a row of
// drawn seven-segment digits, points, degree signs, letters C and unit symbols, lit
// or dark, scaled to the control's size (optionally keeping the row's proportions).
// What is lit comes from lumen::NumLedModel; the control paints it into an image
// display on its parent, moved and sized with the control.

#include <memory>
#include <string>

#include "lumen/component/NumLedModel.h"
#include "ui/Callback.h"
#include "ui/Control.h"
#include "ui/Font.h"

namespace kr {

class KrNumLed_imp;

// The display's colours, as colour values of the framework (system colours allowed).
class KrLedColors {
public:
    KrLedColors() = default;
    KrLedColors(const KrLedColors&) = delete;
    KrLedColors& operator=(const KrLedColors&) = delete;
    ~KrLedColors() { OnChange = {}; }

    // Lit segments; RGB(10, 240, 10) at first.
    ui::Color LightColor() const { return m_light; }
    void SetLightColor(ui::Color c) { Store(m_light, c); }
    // Unlit segments; RGB(14, 38, 62) at first.
    ui::Color DarkColor() const { return m_dark; }
    void SetDarkColor(ui::Color c) { Store(m_dark, c); }
    // Around the segments; white at first.
    ui::Color BackgroundColor() const { return m_background; }
    void SetBackgroundColor(ui::Color c) { Store(m_background, c); }
    // The display picture's transparent colour; white at first.
    ui::Color TransparentColor() const { return m_transparent; }
    void SetTransparentColor(ui::Color c) { Store(m_transparent, c); }

    // Copies every colour; one change notice.
    void Assign(const KrLedColors& other);

    // Told after a colour changed.
    ui::Callback<> OnChange;

private:
    void Store(ui::Color& field, ui::Color value) {
        if (field != value) {
            field = value;
            OnChange();
        }
    }

    ui::Color m_light = RGB(10, 240, 10);
    ui::Color m_dark = RGB(14, 38, 62);
    ui::Color m_background = ui::clWhite;
    ui::Color m_transparent = ui::clWhite;
};

class KrNumLed : public ui::GraphicControl {
public:
    KrNumLed(ui::WinControl& parent, int left = 0, int top = 0, int width = 0, int height = 0);
    ~KrNumLed() override;
    const char* ClassName() const override { return "KrNumLed"; }

    lumen::NumLedType GetType() const;
    void SetType(lumen::NumLedType type);
    lumen::NumLedStyle GetStyle() const { return m_style; }
    void SetStyle(lumen::NumLedStyle style) { m_style = style; }
    bool GetZeroLeading() const;
    void SetZeroLeading(bool zeroLeading);
    bool GetKeepRatio() const;
    // Stores the flag and applies the current bounds again.
    void SetKeepRatio(bool keepRatio);
    const std::string& GetFormat() const;
    // A format that is empty or holds a character that is no figure is refused and
    // the old one stays. A new row is lit entirely and scaled to the current size.
    void SetFormat(const std::string& format);
    bool GetTransparent() const;
    void SetTransparent(bool transparent);

    KrLedColors& LedColors();
    void SetLedColors(const KrLedColors& colors) { LedColors().Assign(colors); }

    // Taken only by the matching type and when the value differs from the stored one.
    void SetValue(double value);
    void SetValue(lumen::LedDateTime value);
    // The stored number; false unless the type is nledFloat.
    [[nodiscard]] bool GetValue(double& value) const;
    lumen::LedDateTime GetValue() const;

    // Index 0: all LEDs; n >= 1: the n-th from the left; larger indexes are ignored.
    void On(int index);
    void Off(int index);
    void Repaint();

    // Moves the display along; its size (and the control's) is (width, height), or
    // with KeepRatio the largest size of the row's proportions that fits in it.
    void SetBounds(int left, int top, int width, int height) override;

    // The display draws the row; the control itself paints nothing.
    void Paint(ui::Canvas&) override {}

    // The model behind the display, and the image that shows it.
    const lumen::NumLedModel& Model() const;
    ui::GraphicControl& DisplayImage();

protected:
    void VisibleChanged() override;

private:
    std::unique_ptr<KrNumLed_imp> m_imp;
    lumen::NumLedStyle m_style = lumen::nledRectangle7_s;
};

}  // namespace kr
