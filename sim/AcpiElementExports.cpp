// The four entry points that walk a package's elements: the same in the stand-in DLL,
// in the guardian's model and in the fuzzers' scripted library (each of which answers
// the other entry points its own way), since a package is read in place.
#include "lumen/kora/VendorApi.h"
#include "sim/AcpiPackage.h"

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
