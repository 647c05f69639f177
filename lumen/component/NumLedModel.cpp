#include "lumen/component/NumLedModel.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace lumen {

namespace {

void PlaceNumber(LEDRow& row, double value, bool zeroLeading) {
    const std::string& format = row.Format();
    const size_t point = std::min(format.find('.'), format.size());
    const auto decimals = std::count(format.begin() + static_cast<std::ptrdiff_t>(point), format.end(), '8');
    const double scaled = value == 0.0 ? 0.0 : value * std::pow(10.0, static_cast<double>(decimals));
    // Kept in a double: a value beyond any integer type drops its leading digits
    // instead of overflowing.
    double n = std::fabs(std::floor(scaled + 0.5));
    if (!std::isfinite(n)) {
        return;
    }
    bool unitsPlaced = false;
    for (size_t pos = format.size(); pos-- > 0;) {
        if (format[pos] != '8') {
            continue;
        }
        const int digit = static_cast<int>(std::fmod(n, 10.0));
        const bool beforePoint = pos < point;
        // Nothing left to show in front of the units digit.
        const bool blank = beforePoint && n == 0.0 && !zeroLeading && unitsPlaced;
        row.SetWantedState(pos, blank ? 0 : DigitState(digit));
        unitsPlaced = unitsPlaced || beforePoint;
        n = std::floor(n / 10.0);
    }
}

// Three fields, each shown by the format characters of its two letters (upper and
// lower case), least significant digit first.
void PlaceFields(LEDRow& row, const char (&letters)[7], int first, int second, int third) {
    const std::string& format = row.Format();
    int* fields[3] = {&first, &second, &third};
    for (size_t pos = format.size(); pos-- > 0;) {
        for (size_t k = 0; k < 3; ++k) {
            if (format[pos] == letters[2 * k] || format[pos] == letters[2 * k + 1]) {
                int& field = *fields[k];
                row.SetWantedState(pos, DigitState(field % 10));
                field /= 10;
                break;
            }
        }
    }
}

}  // namespace

NumLedModel::NumLedModel() : m_row(*LEDRow::FromFormat("8888")) {}

bool NumLedModel::SetFormat(std::string_view format) {
    if (format == m_row.Format()) {
        return false;
    }
    std::optional<LEDRow> row = LEDRow::FromFormat(format);
    if (!row) {
        return false;
    }
    m_row = std::move(*row);
    m_placed = false;
    return true;
}

bool NumLedModel::SetValue(double value) {
    if (m_type != nledFloat || (m_placed && value == m_number)) {
        return false;
    }
    m_number = value;
    m_placed = true;
    PlaceNumber(m_row, value, m_zeroLeading);
    return true;
}

bool NumLedModel::SetValue(LedDateTime value) {
    if ((m_type != nledTime && m_type != nledDate) || (m_placed && value == m_dateTime)) {
        return false;
    }
    m_dateTime = value;
    m_placed = true;
    using namespace std::chrono;
    const local_days day = floor<days>(value);
    if (m_type == nledTime) {
        const hh_mm_ss<seconds> time(value - day);
        PlaceFields(m_row, "HhMmSs", static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                    static_cast<int>(time.seconds().count()));
    } else {
        const year_month_day date(day);
        PlaceFields(m_row, "YyMmDd", std::abs(static_cast<int>(date.year())),
                    static_cast<int>(static_cast<unsigned>(date.month())),
                    static_cast<int>(static_cast<unsigned>(date.day())));
    }
    return true;
}

bool NumLedModel::GetValue(double& value) const {
    if (m_type != nledFloat) {
        return false;
    }
    value = m_number;
    return true;
}

}  // namespace lumen
