#include "lumen/graphics/Dpi.h"

#include <cstdint>

namespace lumen {

int ClampDpi(int dpi) {
    return dpi < kBaseDpi ? kBaseDpi : (dpi > kMaxDpi ? kMaxDpi : dpi);
}

int ScaleToDpi(int value, int dpi) {
    const int64_t scaled = static_cast<int64_t>(value) * dpi;
    constexpr int64_t half = kBaseDpi / 2;
    return static_cast<int>(scaled >= 0 ? (scaled + half) / kBaseDpi : (scaled - half) / kBaseDpi);
}

}  // namespace lumen
