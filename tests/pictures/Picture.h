#pragma once
// Pictures of what the program shows, compared with the approved ones kept in the
// repository (tests/pictures/approved/, one PNG file a screen and scale). A picture
// matches its approved one when it has the same size and few of its pixels differ:
//   - a pixel differs when one of its channels is more than Tolerance::channel (8 of
//     255) away from the approved pixel's: anti-aliased edges and the rounding of
//     blended pixels move a channel by a step or two, a changed colour or a glyph by
//     far more;
//   - at most 1 pixel in 10,000 may differ, and never fewer than 4: a stray pixel of
//     an anti-aliased curve passes, a moved or changed text (tens of pixels) does not.
// On a difference the check leaves three pictures side by side: NAME.png (what was
// drawn), NAME.approved.png and NAME.diff.png (the approved picture dimmed to grey,
// every differing pixel in red). No <windows.h>: the comparison is tested natively.

#include <cstdint>
#include <string>
#include <vector>

namespace pictures {

// 8 bits a channel: R, G, B; rows top-down.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;

    bool Empty() const { return width <= 0 || height <= 0; }
    const uint8_t* At(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
    uint8_t* At(int x, int y) { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
    bool operator==(const Picture&) const = default;
};

// A picture of that size, every pixel (r, g, b).
Picture Filled(int width, int height, uint8_t r, uint8_t g, uint8_t b);

struct Tolerance {
    int channel = 8;
    int perTenThousand = 1;
    int atLeast = 4;
    // Differing pixels a picture of `pixels` pixels may have.
    int Allowed(int64_t pixels) const;
};

struct Comparison {
    bool sameSize = false;
    int differing = 0;  // pixels beyond the channel tolerance (all of them when the sizes differ)
    int allowed = 0;
    int largest = 0;  // the largest difference of a channel
    int alpha = 255;  // CompareFaded: the opacity that explains the picture best
    Picture diff;
    bool Matches() const { return sameSize && differing <= allowed; }
};

Comparison Compare(const Picture& got, const Picture& approved, const Tolerance& tolerance = {});

// A window that fades over black (translucent windows inside a Wine desktop are
// blended over black), caught at some opacity: compared with the approved picture
// (taken at full opacity) faded to the opacity that explains it best. A picture too
// faint to tell (below `minimumAlpha`) never matches.
Comparison CompareFaded(const Picture& got, const Picture& approved, int minimumAlpha, const Tolerance& tolerance = {});

bool ReadPng(const std::string& path, Picture& picture);
bool WritePng(const std::string& path, const Picture& picture);

struct CheckPlace {
    std::string approvedFolder;  // where NAME.png is approved
    std::string outFolder;       // where a check leaves its pictures
    std::string outShownAs;      // the out folder as a person finds it (messages); out when empty
    bool approve = false;        // write what was drawn as the approved picture instead
};

struct Verdict {
    bool ok = false;
    std::string message;
};

// Checks `got` against NAME.png of the approved folder (with CompareFaded when
// `fadedAtLeast` is above 0). Approving writes NAME.png into the approved folder when
// it is missing or does not match, and leaves a matching one as it is (so that the
// repository shows only real changes).
Verdict CheckPicture(const Picture& got, const std::string& name, const CheckPlace& place, int fadedAtLeast = 0,
                     const Tolerance& tolerance = {});

}  // namespace pictures
