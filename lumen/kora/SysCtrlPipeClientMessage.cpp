#include "lumen/kora/SysCtrlPipeClientMessage.h"

namespace kora {
namespace {

void PutWord(uint8_t* at, uint32_t value) {
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
    at[2] = static_cast<uint8_t>(value >> 16);
    at[3] = static_cast<uint8_t>(value >> 24);
}

uint32_t GetWord(const uint8_t* at) {
    return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 | static_cast<uint32_t>(at[2]) << 16 |
           static_cast<uint32_t>(at[3]) << 24;
}

}  // namespace

SysCtrlRequestBytes EncodeSysCtrlRequest(uint32_t first, uint32_t second, uint32_t third) {
    SysCtrlRequestBytes bytes{};
    PutWord(&bytes[0], kSysCtrlRequestClass);
    PutWord(&bytes[4], first);
    PutWord(&bytes[8], second);
    PutWord(&bytes[12], third);
    return bytes;
}

bool SysCtrlReplyAccepted(const uint8_t* response, size_t bytesRead) {
    return response != nullptr && bytesRead >= 4 && GetWord(response) == 1;
}

}  // namespace kora
