#pragma once
// The checks that run before any window exists: the quiet switch and the firmware
// priority check (the other vendor's tuning utility may be given priority in the
// firmware, and then this program refuses to start).

#include <cstdint>

namespace surgepad {

inline constexpr char kInstanceMutexName[] = "CA8AF0C9-3D87-4499-B9B3-CFDB86B10304";
inline constexpr char kRefusalCaption[] = "Surgepad";
inline constexpr char kRefusalText[] =
    "Surgepad cannot launch when IXTU is enabled.\n"
    "Please restart your system, set the \"KORA/3rd Party UI Priority\" BIOS item to [KORA Utility], "
    "and launch Surgepad again.";

// Firmware items whose bit 2, set in both, gives the other vendor's utility priority.
inline constexpr uint32_t kPriorityItemA = 0x60008;
inline constexpr uint32_t kPriorityItemB = 0x60009;
inline constexpr uint32_t kPriorityBit = 4;

// True when one of arguments 1 to argc-1 is "-b" or "-B". Only "-" introduces a switch.
bool HasQuietSwitch(int argc, const char* const* argv);

// True when one of arguments 1 to argc-1 is "-release" in any case. The uninstaller
// starts the program so: it closes a running copy, gives the system's power button back
// and ends, without any window.
inline constexpr char kReleaseSwitch[] = "release";
bool HasReleaseSwitch(int argc, const char* const* argv);

// The firmware access the check needs; the program uses the ACPI/BIOS library.
struct FirmwareAccess {
    void (*initialize)();
    bool (*supported)(uint32_t id);
    bool (*read)(uint32_t id, uint32_t* value);
};
FirmwareAccess LibraryFirmware();

// True only when both items are present, both read, and both have bit 2 set; the
// tests stop at the first that fails. Any failure means "not blocked".
bool OtherVendorHasPriority(const FirmwareAccess& firmware);

}  // namespace surgepad
