#pragma once
// Display scale arithmetic. Places, sizes and font heights of the program's windows
// are written in pixels at 96 DPI (100 %); every window scales them to its own DPI
// through ScaleToDpi, and every DPI read from the system goes through ClampDpi.

namespace lumen {

inline constexpr int kBaseDpi = 96;
inline constexpr int kMaxDpi = 288;

// `dpi` within [kBaseDpi, kMaxDpi]: below 100 % the skin is not made smaller, above
// 300 % its pictures would only blur. A DPI the system could not give (0 or less) is
// the base.
int ClampDpi(int dpi);

// `value` at 96 DPI, at `dpi`: rounded to the nearest pixel, halves away from zero
// (329 at 144 DPI is 494, a font height of -11 at 144 DPI is -17).
int ScaleToDpi(int value, int dpi);

}  // namespace lumen
