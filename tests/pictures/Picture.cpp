#include "tests/pictures/Picture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "pngio/PngCodec.h"

namespace pictures {
namespace {

std::string Join(const std::string& folder, const std::string& file) {
    if (folder.empty()) {
        return file;
    }
    const char last = folder.back();
    if (last == '/' || last == '\\') {
        return folder + file;
    }
    return folder + (folder.find('\\') != std::string::npos ? "\\" : "/") + file;
}

// What a person sees of the approved picture where it matches: its brightness, dimmed.
void PaintMatching(uint8_t* out, const uint8_t* approved) {
    const int grey = (approved[0] * 30 + approved[1] * 59 + approved[2] * 11) / 300;
    out[0] = out[1] = out[2] = static_cast<uint8_t>(grey);
}

void PaintDiffering(uint8_t* out) {
    out[0] = 255;
    out[1] = 0;
    out[2] = 0;
}

// Compares `got` with `expected` (same size) pixel by pixel; `shown` is what the
// difference picture shows where they match.
Comparison ComparePixels(const Picture& got, const Picture& expected, const Picture& shown,
                         const Tolerance& tolerance) {
    Comparison c;
    c.sameSize = true;
    c.allowed = tolerance.Allowed(int64_t{got.width} * got.height);
    c.diff = Filled(got.width, got.height, 0, 0, 0);
    for (int y = 0; y < got.height; ++y) {
        for (int x = 0; x < got.width; ++x) {
            const uint8_t* g = got.At(x, y);
            const uint8_t* e = expected.At(x, y);
            int worst = 0;
            for (int i = 0; i < 3; ++i) {
                worst = std::max(worst, std::abs(int{g[i]} - int{e[i]}));
            }
            c.largest = std::max(c.largest, worst);
            if (worst > tolerance.channel) {
                ++c.differing;
                PaintDiffering(c.diff.At(x, y));
            } else {
                PaintMatching(c.diff.At(x, y), shown.At(x, y));
            }
        }
    }
    return c;
}

// Pictures of different sizes: the difference picture covers both, and every pixel
// that is not in both differs.
Comparison CompareSizes(const Picture& got, const Picture& approved, const Tolerance& tolerance) {
    Comparison c;
    const int width = std::max(got.width, approved.width);
    const int height = std::max(got.height, approved.height);
    c.allowed = tolerance.Allowed(int64_t{width} * height);
    c.diff = Filled(width, height, 0, 0, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool inGot = x < got.width && y < got.height;
            const bool inApproved = x < approved.width && y < approved.height;
            if (inGot && inApproved && std::equal(got.At(x, y), got.At(x, y) + 3, approved.At(x, y))) {
                PaintMatching(c.diff.At(x, y), approved.At(x, y));
            } else {
                ++c.differing;
                PaintDiffering(c.diff.At(x, y));
            }
        }
    }
    c.largest = 255;
    return c;
}

std::string Describe(const Comparison& c, const Picture& got, const Picture& approved, int fadedAtLeast) {
    std::string text;
    if (!c.sameSize) {
        return "it is " + std::to_string(got.width) + " x " + std::to_string(got.height) +
               " pixels, the approved one " + std::to_string(approved.width) + " x " + std::to_string(approved.height);
    }
    if (fadedAtLeast > 0 && c.alpha < fadedAtLeast) {
        text = "it is too faint to judge (opacity " + std::to_string(c.alpha) + ", at least " +
               std::to_string(fadedAtLeast) + " needed); ";
    }
    return text + std::to_string(c.differing) + " pixels differ by more than the tolerance (" +
           std::to_string(c.allowed) + " may), by up to " + std::to_string(c.largest) +
           (fadedAtLeast > 0 ? ", at opacity " + std::to_string(c.alpha) : std::string());
}

}  // namespace

Picture Filled(int width, int height, uint8_t r, uint8_t g, uint8_t b) {
    Picture p;
    p.width = std::max(width, 0);
    p.height = std::max(height, 0);
    p.rgb.resize(static_cast<size_t>(p.width) * static_cast<size_t>(p.height) * 3);
    for (size_t i = 0; i < p.rgb.size(); i += 3) {
        p.rgb[i] = r;
        p.rgb[i + 1] = g;
        p.rgb[i + 2] = b;
    }
    return p;
}

int Tolerance::Allowed(int64_t pixels) const {
    return static_cast<int>(std::max<int64_t>(atLeast, pixels * perTenThousand / 10000));
}

Comparison Compare(const Picture& got, const Picture& approved, const Tolerance& tolerance) {
    if (got.width != approved.width || got.height != approved.height || got.Empty()) {
        return CompareSizes(got, approved, tolerance);
    }
    return ComparePixels(got, approved, approved, tolerance);
}

Comparison CompareFaded(const Picture& got, const Picture& approved, int minimumAlpha, const Tolerance& tolerance) {
    if (got.width != approved.width || got.height != approved.height || got.Empty()) {
        return CompareSizes(got, approved, tolerance);
    }
    // Over black a window at opacity a shows every channel c as c * a / 255: the
    // least-squares a over all channels.
    double both = 0;
    double squares = 0;
    for (size_t i = 0; i < got.rgb.size(); ++i) {
        both += static_cast<double>(got.rgb[i]) * approved.rgb[i];
        squares += static_cast<double>(approved.rgb[i]) * approved.rgb[i];
    }
    const int alpha = squares > 0 ? std::clamp(static_cast<int>(std::lround(255.0 * both / squares)), 0, 255) : 255;
    Picture faded = approved;
    for (uint8_t& channel : faded.rgb) {
        channel = static_cast<uint8_t>((channel * alpha + 127) / 255);
    }
    Comparison c = ComparePixels(got, faded, approved, tolerance);
    c.alpha = alpha;
    if (alpha < minimumAlpha) {
        c.allowed = -1;
    }
    return c;
}

bool ReadPng(const std::string& path, Picture& picture) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    PngData data{};
    if (!pngio::DecodePng(file.data(), file.size(), &data)) {
        return false;
    }
    const int components = data.colorType == 6 ? 4 : 3;
    picture = Filled(static_cast<int>(data.width), static_cast<int>(data.height), 0, 0, 0);
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            std::memcpy(picture.At(x, y), data.rows[y] + static_cast<size_t>(x) * components, 3);
        }
    }
    pngio::FreePng(&data);
    return true;
}

bool WritePng(const std::string& path, const Picture& picture) {
    if (picture.Empty()) {
        return false;
    }
    std::vector<uint8_t*> rows(static_cast<size_t>(picture.height));
    Picture copy = picture;
    for (int y = 0; y < picture.height; ++y) {
        rows[static_cast<size_t>(y)] = copy.At(0, y);
    }
    const PngData data{static_cast<uint32_t>(picture.width),
                       static_cast<uint32_t>(picture.height),
                       8,
                       2,
                       static_cast<uint32_t>(picture.width) * 3,
                       rows.data()};
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        return false;
    }
    const auto write = [](void* user, const void* buffer, uint32_t count) -> uint32_t {
        auto* stream = static_cast<std::ofstream*>(user);
        stream->write(static_cast<const char*>(buffer), count);
        return *stream ? count : 0;
    };
    return pngio::WritePng(&data, write, &out) != 0 && static_cast<bool>(out.flush());
}

Verdict CheckPicture(const Picture& got, const std::string& name, const CheckPlace& place, int fadedAtLeast,
                     const Tolerance& tolerance) {
    const std::string file = name + ".png";
    Picture approved;
    const bool haveApproved = ReadPng(Join(place.approvedFolder, file), approved);
    Comparison c;
    if (haveApproved) {
        c = fadedAtLeast > 0 ? CompareFaded(got, approved, fadedAtLeast, tolerance) : Compare(got, approved, tolerance);
    }
    if (place.approve) {
        if (haveApproved && c.Matches()) {
            return {true, name + ": the approved picture stays"};
        }
        if (got.Empty() || !WritePng(Join(place.approvedFolder, file), got)) {
            return {false, name + ": cannot write the approved picture into " + place.approvedFolder};
        }
        return {true, name + ": approved (" + (haveApproved ? "changed" : "new") + ")"};
    }
    if (haveApproved && c.Matches()) {
        // What an earlier difference left is not this run's.
        for (const std::string& left : {file, name + ".approved.png", name + ".diff.png"}) {
            std::remove(Join(place.outFolder, left).c_str());
        }
        return {true, name + ": the approved picture" +
                          (fadedAtLeast > 0 ? " (faded to opacity " + std::to_string(c.alpha) + ")" : std::string())};
    }
    const std::string shown = place.outShownAs.empty() ? place.outFolder : place.outShownAs;
    std::string message = name + " is not the approved picture: ";
    message += haveApproved ? Describe(c, got, approved, fadedAtLeast)
                            : "there is no approved picture " + Join(place.approvedFolder, file);
    bool saved = WritePng(Join(place.outFolder, file), got);
    if (haveApproved) {
        saved = WritePng(Join(place.outFolder, name + ".approved.png"), approved) && saved;
        saved = WritePng(Join(place.outFolder, name + ".diff.png"), c.diff) && saved;
    }
    message += saved ? ".\n  See " + Join(shown, file) +
                           (haveApproved ? ", " + name + ".approved.png and " + name + ".diff.png beside it" : "") +
                           ".\n  If the change is wanted, `make approve` takes the new picture."
                     : ".\n  (the pictures could not be written into " + shown + ")";
    return {false, message};
}

}  // namespace pictures
