#include "tests/fuzz/ScriptedAcpi.h"

#include <cstring>

#include "lumen/kora/OcItemSet.h"
#include "lumen/kora/VendorApi.h"
#include "sim/AcpiPackage.h"

namespace fuzz {
namespace {

const AcpiScript* g_script = nullptr;
uint32_t g_lastBlockIndex = 0;
const std::vector<uint8_t>* g_lastDescription = nullptr;

uint32_t Answer(const std::vector<uint8_t>& package, bool fails, void* buffer, uint32_t* size) {
    if (fails || buffer == nullptr || size == nullptr) {
        return 0;
    }
    const size_t copied = package.size() < *size ? package.size() : *size;
    if (copied > 0) {
        std::memcpy(buffer, package.data(), copied);
    }
    *size = static_cast<uint32_t>(package.size());
    return 1;
}

}  // namespace

void PlayScript(const AcpiScript* script) {
    g_script = script;
}

uint32_t LastBlockIndex() {
    return g_lastBlockIndex;
}

const std::vector<uint8_t>* LastDescription() {
    return g_lastDescription;
}

}  // namespace fuzz

using fuzz::g_script;

extern "C" {

uint32_t WINAPI AcpiInitialize(void) {
    return g_script != nullptr ? 1 : 0;
}

uint32_t WINAPI AcpiSetValue(uint32_t, uint32_t, uint32_t) {
    return 0;
}

uint32_t WINAPI AcpiGetValue(uint32_t, uint32_t* value) {
    if (g_script == nullptr || g_script->valueFails || value == nullptr) {
        return 0;
    }
    *value = g_script->value;
    return 1;
}

uint32_t WINAPI AcpiGetInfo(void* buffer, uint32_t* size) {
    return g_script == nullptr ? 0 : fuzz::Answer(g_script->group, g_script->groupFails, buffer, size);
}

uint32_t WINAPI AcpiGetGroup(uint32_t, void* buffer, uint32_t* size) {
    return g_script == nullptr ? 0 : fuzz::Answer(g_script->group, g_script->groupFails, buffer, size);
}

// As the real library does, the descriptor (the data of a group element) is read as
// the item id.
uint32_t WINAPI AcpiGetItemInfo(void* descriptor, void* buffer, uint32_t* size) {
    fuzz::g_lastDescription = nullptr;
    if (g_script == nullptr || descriptor == nullptr || g_script->descriptions.empty()) {
        return 0;
    }
    uint32_t id;
    std::memcpy(&id, descriptor, sizeof id);
    const std::vector<uint8_t>& description = g_script->descriptions[id % g_script->descriptions.size()];
    const uint32_t answered = fuzz::Answer(description, false, buffer, size);
    fuzz::g_lastDescription = answered != 0 ? &description : nullptr;
    return answered;
}

uint32_t WINAPI AcpiGetValueWithArg(uint32_t id, uint32_t, uint32_t* value) {
    return AcpiGetValue(id, value);
}

uint32_t WINAPI AcpiGetItemBlock(uint32_t id, uint32_t index, void* buffer, uint32_t* size) {
    fuzz::g_lastBlockIndex = index;
    if (g_script == nullptr || id != kora::kProfileBlockId || buffer == nullptr || size == nullptr ||
        g_script->blockFails) {
        return 0;
    }
    const size_t copied = g_script->block.size() < *size ? g_script->block.size() : *size;
    if (copied > 0) {
        std::memcpy(buffer, g_script->block.data(), copied);
    }
    *size = g_script->blockSize;
    return 1;
}

}  // extern "C"
