#pragma once
// Where a window's DPI comes from. Every window knows its own DPI (Control::Dpi, kept
// by its form): the system's when it is made, then the one of the monitor it is shown
// on, or the one the system tells it in WM_DPICHANGED. Places, sizes and fonts are
// written at 96 DPI and scaled to that DPI by Control::Px (lumen::ScaleToDpi); the skin
// pictures are loaded for it. These two functions are the program's only readings of
// the system's and of a monitor's DPI, both within lumen::ClampDpi's range.

#include <windows.h>

namespace ui {

// The system's DPI (96 at 100 %), read at first use: a program aware of every
// monitor's scale is told the real one, which stays for the whole logon session.
int SystemDpi();

// The DPI of `monitor` through the system's per-monitor call where the system has it
// (Windows 8.1 on); the system's DPI otherwise.
int MonitorDpi(HMONITOR monitor);

}  // namespace ui
