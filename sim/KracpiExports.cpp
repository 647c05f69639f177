// Exports of the simulated ACPI/BIOS library (bound by ordinal, see KRACPI.def).
#include "lumen/kora/VendorApi.h"
#include "sim/AcpiPackage.h"

extern "C" {

uint32_t WINAPI AcpiInitialize(void) {
    return 1;
}
uint32_t WINAPI AcpiSetValue(uint32_t, uint32_t, uint32_t) {
    return 0;
}
uint32_t WINAPI AcpiGetValue(uint32_t, uint32_t*) {
    return 0;
}
uint32_t WINAPI AcpiGetInfo(void*, uint32_t*) {
    return 0;
}
uint32_t WINAPI AcpiGetGroup(uint32_t, void*, uint32_t*) {
    return 0;
}
void* WINAPI AcpiFirstElement(void* package) {
    return sim::FirstElement(package);
}
uint32_t WINAPI AcpiElementCount(void* package) {
    return sim::ElementCount(package);
}
void* WINAPI AcpiElementData(void* element) {
    return sim::ElementData(element);
}
void* WINAPI AcpiNextElement(void* element) {
    return sim::NextElement(element);
}
uint32_t WINAPI AcpiGetItemInfo(void*, void*, uint32_t*) {
    return 0;
}
uint32_t WINAPI AcpiGetValueWithArg(uint32_t, uint32_t, uint32_t*) {
    return 0;
}
uint32_t WINAPI AcpiGetItemBlock(uint32_t, uint32_t, void*, uint32_t*) {
    return 0;
}
}
