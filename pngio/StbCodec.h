#pragma once
// The decoder and encoder of the codec: stb_image and stb_image_write (Debian's
// libstb-dev), compiled in one translation unit of their own with the codec's
// allocation limit.

#include <cstddef>
#include <cstdint>

namespace pngio::detail {

// Decodes a PNG held in memory to 8-bit pixels of `components` (3 or 4) channels;
// 16-bit channels keep their high byte. Null on failure; free with StbFree.
uint8_t* StbDecode(const uint8_t* data, int size, int components, int* width, int* height);
void StbFree(void* pixels);

// Encodes contiguous 8-bit rows; `sink` gets the whole file in one or more pieces
// and returns false to give up. False on failure.
using StbSink = bool (*)(void* context, const void* data, size_t size);
bool StbEncode(const uint8_t* pixels, int width, int height, int components, StbSink sink, void* context);

// malloc and realloc that refuse anything above pngio::kMaxAllocation.
void* LimitedMalloc(size_t size);
void* LimitedRealloc(void* p, size_t size);

}  // namespace pngio::detail
