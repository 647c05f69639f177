#pragma once
// TOsdAnimationThread: one fade of the on-screen display or of the status badge, 50
// steps over 2500 ms, then the completion action, then the busy flag is cleared.
// The thread sleeps until each step boundary instead of spinning on the tick count,
// so a fade costs next to no processor time.

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "ui/Callback.h"
#include "ui/Thread.h"

namespace surgepad {

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

// What a fade drives. The program's own windows by default (OsdDisplay, StatusDisplay).
class FadeTargets {
public:
    virtual ~FadeTargets() = default;
    virtual void OsdSetAlpha(uint8_t alpha) = 0;
    virtual void OsdHide() = 0;
    virtual void StatusShowAt(uint8_t alpha) = 0;
    virtual void StatusSetAlpha(uint8_t alpha) = 0;
    virtual void StatusHide() = 0;
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

    static uint32_t DefaultTick() { return GetTickCount(); }

protected:
    void Execute() override;

private:
    void ApplyAlpha(int alpha);
};

}  // namespace surgepad
