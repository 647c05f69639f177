#include "lumen/kora/BroadcastProtocol.h"

namespace kora {

BroadcastAction DecodeBroadcast(uint64_t wParam, uint64_t lParam) {
    if ((wParam & 0xFF) != kSignature) {
        return BroadcastAction::NotProtocol;
    }
    // The argument is a 32-bit value; a 64-bit lParam carries it in its low half.
    const auto argument = static_cast<uint32_t>(lParam);
    switch ((wParam >> 8) & 0xFF) {
        case kCommandPress:
            return argument == 0 ? BroadcastAction::ButtonPressed : BroadcastAction::Ignored;
        case kCommandValuesChanged:
            return argument == kSenderSurgepad ? BroadcastAction::Ignored : BroadcastAction::ValuesChangedElsewhere;
        default:
            return BroadcastAction::Ignored;
    }
}

const char* BroadcastActionName(BroadcastAction action) {
    switch (action) {
        case BroadcastAction::NotProtocol:
            return "not protocol";
        case BroadcastAction::ButtonPressed:
            return "press";
        case BroadcastAction::ValuesChangedElsewhere:
            return "values changed elsewhere";
        case BroadcastAction::Ignored:
            return "ignored";
    }
    return "?";
}

PrivateCommand DecodePrivateCommand(uint32_t message, uint64_t wParam) {
    if ((wParam & 0xFF) != kSignature) {
        return PrivateCommand::NotPrivate;
    }
    switch (message) {
        case kMessageClose:
            return PrivateCommand::Close;
        case kMessageOpenSettings:
        case kMessageOpenSettingsToo:
            return PrivateCommand::OpenSettings;
        case 1025:
        case 1030:
            return PrivateCommand::Reserved;
        default:
            return PrivateCommand::NotPrivate;
    }
}

const char* PrivateCommandName(PrivateCommand command) {
    switch (command) {
        case PrivateCommand::NotPrivate:
            return "not private";
        case PrivateCommand::Close:
            return "close";
        case PrivateCommand::OpenSettings:
            return "open settings";
        case PrivateCommand::Reserved:
            return "reserved";
    }
    return "?";
}

PowerEvent DecodePowerBroadcast(uint64_t wParam) {
    switch (wParam) {
        case 4:  // PBT_APMSUSPEND
            return PowerEvent::Suspend;
        case 6:  // PBT_APMRESUMECRITICAL
        case 7:  // PBT_APMRESUMESUSPEND
            return PowerEvent::Resume;
        default:
            // 18 (PBT_APMRESUMEAUTOMATIC) always comes with 7 when a user is there;
            // reacting to both would write the saved values back twice.
            return PowerEvent::None;
    }
}

}  // namespace kora
