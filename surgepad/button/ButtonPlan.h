#pragma once
// What the program keeps and gives back of the system's power button, scheme by scheme,
// in forms that need no Windows.
//
// While the program holds the button, every power scheme the system lists does nothing.
// A scheme that does something then is the user's doing (set in the power options, or
// made anew), and the user's newest action for a scheme is the one to give back. A
// scheme the program never kept an action for gets the pair's action (shut down for a
// pair that does nothing); the scheme in force is never given "do nothing".

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace surgepad {

// Power-scheme button actions: 0 do nothing, 3 shut down (Windows 10 and 11 also
// define 4, turn off the display).
inline constexpr uint32_t kSchemeActionNothing = 0;
inline constexpr uint32_t kSchemeActionShutDown = 3;

// Scheme id text ("{...}", upper case) -> AC power-button action index.
using SchemeActions = std::map<std::string, uint32_t>;

// One scheme as the system lists it now.
struct SchemeNow {
    std::string id;
    uint32_t action = 0;
};

// What the button is given back: the pair the power-feature library reported, and
// each scheme's own action.
struct ButtonSetting {
    std::pair<uint32_t, uint32_t> pair;
    SchemeActions schemes;

    bool operator==(const ButtonSetting&) const = default;
};

// The schemes while the program holds the button.
struct HoldCheck {
    // The schemes that do something: the user's changes.
    SchemeActions changed;
    // No scheme does nothing any more: the user took the whole button back.
    bool everySchemeActs = false;
};
HoldCheck CheckHold(const std::vector<SchemeNow>& now);

// The kept actions with the user's changes in, and without the schemes the system no
// longer lists. A scheme that does nothing keeps its kept action (none for a scheme made
// while the button was held: it gets the pair's).
SchemeActions KeepChanges(const SchemeActions& kept, const std::vector<SchemeNow>& now);

// The writes that give the button back, in order, the scheme in force last. A scheme
// that does something keeps it; one that does nothing gets its kept action, or the
// pair's; "do nothing" goes back only to a scheme not in force that kept it as its own.
std::vector<std::pair<std::string, uint32_t>> GiveBackWrites(const ButtonSetting& kept,
                                                             const std::vector<SchemeNow>& now,
                                                             const std::string& active);

// A pair the power-feature library may be given back: an action of the system's list
// (none to warm eject) with event flags the system defines.
bool IsDefinedLibraryPair(uint32_t action, uint32_t event);

}  // namespace surgepad
