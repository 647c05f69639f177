#pragma once
// The program's start-up: one copy only, the firmware priority check, the windows
// in their fixed order, the controller's start, the message loop. Returns the
// process exit code: always 0, except for the uninstaller's "-release" run, which
// does only that (surgepad/app/ReleaseSwitch.h) and returns its own code.

namespace surgepad {

int RunSurgepad(int argc, const char* const* argv);

}  // namespace surgepad
