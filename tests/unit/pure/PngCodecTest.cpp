// The codec of pngio.dll: every kind of PNG decodes to the 8-bit rows ImageMagick
// reads from the same file; damaged, foreign and oversized input is refused.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "pngio/PngCodec.h"
#include "tests/unit/pure/PngSamples.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Stream {
    const uint8_t* data;
    size_t size;
    size_t pos = 0;
    uint32_t maxPiece = 0xFFFFFFFFu;
};

uint32_t PNGIO_CALL ReadStream(void* user, void* buffer, uint32_t count) {
    auto* s = static_cast<Stream*>(user);
    size_t n = std::min<size_t>({count, s->maxPiece, s->size - s->pos});
    if (n > 0) {
        std::memcpy(buffer, s->data + s->pos, n);
    }
    s->pos += n;
    return static_cast<uint32_t>(n);
}

int Read(const Bytes& file, PngData* record, uint32_t maxPiece = 0xFFFFFFFFu) {
    Stream s{file.data(), file.size(), 0, maxPiece};
    return pngio::ReadPng(record, &ReadStream, &s);
}

Bytes FileOf(const pngsamples::Sample& s) {
    return Bytes(s.png, s.png + s.pngSize);
}

const pngsamples::Sample& SampleNamed(const char* name) {
    for (const auto& s : pngsamples::kSamples) {
        if (std::strcmp(s.name, name) == 0) {
            return s;
        }
    }
    throw std::runtime_error(name);
}

bool IsEmpty(const PngData& r) {
    return r.width == 0 && r.height == 0 && r.colorType == 0 && r.rows == nullptr;
}

void ExpectPixels(const pngsamples::Sample& s, const PngData& r) {
    ASSERT_EQ(s.width, r.width);
    ASSERT_EQ(s.height, r.height);
    ASSERT_EQ(8u, r.bitDepth);
    ASSERT_EQ(s.alpha ? 6u : 2u, r.colorType);
    const uint32_t stride = s.alpha ? 4 : 3;
    ASSERT_EQ(s.width * stride, r.rowBytes);
    for (uint32_t y = 0; y < s.height; ++y) {
        for (uint32_t x = 0; x < s.width; ++x) {
            const uint8_t* want = s.rgba + (y * s.width + x) * 4;
            const uint8_t* got = r.rows[y] + x * stride;
            const uint8_t gotAlpha = s.alpha ? got[3] : 255;
            ASSERT_TRUE(want[0] == got[0] && want[1] == got[1] && want[2] == got[2] && want[3] == gotAlpha)
                << "pixel " << x << "," << y << ": got " << int(got[0]) << "," << int(got[1]) << "," << int(got[2])
                << "," << int(gotAlpha) << " expected " << int(want[0]) << "," << int(want[1]) << "," << int(want[2])
                << "," << int(want[3]);
        }
    }
}

// Writes a chunk with its CRC.
void PutChunk(Bytes& out, const char* type, const Bytes& body) {
    const uint32_t n = static_cast<uint32_t>(body.size());
    const uint8_t len[4] = {uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)};
    out.insert(out.end(), len, len + 4);
    const size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), body.begin(), body.end());
    const uint32_t crc = pngio::Crc32(out.data() + typeAt, 4 + body.size());
    const uint8_t c[4] = {uint8_t(crc >> 24), uint8_t(crc >> 16), uint8_t(crc >> 8), uint8_t(crc)};
    out.insert(out.end(), c, c + 4);
}

struct Chunk {
    std::string type;
    Bytes body;
};

std::vector<Chunk> ChunksOf(const Bytes& file) {
    std::vector<Chunk> chunks;
    size_t pos = 8;
    while (pos + 12 <= file.size()) {
        const uint32_t n = (uint32_t(file[pos]) << 24) | (uint32_t(file[pos + 1]) << 16) |
                           (uint32_t(file[pos + 2]) << 8) | file[pos + 3];
        chunks.push_back({std::string(file.begin() + pos + 4, file.begin() + pos + 8),
                          Bytes(file.begin() + pos + 8, file.begin() + pos + 8 + n)});
        pos += 12 + n;
    }
    return chunks;
}

Bytes Assemble(const std::vector<Chunk>& chunks) {
    Bytes out(pngsamples::kRgb8Png, pngsamples::kRgb8Png + 8);
    for (const auto& c : chunks) {
        PutChunk(out, c.type.c_str(), c.body);
    }
    return out;
}

Bytes WithSize(uint32_t width, uint32_t height) {
    std::vector<Chunk> chunks = ChunksOf(FileOf(SampleNamed("Rgb8")));
    Bytes& h = chunks[0].body;
    for (int i = 0; i < 4; ++i) {
        h[i] = uint8_t(width >> (24 - 8 * i));
        h[4 + i] = uint8_t(height >> (24 - 8 * i));
    }
    return Assemble(chunks);
}

}  // namespace

TEST(PngCodec, CrcIsTheStandardOne) {
    const char* text = "123456789";
    EXPECT_EQ(0xCBF43926u, pngio::Crc32(reinterpret_cast<const uint8_t*>(text), 9));
}

TEST(PngCodec, DecodesEveryKindToEightBitRows) {
    for (const auto& s : pngsamples::kSamples) {
        SCOPED_TRACE(s.name);
        PngData r = {};
        ASSERT_EQ(1, Read(FileOf(s), &r));
        ExpectPixels(s, r);
        pngio::FreePng(&r);
        EXPECT_TRUE(IsEmpty(r));
    }
}

TEST(PngCodec, PullsTheFileThroughShortReads) {
    for (const char* name : {"Rgba8Interlaced31x19", "Palette4", "Rgba8SplitData"}) {
        SCOPED_TRACE(name);
        const auto& s = SampleNamed(name);
        PngData r = {};
        ASSERT_EQ(1, Read(FileOf(s), &r, 3));
        ExpectPixels(s, r);
        pngio::FreePng(&r);
    }
}

TEST(PngCodec, TruncatedFilesFail) {
    for (const auto& s : pngsamples::kSamples) {
        SCOPED_TRACE(s.name);
        const Bytes file = FileOf(s);
        for (size_t cut : {size_t{0}, size_t{1}, size_t{8}, size_t{20}, size_t{33}, file.size() / 2, file.size() - 12,
                           file.size() - 1}) {
            PngData r = {};
            EXPECT_EQ(0, Read(Bytes(file.begin(), file.begin() + cut), &r)) << "cut at " << cut;
            EXPECT_TRUE(IsEmpty(r));
        }
    }
    // Every length of one small file.
    const Bytes file = FileOf(SampleNamed("Grey2"));
    for (size_t cut = 0; cut < file.size(); ++cut) {
        PngData r = {};
        EXPECT_EQ(0, Read(Bytes(file.begin(), file.begin() + cut), &r)) << "cut at " << cut;
    }
}

TEST(PngCodec, DamagedBytesFail) {
    const Bytes good = FileOf(SampleNamed("Rgba8"));
    // In the header, in the picture data, in a CRC.
    for (size_t at : {size_t{16}, size_t{24}, size_t{45}, good.size() - 20, good.size() - 5}) {
        Bytes bad = good;
        bad[at] ^= 0x40;
        PngData r = {};
        EXPECT_EQ(0, Read(bad, &r)) << "byte " << at;
        EXPECT_TRUE(IsEmpty(r));
    }
}

TEST(PngCodec, BrokenPictureDataWithValidChecksumsFails) {
    std::vector<Chunk> chunks = ChunksOf(FileOf(SampleNamed("Rgba8")));
    for (auto& c : chunks) {
        if (c.type == "IDAT") {
            for (size_t i = 0; i < c.body.size(); ++i) {
                c.body[i] = static_cast<uint8_t>(i * 151 + 7);
            }
        }
    }
    PngData r = {};
    EXPECT_EQ(0, Read(Assemble(chunks), &r));
    // Valid deflate, but far too little of it for 7 x 5 pixels.
    std::vector<Chunk> shortData = ChunksOf(FileOf(SampleNamed("Rgba8")));
    for (auto& c : shortData) {
        if (c.type == "IDAT") {
            c.body = {0x78, 0x01, 0x01, 0x02, 0x00, 0xFD, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
        }
    }
    EXPECT_EQ(0, Read(Assemble(shortData), &r));
    EXPECT_TRUE(IsEmpty(r));
}

TEST(PngCodec, ForeignFilesFail) {
    const std::vector<Bytes> files = {
        {},
        Bytes(pngsamples::kRgb8Png, pngsamples::kRgb8Png + 8),  // the signature alone
        {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0},
        {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0},
        {'B', 'M', 0x3A, 0, 0, 0},
        Bytes(300, 0x89),
    };
    for (const Bytes& f : files) {
        PngData r = {};
        EXPECT_EQ(0, Read(f, &r)) << f.size() << " bytes";
        EXPECT_TRUE(IsEmpty(r));
    }
}

TEST(PngCodec, ChunkRulesAreKept) {
    const std::vector<Chunk> base = ChunksOf(FileOf(SampleNamed("Rgb8")));
    PngData r = {};
    // An unknown ancillary chunk is skipped; an unknown critical chunk is refused.
    std::vector<Chunk> ancillary = base;
    ancillary.insert(ancillary.begin() + 1, Chunk{"zzZz", {1, 2, 3}});
    ASSERT_EQ(1, Read(Assemble(ancillary), &r));
    pngio::FreePng(&r);
    std::vector<Chunk> critical = base;
    critical.insert(critical.begin() + 1, Chunk{"ZZZZ", {1, 2, 3}});
    EXPECT_EQ(0, Read(Assemble(critical), &r));
    // IHDR must come first and only once, with a valid depth for its colour type.
    std::vector<Chunk> late = base;
    std::swap(late[0], late[1]);
    EXPECT_EQ(0, Read(Assemble(late), &r));
    std::vector<Chunk> twice = base;
    twice.insert(twice.begin() + 1, base[0]);
    EXPECT_EQ(0, Read(Assemble(twice), &r));
    std::vector<Chunk> depth = base;
    depth[0].body[8] = 4;  // colour type 2 at 4 bits does not exist
    EXPECT_EQ(0, Read(Assemble(depth), &r));
    std::vector<Chunk> interlace = base;
    interlace[0].body[12] = 2;
    EXPECT_EQ(0, Read(Assemble(interlace), &r));
    // A palette picture without its palette.
    std::vector<Chunk> noPalette;
    for (const Chunk& c : ChunksOf(FileOf(SampleNamed("Palette8")))) {
        if (c.type != "PLTE") {
            noPalette.push_back(c);
        }
    }
    EXPECT_EQ(0, Read(Assemble(noPalette), &r));
    EXPECT_TRUE(IsEmpty(r));
}

TEST(PngCodec, EnormousPicturesAreRefusedBeforeDecoding) {
    PngData r = {};
    EXPECT_EQ(0, Read(WithSize(100000, 100000), &r));
    EXPECT_EQ(0, Read(WithSize(0x80000000u, 1), &r));
    EXPECT_EQ(0, Read(WithSize(0, 5), &r));
    // Within the pixel limit, but the picture data cannot inflate to that many pixels.
    EXPECT_EQ(0, Read(WithSize(4096, 4096), &r));
    EXPECT_EQ(0, Read(WithSize(7, 100000), &r));
    EXPECT_TRUE(IsEmpty(r));
}

namespace {
uint32_t PNGIO_CALL Endless(void*, void* buffer, uint32_t count) {
    std::memset(buffer, 0x89, count);
    return count;
}
uint32_t PNGIO_CALL Boastful(void*, void*, uint32_t count) {
    return count + 1;
}
}  // namespace

TEST(PngCodec, MisbehavingStreamsAreCutShort) {
    PngData r = {};
    EXPECT_EQ(0, pngio::ReadPng(&r, &Endless, nullptr));
    EXPECT_EQ(0, pngio::ReadPng(&r, &Boastful, nullptr));
    EXPECT_EQ(0, pngio::ReadPng(&r, nullptr, nullptr));
    EXPECT_EQ(0, pngio::ReadPng(nullptr, &Endless, nullptr));
    EXPECT_TRUE(IsEmpty(r));
}

namespace {
uint32_t PNGIO_CALL Collect(void* user, const void* buffer, uint32_t count) {
    auto* out = static_cast<Bytes*>(user);
    const auto* b = static_cast<const uint8_t*>(buffer);
    out->insert(out->end(), b, b + count);
    return count;
}
uint32_t PNGIO_CALL DiskFull(void*, const void*, uint32_t count) {
    return count / 2;
}
}  // namespace

TEST(PngCodec, WrittenFilesReadBackTheSame) {
    for (uint32_t type : {2u, 6u}) {
        SCOPED_TRACE(type);
        PngData out = {};
        ASSERT_EQ(1, pngio::AllocatePng(&out, 5, 3, type));
        EXPECT_EQ(0, out.rows[2][out.rowBytes - 1]);
        for (uint32_t y = 0; y < 3; ++y) {
            for (uint32_t i = 0; i < out.rowBytes; ++i) {
                out.rows[y][i] = static_cast<uint8_t>(y * 40 + i * 7);
            }
        }
        Bytes file;
        ASSERT_EQ(1, pngio::WritePng(&out, &Collect, &file));
        PngData in = {};
        ASSERT_EQ(1, Read(file, &in));
        EXPECT_EQ(type, in.colorType);
        for (uint32_t y = 0; y < 3; ++y) {
            EXPECT_EQ(0, std::memcmp(out.rows[y], in.rows[y], out.rowBytes)) << "row " << y;
        }
        EXPECT_EQ(0, pngio::WritePng(&out, &DiskFull, nullptr));
        pngio::FreePng(&in);
        pngio::FreePng(&out);
    }
}

TEST(PngCodec, ImpossibleRecordsAreRefused) {
    PngData r = {};
    EXPECT_EQ(0, pngio::AllocatePng(&r, 4, 4, 3));
    EXPECT_EQ(0, pngio::AllocatePng(&r, 1u << 13, 1u << 13, 6));
    Bytes sink;
    EXPECT_EQ(0, pngio::WritePng(&r, &Collect, &sink));  // no rows
    EXPECT_TRUE(sink.empty());
    pngio::FreePng(&r);  // an empty record frees nothing
    EXPECT_TRUE(IsEmpty(r));
}
