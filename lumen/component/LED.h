#pragma once
// The figures of a numeric LED display and a row of them built from a format string.
//
// Each format character is one LED: a seven-segment digit ("8" and the field letters
// of times and dates), a decimal point ("."), a degree sign ("^"), a letter C ("C")
// or a unit symbol ("&"). Every kind has its own box, its polygons and a table of
// states saying which polygons are lit; the last state of every kind lights them all.
// The row keeps per LED a wanted state and an on flag: an LED that is off shows
// state 0 (everything dark) whatever it wants.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "lumen/graphics/FigureBase.h"

namespace lumen {

enum class LedKind : uint8_t {
    Digit,
    Point,
    Degree,
    LetterC,
    Unit,
};

struct LedShape {
    int width = 0;
    int height = 0;
    std::vector<Polygon> polygons;
    // One entry per state; bit i set = polygon i lit.
    std::vector<uint32_t> states;

    int LastState() const { return static_cast<int>(states.size()) - 1; }
};

// The kind a format character stands for; nullopt for a character that is no figure.
std::optional<LedKind> LedKindOf(char formatChar);
const LedShape& ShapeOf(LedKind kind);

// The digit's seven segments in the order of its polygons and state table.
enum DigitSegment : uint32_t {
    kSegA = 1u << 0,  // top
    kSegB = 1u << 1,  // upper right
    kSegC = 1u << 2,  // lower right
    kSegD = 1u << 3,  // bottom
    kSegE = 1u << 4,  // lower left
    kSegF = 1u << 5,  // upper left
    kSegG = 1u << 6,  // middle
};

// The digit state showing d (0 to 9); state 0 is blank.
constexpr int DigitState(int d) {
    return d + 1;
}

struct LedColours {
    Bgra light;
    Bgra dark;
    Bgra background;
};

class LEDRow {
public:
    // The row of `format`, every LED wanted in its last state and on; nullopt when
    // the format is empty or holds a character that is no figure.
    static std::optional<LEDRow> FromFormat(std::string_view format);

    const std::string& Format() const { return m_format; }
    size_t Count() const { return m_LEDs.size(); }
    LedKind KindAt(size_t indexOfLED) const;
    // Left edge of the LED in the row at scale 1.
    int LeftAt(size_t indexOfLED) const;

    int WantedState(size_t indexOfLED) const;
    void SetWantedState(size_t indexOfLED, int state);
    bool IsOn(size_t indexOfLED) const;
    // The wanted state while on, else 0.
    int ShownState(size_t indexOfLED) const;
    // The polygons of the LED lit in its shown state (bit i = polygon i of its kind).
    uint32_t LitMask(size_t indexOfLED) const;

    // n = 0: every LED on and wanted in its last state. n >= 1: the n-th LED from the
    // left on again, showing its wanted state. Other n are ignored.
    void On(int n);
    // n = 0: every LED off. n >= 1: the n-th LED off. Other n are ignored.
    void Off(int n);

    // Every polygon of the row, LED after LED, in row coordinates: size at scale 1 is
    // (sum of the boxes' widths, largest box height).
    const FigureBase& Figure() const { return m_figure; }
    void ScaleTo(int width, int height) { m_figure.ScaleTo(width, height); }

    // Fills each polygon of every LED with the light or dark colour over the
    // background, at the figure's current scale, starting at the bitmap's top-left.
    void Paint(Bitmap& bitmap, const LedColours& colours) const;

private:
    struct LED {
        LedKind kind;
        int left;
        size_t firstPolygon;
        int wanted;
        bool on;
    };

    const LED& At(size_t indexOfLED) const;
    LED& At(size_t indexOfLED);

    std::string m_format;
    std::vector<LED> m_LEDs;
    FigureBase m_figure;
};

}  // namespace lumen
