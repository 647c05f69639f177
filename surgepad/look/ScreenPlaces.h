#pragma once
// Where the program's windows go on the user's screens: the monitor the user is looking
// at, the corner of the work area next to the notification area, the scale of a
// monitor's DPI, and whether a window in front fills its monitor (a full-screen game).
// The rules alone, with no window: the forms feed them the system's rectangles.

#include <optional>
#include <vector>

#include "lumen/graphics/Bitmap.h"

namespace surgepad {

// The edge of its monitor the taskbar sits on; None when the system has no taskbar.
enum class TaskbarEdge { None, Bottom, Top, Left, Right };

// One monitor: its whole rectangle and its work area (without the taskbar), in
// virtual-screen pixels, and its DPI (96 at 100 %).
struct MonitorPlace {
    lumen::Rect area;
    lumen::Rect work;
    int dpi = 96;
};

// The monitor the user is looking at: the one that holds the most of the foreground
// window, or, with no window in front (or one on no monitor), the one under the
// pointer; the first monitor (the primary) when neither decides. Index into
// `monitors`, which is not empty.
size_t MonitorInView(const std::vector<MonitorPlace>& monitors, const std::optional<lumen::Rect>& foreground,
                     lumen::Point pointer);

// The drawn sets of the skin, in percent (100: the pictures of the skin folder; 150
// and 200: its sub-folders "150\" and "200\"), in the order a window at `dpi` tries
// them: by nearness to the DPI's scale, the larger first on a tie (shrinking keeps a
// picture sharper than growing). At 96 DPI the 1x set alone, shown as drawn.
std::vector<int> SkinSetsFor(int dpi);

// The size at `dpi` of `drawn` pixels of a set drawn for `setPercent`: the 1x size it
// was drawn from (rounded), scaled as the windows' own places are.
int SkinPixelsAt(int drawn, int setPercent, int dpi);

// The top-left of a window of (width, height) centred on `area`.
lumen::Point CentredIn(const lumen::Rect& area, int width, int height);

// The top-left of the settings window of (width, height) in the corner of `work`
// next to the notification area: the taskbar at the bottom (or none) gives the bottom
// right corner `rightGap` from the right and `bottomGap` above the bottom; at the top
// the top-right corner; at the right the bottom-right; at the left the bottom-left. The
// window stays wholly inside the work area where it fits.
lumen::Point SettingsWindowPlace(const lumen::Rect& work, TaskbarEdge edge, int width, int height, int rightGap,
                                 int bottomGap);

// The edge a taskbar of rectangle `bar` sits on in monitor `area` (its longer side lies
// along that edge).
TaskbarEdge EdgeOfTaskbar(const lumen::Rect& bar, const lumen::Rect& area);

// Whether `window` covers the whole of monitor `area`.
bool CoversMonitor(const lumen::Rect& window, const lumen::Rect& area);
// Whether a window in front is a full-screen application on monitor `area`: it covers
// it and is not maximised (on a monitor without a taskbar a maximised window covers it
// too, with its borders outside).
bool FullScreenApplicationOn(const lumen::Rect& window, bool maximised, const lumen::Rect& area);

}  // namespace surgepad
