#include "lumen/graphics/Resample.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "lumen/graphics/PixelOps.h"

namespace lumen {
namespace {

// Premultiplied channels and coverage (the alpha, or 1 for a pixel that is not the key).
struct Sample {
    float b = 0;
    float g = 0;
    float r = 0;
    float a = 0;
};

struct Tap {
    int index;
    float weight;
};

// For each of `to` target positions, the source positions of the tent and their weights
// (summing to 1); positions past an edge count as the edge pixel.
std::vector<std::vector<Tap>> Taps(int from, int to) {
    std::vector<std::vector<Tap>> taps(static_cast<size_t>(to));
    const double ratio = static_cast<double>(from) / to;
    const double radius = std::max(1.0, ratio);
    for (int o = 0; o < to; ++o) {
        const double centre = (o + 0.5) * ratio - 0.5;
        const int first = static_cast<int>(std::floor(centre - radius)) + 1;
        const int last = static_cast<int>(std::ceil(centre + radius)) - 1;
        double total = 0;
        std::vector<Tap>& row = taps[static_cast<size_t>(o)];
        for (int i = first; i <= last; ++i) {
            const double w = 1.0 - std::abs(i - centre) / radius;
            if (w <= 0) {
                continue;
            }
            row.push_back(Tap{std::clamp(i, 0, from - 1), static_cast<float>(w)});
            total += w;
        }
        for (Tap& tap : row) {
            tap.weight = static_cast<float>(tap.weight / total);
        }
    }
    return taps;
}

uint8_t Channel(float premultiplied, float coverage) {
    const float v = coverage > 0 ? premultiplied / coverage : 0;
    return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

}  // namespace

void ResizePicture(const Bitmap& from, Bitmap& to, int width, int height) {
    to.SetPixelFormat(PixelFormat::Bgra32);
    if (from.Width() <= 0 || from.Height() <= 0 || width <= 0 || height <= 0) {
        to.SetSize(std::max(width, 0), std::max(height, 0));
        return;
    }
    if (from.Width() == width && from.Height() == height) {
        to.Assign(from);
        to.SetPixelFormat(PixelFormat::Bgra32);
        return;
    }
    const int w = from.Width();
    const int h = from.Height();
    bool opaque = true;
    for (int y = 0; y < h && opaque; ++y) {
        for (int x = 0; x < w; ++x) {
            if (from.Pixel(x, y).a != 255) {
                opaque = false;
                break;
            }
        }
    }
    const Bgra key = from.Pixel(0, h - 1);
    const auto isKey = [&](Bgra p) { return p.b == key.b && p.g == key.g && p.r == key.r; };

    // Across first: h rows of `width` samples.
    const auto across = Taps(w, width);
    std::vector<Sample> rows(static_cast<size_t>(width) * static_cast<size_t>(h));
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < width; ++x) {
            Sample s;
            for (const Tap& tap : across[static_cast<size_t>(x)]) {
                const Bgra p = from.Pixel(tap.index, y);
                const float a = opaque ? (isKey(p) ? 0.0f : 1.0f) : p.a / 255.0f;
                const float wa = tap.weight * a;
                s.b += wa * p.b;
                s.g += wa * p.g;
                s.r += wa * p.r;
                s.a += wa;
            }
            rows[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] = s;
        }
    }
    // Then down.
    const auto down = Taps(h, height);
    to.SetSize(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            Sample s;
            for (const Tap& tap : down[static_cast<size_t>(y)]) {
                const Sample& q =
                    rows[static_cast<size_t>(tap.index) * static_cast<size_t>(width) + static_cast<size_t>(x)];
                s.b += tap.weight * q.b;
                s.g += tap.weight * q.g;
                s.r += tap.weight * q.r;
                s.a += tap.weight * q.a;
            }
            Bgra out;
            if (opaque) {
                if (s.a < 0.5f) {
                    out = Bgra{key.b, key.g, key.r, 255};
                } else {
                    out = Bgra{Channel(s.b, s.a), Channel(s.g, s.a), Channel(s.r, s.a), 255};
                    if (isKey(out)) {
                        out.b = static_cast<uint8_t>(out.b == 255 ? 254 : out.b + 1);
                    }
                }
            } else {
                const auto alpha = static_cast<uint8_t>(std::clamp(std::lround(s.a * 255.0f), 0L, 255L));
                out = alpha == 0 ? Bgra{0, 0, 0, 0}
                                 : Bgra{Channel(s.b, s.a), Channel(s.g, s.a), Channel(s.r, s.a), alpha};
            }
            to.SetPixel(x, y, out);
        }
    }
    to.Changed();
}

}  // namespace lumen
