#pragma once
// The folder of the running executable, and the system folder.

#include <string>

namespace lumen {

// The folder of the running executable, ending in "\"; empty when the system cannot
// tell (callers then have no folder to look in).
std::string ProgramFolder();

// The system folder (shell folder id 37 with the create flag), without a trailing
// "\"; empty when the shell cannot tell it, which leaves a path that will not load.
// System libraries bound at run time are loaded from it by full path, so that a file
// of the same name beside the program does not stand in for them.
std::string SystemFolder();

}  // namespace lumen
