// Skin pictures through the real pngio.dll beside the test program: the kinds of PNG,
// their conversion into bitmaps, damaged files, composition over a background.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "lumen/system/ProgramFolder.h"
#include "lumen/graphics/DibBitmap.h"
#include "surgepad/look/MultiLang.h"
#include "surgepad/look/PngReader.h"
#include "tests/unit/ReportRecorder.h"
#include "tests/unit/pure/PngSamples.h"
#include "tests/unit/win/DormixTestSupport.h"

using lumen::Bgra;
using lumen::DibBitmap;
using lumen::PixelFormat;

namespace {

// A folder of its own in the temporary folder, removed with its files.
class TempFolder {
public:
    std::string Write(const std::string& name, const void* data, size_t size) {
        const std::string path = m_folder / name;
        std::ofstream(path, std::ios::binary).write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
        return path;
    }
    std::string Write(const std::string& name, const std::vector<uint8_t>& data) {
        return Write(name, data.data(), data.size());
    }
    const std::string& Path() const { return m_folder.Path(); }

private:
    testutil::ScratchFolder m_folder{"png"};
};

const pngsamples::Sample& SampleNamed(const char* name) {
    for (const auto& s : pngsamples::kSamples) {
        if (std::strcmp(s.name, name) == 0) {
            return s;
        }
    }
    throw std::runtime_error(name);
}

// Straight-alpha B, G, R, A as the program's bitmaps hold a sample pixel.
Bgra Expected(const pngsamples::Sample& s, uint32_t x, uint32_t y) {
    const uint8_t* p = s.rgba + (y * s.width + x) * 4;
    if (!s.alpha) {
        return Bgra{p[2], p[1], p[0], 255};
    }
    if (p[3] == 0) {
        return Bgra{0, 0, 0, 0};
    }
    return Bgra{p[2], p[1], p[0], p[3]};
}

DibBitmap Patterned(int w, int h) {
    DibBitmap b(w, h, PixelFormat::Bgra32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            b.SetPixel(x, y, Bgra{static_cast<uint8_t>(x), static_cast<uint8_t>(y), 99, 42});
        }
    }
    return b;
}

void ExpectPatterned(const DibBitmap& b, int w, int h) {
    ASSERT_EQ(PixelFormat::Bgra32, b.Format());
    ASSERT_EQ(w, b.Width());
    ASSERT_EQ(h, b.Height());
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            ASSERT_EQ((Bgra{static_cast<uint8_t>(x), static_cast<uint8_t>(y), 99, 42}), b.Pixel(x, y));
        }
    }
}

}  // namespace

TEST(PngReaderCodec, TheDllBesideTheProgramOffersItsFourEntriesByName) {
    surgepad::PngManager& codec = surgepad::PngManager::Instance();
    EXPECT_NE(nullptr, codec.Library());
    EXPECT_NE(nullptr, codec.ReadPngEx());
    EXPECT_NE(nullptr, codec.WritePngEx());
    EXPECT_NE(nullptr, codec.FreePngData());
    EXPECT_NE(nullptr, codec.AllocatePngData());
    EXPECT_EQ(&codec, &surgepad::PngManager::Instance());
    EXPECT_EQ(lumen::ProgramFolder() + "Resource\\", surgepad::ResourceFolder());
}

TEST(PngReaderCodec, AMissingCodecIsAFailedPrecondition) {
    const std::string text =
        testutil::AssertionOf([] { surgepad::PngManager codec("Z:\\no\\such\\folder\\pngio.dll"); });
    EXPECT_EQ(0u, text.find("Assertion failed: m_hinst, file PngReader.cpp, line ")) << text;
}

TEST(PngReaderCodec, ALibraryWithoutTheEntriesReadsNothing) {
    TempFolder folder;
    const std::string path = folder.Write("x.png", pngsamples::kRgb8Png, sizeof pngsamples::kRgb8Png);
    surgepad::PngManager notACodec("kernel32.dll");
    EXPECT_EQ(nullptr, notACodec.ReadPngEx());
    DibBitmap b = Patterned(3, 2);
    EXPECT_FALSE(surgepad::LoadPngFile(notACodec, path, b, 96));
    ExpectPatterned(b, 3, 2);
}

TEST(PngReader, EveryKindLoadsAsAThirtyTwoBitBitmapWithStraightAlpha) {
    TempFolder folder;
    for (const auto& s : pngsamples::kSamples) {
        SCOPED_TRACE(s.name);
        const std::string path = folder.Write(std::string(s.name) + ".png", s.png, s.pngSize);
        DibBitmap b(1, 1, PixelFormat::Bgr24);
        ASSERT_TRUE(surgepad::LoadPngFile(path, b, 96));
        ASSERT_EQ(PixelFormat::Bgra32, b.Format());
        ASSERT_EQ(static_cast<int>(s.width), b.Width());
        ASSERT_EQ(static_cast<int>(s.height), b.Height());
        for (uint32_t y = 0; y < s.height; ++y) {
            for (uint32_t x = 0; x < s.width; ++x) {
                ASSERT_EQ(Expected(s, x, y), b.Pixel(static_cast<int>(x), static_cast<int>(y)))
                    << "pixel " << x << "," << y;
            }
        }
    }
}

TEST(PngReader, TheEdgeCasesOfTheConversion) {
    TempFolder folder;
    DibBitmap b;
    // Colour type 2: alpha 255 everywhere.
    ASSERT_TRUE(
        surgepad::LoadPngFile(folder.Write("rgb.png", pngsamples::kRgb8Png, sizeof pngsamples::kRgb8Png), b, 96));
    EXPECT_EQ((Bgra{90, 3, 10, 255}), b.Pixel(0, 0));
    // Alpha 0 with a colour gives 0, 0, 0, 0; alpha 1 keeps its colour.
    ASSERT_TRUE(
        surgepad::LoadPngFile(folder.Write("rgba.png", pngsamples::kRgba8Png, sizeof pngsamples::kRgba8Png), b, 96));
    EXPECT_EQ((Bgra{0, 0, 0, 0}), b.Pixel(0, 0));
    EXPECT_EQ((Bgra{90, 3, 47, 1}), b.Pixel(1, 0));
    // 1 x 1.
    ASSERT_TRUE(surgepad::LoadPngFile(
        folder.Write("one.png", pngsamples::kRgba8OnePixelPng, sizeof pngsamples::kRgba8OnePixelPng), b, 96));
    EXPECT_EQ(1, b.Width());
    EXPECT_EQ(1, b.Height());
    EXPECT_EQ((Bgra{30, 20, 10, 1}), b.Pixel(0, 0));
}

TEST(PngReader, DamagedForeignAndMissingFilesLeaveTheBitmapAsItWas) {
    TempFolder folder;
    const auto& s = SampleNamed("Rgba8Interlaced31x19");
    std::vector<uint8_t> file(s.png, s.png + s.pngSize);
    std::vector<uint8_t> truncated(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(file.size() / 2));
    std::vector<uint8_t> flipped = file;
    flipped[file.size() / 2] ^= 0x10;
    // A header claiming 65536 x 65536 pixels, with a valid CRC (the system's own CRC-32).
    std::vector<uint8_t> huge(pngsamples::kRgb8Png, pngsamples::kRgb8Png + sizeof pngsamples::kRgb8Png);
    const uint8_t size[8] = {0, 1, 0, 0, 0, 1, 0, 0};
    std::memcpy(huge.data() + 16, size, sizeof size);
    using Crc32Proc = DWORD(WINAPI*)(DWORD, const BYTE*, INT);
    const auto crc32 = reinterpret_cast<Crc32Proc>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlComputeCrc32")));
    ASSERT_NE(nullptr, crc32);
    const DWORD crc = crc32(0, huge.data() + 12, 17);
    const uint8_t crcBytes[4] = {uint8_t(crc >> 24), uint8_t(crc >> 16), uint8_t(crc >> 8), uint8_t(crc)};
    std::memcpy(huge.data() + 29, crcBytes, 4);
    const std::vector<uint8_t> text = {'h', 'e', 'l', 'l', 'o', '\r', '\n'};
    const std::vector<std::string> paths = {
        folder.Write("truncated.png", truncated),
        folder.Write("flipped.png", flipped),
        folder.Write("huge.png", huge),
        folder.Write("text.png", text),
        folder.Write("empty.png", {}),
        folder.Path() + "missing.png",
        folder.Path(),
    };
    for (const std::string& path : paths) {
        DibBitmap b = Patterned(3, 2);
        EXPECT_FALSE(surgepad::LoadPngFile(path, b, 96)) << path;
        ExpectPatterned(b, 3, 2);
    }
}

TEST(PngReaderCompose, BlendsThePictureOverTheBackgroundUnderIt) {
    TempFolder folder;
    const std::string path = folder.Write("rgba.png", pngsamples::kRgba8Png, sizeof pngsamples::kRgba8Png);
    DibBitmap background(20, 10, PixelFormat::Bgr24);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 20; ++x) {
            background.SetPixel(x, y, Bgra{7, static_cast<uint8_t>(20 * y), static_cast<uint8_t>(10 * x), 0});
        }
    }
    DibBitmap b;
    surgepad::ComposePngOnBackground(path, b, background, 3, 2, 96);
    EXPECT_EQ(PixelFormat::Bgra32, background.Format());
    ASSERT_EQ(PixelFormat::Bgr24, b.Format());
    ASSERT_EQ(7, b.Width());
    ASSERT_EQ(5, b.Height());
    // Alpha 0: the background at (3, 2). Alpha 255 at (3, 0): the picture.
    EXPECT_EQ((Bgra{7, 40, 30, 255}), b.Pixel(0, 0));
    EXPECT_EQ((Bgra{90, 3, 121, 255}), b.Pixel(3, 0));
    // Alpha 128 at (2, 0) over the background at (5, 2): B 7 -> 90, G 40 -> 3, R 50 -> 84.
    EXPECT_EQ((Bgra{48, 21, 67, 255}), b.Pixel(2, 0));
}

TEST(PngReaderCompose, AMissingPictureComposesToNothing) {
    DibBitmap background(20, 10, PixelFormat::Bgr24);
    DibBitmap b;
    surgepad::ComposeOnBackground("no-such-picture.png", b, background, 1, 1, 96);
    EXPECT_TRUE(b.Empty());
}

TEST(PngReaderCompose, StateImagesLoadOnlyTheNamedStates) {
    DibBitmap background(80, 60, PixelFormat::Bgr24);
    background.Fill({40, 30, 20, 0});
    DibBitmap raised, sunken, focused, disabled;
    surgepad::LoadStateImages({&raised, &sunken, &focused, &disabled}, background, 10, 10, "radio_n.png", nullptr, "",
                              "radio_o.png", 96);
    ASSERT_FALSE(raised.Empty());
    ASSERT_FALSE(disabled.Empty());
    EXPECT_TRUE(sunken.Empty());
    EXPECT_TRUE(focused.Empty());
    // The skin's radio button has a transparent corner: there the panel shows.
    EXPECT_EQ((Bgra{40, 30, 20, 255}), raised.Pixel(0, 0));
    EXPECT_EQ(PixelFormat::Bgr24, raised.Format());
}

TEST(PngReaderCompose, TheShadowIsBlackWithThePictureAlpha) {
    DibBitmap shadow;
    surgepad::PrepareShadowBitmap(shadow, "bg_shadow01.png", 96);
    DibBitmap original;
    ASSERT_TRUE(surgepad::LoadPngFile(surgepad::ResourceFolder() + "bg_shadow01.png", original, 96));
    ASSERT_EQ(original.Width(), shadow.Width());
    ASSERT_EQ(original.Height(), shadow.Height());
    int visible = 0;
    for (int y = 0; y < shadow.Height(); ++y) {
        for (int x = 0; x < shadow.Width(); ++x) {
            const Bgra p = shadow.Pixel(x, y);
            ASSERT_EQ(original.Pixel(x, y).a, p.a);
            ASSERT_EQ((Bgra{0, 0, 0, p.a}), p);
            visible += p.a != 0;
        }
    }
    EXPECT_GT(visible, 0);
}
