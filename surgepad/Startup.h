#pragma once
// The program's start-up: one copy only, the firmware priority check, the windows
// in their fixed order, the controller's start, the message loop. Returns the
// process exit code (always 0).

namespace surgepad {

int RunSurgepad(int argc, const char* const* argv);

}  // namespace surgepad
