// Fuzz target of the codec's decoder (pngio.dll's ReadPngEx path).
//
// Each input is decoded twice: as it is, and with the CRC of every chunk made right,
// so that mutations reach the decoder proper instead of stopping at the checksums.
// A decoded picture must be self-consistent, and every byte of its rows is read so
// that AddressSanitizer sees any row that is shorter than the record claims.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "pngio/PngCodec.h"

namespace {

struct Stream {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

uint32_t PNGIO_CALL ReadStream(void* user, void* buffer, uint32_t count) {
    auto* s = static_cast<Stream*>(user);
    // Odd piece sizes exercise the collection of the file from short reads.
    size_t n = count < 4099 ? count : 4099;
    if (n > s->size - s->pos) {
        n = s->size - s->pos;
    }
    if (n > 0) {
        std::memcpy(buffer, s->data + s->pos, n);
    }
    s->pos += n;
    return static_cast<uint32_t>(n);
}

void FixCrcs(std::vector<uint8_t>& file) {
    size_t pos = 8;
    while (pos + 12 <= file.size()) {
        const uint32_t n = (uint32_t(file[pos]) << 24) | (uint32_t(file[pos + 1]) << 16) |
                           (uint32_t(file[pos + 2]) << 8) | file[pos + 3];
        if (n > file.size() - pos - 12) {
            return;
        }
        const uint32_t crc = pngio::Crc32(file.data() + pos + 4, size_t{n} + 4);
        uint8_t* c = file.data() + pos + 8 + n;
        c[0] = uint8_t(crc >> 24);
        c[1] = uint8_t(crc >> 16);
        c[2] = uint8_t(crc >> 8);
        c[3] = uint8_t(crc);
        pos += 12 + size_t{n};
    }
}

void DecodeOnce(const uint8_t* data, size_t size) {
    Stream s{data, size, 0};
    PngData record;
    std::memset(&record, 0xCD, sizeof record);
    if (pngio::ReadPng(&record, &ReadStream, &s) == 0) {
        if (record.rows != nullptr || record.width != 0 || record.height != 0) {
            std::abort();  // a failure must leave nothing to free
        }
        return;
    }
    const uint32_t stride = record.colorType == 6 ? 4 : 3;
    if ((record.colorType != 2 && record.colorType != 6) || record.bitDepth != 8 || record.width == 0 ||
        record.height == 0 || record.rowBytes != record.width * stride ||
        uint64_t{record.width} * record.height > pngio::kMaxPixels) {
        std::abort();
    }
    volatile uint32_t sum = 0;
    for (uint32_t y = 0; y < record.height; ++y) {
        for (uint32_t i = 0; i < record.rowBytes; ++i) {
            sum = sum + record.rows[y][i];
        }
    }
    pngio::FreePng(&record);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    DecodeOnce(data, size);
    std::vector<uint8_t> fixed(data, data + size);
    FixCrcs(fixed);
    DecodeOnce(fixed.data(), fixed.size());
    return 0;
}
