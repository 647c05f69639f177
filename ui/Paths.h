#pragma once
// Folders the program finds its files in.

#include <string>

namespace ui {

// The folder of the running executable, ending in "\".
std::string ModuleFolder();
// The folder "Resource\" beside the executable: skin pictures and tray icons.
std::string ResourceFolder();

}  // namespace ui
