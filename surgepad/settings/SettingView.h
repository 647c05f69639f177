#pragma once
// TSettingView: what the settings window does. It loads the stored settings into the
// controls, reacts to them (the chosen action greys the options out and cross-fades
// the logo; any change enables Apply), stores them on Apply, and opens and closes the
// window with its animation. One instance, owned by the settings window; every
// handler runs on the GUI thread.
//
// The window is closed, opening, open or closing. An open asked for while it closes,
// or a close (Escape, the close button, Cancel, Apply, a command) while it opens, runs
// when that animation has ended; asked for again in the same state, it does nothing.
// The view owns its animation and cross-fade threads: Shutdown ends them, their last
// step included, before the window can go.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "lumen/core/Handle.h"
#include "surgepad/settings/SettingViewInterface.h"
#include "ui/Control.h"
#include "ui/Thread.h"

namespace surgepad {

class TSettingForm;
class OwnerDrawListBox;
class TLayoutExpandThread;
class TLogoChangeThread;

enum class SettingWindowState { Closed, Opening, Open, Closing };

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

    // The logo again at the window's current scale.
    void RedrawLogo();
    // The logo shown at once (while a cross-fade runs: the fade turns toward it), or
    // cross-faded to. The window keeps taking input during a fade; a second change
    // turns the running fade, it never starts another over it.
    void SetLogo(int index);
    void ChangeLogo(int index);
    int LogoIndex() const { return m_logoIndex; }
    SettingWindowState State() const { return m_state; }

    // The chosen action's consequences: the options follow it, Apply is enabled.
    void ActionChosen(int action);
    void FillProfileList();

    // Set while no animation runs.
    HANDLE LayoutDone() const { return m_layoutDone.get(); }
    // Ends the running animation and cross-fade, waiting for their last steps; the
    // window's handlers do nothing more afterwards. Called before the window goes.
    void Shutdown();

private:
    void StartAnimation(bool expand);
    // The end of an animation that could not be run: the window as it would stand.
    void FinishWithoutAnimation(bool expand);
    // Tells the user, in the dialog of the program's own skin, that the turbo action
    // cannot be chosen now.
    void RefuseTurbo();
    void LayoutEnded(ui::Thread& thread);
    void Opened();
    void Closed();
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
    std::unique_ptr<TLayoutExpandThread> m_layout;
    std::unique_ptr<TLogoChangeThread> m_fade;
    std::unique_ptr<TLayoutExpandThread> m_endedLayout;
    std::unique_ptr<TLogoChangeThread> m_endedFade;
    SettingWindowState m_state = SettingWindowState::Closed;
    bool m_openWhenClosed = false;
    bool m_closeWhenOpen = false;
    bool m_fading = false;
    bool m_shutDown = false;
    int m_logoIndex = 0;
    bool m_started = false;
};

}  // namespace surgepad
