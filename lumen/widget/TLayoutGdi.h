#pragma once
// The part of TLayout that reads from a GDI device context.

#include <windows.h>

#include "lumen/graphics/DibBitmap.h"

namespace lumen {

// Makes `bitmap` the size of `rect`, 24 bits a pixel, and copies that rectangle of
// the canvas into it (plain source copy).
void CopyBackgroundRect(HDC canvas, DibBitmap& bitmap, const Rect& rect);

}  // namespace lumen
