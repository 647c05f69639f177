#pragma once
// The framework's event slots and mouse buttons are the ones of the whole program.

#include "lumen/core/Callback.h"

namespace ui {

template <class... Args>
using Callback = lumen::Callback<Args...>;
using MouseButton = lumen::MouseButton;

}  // namespace ui
