#pragma once
// The folder the framework finds the skin in.

#include <string>

namespace ui {

// The folder "Resource\" beside the executable: skin pictures and tray icons.
std::string ResourceFolder();

}  // namespace ui
