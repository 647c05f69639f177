#pragma once
// A skin picture drawn for one scale, shown at another.

#include "lumen/graphics/Bitmap.h"

namespace lumen {

// `from` (32 bits a pixel, straight alpha) resized to width x height into `to` (made
// 32 bits a pixel), by a tent filter as wide as a source pixel or a target pixel,
// whichever is larger: area averaging when it shrinks, linear when it grows.
// - A picture with any pixel not fully opaque is filtered in premultiplied colour, so
//   its soft edges gain no dark or light fringe.
// - A fully opaque picture keeps its colour key exact (the colour of its bottom-left
//   pixel, as the skin's transparent-colour rule reads it): key pixels take no part in
//   the colour of the others, a new pixel is the key where key pixels cover at least
//   half of it, and no other new pixel comes out as the key colour. The edges of a
//   shaped window stay hard and clean: no key-coloured fringe inside, no blended edge
//   colour that is neither the key nor the picture.
void ResizePicture(const Bitmap& from, Bitmap& to, int width, int height);

}  // namespace lumen
