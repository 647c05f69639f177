#pragma once
// Automatic turbo: which rules hold turbo on, what a manual action ends, and when turbo
// is switched. No window here: the Win32 side (TurboAutomation) feeds the events in and
// runs the switch that Next() asks for.
//
// The rules:
// - A trigger holds turbo from the moment it comes: `-turbo run` (until its command
//   ends), a window of a listed program in front (until the last process of that name
//   seen in front has ended), Windows game mode (while it is on), a timed turbo (until
//   its end).
// - A manual action always wins. Turbo switched on by hand (or found on) stays on when
//   rules end: a rule switches off only what a rule switched on. A manual switch-off
//   ends the turn of every rule holding until its trigger comes again, and ends a timed
//   turbo; so does a switch-on that failed, a profile that cannot be applied, and another
//   program's change of the values.
// - With "turbo off on battery" a PC on battery switches off and switches nothing on;
//   the rules still holding switch on again once it is back on mains power.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "surgepad/button/ButtonControllerInterface.h"

namespace surgepad {

enum class TurboCause : uint8_t { Run, Program, GameMode, Timed };

// What the rules need to know of the program: read afresh before every event.
struct TurboWorld {
    bool on = false;     // the profile is in force
    bool busy = false;   // a switch's effect, or a warning, is running
    bool usable = true;  // the chosen profile can be applied
    int64_t nowMs = 0;   // the wall clock (ms since 1970)
};

// The answer to a manual action or to a trigger that asks for turbo now.
enum class TurboVerdict {
    Switch,     // a switch follows (Next)
    AlreadySo,  // nothing to switch
    Busy,       // a switch runs: the manual action is ignored
    Queued,     // the trigger holds; the switch follows the one that runs
    Unusable,   // the chosen profile cannot be applied
    OnBattery,  // refused on battery
};
const char* TurboVerdictName(TurboVerdict verdict);

// The first rule holding, for the tip: Run, Program, GameMode, then Timed.
struct TurboReason {
    TurboCause cause = TurboCause::Run;
    std::string name;     // Run, Program: the program's name
    int64_t untilMs = 0;  // Timed: its end
};

struct TurboStep {
    enum class Kind { None, On, Off, Refused } kind = Kind::None;
    std::string why;  // for the trace
};

class TurboRules {
public:
    // Options.
    void SetPrograms(std::vector<std::string> names);
    const std::vector<std::string>& Programs() const { return m_programs; }
    bool Listed(std::string_view name) const;
    void SetGameModeRule(bool on);
    bool GameModeRule() const { return m_gameModeRule; }
    void SetOffOnBattery(bool on);
    bool OffOnBattery() const { return m_offOnBattery; }

    // At start: whether turbo was found on, and the end of a timed turbo kept from
    // an earlier run (a turbo found on with a kept end is the timed turbo's, even when
    // the end has passed: then it is switched off).
    void Start(bool on, std::optional<int64_t> timedEndMs, int64_t nowMs);

    // A press, the menu's turbo item, -turbo on|off|toggle.
    TurboVerdict Manual(TurboRequest request, const TurboWorld& world);
    // The menu's "Turbo for", -turbo on --for: counts from now, whoever switched on.
    TurboVerdict TimedOn(int64_t seconds, const TurboWorld& world);
    // -turbo run: `id` names the command (its process).
    TurboVerdict RunBegin(uint64_t id, std::string name, const TurboWorld& world);
    void RunEnd(uint64_t id);
    // A window of `name` came to the front; true when the name is listed (its process
    // `pid` is then watched until ProcessEnded).
    bool ProgramFront(std::string_view name, uint64_t pid);
    void ProcessEnded(uint64_t pid);
    // Whether `pid` is still watched for a rule.
    bool Watches(uint64_t pid) const;
    void GameMode(bool on);
    void PowerSource(bool onBattery);
    // Ends a timed turbo whose end has come.
    void Clock(int64_t nowMs);
    // Another program wrote the values (turbo is forgotten).
    void ValuesChangedElsewhere();
    // The switch Next() asked for has ended; `on` is what is in force now.
    void SwitchEnded(bool on);

    // What to do now. A switch returned counts as started.
    TurboStep Next(const TurboWorld& world);

    bool Blocked() const { return m_offOnBattery && m_onBattery; }
    bool ManualHold() const { return m_manualHold; }
    std::optional<TurboReason> Reason() const;
    std::optional<int64_t> TimedEndMs() const;

private:
    struct Holder {
        TurboCause cause;
        uint64_t id;  // Run: the command; Program: the process; else 0
        std::string name;
        int64_t untilMs;  // Timed
        bool ended;       // a manual switch-off (or the like) ended its turn
    };
    bool AnyHolding() const;
    // Every rule's turn ends; a timed turbo goes.
    void EndTurns();
    void Remove(TurboCause cause, uint64_t id);
    Holder* Find(TurboCause cause, uint64_t id);

    std::vector<std::string> m_programs;
    bool m_gameModeRule = false;
    bool m_offOnBattery = true;
    bool m_onBattery = false;
    bool m_gameMode = false;
    bool m_manualHold = false;
    std::vector<Holder> m_holders;
    TurboStep::Kind m_inFlight = TurboStep::Kind::None;
};

}  // namespace surgepad
