#pragma once
// The system's screens as the placement rules want them: every monitor with its work
// area and DPI, the window in front, the pointer, and the taskbar.

#include <windows.h>

#include <optional>
#include <vector>

#include "surgepad/look/ScreenPlaces.h"

namespace surgepad {

struct ScreenState {
    std::vector<MonitorPlace> monitors;  // the primary first; never empty
    std::optional<lumen::Rect> foreground;
    lumen::Point pointer;
    TaskbarEdge taskbarEdge = TaskbarEdge::None;
    size_t taskbarMonitor = 0;  // the monitor that holds the taskbar
};

// Reads the screens now. `ignore`: a window of the program that must not count as the
// window in front (the one being placed).
ScreenState ReadScreens(HWND ignore = nullptr);

// The monitor the user is looking at, from a fresh reading.
MonitorPlace MonitorInView(HWND ignore = nullptr);

// Whether a full-screen application is in front on monitor `area`: the window in front
// covers it and is not maximised, or the system reports a Direct3D full-screen program
// or presentation mode, or (on the primary monitor, the one it speaks of) a full-screen
// program.
bool FullScreenOn(const lumen::Rect& area);

}  // namespace surgepad
