#pragma once
// The settings window's opening and closing animation as plain steps: which rows of
// the complete skin are copied, where the bottom strip goes, and the fade values. The
// window's thread plays them; the arithmetic lives here so that it can be checked
// without a window.
//
// The skin is kSkinHeight rows high. A drawn state "strip at y" shows the skin's top
// y rows closed by the skin's last kStripRows rows (placed at y), with everything
// below them transparent.

#include <cstdint>
#include <vector>

namespace surgepad {

inline constexpr int kSkinHeight = 373;
// The bottom strip: rows kStripTop .. kSkinHeight - 1 of the skin.
inline constexpr int kStripTop = 336;
inline constexpr int kStripRows = kSkinHeight - kStripTop;
// The opening starts from this many rows, and the closing ends there.
inline constexpr int kFirstRows = 40;
inline constexpr int kGrowStep = 3;
inline constexpr int kFadeInStep = 10;
inline constexpr int kFadeOutStep = 10;
inline constexpr unsigned kFadeInPauseMs = 30;
inline constexpr unsigned kFadeOutPauseMs = 10;

// The rows of the animation at a display scale: the 96-DPI figures above, scaled, so
// that it takes as many steps (as long) at every scale.
struct StripGeometry {
    int skinHeight = kSkinHeight;
    int stripTop = kStripTop;
    int firstRows = kFirstRows;
    // Rows a grow step, as a fraction (3 x 144 / 96 at 150 %): the steps are rounded
    // one by one, never the step itself, so every scale takes the same number.
    int growRows = kGrowStep;
    int growPer = 1;
    int StripRows() const { return skinHeight - stripTop; }
    // The rows `steps` grow steps make.
    int Grown(int steps) const { return (2 * steps * growRows + growPer) / (2 * growPer); }
    bool operator==(const StripGeometry&) const = default;
};
StripGeometry StripGeometryAt(int dpi);

// One drawing step: copy the skin's rows [copyFrom, copyTo) in place (none when
// equal), then put the strip at `strip`.
struct StripStep {
    int copyFrom;
    int copyTo;
    int strip;
    bool operator==(const StripStep&) const = default;
};

// Where a strip at `y` lands: rows [y, y + kStripRows) take the skin's strip, rows
// [y + kStripRows, kSkinHeight) become transparent. `y` is clamped to 0..kStripTop.
struct StripRows {
    int stripFrom;
    int stripTo;
    int clearFrom;
    int clearTo;
};
StripRows StripPlacement(int y, const StripGeometry& g = {});

// Opening: the first rows with the strip below them, then each grow step (new rows
// only, no pause between them), ending with the complete skin.
std::vector<StripStep> OpeningStrips(const StripGeometry& g = {});
// Closing: the complete skin, then the strip moved up kGrowStep rows at a time down to
// kFirstRows.
std::vector<StripStep> ClosingStrips(const StripGeometry& g = {});
// Fade in: 0, 10, ..., 250, then 255 (a pause of kFadeInPauseMs after each value but
// the last). Fade out: 255, 245, ..., 5, then 0 (kFadeOutPauseMs).
std::vector<uint8_t> FadeInAlphas();
std::vector<uint8_t> FadeOutAlphas();

}  // namespace surgepad
