#pragma once
// How long one switch of the overclocking values may run at the most, and so how long
// everything that waits for a switch to end allows: a waiter that gave up early would
// go on beside the switch's writes.

#include <cstdint>

namespace surgepad {

// The fade (50 steps over 2500 ms) with the steps it hands to the GUI thread.
inline constexpr uint32_t kSwitchEffectMs = 3000;
// The sibling power-saving utility is given this long to stand back.
inline constexpr uint32_t kStandBackMs = 500;
// A request to the system control service is waited for at most this long; a switch
// asks at most twice (a profile file, or a profile the firmware refused).
inline constexpr uint32_t kServiceRequestMs = 10000;
inline constexpr uint32_t kServiceRequestsPerSwitch = 2;
// The firmware's writes and the rest, on a busy machine.
inline constexpr uint32_t kSwitchWorkMs = 2000;
inline constexpr uint32_t kSwitchLongestMs =
    kSwitchEffectMs + kStandBackMs + kServiceRequestsPerSwitch * kServiceRequestMs + kSwitchWorkMs;
// What a waiter for a switch allows.
inline constexpr uint32_t kSwitchWaitMs = kSwitchLongestMs + 4500;
static_assert(kSwitchWaitMs == 30000);

}  // namespace surgepad
