#pragma once
// Surgepad.exe -turbo on|off|toggle|status (and -?): asks the running copy's main window
// and waits for its answer. Opens no window of its own, leaves the single-instance
// mutex alone and makes no firmware call; without a running copy nothing starts.

#include "surgepad/TurboCommand.h"

namespace surgepad {

// The exit code (TurboCommand.h); prints the outcome's line on the standard output
// (or the console of the program that started it).
int RunTurboCommand(const TurboCommandLine& line);

}  // namespace surgepad
