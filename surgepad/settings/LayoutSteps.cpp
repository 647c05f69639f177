#include "surgepad/settings/LayoutSteps.h"

#include <algorithm>

#include "lumen/graphics/Dpi.h"

namespace surgepad {

StripGeometry StripGeometryAt(int dpi) {
    return StripGeometry{lumen::ScaleToDpi(kSkinHeight, dpi), lumen::ScaleToDpi(kStripTop, dpi),
                         lumen::ScaleToDpi(kFirstRows, dpi), kGrowStep * dpi, 96};
}

StripRows StripPlacement(int y, const StripGeometry& g) {
    y = std::clamp(y, 0, g.stripTop);
    return StripRows{y, y + g.StripRows(), y + g.StripRows(), g.skinHeight};
}

std::vector<StripStep> OpeningStrips(const StripGeometry& g) {
    std::vector<StripStep> steps;
    steps.push_back({0, g.firstRows, g.firstRows});
    int previous = g.firstRows;
    for (int i = 1, bottom = g.firstRows + g.Grown(1); bottom < g.stripTop; bottom = g.firstRows + g.Grown(++i)) {
        steps.push_back({previous, bottom, bottom});
        previous = bottom;
    }
    steps.push_back({previous, g.stripTop, g.stripTop});
    return steps;
}

std::vector<StripStep> ClosingStrips(const StripGeometry& g) {
    std::vector<StripStep> steps;
    steps.push_back({0, g.stripTop, g.stripTop});
    for (int i = 1, bottom = g.stripTop - g.Grown(1); bottom > g.firstRows; bottom = g.stripTop - g.Grown(++i)) {
        steps.push_back({0, 0, bottom});
    }
    steps.push_back({0, 0, g.firstRows});
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
