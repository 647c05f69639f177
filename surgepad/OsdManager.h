#pragma once
// OsdManager: what the controller and the settings window ask of the on-screen
// display and the status badge. Every effect runs on its own TOsdAnimationThread; the
// busy flag stays set until that thread's completion action has returned, so two
// switches never overlap.

#include <cstdint>

#include "surgepad/OsdAnimationThread.h"

namespace surgepad {

inline constexpr uint32_t kWarningHoldMilliseconds = 10000;

class OsdManager {
public:
    // Created on first use, never destroyed; no state of its own.
    static OsdManager& Instance();

    // The badge's picture, then the display's pages. Once, after every window exists.
    void LoadPages();
    void PlayWarning();
    void PlayTurboOn(bool osdEnabled, bool statusEnabled, OsdDoneAction onDone);
    void PlayTurboOff(bool osdEnabled, bool statusEnabled, OsdDoneAction onDone);
    void ShowStatus();
    void HideStatus();
    bool IsBusy() const { return OsdBusy.load() == 1; }

    // Where the fades go; the program's own windows unless a test says otherwise.
    FadeTargets* Targets = &DisplayFadeTargets();

private:
    void Start(uint32_t delay, AnimTarget target, bool fadeOut, OsdDoneAction onDone);
};

}  // namespace surgepad
