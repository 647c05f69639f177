#include "surgepad/look/FadeSteps.h"

namespace surgepad {

int FadeAlpha(int maximum, uint32_t step, bool fadeOut) {
    if (step > kFadeSteps) {
        step = kFadeSteps;
    }
    const int n = static_cast<int>(fadeOut ? kFadeSteps - step : step);
    const int alpha = maximum * n / static_cast<int>(kFadeSteps);
    return alpha < maximum ? alpha : maximum;
}

std::optional<uint32_t> FadeClock::Due(uint32_t elapsed) {
    if (Finished(elapsed)) {
        return std::nullopt;
    }
    const uint32_t step = elapsed / kFadeStepMilliseconds;
    if (step <= m_lastStep) {
        return std::nullopt;
    }
    m_lastStep = step;
    return step;
}

uint32_t FadeClock::WaitForNextStep(uint32_t elapsed) {
    if (Finished(elapsed)) {
        return 0;
    }
    return kFadeStepMilliseconds - elapsed % kFadeStepMilliseconds;
}

int LogoWeight(int frame) {
    if (frame < 0) {
        frame = 0;
    }
    if (frame > kLogoFrames - 1) {
        frame = kLogoFrames - 1;
    }
    return (kLogoFrames - 1 - frame) * 255 / (kLogoFrames - 1);
}

}  // namespace surgepad
