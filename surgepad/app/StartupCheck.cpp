#include "surgepad/app/StartupCheck.h"

#include <string_view>

#include "lumen/kora/BiosInterface.h"
#include "lumen/kora/TwOcItemProfile.h"
#include "lumen/kora/VendorApi.h"

namespace surgepad {

bool HasQuietSwitch(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (arg != nullptr && arg[0] == '-' && (arg[1] == 'b' || arg[1] == 'B') && arg[2] == '\0') {
            return true;
        }
    }
    return false;
}

bool HasReleaseSwitch(int argc, const char* const* argv) {
    const std::string_view name = kReleaseSwitch;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (arg == nullptr || arg[0] != '-') {
            continue;
        }
        if (kora::EqualsIgnoringAsciiCase(arg + 1, name)) {
            return true;
        }
    }
    return false;
}

FirmwareAccess LibraryFirmware() {
    return FirmwareAccess{
        [] { (void)AcpiInitialize(); },
        [](uint32_t id) { return kora::BiosItemSupported(id); },
        [](uint32_t id, uint32_t* value) { return kora::BiosReadValue(id, value); },
    };
}

bool OtherVendorHasPriority(const FirmwareAccess& firmware) {
    firmware.initialize();
    if (!firmware.supported(kPriorityItemA) || !firmware.supported(kPriorityItemB)) {
        return false;
    }
    uint32_t value = 0;
    if (!firmware.read(kPriorityItemA, &value) || (value & kPriorityBit) == 0) {
        return false;
    }
    value = 0;
    if (!firmware.read(kPriorityItemB, &value) || (value & kPriorityBit) == 0) {
        return false;
    }
    return true;
}

}  // namespace surgepad
