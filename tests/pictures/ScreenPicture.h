#pragma once
// Pictures of the screen as the user sees it, taken from the screen's own pixels: a
// window's rectangle (so that nothing else on the screen takes part), or the right end
// of the taskbar where the notification area shows the tray icons. The mouse pointer
// is never in them (the X server leaves it out).
#include <windows.h>

#include <optional>

#include "tests/pictures/Picture.h"

namespace pictures {

// The pixels of `r` (screen coordinates, clipped to the screen).
Picture ScreenPicture(const RECT& r);

// Waits until two pictures of `r` taken 150 ms apart are alike (an animation or a
// repaint has ended) and returns the last; after `timeoutMs` the last one, with
// `stable` false.
Picture StablePicture(const RECT& r, DWORD timeoutMs = 5000, bool* stable = nullptr);

// The visible top-level window of that class (any process), waiting up to `timeoutMs`.
HWND VisibleWindowOf(const char* className, DWORD timeoutMs);

RECT WindowRectOf(HWND window);

// The right end of the taskbar: as high as the taskbar and twice as wide, where the
// notification area shows the program's icon (the only one there).
std::optional<RECT> TrayIconsRect();

// "100", "150", "200": the screen's scale in percent, for the names of the pictures.
std::string ScaleName();

}  // namespace pictures
