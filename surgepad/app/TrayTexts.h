#pragma once
// The texts of the tray icon: its tip and its menu's turbo item, from the translations.
// No window here.

#include <cstddef>
#include <string>

namespace surgepad {

// What the tip says: turbo on (whichever action is chosen), the turbo action with
// turbo off, or the power action in force.
enum class TrayState { TurboOn, TurboOff, PowerButton };
TrayState TrayStateOf(bool turboOn, bool turboActionChosen);
// The key of the tip's text for a state ("TrayTipTurboOn", ...).
const char* TrayTipKey(TrayState state);

// `pattern` with its first "%s" replaced by `name`, and nothing else formatted: the
// patterns come from language files.
std::string FillName(const std::string& pattern, const std::string& name);

}  // namespace surgepad
