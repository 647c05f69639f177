#include "surgepad/display/OsdAnimationThread.h"

#include <exception>

#include "lumen/core/DebugTrace.h"
#include "surgepad/look/FadeSteps.h"
#include "surgepad/display/OsdDisplay.h"
#include "surgepad/display/StatusDisplay.h"
#include "ui/Application.h"

namespace surgepad {

std::atomic<int32_t> OsdBusy{0};
std::atomic<void (*)()> OsdEffectEnded{nullptr};

namespace {

thread_local TOsdAnimationThread* t_current = nullptr;

// Every step runs on the GUI thread, which alone creates, forgets and destroys the
// windows; the displays check their form there.
class WindowFadeTargets final : public FadeTargets {
public:
    void OsdSetAlpha(uint8_t alpha) override {
        ui::App().Synchronize([alpha] { OsdDisplay::Instance().SetAlpha(alpha); });
    }
    void OsdHide() override {
        ui::App().Synchronize([] { OsdDisplay::Instance().Hide(); });
    }
    void StatusShowAt(uint8_t alpha) override {
        ui::App().Synchronize([alpha] { StatusDisplay::Instance().ShowAt(alpha); });
    }
    void StatusSetAlpha(uint8_t alpha) override {
        ui::App().Synchronize([alpha] { StatusDisplay::Instance().SetAlpha(alpha); });
    }
    void StatusHide() override {
        ui::App().Synchronize([] { StatusDisplay::Instance().Hide(); });
    }
    void OsdShowWarning() override {
        ui::App().Synchronize([] { OsdDisplay::Instance().ShowPage(PageWarning); });
    }
};

}  // namespace

FadeTargets& DisplayFadeTargets() {
    static auto* targets = new WindowFadeTargets;
    return *targets;
}

TOsdAnimationThread::TOsdAnimationThread(uint32_t delay) : Delay(delay) {}

bool TOsdAnimationThread::WarnWhenDone() {
    if (t_current == nullptr) {
        return false;
    }
    t_current->m_warnWhenDone = true;
    return true;
}

void TOsdAnimationThread::ApplyAlpha(AnimTarget target, int alpha) {
    const auto a = static_cast<uint8_t>(alpha);
    if (target == AnimOsd) {
        Targets->OsdSetAlpha(a);
    } else if (target == AnimStatus) {
        Targets->StatusSetAlpha(a);
    }
}

void TOsdAnimationThread::Fade(AnimTarget target, bool fadeOut, uint32_t delay) {
    const int maximum = target == AnimStatus ? kStatusMaximumAlpha : kOsdMaximumAlpha;
    if (target == AnimStatus && !fadeOut) {
        Targets->StatusShowAt(0);
    }
    lumen::Trace("display: %s %s after %u ms",
                 target == AnimOsd      ? "page"
                 : target == AnimStatus ? "badge"
                                        : "nothing",
                 fadeOut ? "fades out" : "fades in", delay);
    Sleep(delay);

    // Every step boundary is waited for with a plain sleep. A step whose boundary was
    // overslept (the thread starved) is not replayed: the clock hands out the current
    // step only. The difference of two tick counts stays right across the counter's
    // wrap.
    const uint32_t start = Tick();
    uint32_t elapsed = 0;
    FadeClock clock;
    while (!FadeClock::Finished(elapsed)) {
        if (const auto step = clock.Due(elapsed)) {
            ApplyAlpha(target, FadeAlpha(maximum, *step, fadeOut));
        }
        elapsed = TickDifference(Tick(), start);
        const uint32_t wait = FadeClock::WaitForNextStep(elapsed);
        if (wait != 0) {
            Sleep(wait);
            elapsed = TickDifference(Tick(), start);
        }
    }

    if (fadeOut) {
        if (target == AnimOsd) {
            Targets->OsdHide();
        } else if (target == AnimStatus) {
            Targets->StatusHide();
        }
    }
}

void TOsdAnimationThread::Execute() {
    t_current = this;
    // Whatever fails in the effect or in the completion action, the busy flag clears at
    // the end: a failed switch must never leave every later press ignored.
    try {
        Fade(Target, FadeOut != 0, Delay);
        if (OnDone) {
            OnDone(0);
        }
    } catch (const std::exception& e) {
        lumen::Trace("error: display effect or its completion failed: %s", e.what());
    } catch (...) {
        lumen::Trace("error: display effect or its completion failed");
    }
    if (Settled != nullptr) {
        SetEvent(Settled);
    }
    if (m_warnWhenDone) {
        try {
            Targets->OsdShowWarning();
            Fade(AnimOsd, true, kWarningHoldMilliseconds);
        } catch (...) {
            lumen::Trace("error: the warning after a failed switch could not be shown");
        }
    }
    t_current = nullptr;
    OsdBusy.exchange(0);
    lumen::Trace("display: the effect has ended; presses are taken again");
    if (void (*ended)() = OsdEffectEnded.load()) {
        ended();
    }
}

}  // namespace surgepad
