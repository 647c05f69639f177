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
