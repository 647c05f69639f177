#include "surgepad/app/TrayTexts.h"

namespace surgepad {

TrayState TrayStateOf(bool turboOn, bool turboActionChosen) {
    if (turboOn) {
        return TrayState::TurboOn;
    }
    return turboActionChosen ? TrayState::TurboOff : TrayState::PowerButton;
}

const char* TrayTipKey(TrayState state) {
    switch (state) {
        case TrayState::TurboOn:
            return "TrayTipTurboOn";
        case TrayState::TurboOff:
            return "TrayTipTurboOff";
        case TrayState::PowerButton:
            break;
    }
    return "TrayTipPowerButton";
}

std::string FillName(const std::string& pattern, const std::string& name) {
    const size_t at = pattern.find("%s");
    if (at == std::string::npos) {
        return pattern;
    }
    return pattern.substr(0, at) + name + pattern.substr(at + 2);
}

}  // namespace surgepad
