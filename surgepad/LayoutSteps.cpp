#include "surgepad/LayoutSteps.h"

#include <algorithm>

namespace surgepad {

StripRows StripPlacement(int y) {
    y = std::clamp(y, 0, kStripTop);
    return StripRows{y, y + kStripRows, y + kStripRows, kSkinHeight};
}

std::vector<StripStep> OpeningStrips() {
    std::vector<StripStep> steps;
    steps.push_back({0, kFirstRows, kFirstRows});
    int previous = kFirstRows;
    for (int bottom = kFirstRows + kGrowStep; bottom < kStripTop; bottom += kGrowStep) {
        steps.push_back({previous, bottom, bottom});
        previous = bottom;
    }
    steps.push_back({previous, kStripTop, kStripTop});
    return steps;
}

std::vector<StripStep> ClosingStrips() {
    std::vector<StripStep> steps;
    steps.push_back({0, kStripTop, kStripTop});
    for (int bottom = kStripTop - kGrowStep; bottom > kFirstRows; bottom -= kGrowStep) {
        steps.push_back({0, 0, bottom});
    }
    steps.push_back({0, 0, kFirstRows});
    return steps;
}

std::vector<uint8_t> FadeInAlphas() {
    std::vector<uint8_t> alphas;
    for (int alpha = 0; alpha <= 250; alpha += kFadeInStep) {
        alphas.push_back(static_cast<uint8_t>(alpha));
    }
    alphas.push_back(255);
    return alphas;
}

std::vector<uint8_t> FadeOutAlphas() {
    std::vector<uint8_t> alphas;
    for (int alpha = 255; alpha >= 5; alpha -= kFadeOutStep) {
        alphas.push_back(static_cast<uint8_t>(alpha));
    }
    alphas.push_back(0);
    return alphas;
}

}  // namespace surgepad
