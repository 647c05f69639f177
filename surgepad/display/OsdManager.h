#pragma once
// OsdManager: what the controller and the settings window ask of the on-screen
// display and the status badge. Every effect runs on its own TOsdAnimationThread; the
// busy flag stays set until that thread's completion action has returned, so two
// switches never overlap.

#include <cstdint>

#include "lumen/core/Handle.h"
#include "surgepad/display/OsdAnimationThread.h"
#include "surgepad/display/OsdDisplay.h"
#include "surgepad/button/SwitchTimes.h"

namespace surgepad {

// The longest a running switch is waited for (SwitchTimes.h).
inline constexpr uint32_t kSwitchFinishWaitMs = kSwitchWaitMs;

class OsdManager {
public:
    // Created on first use, never destroyed; no state of its own.
    static OsdManager& Instance();

    // The badge's picture, then the display's pages. Once, after every window exists.
    void LoadPages();
    // The warning page (PageWarning, or PageBatteryWarning) held and faded out.
    void PlayWarning(int page = PageWarning);
    void PlayTurboOn(bool osdEnabled, bool statusEnabled, OsdDoneAction onDone);
    void PlayTurboOff(bool osdEnabled, bool statusEnabled, OsdDoneAction onDone);
    void ShowStatus();
    void HideStatus();
    bool IsBusy() const { return OsdBusy.load() == 1; }
    // GUI thread: waits until no switch's completion action is pending or running, at
    // most `timeoutMs`, still handling the steps the animation thread hands over. True
    // when none is (any more). Exit and power events call it so that a batch of
    // firmware writes is never cut in half or interleaved with other writes. A warning
    // page (no completion action) is not waited for.
    [[nodiscard]] bool WaitForSwitch(uint32_t timeoutMs = kSwitchFinishWaitMs);
    // A completion action's way to report that its switch failed: the warning page
    // follows the effect, and presses stay ignored until it has faded. Animation thread.
    static void WarnAfterThisSwitch();

    // Where the fades go; the program's own windows unless a test says otherwise.
    FadeTargets* Targets = &DisplayFadeTargets();

private:
    OsdManager();
    void Start(uint32_t delay, AnimTarget target, bool fadeOut, OsdDoneAction onDone);

    // Set while no completion action is pending.
    lumen::UniqueHandle m_switchSettled;
};

}  // namespace surgepad
