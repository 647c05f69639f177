#pragma once
// The interface of pngio.dll, the program's PNG codec, as both the DLL and its users
// see it. The program loads the DLL at run time and looks the four entries up by name.
//
// A decoded picture is described by a PngData record that the caller owns and the
// codec fills: 8 bits a channel, rows top-down, R, G, B (colour type 2) or R, G, B, A
// (colour type 6). The row memory belongs to the codec until FreePngData.

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#define PNGIO_CALL __stdcall
#else
#define PNGIO_CALL
#endif

extern "C" {

struct PngData {
    uint32_t width;      // pixels
    uint32_t height;     // rows
    uint32_t bitDepth;   // bits a channel of the rows: always 8
    uint32_t colorType;  // 6: R, G, B, A (4 bytes a pixel); 2: R, G, B (3 bytes a pixel)
    uint32_t rowBytes;   // bytes of one row
    uint8_t** rows;      // height pointers, top row first
};

// Reads up to `count` bytes of the file into `buffer`; returns how many it read
// (0 at the end of the file).
typedef uint32_t(PNGIO_CALL* PngReadCallback)(void* user, void* buffer, uint32_t count);
// Writes `count` bytes; returns how many it wrote.
typedef uint32_t(PNGIO_CALL* PngWriteCallback)(void* user, const void* buffer, uint32_t count);

// Decodes a whole PNG file pulled through `read`. Non-zero on success; on failure
// the record is left empty (all zero) and nothing needs to be freed.
typedef int(PNGIO_CALL* ReadPngExProc)(PngData* record, PngReadCallback read, void* user);
// Encodes the record's rows (colour type 2 or 6, 8 bits) as a PNG file. Non-zero on success.
typedef int(PNGIO_CALL* WritePngExProc)(const PngData* record, PngWriteCallback write, void* user);
// Releases the rows of a record filled by ReadPngEx or AllocatePngData and empties it.
typedef void(PNGIO_CALL* FreePngDataProc)(PngData* record);
// Gives an empty record zeroed rows for width x height pixels of colour type 2 or 6.
typedef int(PNGIO_CALL* AllocatePngDataProc)(PngData* record, uint32_t width, uint32_t height, uint32_t colorType);

}  // extern "C"

// The 32-bit program shares this record with a 32-bit codec built by anyone: keep
// its 24-byte layout. 64-bit builds use the natural layout.
#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(PngData) == 24, "PngData is 24 bytes on x86");
static_assert(offsetof(PngData, colorType) == 12, "colour type at offset 12");
static_assert(offsetof(PngData, rows) == 20, "row pointers at offset 20");
#endif
