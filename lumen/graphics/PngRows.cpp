#include "lumen/graphics/PngRows.h"

namespace lumen {

bool ConvertPngRows(const PngData& record, Bitmap& bitmap) {
    if (record.rows == nullptr || record.width == 0 || record.height == 0 || record.width > 0x7FFFFFFFu ||
        record.height > 0x7FFFFFFFu || uint64_t{record.width} * record.height > kMaxPngPixels) {
        return false;
    }
    for (uint32_t y = 0; y < record.height; ++y) {
        if (record.rows[y] == nullptr) {
            return false;
        }
    }
    const bool fourBytes = bitmap.Format() == PixelFormat::Bgra32;
    if (!fourBytes) {
        bitmap.SetPixelFormat(PixelFormat::Bgr24);
    }
    const bool sourceAlpha = record.colorType == 6;
    const int sourceStride = sourceAlpha ? 4 : 3;
    bitmap.SetSize(0, 0);
    bitmap.SetSize(static_cast<int>(record.width), static_cast<int>(record.height));
    if (bitmap.Empty()) {
        return false;
    }
    for (int y = 0; y < bitmap.Height(); ++y) {
        const uint8_t* s = record.rows[y];
        uint8_t* d = bitmap.ScanLine(y);
        for (int x = 0; x < bitmap.Width(); ++x, s += sourceStride) {
            d[0] = s[2];
            d[1] = s[1];
            d[2] = s[0];
            if (!fourBytes) {
                d += 3;
                continue;
            }
            if (sourceAlpha) {
                d[3] = s[3];
                if (s[3] == 0) {
                    d[0] = d[1] = d[2] = 0;
                }
            } else {
                d[3] = 255;
            }
            d += 4;
        }
    }
    return true;
}

}  // namespace lumen
