#include "surgepad/button/ButtonPlan.h"

namespace surgepad {
namespace {

// POWER_ACTION: none to warm eject, and turn off the display (Windows 8 on).
constexpr uint32_t kLargestLibraryAction = 8;
// POWER_ACTION_QUERY_ALLOWED, _UI_ALLOWED, _OVERRIDE_APPS, _PSEUDO_TRANSITION,
// _LIGHTEST_FIRST, _LOCK_CONSOLE, _DISABLE_WAKES, _CRITICAL.
constexpr uint32_t kLibraryEventFlags =
    0x00000007u | 0x08000000u | 0x10000000u | 0x20000000u | 0x40000000u | 0x80000000u;

}  // namespace

HoldCheck CheckHold(const std::vector<SchemeNow>& now) {
    HoldCheck check;
    for (const SchemeNow& scheme : now) {
        if (scheme.action != kSchemeActionNothing) {
            check.changed[scheme.id] = scheme.action;
        }
    }
    check.everySchemeActs = !now.empty() && check.changed.size() == now.size();
    return check;
}

SchemeActions KeepChanges(const SchemeActions& kept, const std::vector<SchemeNow>& now) {
    SchemeActions result;
    for (const SchemeNow& scheme : now) {
        if (scheme.action != kSchemeActionNothing) {
            result[scheme.id] = scheme.action;
        } else if (const auto found = kept.find(scheme.id); found != kept.end()) {
            result[scheme.id] = found->second;
        }
    }
    return result;
}

std::vector<std::pair<std::string, uint32_t>> GiveBackWrites(const ButtonSetting& kept,
                                                             const std::vector<SchemeNow>& now,
                                                             const std::string& active) {
    std::vector<std::pair<std::string, uint32_t>> writes;
    std::pair<std::string, uint32_t> last;
    bool activeListed = false;
    for (const SchemeNow& scheme : now) {
        if (scheme.action != kSchemeActionNothing) {
            continue;  // the user's
        }
        const auto found = kept.schemes.find(scheme.id);
        uint32_t action = found != kept.schemes.end() ? found->second : kept.pair.first;
        // "Do nothing" goes back only to a scheme that had it as its own: never as the
        // pair's action, and never to the scheme in force.
        if (found == kept.schemes.end() && action == kSchemeActionNothing) {
            action = kSchemeActionShutDown;
        }
        if (scheme.id == active) {
            if (action == kSchemeActionNothing) {
                action = kSchemeActionShutDown;
            }
            last = {scheme.id, action};
            activeListed = true;
        } else if (action != kSchemeActionNothing) {
            writes.emplace_back(scheme.id, action);
        }
    }
    // A program ended half-way leaves the scheme in force doing nothing, and the next
    // start gives the rest back.
    if (activeListed) {
        writes.push_back(last);
    }
    return writes;
}

bool IsDefinedLibraryPair(uint32_t action, uint32_t event) {
    return action <= kLargestLibraryAction && (event & ~kLibraryEventFlags) == 0;
}

}  // namespace surgepad
