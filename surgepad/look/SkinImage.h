#pragma once
// Alpha image controls of the skinned windows: a picture of the ResourceFolder blended
// by its alpha over the window's background at paint time.

#include <memory>
#include <string>

#include "kr/KrImage.h"

namespace surgepad {

// A KrImage on `parent` holding `name` from the ResourceFolder as a 32-bit picture,
// at the parent's DPI, blended by its alpha channel, sized to the picture, with its top-left at (x, y).
// A picture that cannot be read leaves the control empty. The caller keeps the control.
std::unique_ptr<kr::KrImage> CreateSkinImage(ui::WinControl& parent, const std::string& name, int x, int y);

}  // namespace surgepad
