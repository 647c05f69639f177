#include "surgepad/look/ScreenPlaces.h"

#include "lumen/graphics/Dpi.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace surgepad {
namespace {

int64_t Overlap(const lumen::Rect& a, const lumen::Rect& b) {
    const int64_t width = std::min(a.right, b.right) - std::max(a.left, b.left);
    const int64_t height = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
    return width > 0 && height > 0 ? width * height : 0;
}

bool Holds(const lumen::Rect& area, lumen::Point p) {
    return p.x >= area.left && p.x < area.right && p.y >= area.top && p.y < area.bottom;
}

// `start` moved so that [start, start + size) lies in [low, high) where it fits; a
// window larger than the range keeps its start at `low`.
int Inside(int start, int size, int low, int high) {
    return std::max(low, std::min(start, high - size));
}

}  // namespace

size_t MonitorInView(const std::vector<MonitorPlace>& monitors, const std::optional<lumen::Rect>& foreground,
                     lumen::Point pointer) {
    if (foreground.has_value()) {
        size_t best = monitors.size();
        int64_t most = 0;
        for (size_t i = 0; i < monitors.size(); ++i) {
            const int64_t shared = Overlap(monitors[i].area, *foreground);
            if (shared > most) {
                most = shared;
                best = i;
            }
        }
        if (best < monitors.size()) {
            return best;
        }
    }
    for (size_t i = 0; i < monitors.size(); ++i) {
        if (Holds(monitors[i].area, pointer)) {
            return i;
        }
    }
    return 0;
}

lumen::Point CentredIn(const lumen::Rect& area, int width, int height) {
    return lumen::Point{area.left + (area.Width() - width) / 2, area.top + (area.Height() - height) / 2};
}

lumen::Point SettingsWindowPlace(const lumen::Rect& work, TaskbarEdge edge, int width, int height, int rightGap,
                                 int bottomGap) {
    int x = work.right - width - rightGap;
    int y = work.bottom - height - bottomGap;
    switch (edge) {
        case TaskbarEdge::Top:
            y = work.top + bottomGap;
            break;
        case TaskbarEdge::Left:
            x = work.left + rightGap;
            break;
        case TaskbarEdge::None:
        case TaskbarEdge::Bottom:
        case TaskbarEdge::Right:
            break;
    }
    return lumen::Point{Inside(x, width, work.left, work.right), Inside(y, height, work.top, work.bottom)};
}

TaskbarEdge EdgeOfTaskbar(const lumen::Rect& bar, const lumen::Rect& area) {
    if (bar.Width() >= bar.Height()) {
        // Along the top or the bottom: the nearer one.
        return bar.top - area.top <= area.bottom - bar.bottom ? TaskbarEdge::Top : TaskbarEdge::Bottom;
    }
    return bar.left - area.left <= area.right - bar.right ? TaskbarEdge::Left : TaskbarEdge::Right;
}

bool CoversMonitor(const lumen::Rect& window, const lumen::Rect& area) {
    return area.Width() > 0 && area.Height() > 0 && window.left <= area.left && window.top <= area.top &&
           window.right >= area.right && window.bottom >= area.bottom;
}

bool FullScreenApplicationOn(const lumen::Rect& window, bool maximised, const lumen::Rect& area) {
    return !maximised && CoversMonitor(window, area);
}

std::vector<int> SkinSetsFor(int dpi) {
    if (dpi <= 96) {
        return {100};
    }
    std::vector<int> sets{200, 150, 100};
    const auto distance = [dpi](int set) { return std::abs(set * 96 / 100 - dpi); };
    std::stable_sort(sets.begin(), sets.end(), [&](int a, int b) { return distance(a) < distance(b); });
    return sets;
}

int SkinPixelsAt(int drawn, int setPercent, int dpi) {
    // Through the 1x size the set was drawn from, so that a picture comes out as large
    // as the window's own places scaled from 96 DPI, whichever set it came from.
    const int base = (2 * drawn * 100 + setPercent) / (2 * setPercent);
    return lumen::ScaleToDpi(base, dpi);
}

}  // namespace surgepad
