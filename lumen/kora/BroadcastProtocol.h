#pragma once
// Wire format of the messages the board maker's utilities exchange (Surgepad among them):
// the registered broadcast "WM_KORA_BROADCAST_MESSAGE", the private commands posted
// to the main window, and the power broadcasts it reacts to.
//
// wParam of every private message carries the signature byte 0x55 ("U") in its low
// byte. The broadcast's command byte sits above it (bits 8 to 15); the bits above
// are ignored on receipt, so are bits 32 to 63 of a 64-bit wParam.

#include <cstdint>

namespace kora {

inline constexpr char kBroadcastMessageName[] = "WM_KORA_BROADCAST_MESSAGE";
inline constexpr uint32_t kSignature = 0x55;

inline constexpr uint32_t kCommandPress = 0x22;
inline constexpr uint32_t kCommandValuesChanged = 0x23;
// lParam of 0x23 when this program announces its own write.
inline constexpr uint32_t kSenderSurgepad = 3;

constexpr uint32_t BroadcastWParam(uint32_t command) {
    return (command << 8) | kSignature;
}

enum class BroadcastAction {
    NotProtocol,             // no signature byte: left alone
    ButtonPressed,           // 0x22 with lParam 0
    ValuesChangedElsewhere,  // 0x23 from another program
    Ignored,                 // part of the protocol, nothing to do (handled)
};

BroadcastAction DecodeBroadcast(uint64_t wParam, uint64_t lParam);
const char* BroadcastActionName(BroadcastAction action);

// Private commands posted to the window of class "TMainForm", caption "Surgepad".
inline constexpr uint32_t kFirstPrivateMessage = 1024;
inline constexpr uint32_t kMessageClose = 1024;
inline constexpr uint32_t kMessageOpenSettings = 1026;
inline constexpr uint32_t kMessageOpenSettingsToo = 1027;
// Sent to the sibling power-saving utility before a profile is applied (with the
// signature as wParam).
inline constexpr uint32_t kMessageStandBack = kFirstPrivateMessage + 31;

enum class PrivateCommand {
    NotPrivate,    // not one of this program's commands, or no signature: default handling
    Close,         // 1024
    OpenSettings,  // 1026, 1027
    Reserved,      // 1025, 1030: consumed, nothing done
};

PrivateCommand DecodePrivateCommand(uint32_t message, uint64_t wParam);
const char* PrivateCommandName(PrivateCommand command);

// WM_POWERBROADCAST events.
inline constexpr uint32_t kPowerBroadcastMessage = 0x218;
enum class PowerEvent { None, Suspend, Resume };
PowerEvent DecodePowerBroadcast(uint64_t wParam);

}  // namespace kora
