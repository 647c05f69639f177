#pragma once
// What a numeric LED display shows, apart from drawing it: the format with its row of
// LEDs, the type of value, the stored value and the digits it lights, and the on
// flags. The control (kr/KrNumLed) owns one and paints its row.
//
// A value is placed by walking the format from the last character to the first; a walk
// writes only the wanted states of the positions its type knows, and every other
// position (a point, a unit, a field of another type) keeps what it had.

#include <chrono>
#include <string>
#include <string_view>

#include "lumen/component/LED.h"

namespace lumen {

enum NumLedType {
    nledFloat = 0,
    nledTime = 1,
    nledDate = 2,
};

enum NumLedStyle {
    nledRectangle7_s = 0,
};

// A time and date as the display reads it: wall-clock fields, no time zone.
using LedDateTime = std::chrono::local_seconds;

class NumLedModel {
public:
    // Format "8888", type nledFloat, every LED lit, stored value 0.
    NumLedModel();

    const std::string& Format() const { return m_row.Format(); }
    // Builds the row of `format`, every LED on and wanted fully lit. An empty format or
    // one with a character that is no figure is refused and the old one stays.
    // Returns true when the row was replaced (false also for the current format).
    bool SetFormat(std::string_view format);

    NumLedType Type() const { return m_type; }
    void SetType(NumLedType type) { m_type = type; }
    // Used by the next number placed; the digits shown stay as they are.
    bool ZeroLeading() const { return m_zeroLeading; }
    void SetZeroLeading(bool zeroLeading) { m_zeroLeading = zeroLeading; }

    // With type nledFloat and a value other than the stored one (any value while no
    // number was placed since the row was built: the row then shows its format's
    // "8"s, not the stored 0): stores it and lights
    // the "8" positions with it rounded to as many decimals as there are "8" after the
    // first "." of the format. A zero in front of the units digit is blank unless
    // ZeroLeading; digits that do not fit are dropped and the sign is not shown; a
    // value that is no finite number leaves the digits as they were. Returns true when
    // it was taken.
    bool SetValue(double value);
    // With type nledTime ("H"/"h" hours, "M"/"m" minutes, "S"/"s" seconds) or nledDate
    // ("Y"/"y" year, "M"/"m" month, "D"/"d" day) and a value other than the stored one
    // (any value while none was placed since the row was built):
    // stores it and lights each field's positions from its last digit leftwards.
    // Returns true when it was taken.
    bool SetValue(LedDateTime value);
    // The stored number; false unless the type is nledFloat.
    [[nodiscard]] bool GetValue(double& value) const;
    LedDateTime GetDateTime() const { return m_dateTime; }

    // Index 0: every LED (On also wants each fully lit again); n >= 1: the n-th LED
    // from the left; larger (or negative) indexes are ignored.
    void On(int index) { m_row.On(index); }
    void Off(int index) { m_row.Off(index); }

    const LEDRow& Row() const { return m_row; }
    LEDRow& Row() { return m_row; }

private:
    LEDRow m_row;
    NumLedType m_type = nledFloat;
    bool m_zeroLeading = false;
    double m_number = 0.0;
    LedDateTime m_dateTime{};
    // A number, or a time or date, was placed into the current row.
    bool m_placed = false;
};

}  // namespace lumen
