#pragma once
// TPwrBtnChangeFrom: the dialog telling the user that the system's power-button
// setting was changed by another program while Surgepad held the button. A small
// skinned window in the top-left corner of the screen: topmost, without a taskbar
// button, shaped after its background picture by a colour key and dragged by it. It
// does not wait for the user: OK and the close button only hide it again.

#include <string>

#include "kr/KrButton.h"
#include "lumen/widget/Flicker.h"
#include "lumen/widget/TShapedForm.h"
#include "surgepad/settings/ShapedFormSites.h"
#include "ui/Form.h"
#include "ui/Image.h"
#include "ui/Label.h"

namespace surgepad {

inline constexpr char kPwrBtnDialogPicture[] = "dialog_bg.png";
// Where ShowMessage puts the dialog, wherever it was dragged before.
inline constexpr POINT kPwrBtnDialogPlace = {10, 10};
inline constexpr RECT kPwrBtnMessageBounds = {120, 48, 120 + 177, 48 + 105};
inline constexpr RECT kPwrBtnOkBounds = {218, 170, 218 + 78, 170 + 21};
inline constexpr RECT kPwrBtnCloseBounds = {261, 9, 261 + 44, 9 + 20};
// The texts' colour, RGB 200, 196, 213.
inline constexpr COLORREF kPwrBtnTextColor = RGB(200, 196, 213);
// The close button's pictures are cut out of this colour.
inline constexpr COLORREF kPwrBtnCloseKey = RGB(0x69, 0x69, 0x6B);

class TPwrBtnChangeFrom : public ui::Form {
public:
    TPwrBtnChangeFrom();
    ~TPwrBtnChangeFrom() override;

    // Shows `text` without waiting for the user: topmost, at kPwrBtnDialogPlace. A
    // dialog already shown just takes the new text.
    void ShowMessage(const std::string& text);
    // Shows the translation of `key`, which follows a change of language while shown.
    void ShowText(const char* key);
    // The language was chosen anew: the message's font, the close button's hint, and
    // the message shown, when it came from a key.
    void LanguageChanged();
    // Both buttons: hides the dialog.
    void OkButtonClick();

    ui::Image Background;
    ui::Label Message;
    kr::KrButtonTx OkButton;
    kr::KrButton CloseButton;

    // Null when the skin's background could not be read (the dialog is then plain).
    const lumen::TLayeredFormMaker* Shaper() const { return m_shaper.IsAttached() ? &m_shaper : nullptr; }

protected:
    void FormMove() override;
    void DpiChanged(int dpi) override;
    void MouseDown(ui::MouseButton button, ui::ShiftState shift, int x, int y) override;

private:
    // Takes `dpi` as the dialog's and makes its pictures and places for it: at the first
    // show (a hidden dialog holds none), and again when they were made for another scale.
    void FollowDpi(int dpi);
    void PlaceButtons();
    void SkinBackground();
    void SkinButtons();
    void SetUpButtons();
    void SetUpMessage();
    void ButtonClick(ui::Control&) { OkButtonClick(); }

    FormSite m_formSite;
    BackgroundSite m_backgroundSite;
    // Declared after the background: its drag delegate gives the image's press handler
    // back when it goes.
    lumen::TLayeredFormMaker m_shaper;
    lumen::FlickerEliminator m_flicker;
    int m_skinDpi = 0;                // the dialog's pictures were made for this DPI; 0 before its first show
    const char* m_textKey = nullptr;  // the key of the message shown, if it came from one
};

extern TPwrBtnChangeFrom* PwrBtnChangeFrom;

}  // namespace surgepad
