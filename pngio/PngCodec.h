#pragma once
// The codec behind pngio.dll, free of <windows.h> so that it also builds natively
// (sanitizer tests, fuzzing). The DLL's exports only forward here.

#include <cstddef>
#include <cstdint>

#include "pngio/PngIo.h"

namespace pngio {

// Pictures beyond these are refused before anything is decoded: a skin picture is
// a few hundred pixels wide, and a corrupt or hostile header must not make the
// codec reserve gigabytes.
constexpr uint64_t kMaxPixels = uint64_t{1} << 24;
constexpr size_t kMaxFileBytes = size_t{64} << 20;
// No single allocation of the decoder may exceed this.
constexpr size_t kMaxAllocation = size_t{256} << 20;

// Decodes one PNG file held in memory into `record`. Non-zero on success; on
// failure `record` is all zero.
int DecodePng(const uint8_t* data, size_t size, PngData* record) noexcept;
// Pulls the file through `read` (until it returns 0), then decodes it.
int ReadPng(PngData* record, PngReadCallback read, void* user) noexcept;
int WritePng(const PngData* record, PngWriteCallback write, void* user) noexcept;
void FreePng(PngData* record) noexcept;
int AllocatePng(PngData* record, uint32_t width, uint32_t height, uint32_t colorType) noexcept;

// What the chunk walk found out about a file before decoding: the IHDR fields and
// whether a tRNS chunk gives the picture transparency.
struct PngHeader {
    uint32_t width = 0;
    uint32_t height = 0;
    uint8_t bitDepth = 0;
    uint8_t colorType = 0;
    uint8_t interlace = 0;
    bool hasTransparencyChunk = false;
    uint64_t compressedBytes = 0;  // sum of the IDAT chunk lengths
};

// Walks the chunks of a complete PNG file: signature, IHDR first and valid, CRCs of
// the chunks that shape the picture, known critical chunks only, IEND reached.
// False for anything else.
bool ScanPng(const uint8_t* data, size_t size, PngHeader* header) noexcept;

// CRC-32 of PNG chunks (ISO 3309, as zlib computes it).
uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0) noexcept;

}  // namespace pngio
