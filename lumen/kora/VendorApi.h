#pragma once
// Entry points of the board maker's closed libraries, as this program binds them.
//
// KRACPI.DLL (the ACPI/BIOS library) is imported by ordinal at load time: the import
// library made from lumen/kora/KRACPI.def.in names no function, only ordinals 1 to 7
// and 9 to 13, so the program does not start without the DLL. Every entry point uses
// the Windows API calling convention.
//
// Results come back as packages: lists of elements, each a 32-bit value or a
// zero-terminated text. Callers pass a 4096-byte buffer and a size variable reset to
// 4096 before each call; the size returns the byte count of the package. Element data
// is read in place, never copied out.

#include <cstdint>

#if defined(_WIN32)
#include <windows.h>
#else
#define WINAPI
#endif

namespace kora {
// The buffer size every package-returning call is given.
constexpr uint32_t kPackageBufferSize = 4096;
// AcpiSetValue modes.
constexpr uint32_t kModeControl = 1;
constexpr uint32_t kModeOverclock = 2;
}  // namespace kora

extern "C" {
// @1 Prepares the library; result ignored by every caller.
uint32_t WINAPI AcpiInitialize(void);
// @2 Low bit of the result = success.
uint32_t WINAPI AcpiSetValue(uint32_t id, uint32_t value, uint32_t mode);
// @3 Low bit of the result = success.
uint32_t WINAPI AcpiGetValue(uint32_t id, uint32_t* value);
// @4 Information package; element 3 carries the library version in its top byte.
uint32_t WINAPI AcpiGetInfo(void* buffer, uint32_t* size);
// @5 Non-zero = success; one descriptor element per item of the group.
uint32_t WINAPI AcpiGetGroup(uint32_t group, void* buffer, uint32_t* size);
// @6 First element of a package.
void* WINAPI AcpiFirstElement(void* package);
// @7 Number of elements of a package.
uint32_t WINAPI AcpiElementCount(void* package);
// @9 The element's data: a 32-bit value or a zero-terminated text.
void* WINAPI AcpiElementData(void* element);
// @10 The element after this one.
void* WINAPI AcpiNextElement(void* element);
// @11 Non-zero = success; the description package of the item whose descriptor
// data (from AcpiElementData on a group element) is given.
uint32_t WINAPI AcpiGetItemInfo(void* descriptor, void* buffer, uint32_t* size);
// @12 Low bit of the result = success.
uint32_t WINAPI AcpiGetValueWithArg(uint32_t id, uint32_t arg, uint32_t* value);
// @13 Low bit of the result = success; 32-bit words, size returns the byte count.
uint32_t WINAPI AcpiGetItemBlock(uint32_t id, uint32_t index, void* buffer, uint32_t* size);
}

// "Dormix.dll" (the power-feature library) and "vvc.dll" (its sound helper on
// Windows 6.x) are loaded at run time from the program's folder and bound by name.
// The types below are the procedures as this program calls them; results marked
// "low bit" report success in bit 0, as every closed library of the board maker does.
namespace kora {
using DormixInitFn = void(WINAPI*)(void);
// Low bit: the call succeeded; *out then holds the answer (1 = yes).
using DormixIsSupportFn = uint32_t(WINAPI*)(uint32_t* out);
using PacelyIsSupportFn = uint32_t(WINAPI*)(uint32_t* out);
using DormixCheckRebootFn = uint32_t(WINAPI*)(uint32_t* out);
using DormixEnableFn = void(WINAPI*)(void);
using DormixDisableFn = void(WINAPI*)(void);
using DormixWakeFn = void(WINAPI*)(void);
using DormixSleepFn = void(WINAPI*)(void);
using DormixSoundFn = void(WINAPI*)(uint32_t on);
using DormixScreenFn = void(WINAPI*)(uint32_t on);
// "GetLevel": low bit = success, *level the current power-saving level.
using DormixGetLevelFn = uint32_t(WINAPI*)(uint32_t* level);
// "SetLevel": the library's byte result is handed back to the caller unchanged.
using DormixSetLevelFn = uint8_t(WINAPI*)(uint32_t level);
// "IsDormix", "IsThermostatSupported": low bit = yes.
using IsDormixFn = uint32_t(WINAPI*)(void);
using IsThermostatSupportedFn = uint32_t(WINAPI*)(void);
using HushlyIsSupportFn = uint32_t(WINAPI*)(uint32_t* out);
// The firmware's power-button pair (action, event code); low bit = success.
using GetPowerButtonSettingFn = uint32_t(WINAPI*)(uint32_t* action, uint32_t* event);
using SetPowerButtonSettingFn = uint32_t(WINAPI*)(uint32_t action, uint32_t event);
// Feature items; low bit = success (for IsItemSupported: the item exists).
using DormixGetItemFn = uint32_t(WINAPI*)(uint32_t id, uint32_t* value);
using DormixSetItemFn = uint32_t(WINAPI*)(uint32_t id, uint32_t value);
using IsItemSupportedFn = uint32_t(WINAPI*)(uint32_t id);
// Non-zero = the three-fan control is present.
using IsVentixThreeSupportedFn = uint32_t(WINAPI*)(void);
// "VISTA_SetMute" in "vvc.dll": 1 mutes, 0 unmutes.
using VistaSetMuteFn = void(WINAPI*)(uint32_t mute);
}  // namespace kora
