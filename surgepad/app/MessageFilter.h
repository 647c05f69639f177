#pragma once
// The window message filter of the process (User Interface Privilege Isolation):
// when this program runs elevated, messages from programs of a lower integrity level
// are dropped unless allowed here. Systems before it lack the function.

#include <windows.h>

namespace surgepad {

// Looks "ChangeWindowMessageFilter" up in the loaded user32.dll. Call at start.
void InitWindowMessageFilter();
// Lets `message` through. Without the function this does nothing and counts as done.
bool AllowWindowMessage(UINT message);
// Lets `message` through to `window` alone ("ChangeWindowMessageFilterEx", Windows 7
// on); where only the process-wide filter exists (Vista), through that one.
bool AllowWindowMessageFor(HWND window, UINT message);

}  // namespace surgepad
