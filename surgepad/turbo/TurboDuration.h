#pragma once
// How long a timed turbo lasts and how long it has left: the lengths the command line
// takes ("90s", "45m", "2h", a plain number of minutes) and the countdown the tray tip
// shows. No window here.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace surgepad {

// The longest timed turbo: a day. Longer ones are refused as bad arguments, and a kept
// end further away than this (a clock set back, a damaged value) is not believed.
inline constexpr int64_t kTurboForMaxSeconds = 24 * 3600;

// Digits followed by "s", "m" or "h" (either case), or digits alone (minutes); nullopt
// for anything else, for zero and for more than kTurboForMaxSeconds.
std::optional<int64_t> ParseTurboDuration(std::string_view text);

// What is left, in whole minutes rounded up (a countdown never says 0 while it runs):
// "1 h 5 min", "45 min", "2 h", with the units of the language.
std::string CountdownText(int64_t msLeft, const std::string& hourUnit, const std::string& minuteUnit);
// Milliseconds until the text of CountdownText changes (1 to 60000).
int64_t NextCountdownChangeMs(int64_t msLeft);

}  // namespace surgepad
