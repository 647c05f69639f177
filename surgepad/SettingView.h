#pragma once
// TSettingView: what the settings window does. It loads the stored settings into the
// controls, reacts to them (the chosen action greys the options out and cross-fades
// the logo; any change enables Apply), stores them on Apply, and opens and closes the
// window with its animation. One instance, owned by the settings window; every
// handler runs on the GUI thread.
//
// LayoutDone serialises the animations: each Open or Close waits for it (at most
// kLayoutWaitMs, then starts anyway) and each animation sets it again as its last act.

#include <windows.h>

#include <cstdint>
#include <string>

#include "lumen/core/Handle.h"
#include "surgepad/ButtonController.h"
#include "ui/Control.h"
#include "ui/Thread.h"

namespace surgepad {

class TSettingForm;
class OwnerDrawListBox;

inline constexpr DWORD kLayoutWaitMs = 5000;

class TSettingView final : public SettingViewInterface {
public:
    explicit TSettingView(TSettingForm& form);
    ~TSettingView() override;
    TSettingView(const TSettingView&) = delete;
    TSettingView& operator=(const TSettingView&) = delete;

    // SettingViewInterface.
    void Start() override;
    void Open() override;
    void LoadState() override;

    // Installs the controls' handlers (inside Start).
    void Wire();
    // Closes the window with its animation (close button, Apply, Cancel, Escape).
    void Close();
    // Stores the window's choices, then closes it. Refuses the turbo action, with a
    // message, while the power button cannot be taken over.
    void Apply();

    // The logo shown at once, or cross-faded to (the window takes no input meanwhile).
    void SetLogo(int index);
    void ChangeLogo(int index);
    int LogoIndex() const { return m_logoIndex; }

    // The chosen action's consequences: the options follow it, Apply is enabled.
    void ActionChosen(int action);
    void FillProfileList();

    // Set while no animation runs.
    HANDLE LayoutDone() const { return m_layoutDone.get(); }
    // Waits (handling sent messages) for a running animation to end; false after
    // `timeoutMs` without it.
    bool WaitForLayout(DWORD timeoutMs);

private:
    void StartAnimation(bool expand);
    // Tells the user, in the dialog of the program's own skin, that the turbo action
    // cannot be chosen now.
    void RefuseTurbo();
    void Opened(ui::Thread&);
    void Closed(ui::Thread&);
    // Handlers.
    void RadioClick(ui::Control& control);
    void ActionTitleClick(ui::Control& control);
    void OptionTitleClick(ui::Control& control);
    void EnableApply(ui::Control&);
    void ProfileChanged(OwnerDrawListBox&);
    void CloseClick(ui::Control&) { Close(); }
    void ApplyClick(ui::Control&) { Apply(); }
    void LogoChanged(ui::Thread&);

    TSettingForm& m_form;
    lumen::UniqueHandle m_layoutDone;
    int m_logoIndex = 0;
    bool m_started = false;
};

}  // namespace surgepad
