#pragma once
// Turns the rows of a decoded PNG record (R, G, B or R, G, B, A, 8 bits) into a
// bitmap: B, G, R (24 bits) or B, G, R, A with straight colour (32 bits).

#include <cstdint>

#include "lumen/graphics/Bitmap.h"
#include "pngio/PngIo.h"

namespace lumen {

// The codec never delivers more; a record claiming more is not trusted.
constexpr uint64_t kMaxPngPixels = uint64_t{1} << 24;

// A 32-bit bitmap gets 4 bytes a pixel: alpha from colour type 6 (a pixel with
// alpha 0 becomes 0, 0, 0, 0; every other keeps its colour unchanged), 255 for any
// other colour type. Any other bitmap becomes 24 bits. False, with the bitmap
// unchanged, for a record without rows or with an impossible size.
bool ConvertPngRows(const PngData& record, Bitmap& bitmap);

}  // namespace lumen
