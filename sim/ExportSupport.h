#pragma once
// What every stand-in library's exports share: the simulator of the module they are
// built into, and the rule that no exception leaves an exported function.

#include <utility>

#include "sim/Platform.h"
#include "sim/Simulator.h"

namespace sim {

// The simulator of the module (DLL or program) this is compiled into: its board
// defaults to "board.txt" in that module's folder. One per module.
inline Simulator& ModuleSimulator() {
    static const char anchor = 0;  // an address inside this module
    static Simulator simulator(platform::ModuleFolder(&anchor));
    return simulator;
}

// Runs an exported call; an exception of any kind becomes `failure`, the call's
// failure.
template <typename Result, typename Call>
Result GuardedOr(Result failure, Call&& call) noexcept {
    try {
        return std::forward<Call>(call)();
    } catch (...) {
        return failure;
    }
}

// The same with the result type's zero (nothing for a call without a result).
template <typename Call>
auto Guarded(Call&& call) noexcept -> decltype(call()) {
    try {
        return std::forward<Call>(call)();
    } catch (...) {
        return decltype(call())();
    }
}

}  // namespace sim
