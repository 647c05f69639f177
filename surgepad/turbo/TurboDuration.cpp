#include "surgepad/turbo/TurboDuration.h"

namespace surgepad {

std::optional<int64_t> ParseTurboDuration(std::string_view text) {
    int64_t unit = 60;
    if (!text.empty()) {
        switch (text.back()) {
            case 's':
            case 'S':
                unit = 1;
                text.remove_suffix(1);
                break;
            case 'm':
            case 'M':
                text.remove_suffix(1);
                break;
            case 'h':
            case 'H':
                unit = 3600;
                text.remove_suffix(1);
                break;
            default:
                break;
        }
    }
    // Seven digits are already more than a day of seconds: longer texts cannot overflow.
    if (text.empty() || text.size() > 7) {
        return std::nullopt;
    }
    int64_t count = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        count = count * 10 + (c - '0');
    }
    const int64_t seconds = count * unit;
    if (seconds <= 0 || seconds > kTurboForMaxSeconds) {
        return std::nullopt;
    }
    return seconds;
}

std::string CountdownText(int64_t msLeft, const std::string& hourUnit, const std::string& minuteUnit) {
    const int64_t minutes = msLeft <= 0 ? 1 : (msLeft + 59999) / 60000;
    const int64_t hours = minutes / 60;
    const int64_t rest = minutes % 60;
    std::string text;
    if (hours > 0) {
        text = std::to_string(hours) + " " + hourUnit;
    }
    if (rest > 0) {
        text += (text.empty() ? "" : " ") + std::to_string(rest) + " " + minuteUnit;
    }
    return text;
}

int64_t NextCountdownChangeMs(int64_t msLeft) {
    return msLeft <= 0 ? 60000 : (msLeft - 1) % 60000 + 1;
}

}  // namespace surgepad
