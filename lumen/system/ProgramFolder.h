#pragma once
// The folder of the running executable.

#include <string>

namespace lumen {

// The folder of the running executable, ending in "\"; empty when the system cannot
// tell (callers then have no folder to look in).
std::string ProgramFolder();

}  // namespace lumen
