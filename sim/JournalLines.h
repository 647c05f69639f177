#pragma once
// The journal lines of the stand-ins, one text per event. Numbers are written 0x%08X,
// modes in decimal.

#include <cstdint>
#include <string>

namespace sim {

// "acpi set ID VALUE MODE ok|fail": every AcpiSetValue.
std::string AcpiSetLine(uint32_t id, uint32_t value, uint32_t mode, bool ok);

}  // namespace sim
