#pragma once
// The appearance objects of the skinned controls: groups of state bitmaps exposed as
// properties, and the per-state font colours of the captioned controls.

#include <string>

#include "lumen/graphics/Bitmap.h"
#include "ui/Callback.h"
#include "ui/Font.h"

namespace kr {

class KrCustomControl;

// Reads and writes the state bitmaps of one control.
class KrCtrlAppearance {
public:
    explicit KrCtrlAppearance(KrCustomControl& control) : m_control(control) {}
    KrCustomControl& Control() const { return m_control; }

    lumen::Bitmap& GetBitmap(int index) const;
    // Copies `bitmap` into state `index`. For state 0 the control's transparent colour
    // first becomes the bitmap's (its bottom-left pixel unless set otherwise).
    void SetBitmap(int index, const lumen::Bitmap& bitmap);

private:
    KrCustomControl& m_control;
};

enum ButtonState { bsRaised = 0, bsSunken = 1, bsFocused = 2, bsDisabled = 3 };

// Four state bitmaps from `base` on: raised, sunken, focused, disabled.
class KrFourStateAppearance : public KrCtrlAppearance {
public:
    KrFourStateAppearance(KrCustomControl& control, int base) : KrCtrlAppearance(control), m_base(base) {}
    int Base() const { return m_base; }

    lumen::Bitmap& RaisedBmp() const { return GetBitmap(m_base + bsRaised); }
    lumen::Bitmap& SunkenBmp() const { return GetBitmap(m_base + bsSunken); }
    lumen::Bitmap& FocusedBmp() const { return GetBitmap(m_base + bsFocused); }
    lumen::Bitmap& DisabledBmp() const { return GetBitmap(m_base + bsDisabled); }
    void SetRaisedBmp(const lumen::Bitmap& b) { SetBitmap(m_base + bsRaised, b); }
    void SetSunkenBmp(const lumen::Bitmap& b) { SetBitmap(m_base + bsSunken, b); }
    void SetFocusedBmp(const lumen::Bitmap& b) { SetBitmap(m_base + bsFocused, b); }
    void SetDisabledBmp(const lumen::Bitmap& b) { SetBitmap(m_base + bsDisabled, b); }

    // Copies the four bitmaps of `other`.
    void Assign(const KrFourStateAppearance& other);

    // Loads the named BMP files of `folder` into the states; an empty name leaves its
    // state as it is. A file that cannot be read throws the framework's error.
    bool LoadBitmap(const std::string& folder, const std::string& raised, const std::string& sunken,
                    const std::string& focused, const std::string& disabled);

private:
    int m_base;
};

// Per-state font colours; -1 means the control's font colour. A setter stores a
// colour only when it differs and then tells the owner.
class KrCtrlFontColor {
public:
    KrCtrlFontColor() = default;
    KrCtrlFontColor(const KrCtrlFontColor&) = delete;
    KrCtrlFontColor& operator=(const KrCtrlFontColor&) = delete;
    ~KrCtrlFontColor() { OnChange = {}; }

    ui::Callback<> OnChange;

protected:
    void Store(ui::Color& field, ui::Color value) {
        if (field != value) {
            field = value;
            OnChange();
        }
    }
};

class KrTwoStateFontColor : public KrCtrlFontColor {
public:
    ui::Color Focused() const { return m_focused; }
    ui::Color Disabled() const { return m_disabled; }
    void SetFocused(ui::Color c) { Store(m_focused, c); }
    void SetDisabled(ui::Color c) { Store(m_disabled, c); }
    void Assign(const KrTwoStateFontColor& other) {
        m_focused = other.m_focused;
        m_disabled = other.m_disabled;
        OnChange();
    }

private:
    ui::Color m_focused = ui::clNone;
    ui::Color m_disabled = ui::clNone;
};

class KrThreeStateFontColor : public KrCtrlFontColor {
public:
    ui::Color Sunken() const { return m_sunken; }
    ui::Color Focused() const { return m_focused; }
    ui::Color Disabled() const { return m_disabled; }
    void SetSunken(ui::Color c) { Store(m_sunken, c); }
    void SetFocused(ui::Color c) { Store(m_focused, c); }
    void SetDisabled(ui::Color c) { Store(m_disabled, c); }
    void Assign(const KrThreeStateFontColor& other) {
        m_sunken = other.m_sunken;
        m_focused = other.m_focused;
        m_disabled = other.m_disabled;
        OnChange();
    }

private:
    ui::Color m_sunken = ui::clNone;
    ui::Color m_focused = ui::clNone;
    ui::Color m_disabled = ui::clNone;
};

}  // namespace kr
