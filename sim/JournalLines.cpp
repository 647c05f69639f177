#include "sim/JournalLines.h"

#include "sim/TextSyntax.h"

namespace sim {

std::string AcpiSetLine(uint32_t id, uint32_t value, uint32_t mode, bool ok) {
    return "acpi set " + syntax::Hex32(id) + " " + syntax::Hex32(value) + " " + std::to_string(mode) +
           (ok ? " ok" : " fail");
}

}  // namespace sim
