// The four entries of pngio.dll. They only forward to the codec, which never throws.
#include "pngio/PngCodec.h"

#define PNGIO_EXPORT extern "C" __declspec(dllexport)

PNGIO_EXPORT int PNGIO_CALL ReadPngEx(PngData* record, PngReadCallback read, void* user) noexcept {
    return pngio::ReadPng(record, read, user);
}

PNGIO_EXPORT int PNGIO_CALL WritePngEx(const PngData* record, PngWriteCallback write, void* user) noexcept {
    return pngio::WritePng(record, write, user);
}

PNGIO_EXPORT void PNGIO_CALL FreePngData(PngData* record) noexcept {
    pngio::FreePng(record);
}

PNGIO_EXPORT int PNGIO_CALL AllocatePngData(PngData* record, uint32_t width, uint32_t height,
                                            uint32_t colorType) noexcept {
    return pngio::AllocatePng(record, width, height, colorType);
}
