#pragma once
// TOsdAnimationThread: one fade of the on-screen display or of the status badge, 50
// steps over 2500 ms, then the completion action, then the busy flag is cleared.
// The thread sleeps until each step boundary instead of spinning on the tick count,
// so a fade costs next to no processor time.
//
// The thread reaches the program's windows only through FadeTargets, whose default
// hands every step to the GUI thread (ui::Application::Synchronize), where the windows
// are looked up afresh: at exit they are forgotten there before they are destroyed, so
// a fade that outlives them draws nothing instead of touching freed windows.

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "ui/Callback.h"
#include "ui/Thread.h"

namespace surgepad {

// How long the warning page stays at full opacity before it fades.
inline constexpr uint32_t kWarningHoldMilliseconds = 10000;

enum AnimTarget : uint8_t {
    AnimNone = 0,
    AnimOsd = 1,
    AnimStatus = 2,
};

// Completion action: called as code(context, 0) on the animation thread.
using OsdDoneAction = ui::Callback<int>;

// 1 while an animation thread runs (set by exchange before it starts, cleared by
// exchange as its very last action).
extern std::atomic<int32_t> OsdBusy;
// Called on the animation thread right after it cleared the busy flag (null: nobody is
// told): an effect, and the switch it carried, is over.
extern std::atomic<void (*)()> OsdEffectEnded;

// What a fade drives. The program's own windows by default (OsdDisplay, StatusDisplay).
class FadeTargets {
public:
    virtual ~FadeTargets() = default;
    virtual void OsdSetAlpha(uint8_t alpha) = 0;
    virtual void OsdHide() = 0;
    virtual void StatusShowAt(uint8_t alpha) = 0;
    virtual void StatusSetAlpha(uint8_t alpha) = 0;
    virtual void StatusHide() = 0;
    // Puts the warning page up at full opacity (after a failed switch).
    virtual void OsdShowWarning() {}
};
FadeTargets& DisplayFadeTargets();

// The system's millisecond tick count (GetTickCount by default).
using TickSource = uint32_t (*)();

class TOsdAnimationThread final : public ui::Thread {
public:
    explicit TOsdAnimationThread(uint32_t delay = 0);

    OsdDoneAction OnDone;
    uint32_t Delay = 0;
    AnimTarget Target = AnimOsd;
    uint8_t FadeOut = 1;
    FadeTargets* Targets = &DisplayFadeTargets();
    TickSource Tick = &DefaultTick;
    // Manual-reset event set once the completion action has returned (or failed), before
    // any warning that follows it; null when nobody waits for it.
    HANDLE Settled = nullptr;

    static uint32_t DefaultTick() { return GetTickCount(); }

    // Called by a completion action on its animation thread: once it has returned, the
    // warning page is shown, held and faded out as by OsdManager::PlayWarning, and the
    // busy flag clears only after that. False when not called on an animation thread.
    static bool WarnWhenDone();

protected:
    void Execute() override;

private:
    void Fade(AnimTarget target, bool fadeOut, uint32_t delay);
    void ApplyAlpha(AnimTarget target, int alpha);
    bool m_warnWhenDone = false;
};

}  // namespace surgepad
