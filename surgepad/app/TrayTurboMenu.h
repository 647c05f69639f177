#pragma once
// The tray menu's "Turbo for" and "Automatic turbo" submenus: made from the state of
// automatic turbo, and the choice made in them carried out.

#include <windows.h>

#include "surgepad/turbo/TurboAutomationInterface.h"

namespace surgepad {

// Identifiers of the submenus' items (the main menu's are below 1000).
inline constexpr UINT kTrayMenuTurboFor30Minutes = 1001;
inline constexpr UINT kTrayMenuTurboFor1Hour = 1002;
inline constexpr UINT kTrayMenuTurboFor2Hours = 1003;
inline constexpr UINT kTrayMenuAddProgram = 1010;
inline constexpr UINT kTrayMenuGameMode = 1011;
inline constexpr UINT kTrayMenuOffOnBattery = 1012;
inline constexpr UINT kTrayMenuFirstProgram = 1100;  // + the program's index

// Appends the two submenus to `menu`; false when the system refused one.
[[nodiscard]] bool AppendTurboMenus(HMENU menu, const AutomationMenu& state);
// Carries out `item` when it is one of theirs; false otherwise.
bool TurboMenuChosen(UINT item, const AutomationMenu& state, TurboAutomationInterface& automation);

}  // namespace surgepad
