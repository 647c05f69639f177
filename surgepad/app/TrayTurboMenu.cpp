#include "surgepad/app/TrayTurboMenu.h"

#include <string>

#include "lumen/core/DebugTrace.h"
#include "lumen/core/WideText.h"
#include "surgepad/look/MultiLang.h"
#include "surgepad/app/TrayTexts.h"

namespace surgepad {
namespace {

// A menu shows "&" as it is only doubled; single, it underlines the next letter.
std::string Shown(const std::string& text) {
    std::string shown;
    for (const char c : text) {
        shown += c;
        if (c == '&') {
            shown += '&';
        }
    }
    return shown;
}

// Texts are UTF-8; the menu takes them as UTF-16.
bool Append(HMENU menu, UINT flags, UINT_PTR id, const std::string& text) {
    return AppendMenuW(menu, MF_STRING | flags, id, lumen::Widen(text).c_str()) != FALSE;
}

}  // namespace

bool AppendTurboMenus(HMENU menu, const AutomationMenu& state) {
    const MultiLang& lang = MultiLang::Instance();
    // A submenu belongs to its menu once appended: it goes with it.
    HMENU timed = CreatePopupMenu();
    if (timed == nullptr) {
        return false;
    }
    const UINT timedFlags = state.timedEnabled ? 0 : MF_GRAYED;
    bool made = Append(timed, timedFlags, kTrayMenuTurboFor30Minutes, lang.Text("TrayMenuFor30Minutes")) &&
                Append(timed, timedFlags, kTrayMenuTurboFor1Hour, lang.Text("TrayMenuFor1Hour")) &&
                Append(timed, timedFlags, kTrayMenuTurboFor2Hours, lang.Text("TrayMenuFor2Hours"));
    if (!made || !Append(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(timed), lang.Text("TrayMenuTurboFor"))) {
        DestroyMenu(timed);
        return false;
    }
    HMENU automatic = CreatePopupMenu();
    if (automatic == nullptr) {
        return false;
    }
    for (size_t i = 0; made && i < state.programs.size(); ++i) {
        made = Append(automatic, MF_CHECKED, kTrayMenuFirstProgram + i, Shown(state.programs[i]));
    }
    if (made && !state.candidate.empty()) {
        made = Append(automatic, 0, kTrayMenuAddProgram,
                      FillName(lang.Text("TrayMenuAddProgram"), Shown(state.candidate)));
    }
    if (made && (!state.programs.empty() || !state.candidate.empty())) {
        made = AppendMenuW(automatic, MF_SEPARATOR, 0, nullptr) != FALSE;
    }
    if (made && state.gameModeAvailable) {
        made = Append(automatic, state.gameMode ? MF_CHECKED : 0, kTrayMenuGameMode, lang.Text("TrayMenuGameMode"));
    }
    made = made && Append(automatic, state.offOnBattery ? MF_CHECKED : 0, kTrayMenuOffOnBattery,
                          lang.Text("TrayMenuOffOnBattery"));
    if (!made || !Append(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(automatic), lang.Text("TrayMenuAutomatic"))) {
        DestroyMenu(automatic);
        return false;
    }
    // What the submenus hold, in their order, for the trace.
    std::string shown;
    for (const std::string& name : state.programs) {
        shown += name + " (listed) | ";
    }
    if (!state.candidate.empty()) {
        shown += "add " + state.candidate + " | ";
    }
    if (state.gameModeAvailable) {
        shown += state.gameMode ? "game mode (on) | " : "game mode | ";
    }
    shown += state.offOnBattery ? "off on battery (on)" : "off on battery";
    lumen::Trace("tray: automatic turbo: %s%s", shown.c_str(), state.timedEnabled ? "" : "; turbo for greyed");
    return true;
}

// A setting chosen is told once it is stored: whoever reads the journal finds it in the
// registry. A timed turbo is told first, before the switch it starts.
bool TurboMenuChosen(UINT item, const AutomationMenu& state, TurboAutomationInterface& automation) {
    switch (item) {
        case kTrayMenuTurboFor30Minutes:
        case kTrayMenuTurboFor1Hour:
        case kTrayMenuTurboFor2Hours: {
            const int64_t seconds = item == kTrayMenuTurboFor30Minutes ? 1800
                                    : item == kTrayMenuTurboFor1Hour   ? 3600
                                                                       : 7200;
            lumen::Trace("tray: menu: turbo for %lld s", static_cast<long long>(seconds));
            automation.TurboFor(seconds);
            return true;
        }
        case kTrayMenuAddProgram:
            automation.AddProgram(state.candidate);
            lumen::Trace("tray: menu: add %s", state.candidate.c_str());
            return true;
        case kTrayMenuGameMode:
            automation.SetGameModeRule(!state.gameMode);
            lumen::Trace("tray: menu: game mode %s", state.gameMode ? "off" : "on");
            return true;
        case kTrayMenuOffOnBattery:
            automation.SetOffOnBattery(!state.offOnBattery);
            lumen::Trace("tray: menu: off on battery %s", state.offOnBattery ? "off" : "on");
            return true;
        default:
            break;
    }
    if (item >= kTrayMenuFirstProgram && item - kTrayMenuFirstProgram < state.programs.size()) {
        const std::string& name = state.programs[item - kTrayMenuFirstProgram];
        const std::string removed = name;  // the list may change under `name`
        automation.RemoveProgram(removed);
        lumen::Trace("tray: menu: remove %s", removed.c_str());
        return true;
    }
    return false;
}

}  // namespace surgepad
