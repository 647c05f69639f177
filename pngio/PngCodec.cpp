#include "pngio/PngCodec.h"

#include <array>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "pngio/StbCodec.h"

namespace pngio {
namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// The most a deflate stream can expand: one bit and a bit more for 258 bytes.
constexpr uint64_t kMaxInflateRatio = 1032;

constexpr std::array<uint32_t, 256> MakeCrcTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) {
            c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        }
        table[n] = c;
    }
    return table;
}
constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

uint32_t Be32(const uint8_t* p) {
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}

constexpr uint32_t ChunkType(char a, char b, char c, char d) {
    return (static_cast<uint32_t>(static_cast<uint8_t>(a)) << 24) |
           (static_cast<uint32_t>(static_cast<uint8_t>(b)) << 16) |
           (static_cast<uint32_t>(static_cast<uint8_t>(c)) << 8) | static_cast<uint32_t>(static_cast<uint8_t>(d));
}

constexpr uint32_t kIHDR = ChunkType('I', 'H', 'D', 'R');
constexpr uint32_t kPLTE = ChunkType('P', 'L', 'T', 'E');
constexpr uint32_t kIDAT = ChunkType('I', 'D', 'A', 'T');
constexpr uint32_t kIEND = ChunkType('I', 'E', 'N', 'D');
constexpr uint32_t kTRNS = ChunkType('t', 'R', 'N', 'S');

bool ValidDepth(uint8_t colorType, uint8_t depth) {
    switch (colorType) {
        case 0:
            return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
        case 3:
            return depth == 1 || depth == 2 || depth == 4 || depth == 8;
        case 2:
        case 4:
        case 6:
            return depth == 8 || depth == 16;
        default:
            return false;
    }
}

int ChannelsOf(uint8_t colorType) {
    switch (colorType) {
        case 2:
            return 3;
        case 4:
            return 2;
        case 6:
            return 4;
        default:
            return 1;
    }
}

// Gives the record the decoded pixels: one row pointer per row into `pixels`, which
// the record owns from now on (its first row pointer is the block to free).
int FillRecord(PngData* record, uint8_t* pixels, uint32_t width, uint32_t height, int components) {
    auto** rows = static_cast<uint8_t**>(std::malloc(sizeof(uint8_t*) * height));
    if (rows == nullptr) {
        detail::StbFree(pixels);
        return 0;
    }
    const size_t rowBytes = static_cast<size_t>(width) * static_cast<size_t>(components);
    for (uint32_t y = 0; y < height; ++y) {
        rows[y] = pixels + rowBytes * y;
    }
    record->width = width;
    record->height = height;
    record->bitDepth = 8;
    record->colorType = components == 4 ? 6 : 2;
    record->rowBytes = static_cast<uint32_t>(rowBytes);
    record->rows = rows;
    return 1;
}

}  // namespace

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc) noexcept {
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) {
        crc = kCrcTable[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    }
    return ~crc;
}

bool ScanPng(const uint8_t* data, size_t size, PngHeader* header) noexcept {
    *header = PngHeader{};
    if (data == nullptr || size < sizeof kSignature || std::memcmp(data, kSignature, sizeof kSignature) != 0) {
        return false;
    }
    size_t pos = sizeof kSignature;
    bool first = true;
    bool seenPalette = false;
    bool seenData = false;
    while (true) {
        if (size - pos < 12) {
            return false;  // truncated before IEND
        }
        const uint32_t length = Be32(data + pos);
        const uint32_t type = Be32(data + pos + 4);
        if (length > 0x7FFFFFFFu || size - pos - 12 < length) {
            return false;
        }
        const uint8_t* body = data + pos + 8;
        const bool critical = (type & 0x20000000u) == 0;
        if (critical || type == kTRNS) {
            if (Crc32(data + pos + 4, size_t{length} + 4) != Be32(body + length)) {
                return false;
            }
        }
        if (first) {
            if (type != kIHDR || length != 13) {
                return false;
            }
            header->width = Be32(body);
            header->height = Be32(body + 4);
            header->bitDepth = body[8];
            header->colorType = body[9];
            header->interlace = body[12];
            if (header->width == 0 || header->height == 0 || header->width > 0x7FFFFFFFu ||
                header->height > 0x7FFFFFFFu || !ValidDepth(header->colorType, header->bitDepth) || body[10] != 0 ||
                body[11] != 0 || header->interlace > 1) {
                return false;
            }
            first = false;
        } else if (type == kIHDR) {
            return false;
        } else if (type == kPLTE) {
            if (seenPalette || seenData || length == 0 || length % 3 != 0 || length > 256 * 3) {
                return false;
            }
            seenPalette = true;
        } else if (type == kIDAT) {
            if (header->colorType == 3 && !seenPalette) {
                return false;
            }
            seenData = true;
            header->compressedBytes += length;
        } else if (type == kIEND) {
            if (!seenData) {
                return false;
            }
            break;
        } else if (type == kTRNS) {
            if (seenData) {
                return false;
            }
            header->hasTransparencyChunk = true;
        } else if (critical) {
            return false;  // a critical chunk this decoder does not know
        }
        pos += 12 + size_t{length};
    }
    const uint64_t pixels = uint64_t{header->width} * header->height;
    if (pixels > kMaxPixels) {
        return false;
    }
    // A stream that cannot inflate to the picture's pixels is cut short; refuse it
    // before reserving memory for a picture that cannot be there.
    const uint64_t bits = pixels * static_cast<uint64_t>(ChannelsOf(header->colorType)) * header->bitDepth;
    const uint64_t minimumRaw = (bits + 7) / 8;
    return header->compressedBytes * kMaxInflateRatio >= minimumRaw;
}

int DecodePng(const uint8_t* data, size_t size, PngData* record) noexcept {
    if (record == nullptr) {
        return 0;
    }
    *record = PngData{};
    PngHeader header;
    if (size > kMaxFileBytes || !ScanPng(data, size, &header)) {
        return 0;
    }
    const bool alpha = header.colorType == 4 || header.colorType == 6 || header.hasTransparencyChunk;
    const int components = alpha ? 4 : 3;
    int width = 0;
    int height = 0;
    uint8_t* pixels = detail::StbDecode(data, static_cast<int>(size), components, &width, &height);
    if (pixels == nullptr) {
        return 0;
    }
    if (static_cast<uint32_t>(width) != header.width || static_cast<uint32_t>(height) != header.height) {
        detail::StbFree(pixels);
        return 0;
    }
    return FillRecord(record, pixels, header.width, header.height, components);
}

int ReadPng(PngData* record, PngReadCallback read, void* user) noexcept {
    if (record == nullptr) {
        return 0;
    }
    *record = PngData{};
    if (read == nullptr) {
        return 0;
    }
    try {
        std::vector<uint8_t> file;
        constexpr uint32_t kPiece = 64 * 1024;
        while (true) {
            const size_t have = file.size();
            file.resize(have + kPiece);
            const uint32_t got = read(user, file.data() + have, kPiece);
            if (got > kPiece) {
                return 0;  // a callback that claims more than it was given room for
            }
            file.resize(have + got);
            if (got == 0) {
                break;
            }
            if (file.size() > kMaxFileBytes) {
                return 0;
            }
        }
        return DecodePng(file.data(), file.size(), record);
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

void FreePng(PngData* record) noexcept {
    if (record == nullptr) {
        return;
    }
    if (record->rows != nullptr) {
        if (record->height > 0) {
            std::free(record->rows[0]);
        }
        std::free(static_cast<void*>(record->rows));
    }
    *record = PngData{};
}

int AllocatePng(PngData* record, uint32_t width, uint32_t height, uint32_t colorType) noexcept {
    if (record == nullptr) {
        return 0;
    }
    *record = PngData{};
    if (width == 0 || height == 0 || (colorType != 2 && colorType != 6) || uint64_t{width} * height > kMaxPixels) {
        return 0;
    }
    const int components = colorType == 6 ? 4 : 3;
    const size_t bytes = size_t{width} * height * static_cast<size_t>(components);
    auto* pixels = static_cast<uint8_t*>(std::calloc(bytes, 1));
    if (pixels == nullptr) {
        return 0;
    }
    return FillRecord(record, pixels, width, height, components);
}

int WritePng(const PngData* record, PngWriteCallback write, void* user) noexcept {
    if (record == nullptr || write == nullptr || record->rows == nullptr || record->width == 0 || record->height == 0 ||
        record->bitDepth != 8 || (record->colorType != 2 && record->colorType != 6) ||
        uint64_t{record->width} * record->height > kMaxPixels) {
        return 0;
    }
    const int components = record->colorType == 6 ? 4 : 3;
    const size_t rowBytes = size_t{record->width} * static_cast<size_t>(components);
    try {
        // The rows may lie anywhere; the encoder wants them one after the other.
        std::vector<uint8_t> pixels(rowBytes * record->height);
        for (uint32_t y = 0; y < record->height; ++y) {
            if (record->rows[y] == nullptr) {
                return 0;
            }
            std::memcpy(pixels.data() + rowBytes * y, record->rows[y], rowBytes);
        }
        struct Target {
            PngWriteCallback write;
            void* user;
        } target{write, user};
        const auto sink = [](void* context, const void* data, size_t size) -> bool {
            auto* t = static_cast<Target*>(context);
            const auto* bytes = static_cast<const uint8_t*>(data);
            while (size > 0) {
                const uint32_t piece = size > 0x40000000u ? 0x40000000u : static_cast<uint32_t>(size);
                if (t->write(t->user, bytes, piece) != piece) {
                    return false;
                }
                bytes += piece;
                size -= piece;
            }
            return true;
        };
        return detail::StbEncode(pixels.data(), static_cast<int>(record->width), static_cast<int>(record->height),
                                 components, sink, &target)
                   ? 1
                   : 0;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

}  // namespace pngio
