#include "surgepad/OsdAnimationThread.h"

#include "surgepad/FadeSteps.h"
#include "surgepad/OsdDisplay.h"
#include "surgepad/StatusDisplay.h"

namespace surgepad {

std::atomic<int32_t> OsdBusy{0};

namespace {

class WindowFadeTargets final : public FadeTargets {
public:
    void OsdSetAlpha(uint8_t alpha) override { OsdDisplay::Instance().SetAlpha(alpha); }
    void OsdHide() override { OsdDisplay::Instance().Hide(); }
    void StatusShowAt(uint8_t alpha) override { StatusDisplay::Instance().ShowAt(alpha); }
    void StatusSetAlpha(uint8_t alpha) override { StatusDisplay::Instance().SetAlpha(alpha); }
    void StatusHide() override { StatusDisplay::Instance().Hide(); }
};

}  // namespace

FadeTargets& DisplayFadeTargets() {
    static auto* targets = new WindowFadeTargets;
    return *targets;
}

TOsdAnimationThread::TOsdAnimationThread(uint32_t delay) : Delay(delay) {}

void TOsdAnimationThread::ApplyAlpha(int alpha) {
    const auto a = static_cast<uint8_t>(alpha);
    if (Target == AnimOsd) {
        Targets->OsdSetAlpha(a);
    } else if (Target == AnimStatus) {
        Targets->StatusSetAlpha(a);
    }
}

void TOsdAnimationThread::Execute() {
    const int maximum = Target == AnimStatus ? kStatusMaximumAlpha : kOsdMaximumAlpha;
    const bool fadeOut = FadeOut != 0;
    if (Target == AnimStatus && !fadeOut) {
        Targets->StatusShowAt(0);
    }
    Sleep(Delay);

    // Every step boundary is waited for with a plain sleep. A step whose boundary was
    // overslept (the thread starved) is not replayed: the clock hands out the current
    // step only. The difference of two tick counts stays right across the counter's
    // wrap.
    const uint32_t start = Tick();
    uint32_t elapsed = 0;
    FadeClock clock;
    while (!FadeClock::Finished(elapsed)) {
        if (const auto step = clock.Due(elapsed)) {
            ApplyAlpha(FadeAlpha(maximum, *step, fadeOut));
        }
        elapsed = TickDifference(Tick(), start);
        const uint32_t wait = FadeClock::WaitForNextStep(elapsed);
        if (wait != 0) {
            Sleep(wait);
            elapsed = TickDifference(Tick(), start);
        }
    }

    if (fadeOut) {
        if (Target == AnimOsd) {
            Targets->OsdHide();
        } else if (Target == AnimStatus) {
            Targets->StatusHide();
        }
    }
    if (OnDone) {
        OnDone(0);
    }
    OsdBusy.exchange(0);
}

}  // namespace surgepad
