#pragma once
// TSettingShadowForm: the soft drop shadow of the settings window, a pop-up owned by
// it. The settings window drives it: it fades it with its own opacity, shows it once
// it is fully open, hides it when it starts closing, and moves it with itself.

#include "surgepad/settings/ShadowForm.h"

namespace surgepad {

inline constexpr char kSettingShadowPicture[] = "bg_shadow01.png";

class TSettingShadowForm : public TShadowForm {
public:
    explicit TSettingShadowForm(ui::Form& owner);

    // Once at start-up, after every window exists: the shadow of kSettingShadowPicture,
    // click-through, at the settings window's top-left.
    void Prepare();
};

extern TSettingShadowForm* SettingShadowForm;

}  // namespace surgepad
