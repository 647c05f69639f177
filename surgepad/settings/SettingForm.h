#pragma once
// TSettingForm: the settings window. A borderless, topmost window shaped after its
// skin by a colour key (magenta around the panel) and faded through the layered
// window's overall opacity; dragged by its background. Created hidden at start-up with
// opacity 0. Every control's pictures are composed over the skin once, here, at the
// control's final place, so the controls paint plain opaque pictures.
//
// What the window does (opening, closing, loading and storing the settings) is the
// view's work (SettingView.h); the form holds the controls and the drawing steps the
// opening and closing animation asks for.

#include <array>
#include <cstdint>
#include <memory>

#include "kr/KrButton.h"
#include "kr/KrCheckBox.h"
#include "kr/KrLabel.h"
#include "lumen/widget/Flicker.h"
#include "lumen/widget/TShapedForm.h"
#include "surgepad/settings/LayoutExpandThread.h"
#include "surgepad/settings/LogoChangeThread.h"
#include "surgepad/settings/ShapedFormSites.h"
#include "surgepad/settings/SkinComboBox.h"
#include "ui/Form.h"
#include "ui/Image.h"
#include "ui/Label.h"

namespace surgepad {

class TSettingView;

inline constexpr char kSettingSkinPicture[] = "setting_bg.png";
// The skin's font; a language whose script it lacks names its own (MultiLang::FontFace).
inline constexpr char kSettingFontFace[] = "Arial";
inline constexpr int kSettingWidth = 329;
inline constexpr int kSettingHeight = 373;
// Distance of the opened window from the work area's right and bottom edges.
inline constexpr int kSettingRightGap = 20;
inline constexpr int kSettingBottomGap = 5;
// Title colours: the action's titles, and the option titles while the power action
// leaves the options without effect.
inline constexpr COLORREF kTitleColor = RGB(218, 218, 218);
inline constexpr COLORREF kTitleDisabledColor = RGB(128, 128, 128);
inline constexpr COLORREF kSettingButtonTextColor = RGB(200, 196, 213);
inline constexpr COLORREF kHeadingColor = RGB(219, 219, 219);
inline constexpr uint8_t kHeadingShadeAlpha = 200;

// The three section headings: text key and place (the French heading of the first
// section starts further left: its text is longer).
struct HeadingPlace {
    const char* key;
    int left;
    int top;
};
inline constexpr HeadingPlace kHeadings[3] = {{"PowerButtonAction", 143, 51},
                                              {"DisplaySetting", 27, 164},
                                              {"SurgepadProfile", 27, 228}};
inline constexpr int kFrenchActionHeadingLeft = 123;
// Heading heights: the skin's, and the smaller one of French and of any language whose
// first heading would not fit its place at the skin's.
inline constexpr int kHeadingHeight = -13;
inline constexpr int kSmallHeadingHeight = -11;
// The panel's texts end where its dividing lines end.
inline constexpr int kSettingTextRight = 312;
inline constexpr POINT kProfileListPlace = {75, 260};

class TSettingForm : public ui::Form, public LogoTarget, public LayoutCanvas {
public:
    TSettingForm();
    ~TSettingForm() override;

    // The working copy of the skin, redrawn by the opening and closing animation.
    ui::Image Background;
    // The complete skin (24 bits) and the drop-down panel's three pieces; never shown.
    ui::Image BkSave;
    ui::Image ComboBoxTop;
    ui::Image ComboBoxBody;
    ui::Image ComboBoxBottom;
    ui::Image PowerLogo;
    kr::KrRadioButton RadioPower;
    kr::KrRadioButton RadioTurbo;
    ui::Label PowerTitle;
    ui::Label TurboTitle;
    kr::KrCheckBox CheckOsd;
    kr::KrCheckBox CheckStatus;
    ui::Label OsdTitle;
    ui::Label StatusTitle;
    kr::KrButtonTx ApplyButton;
    kr::KrButtonTx CancelButton;
    kr::KrButton CloseButton;
    std::array<std::unique_ptr<kr::KrLabel>, 3> Headings;
    std::unique_ptr<SkinComboBox> ProfileList;

    TSettingView& View() { return *m_view; }

    // The overall opacity of the window (the colour key stays).
    void SetAlpha(uint8_t alpha);
    uint8_t Alpha() const { return m_alpha; }
    // The animation's drawing steps (GUI thread): copy the skin's rows [from, to) into
    // the working copy; put the skin's bottom strip at row `y` with everything below it
    // transparent.
    StripGeometry Geometry() override;
    void DrawRows(int from, int to) override;
    void DrawStrip(int y) override;
    // Every control of the window (headings, logo, buttons, titles, boxes, the list)
    // shown or hidden together.
    void ShowControls(bool visible) override;
    // The window's opacity and its shadow's.
    void SetAlphas(uint8_t alpha) override;
    void HideShadow() override;

    // Where the window opens: the corner of the work area next to the notification
    // area, on the monitor that holds the taskbar; its DPI in `dpi`.
    static POINT OpeningPlace(int* dpi = nullptr);
    // Makes the window's skin at `dpi`: at its first opening (a window never opened
    // holds no skin pictures, nor does its shadow), and again for a monitor of another
    // scale: pictures, places and fonts; the choices shown, the place and the opacity stay.
    void FollowDpi(int dpi);
    bool Skinned() const { return m_skinned; }
    // Makes the skin for the place where the window opens, unless it is made.
    void MakeSkinAhead();
    // The language was chosen anew: every text, its font and the headings' places again.
    void LanguageChanged();

    // LogoTarget: the logo sits on the complete skin.
    const lumen::Bitmap& BackgroundCanvas() override { return BkSave.Picture(); }
    lumen::Point LogoPosition() override { return {PowerLogo.Left(), PowerLogo.Top()}; }
    void SetLogoPicture(const lumen::Bitmap& frame) override { PowerLogo.SetPicture(frame); }

protected:
    void FormMove() override;
    void DpiChanged(int dpi) override;
    void MouseDown(ui::MouseButton button, ui::ShiftState shift, int x, int y) override;
    void MouseUp(ui::MouseButton button, ui::ShiftState shift, int x, int y) override;
    void KeyDown(WORD& key, ui::ShiftState shift) override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void BuildSkin();
    void LoadSkinPictures();
    void SetUpControls();
    void PlaceControls();
    void SkinControls();
    void CreateHeadings();
    void LayoutHeadings();
    // Whether the first heading's text, in its font at the skin's height, is wider than
    // its place.
    bool FirstHeadingTooWide();
    void CreateProfileList();
    void ApplyTexts();
    // The title label under (x, y), or null.
    ui::Label* TitleAt(int x, int y);

    FormSite m_formSite;
    BackgroundSite m_backgroundSite;
    // Declared after the background: its drag delegate gives the image's press handler
    // back when it goes.
    lumen::TLayeredFormMaker m_shaper;
    lumen::FlickerEliminator m_flicker;
    uint8_t m_alpha = 0;
    bool m_skinned = false;
    bool m_smallHeadings = false;
    ui::Label* m_pressedTitle = nullptr;
    std::unique_ptr<TSettingView> m_view;
};

extern TSettingForm* SettingForm;

}  // namespace surgepad
