#pragma once
// Step arithmetic of the picture effects: the fades of the on-screen display and the
// status badge (50 steps over 2500 ms) and the settings logo's cross-fade (31 frames).
// Exact integer arithmetic: a product that is whole, such as 5.1 x 10, stays whole.

#include <cstdint>
#include <optional>

namespace surgepad {

constexpr uint32_t kFadeSteps = 50;
constexpr uint32_t kFadeMilliseconds = 2500;
constexpr uint32_t kFadeStepMilliseconds = kFadeMilliseconds / kFadeSteps;
constexpr int kOsdMaximumAlpha = 255;
constexpr int kStatusMaximumAlpha = 120;
constexpr int kLogoFrames = 31;

// Opacity of fade step `step` (1..49 are applied): the maximum times n / 50,
// truncated, n = 50 - step when fading out and step when fading in.
int FadeAlpha(int maximum, uint32_t step, bool fadeOut);

// Milliseconds between two tick counts, harmless across the counter's wrap.
constexpr uint32_t TickDifference(uint32_t now, uint32_t start) {
    return now - start;
}

// The fade's clock: which step is due at `elapsed` ms, given the last step applied.
// Skipped steps are not replayed; the next update jumps to the current step.
class FadeClock {
public:
    // The step to apply now, or nothing when the current step was already applied
    // (step 0 never is).
    std::optional<uint32_t> Due(uint32_t elapsed);
    // How long to wait from `elapsed` until the next step boundary; 0 when the fade
    // is over.
    static uint32_t WaitForNextStep(uint32_t elapsed);
    static bool Finished(uint32_t elapsed) { return elapsed >= kFadeMilliseconds; }

private:
    uint32_t m_lastStep = 0;
};

// Weight of the old logo in cross-fade frame `frame` (0..30): 255 down to 0.
int LogoWeight(int frame);

}  // namespace surgepad
