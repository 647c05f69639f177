#pragma once
// Surgepad.exe -turbo on|off|toggle|status, -turbo on --for DURATION (and -?): asks the
// running copy's main window and waits for its answer. -turbo run PROGRAM: starts
// PROGRAM in a job, asks the running copy for turbo while it runs, and ends with
// PROGRAM's exit code once it and every process it started have ended. Opens no window
// of its own, leaves the single-instance mutex alone and makes no firmware call; without
// a running copy nothing of Surgepad starts.

#include "surgepad/turbo/TurboCommand.h"

namespace surgepad {

// The exit code (TurboCommand.h; PROGRAM's for run); prints the outcome's line on the
// standard output (or the console of the program that started it), and for run why
// PROGRAM runs without turbo on the standard error. `argv`: the program's arguments.
int RunTurboCommand(const TurboCommandLine& line, const char* const* argv);

}  // namespace surgepad
