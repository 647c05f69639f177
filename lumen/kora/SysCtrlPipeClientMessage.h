#pragma once
// The system control service's messages: a 16-byte request (four little-endian 32-bit
// words: request class, three arguments) and a reply whose first 32-bit word is the
// answer, 1 meaning accepted.

#include <array>
#include <cstddef>
#include <cstdint>

namespace kora {

// Name of the pipe on the local machine: \\.\PIPE\KORA SYSTEM CONTROL PIPE.
inline constexpr const char* kSysCtrlPipeName = "KORA SYSTEM CONTROL PIPE";
constexpr uint32_t kSysCtrlRequestClass = 0x80000000u;
constexpr size_t kSysCtrlRequestSize = 16;
constexpr size_t kSysCtrlResponseSize = 4096;
// First argument of a request.
constexpr uint32_t kSysCtrlTurboOn = 0;
constexpr uint32_t kSysCtrlTurboOff = 1;

using SysCtrlRequestBytes = std::array<uint8_t, kSysCtrlRequestSize>;

SysCtrlRequestBytes EncodeSysCtrlRequest(uint32_t first, uint32_t second, uint32_t third);

// A reply of `bytesRead` bytes is an acceptance only when it holds a whole first word
// and that word is 1. A shorter reply says nothing, whatever the call reported.
bool SysCtrlReplyAccepted(const uint8_t* response, size_t bytesRead);

}  // namespace kora
