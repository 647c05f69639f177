#include "lumen/component/LED.h"

#include <algorithm>

#include "lumen/core/Report.h"

namespace lumen {

namespace {

Polygon Box(int left, int top, int right, int bottom) {
    return {{left, top}, {right, top}, {right, bottom}, {left, bottom}};
}

LedShape MakeDigit() {
    LedShape s;
    s.width = 18;
    s.height = 22;
    s.polygons = {
        Box(4, 2, 12, 3),     // a
        Box(14, 4, 15, 9),    // b
        Box(14, 12, 15, 17),  // c
        Box(4, 18, 12, 19),   // d
        Box(2, 12, 3, 17),    // e
        Box(2, 4, 3, 9),      // f
        Box(4, 10, 12, 11),   // g
    };
    s.states = {
        0,                                                      // blank
        kSegA | kSegB | kSegC | kSegD | kSegE | kSegF,          // 0
        kSegB | kSegC,                                          // 1
        kSegA | kSegB | kSegD | kSegE | kSegG,                  // 2
        kSegA | kSegB | kSegC | kSegD | kSegG,                  // 3
        kSegB | kSegC | kSegF | kSegG,                          // 4
        kSegA | kSegC | kSegD | kSegF | kSegG,                  // 5
        kSegA | kSegC | kSegD | kSegE | kSegF | kSegG,          // 6
        kSegA | kSegB | kSegC,                                  // 7
        kSegA | kSegB | kSegC | kSegD | kSegE | kSegF | kSegG,  // 8
        kSegA | kSegB | kSegC | kSegD | kSegF | kSegG,          // 9
        kSegA | kSegB | kSegC | kSegD | kSegE | kSegF | kSegG,  // all lit
    };
    return s;
}

// The kinds that are either all dark or all lit.
LedShape MakeTwoState(int width, int height, std::vector<Polygon> polygons) {
    LedShape s;
    s.width = width;
    s.height = height;
    s.states = {0, (1u << polygons.size()) - 1};
    s.polygons = std::move(polygons);
    return s;
}

LedShape MakePoint() {
    return MakeTwoState(6, 27, {Box(2, 22, 4, 24)});
}

LedShape MakeDegree() {
    return MakeTwoState(9, 27,
                        {
                            {{2, 2}, {8, 2}, {8, 3}, {2, 3}},
                            {{1, 3}, {3, 3}, {3, 9}, {1, 9}},
                            {{6, 3}, {8, 3}, {8, 6}, {6, 6}},
                            {{6, 7}, {8, 7}, {8, 11}, {2, 11}, {2, 10}, {6, 10}},
                        });
}

LedShape MakeLetterC() {
    return MakeTwoState(19, 27,
                        {
                            {{4, 4}, {5, 3}, {17, 3}, {15, 5}, {5, 5}},
                            {{2, 5}, {3, 5}, {4, 6}, {4, 12}, {3, 13}, {2, 13}, {1, 12}, {1, 6}},
                            {{1, 16}, {2, 15}, {3, 15}, {4, 16}, {4, 21}, {3, 22}, {2, 22}, {1, 21}},
                            {{4, 23}, {5, 22}, {15, 22}, {17, 24}, {5, 24}},
                        });
}

LedShape MakeUnit() {
    return MakeTwoState(47, 27,
                        {
                            {{2, 12}, {9, 12}, {8, 13}, {3, 13}},
                            {{10, 13}, {9, 14}, {9, 17}, {10, 17}},
                            {{1, 13}, {2, 14}, {2, 17}, {1, 17}},
                            {{1, 19}, {2, 20}, {2, 22}, {1, 23}},
                            {{3, 18}, {9, 18}, {9, 19}, {3, 19}},
                            {{8, 20}, {10, 23}, {6, 20}},
                            {{14, 13}, {15, 14}, {15, 17}, {14, 17}},
                            {{15, 12}, {23, 12}, {22, 13}, {16, 13}},
                            {{23, 14}, {23, 17}, {24, 17}, {24, 13}},
                            {{16, 18}, {23, 18}, {23, 19}, {16, 19}},
                            {{14, 19}, {14, 24}, {15, 23}, {15, 19}},
                            {{27, 13}, {27, 17}, {28, 16}, {28, 14}},
                            {{27, 19}, {27, 24}, {28, 23}, {28, 20}},
                            {{28, 12}, {44, 12}, {43, 13}, {37, 13}, {37, 24}, {36, 24}, {36, 13}, {29, 13}},
                            {{44, 14}, {44, 16}, {45, 17}, {45, 13}},
                            {{44, 20}, {44, 23}, {45, 24}, {45, 19}},
                        });
}

}  // namespace

std::optional<LedKind> LedKindOf(char formatChar) {
    switch (formatChar) {
        case '8':
        case 'D':
        case 'H':
        case 'M':
        case 'S':
        case 'Y':
        case 'd':
        case 'h':
        case 'm':
        case 's':
        case 'y':
            return LedKind::Digit;
        case '.':
            return LedKind::Point;
        case '^':
            return LedKind::Degree;
        case 'C':
            return LedKind::LetterC;
        case '&':
            return LedKind::Unit;
        default:
            return std::nullopt;
    }
}

const LedShape& ShapeOf(LedKind kind) {
    static const LedShape digit = MakeDigit();
    static const LedShape point = MakePoint();
    static const LedShape degree = MakeDegree();
    static const LedShape letterC = MakeLetterC();
    static const LedShape unit = MakeUnit();
    switch (kind) {
        case LedKind::Digit:
            return digit;
        case LedKind::Point:
            return point;
        case LedKind::Degree:
            return degree;
        case LedKind::LetterC:
            return letterC;
        case LedKind::Unit:
            break;
    }
    return unit;
}

std::optional<LEDRow> LEDRow::FromFormat(std::string_view format) {
    if (format.empty()) {
        return std::nullopt;
    }
    LEDRow row;
    int width = 0;
    int height = 0;
    for (char c : format) {
        const std::optional<LedKind> kind = LedKindOf(c);
        if (!kind) {
            return std::nullopt;
        }
        const LedShape& shape = ShapeOf(*kind);
        row.m_LEDs.push_back({*kind, width, 0, shape.LastState(), true});
        width += shape.width;
        height = std::max(height, shape.height);
    }
    row.m_figure = FigureBase(width, height);
    for (LED& led : row.m_LEDs) {
        const LedShape& shape = ShapeOf(led.kind);
        led.firstPolygon = row.m_figure.PolygonCount();
        for (const Polygon& p : shape.polygons) {
            row.m_figure.AddPolygon(p, led.left);
        }
    }
    row.m_format = format;
    return row;
}

const LEDRow::LED& LEDRow::At(size_t indexOfLED) const {
    LUMEN_ASSERT(indexOfLED < m_LEDs.size());
    return m_LEDs[indexOfLED];
}

LEDRow::LED& LEDRow::At(size_t indexOfLED) {
    LUMEN_ASSERT(indexOfLED < m_LEDs.size());
    return m_LEDs[indexOfLED];
}

LedKind LEDRow::KindAt(size_t indexOfLED) const {
    return At(indexOfLED).kind;
}

int LEDRow::LeftAt(size_t indexOfLED) const {
    return At(indexOfLED).left;
}

int LEDRow::WantedState(size_t indexOfLED) const {
    return At(indexOfLED).wanted;
}

void LEDRow::SetWantedState(size_t indexOfLED, int state) {
    LED& led = At(indexOfLED);
    led.wanted = std::clamp(state, 0, ShapeOf(led.kind).LastState());
}

bool LEDRow::IsOn(size_t indexOfLED) const {
    return At(indexOfLED).on;
}

int LEDRow::ShownState(size_t indexOfLED) const {
    const LED& led = At(indexOfLED);
    return led.on ? led.wanted : 0;
}

uint32_t LEDRow::LitMask(size_t indexOfLED) const {
    return ShapeOf(KindAt(indexOfLED)).states[static_cast<size_t>(ShownState(indexOfLED))];
}

void LEDRow::On(int n) {
    if (n == 0) {
        for (LED& led : m_LEDs) {
            led.on = true;
            led.wanted = ShapeOf(led.kind).LastState();
        }
    } else if (n > 0 && static_cast<size_t>(n) <= m_LEDs.size()) {
        At(static_cast<size_t>(n) - 1).on = true;
    }
}

void LEDRow::Off(int n) {
    if (n == 0) {
        for (LED& led : m_LEDs) {
            led.on = false;
        }
    } else if (n > 0 && static_cast<size_t>(n) <= m_LEDs.size()) {
        At(static_cast<size_t>(n) - 1).on = false;
    }
}

void LEDRow::Paint(Bitmap& bitmap, const LedColours& colours) const {
    // Painted without Fill: the caller decides when the picture counts as changed.
    FillPolygon(bitmap, Box(0, 0, bitmap.Width() - 1, bitmap.Height() - 1), colours.background);
    for (size_t i = 0; i < m_LEDs.size(); ++i) {
        const LED& led = m_LEDs[i];
        const uint32_t lit = LitMask(i);
        const size_t count = ShapeOf(led.kind).polygons.size();
        for (size_t k = 0; k < count; ++k) {
            FillPolygon(bitmap, m_figure.ScaledPolygon(led.firstPolygon + k),
                        (lit >> k) & 1u ? colours.light : colours.dark);
        }
    }
}

}  // namespace lumen
