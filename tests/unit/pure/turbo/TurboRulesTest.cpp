// The rules of automatic turbo against a model of them: random sequences of what the
// user, the programs, Windows and the display do, each step checked against a model
// that keeps the rules as moments (when each trigger came, when turns last ended)
// instead of flags. A failure prints its seed and the shortest sequence that still
// fails. SURGEPAD_RULES_SEED=N replays one seed; SURGEPAD_RULES_RUNS sets how many.
#include "surgepad/turbo/TurboRules.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using surgepad::TurboCause;
using surgepad::TurboRequest;
using surgepad::TurboRules;
using surgepad::TurboStep;
using surgepad::TurboVerdict;
using surgepad::TurboWorld;

enum class Ev {
    Manual,          // a: 0 on, 1 off, 2 toggle
    TimedOn,         // a: minutes
    RunBegin,        // a: id
    RunEnd,          // a: id
    Front,           // a: pid
    ProcessEnd,      // a: pid
    GameMode,        // a: 0/1
    GameModeRule,    // a: 0/1
    Battery,         // a: 0/1
    OffOnBattery,    // a: 0/1
    Clock,           // a: seconds forward
    EffectEnds,      // the display's effect (a switch or a warning) ends
    Usable,          // a: 0/1
    FailNext,        // a: 0/1: the next switch-on leaves turbo off
    ElsewhereWrote,  // another program wrote the values
    List,            // a: bit mask over kNames
};
struct Event {
    Ev ev;
    int a;
};

const char* const kNames[] = {"game.exe", "other.exe", "tool.exe"};
// Processes and their names: two of game.exe (one seen as GAME.EXE), one each of the others.
std::string NameOf(int pid) {
    switch (pid) {
        case 10:
            return "game.exe";
        case 11:
            return "GAME.EXE";
        case 12:
            return "other.exe";
        default:
            return "tool.exe";
    }
}

std::string Show(const Event& e) {
    static const char* const names[] = {"manual",  "timed-on",       "run-begin",       "run-end",
                                        "front",   "process-end",    "game-mode",       "game-mode-rule",
                                        "battery", "off-on-battery", "clock",           "effect-ends",
                                        "usable",  "fail-next",      "elsewhere-wrote", "list"};
    std::string text = names[static_cast<int>(e.ev)];
    if (e.ev == Ev::Manual) {
        return text + (e.a == 0 ? " on" : e.a == 1 ? " off" : " toggle");
    }
    if (e.ev == Ev::Front || e.ev == Ev::ProcessEnd) {
        return text + " " + std::to_string(e.a) + " (" + NameOf(e.a) + ")";
    }
    return e.ev == Ev::EffectEnds || e.ev == Ev::ElsewhereWrote ? text : text + " " + std::to_string(e.a);
}

// The rules as moments: a trigger holds when it came after the last end of turns;
// turbo is held by hand when it was last asked for by hand after the hold was dropped.
class Model {
public:
    int64_t at = 0;  // the current event's number
    bool Blocked() const { return offOnBattery && battery; }
    bool ManualHold() const { return manualOnAt > manualDropAt; }
    bool Holds(int64_t since) const { return since > lastEnd; }
    bool AnyHolds() const {
        for (const auto& [id, since] : runs) {
            if (Holds(since)) {
                return true;
            }
        }
        for (const auto& [pid, since] : fronts) {
            if (Holds(since)) {
                return true;
            }
        }
        return (gameSince && Holds(*gameSince)) || (timed && Holds(timed->second));
    }
    bool Wanted() const { return !Blocked() && (ManualHold() || AnyHolds()); }
    std::optional<TurboCause> FirstCause() const {
        if (ManualHold()) {
            return std::nullopt;
        }
        for (const auto& [id, since] : runs) {
            if (Holds(since)) {
                return TurboCause::Run;
            }
        }
        for (const auto& [pid, since] : fronts) {
            if (Holds(since)) {
                return TurboCause::Program;
            }
        }
        if (gameSince && Holds(*gameSince)) {
            return TurboCause::GameMode;
        }
        if (timed && Holds(timed->second)) {
            return TurboCause::Timed;
        }
        return std::nullopt;
    }
    void EndTurns() {
        lastEnd = at;
        manualDropAt = at;
        timed.reset();
    }
    bool Listed(const std::string& name) const {
        for (const std::string& l : listed) {
            if (l.size() == name.size() &&
                std::equal(l.begin(), l.end(), name.begin(), [](char x, char y) { return (x | 0x20) == (y | 0x20); })) {
                return true;
            }
        }
        return false;
    }
    // The state around the moment a blocking may begin.
    void BlockChange(bool before) {
        if (Blocked() && !before) {
            manualDropAt = at;
        }
    }

    int64_t lastEnd = -1;
    int64_t manualOnAt = -1;
    int64_t manualDropAt = -1;
    std::map<int, int64_t> runs;
    std::map<int, int64_t> fronts;
    std::optional<int64_t> gameSince;
    std::optional<std::pair<int64_t, int64_t>> timed;  // end (ms), since
    std::set<std::string> listed;
    bool gameMode = false, gameRule = false, offOnBattery = true, battery = false;
    TurboStep::Kind inFlight = TurboStep::Kind::None;
};

std::string StepName(TurboStep::Kind kind) {
    switch (kind) {
        case TurboStep::Kind::On:
            return "switch on";
        case TurboStep::Kind::Off:
            return "switch off";
        case TurboStep::Kind::Refused:
            return "refused";
        case TurboStep::Kind::None:
            break;
    }
    return "nothing";
}

struct World {
    bool on = false;
    bool busy = false;
    bool usable = true;
    bool failNext = false;
    int64_t nowMs = 1'700'000'000'000;
    TurboWorld View() const { return TurboWorld{on, busy, usable, nowMs}; }
};

// Runs a sequence on the rules and the model side by side; the first disagreement.
class Replay {
public:
    std::optional<std::string> Play(const std::vector<Event>& events) {
        rules.Start(false, std::nullopt, world.nowMs);
        for (size_t i = 0; i < events.size() && !failure; ++i) {
            model.at = static_cast<int64_t>(i) + 1;
            Apply(events[i]);
            Check("after " + Show(events[i]));
        }
        // Everything settles: the effects end until no switch is asked for.
        for (int n = 0; n < 6 && world.busy && !failure; ++n) {
            model.at = static_cast<int64_t>(events.size()) + 1 + n;
            Apply(Event{Ev::EffectEnds, 0});
        }
        if (!failure && world.busy) {
            Fail("switches follow one another without end");
        }
        if (!failure && world.on != model.Wanted()) {
            Fail(std::string("settled with turbo ") + (world.on ? "on" : "off") + ", the model wants it " +
                 (model.Wanted() ? "on" : "off"));
        }
        return failure;
    }

    TurboRules rules;
    Model model;
    World world;

private:
    void Fail(const std::string& what) {
        if (!failure) {
            failure = what;
        }
    }
    void Verdict(TurboVerdict got, TurboVerdict want, const char* what) {
        if (got != want) {
            Fail(std::string(what) + ": verdict " + surgepad::TurboVerdictName(got) + ", model " +
                 surgepad::TurboVerdictName(want));
        }
    }
    // A refused manual action shows the warning, which holds the display for a while.
    void Warn(TurboVerdict v) {
        if (v == TurboVerdict::Unusable || v == TurboVerdict::OnBattery) {
            world.busy = true;
        }
    }

    TurboVerdict ModelManual(int a) {
        if (world.busy) {
            return TurboVerdict::Busy;
        }
        const bool want = a == 2 ? !world.on : a == 0;
        if (!want) {
            model.EndTurns();
            return world.on ? TurboVerdict::Switch : TurboVerdict::AlreadySo;
        }
        if (model.Blocked()) {
            return TurboVerdict::OnBattery;
        }
        if (!world.on && !world.usable) {
            return TurboVerdict::Unusable;
        }
        model.manualOnAt = model.at;
        return world.on ? TurboVerdict::AlreadySo : TurboVerdict::Switch;
    }

    TurboVerdict ModelTimed(int minutes) {
        if (world.busy) {
            return TurboVerdict::Busy;
        }
        if (model.Blocked()) {
            return TurboVerdict::OnBattery;
        }
        if (!world.on && !world.usable) {
            return TurboVerdict::Unusable;
        }
        model.timed = std::make_pair(world.nowMs + minutes * 60000LL, model.at);
        model.manualDropAt = model.at;
        return world.on ? TurboVerdict::AlreadySo : TurboVerdict::Switch;
    }

    TurboVerdict ModelRun(int id) {
        if (!model.Blocked() && !world.on && !world.usable) {
            return TurboVerdict::Unusable;
        }
        model.runs[id] = model.at;
        if (model.Blocked()) {
            return TurboVerdict::OnBattery;
        }
        return world.on ? TurboVerdict::AlreadySo : world.busy ? TurboVerdict::Queued : TurboVerdict::Switch;
    }

    void EffectEnds() {
        if (!world.busy) {
            return;
        }
        if (model.inFlight == TurboStep::Kind::On) {
            world.on = world.usable && !world.failNext;
            if (!world.on) {
                model.EndTurns();
            }
        } else if (model.inFlight == TurboStep::Kind::Off) {
            world.on = false;
        }
        model.inFlight = TurboStep::Kind::None;
        world.busy = false;
        rules.SwitchEnded(world.on);
    }

    void Apply(const Event& e) {
        const bool blockedBefore = model.Blocked();
        switch (e.ev) {
            case Ev::Manual: {
                const TurboRequest request = e.a == 0   ? TurboRequest::On
                                             : e.a == 1 ? TurboRequest::Off
                                                        : TurboRequest::Toggle;
                const TurboWorld view = world.View();
                const TurboVerdict want = ModelManual(e.a);
                const TurboVerdict got = rules.Manual(request, view);
                Verdict(got, want, "manual");
                Warn(got);
                break;
            }
            case Ev::TimedOn: {
                const TurboWorld view = world.View();
                const TurboVerdict want = ModelTimed(e.a);
                const TurboVerdict got = rules.TimedOn(e.a * 60LL, view);
                Verdict(got, want, "timed");
                Warn(got);
                break;
            }
            case Ev::RunBegin: {
                const TurboWorld view = world.View();
                const TurboVerdict want = ModelRun(e.a);
                Verdict(rules.RunBegin(static_cast<uint64_t>(e.a), "run" + std::to_string(e.a) + ".exe", view), want,
                        "run");
                break;
            }
            case Ev::RunEnd:
                model.runs.erase(e.a);
                rules.RunEnd(static_cast<uint64_t>(e.a));
                break;
            case Ev::Front: {
                const bool listed = model.Listed(NameOf(e.a));
                if (listed) {
                    model.fronts[e.a] = model.at;
                }
                if (rules.ProgramFront(NameOf(e.a), static_cast<uint64_t>(e.a)) != listed) {
                    Fail("front: listed " + std::to_string(!listed) + ", model " + std::to_string(listed));
                }
                break;
            }
            case Ev::ProcessEnd:
                model.fronts.erase(e.a);
                rules.ProcessEnded(static_cast<uint64_t>(e.a));
                break;
            case Ev::GameMode:
                if (e.a && !model.gameMode && model.gameRule) {
                    model.gameSince = model.at;
                }
                if (!e.a) {
                    model.gameSince.reset();
                }
                model.gameMode = e.a != 0;
                rules.GameMode(e.a != 0);
                break;
            case Ev::GameModeRule:
                if (e.a && !model.gameRule && model.gameMode) {
                    model.gameSince = model.at;
                }
                if (!e.a) {
                    model.gameSince.reset();
                }
                model.gameRule = e.a != 0;
                rules.SetGameModeRule(e.a != 0);
                break;
            case Ev::Battery:
                model.battery = e.a != 0;
                model.BlockChange(blockedBefore);
                rules.PowerSource(e.a != 0);
                break;
            case Ev::OffOnBattery:
                model.offOnBattery = e.a != 0;
                model.BlockChange(blockedBefore);
                rules.SetOffOnBattery(e.a != 0);
                break;
            case Ev::Clock:
                world.nowMs += e.a * 1000LL;
                if (model.timed && model.timed->first <= world.nowMs) {
                    model.timed.reset();
                }
                rules.Clock(world.nowMs);
                break;
            case Ev::EffectEnds:
                EffectEnds();
                break;
            case Ev::Usable:
                world.usable = e.a != 0;
                break;
            case Ev::FailNext:
                world.failNext = e.a != 0;
                break;
            case Ev::ElsewhereWrote:
                // The program lets a running switch finish before it forgets turbo.
                EffectEnds();
                world.on = false;
                model.EndTurns();
                rules.ValuesChangedElsewhere();
                break;
            case Ev::List: {
                std::vector<std::string> names;
                model.listed.clear();
                for (int bit = 0; bit < 3; ++bit) {
                    if (e.a & (1 << bit)) {
                        names.emplace_back(kNames[bit]);
                        model.listed.insert(kNames[bit]);
                    }
                }
                for (auto it = model.fronts.begin(); it != model.fronts.end();) {
                    it = model.Listed(NameOf(it->first)) ? std::next(it) : model.fronts.erase(it);
                }
                rules.SetPrograms(names);
                break;
            }
        }
        if (failure) {
            return;
        }
        // After every event the program asks what to do, and does it.
        const TurboWorld view = world.View();
        TurboStep::Kind want = TurboStep::Kind::None;
        if (!world.busy) {
            const bool wanted = model.Wanted();
            if (wanted && !world.on) {
                want = world.usable ? TurboStep::Kind::On : TurboStep::Kind::Refused;
            } else if (!wanted && world.on) {
                want = TurboStep::Kind::Off;
            }
        }
        const TurboStep step = rules.Next(view);
        if (step.kind != want) {
            Fail("next: " + StepName(step.kind) + " (" + step.why + "), model " + StepName(want));
            return;
        }
        if (step.kind == TurboStep::Kind::Refused) {
            model.EndTurns();
        } else if (step.kind != TurboStep::Kind::None) {
            world.busy = true;
            model.inFlight = step.kind;
        }
    }

    void Check(const std::string& when) {
        if (failure) {
            return;
        }
        if (rules.Blocked() != model.Blocked() || rules.ManualHold() != model.ManualHold()) {
            Fail(when + ": blocked " + std::to_string(rules.Blocked()) + ", held by hand " +
                 std::to_string(rules.ManualHold()) + "; model " + std::to_string(model.Blocked()) + ", " +
                 std::to_string(model.ManualHold()));
        }
        const auto reason = rules.Reason();
        const auto cause = model.FirstCause();
        if (reason.has_value() != cause.has_value() || (reason && reason->cause != *cause)) {
            Fail(when + ": the tip's reason differs from the model's");
        }
        const auto end = rules.TimedEndMs();
        if (end.has_value() != model.timed.has_value() || (end && *end != model.timed->first)) {
            Fail(when + ": the timed end differs from the model's");
        }
    }

    std::optional<std::string> failure;
};

std::vector<Event> RandomSequence(std::mt19937_64& random, size_t length) {
    std::vector<Event> events;
    std::uniform_int_distribution<int> kind(0, 15);
    for (size_t i = 0; i < length; ++i) {
        const Ev ev = static_cast<Ev>(kind(random));
        int a = 0;
        switch (ev) {
            case Ev::Manual:
                a = static_cast<int>(random() % 3);
                break;
            case Ev::TimedOn:
                a = static_cast<int>(1 + random() % 90);
                break;
            case Ev::RunBegin:
            case Ev::RunEnd:
                a = static_cast<int>(1 + random() % 2);
                break;
            case Ev::Front:
            case Ev::ProcessEnd:
                a = static_cast<int>(10 + random() % 4);
                break;
            case Ev::Clock:
                a = static_cast<int>(random() % 3600);
                break;
            case Ev::List:
                a = static_cast<int>(random() % 8);
                break;
            case Ev::EffectEnds:
            case Ev::ElsewhereWrote:
                break;
            case Ev::Usable:
                a = random() % 4 != 0 ? 1 : 0;  // mostly usable
                break;
            default:
                a = static_cast<int>(random() % 2);
                break;
        }
        // Effects end far more often than anything else happens.
        events.push_back(Event{ev, a});
        if (random() % 2 == 0) {
            events.push_back(Event{Ev::EffectEnds, 0});
        }
    }
    return events;
}

std::optional<std::string> Fails(const std::vector<Event>& events) {
    Replay run;
    return run.Play(events);
}

// The shortest failing sequence found by leaving out one event at a time while it still fails.
std::vector<Event> Shrink(std::vector<Event> events) {
    for (bool shorter = true; shorter;) {
        shorter = false;
        for (size_t i = 0; i < events.size(); ++i) {
            std::vector<Event> without = events;
            without.erase(without.begin() + static_cast<ptrdiff_t>(i));
            if (Fails(without)) {
                events = std::move(without);
                shorter = true;
                --i;
            }
        }
    }
    return events;
}

uint64_t EnvNumber(const char* name, uint64_t fallback) {
    const char* text = std::getenv(name);
    return text != nullptr && *text != '\0' ? std::strtoull(text, nullptr, 10) : fallback;
}

TEST(TurboRulesModel, RandomSequencesOfEveryActorAgreeWithTheModel) {
    const uint64_t fixed = EnvNumber("SURGEPAD_RULES_SEED", 0);
    const uint64_t base =
        fixed != 0 ? fixed : static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
    const uint64_t runs = fixed != 0 ? 1 : EnvNumber("SURGEPAD_RULES_RUNS", 3000);
    std::printf("turbo rules model: seed %llu, %llu sequences\n", static_cast<unsigned long long>(base),
                static_cast<unsigned long long>(runs));
    for (uint64_t n = 0; n < runs; ++n) {
        const uint64_t seed = base + n;
        std::mt19937_64 random(seed);
        const std::vector<Event> events = RandomSequence(random, 40);
        if (const auto failure = Fails(events)) {
            const std::vector<Event> shortest = Shrink(events);
            std::ostringstream text;
            text << "seed " << seed << " (SURGEPAD_RULES_SEED=" << seed << "): " << *Fails(shortest)
                 << "\nshortest failing sequence (" << shortest.size() << " of " << events.size() << " events):\n";
            for (const Event& e : shortest) {
                text << "  " << Show(e) << "\n";
            }
            FAIL() << text.str();
        }
    }
}

// A few of the rules in the words a user would use (the model covers the rest): each
// row a sequence, then what is in force once every effect has ended, and what the tip
// names.
TEST(TurboRules, WhatUsersMeetTurnsOutAsTheyExpect) {
    struct Row {
        const char* what;
        std::vector<Event> events;
        bool on;
        std::optional<TurboCause> reason;
    };
    const Event end{Ev::EffectEnds, 0};
    const Event listGame{Ev::List, 1};
    const Row rows[] = {
        {"a listed game in front switches on, its end switches off",
         {listGame, {Ev::Front, 10}, end, {Ev::ProcessEnd, 10}, end},
         false,
         std::nullopt},
        {"turbo on by hand stays on when the game ends",
         {{Ev::Manual, 0}, end, listGame, {Ev::Front, 10}, {Ev::ProcessEnd, 10}},
         true,
         std::nullopt},
        {"two processes of the name: the last one seen ends it",
         {listGame, {Ev::Front, 10}, end, {Ev::Front, 11}, {Ev::ProcessEnd, 10}},
         true,
         TurboCause::Program},
        {"several rules: off when the last one ends",
         {listGame, {Ev::Front, 10}, end, {Ev::TimedOn, 30}, {Ev::ProcessEnd, 10}},
         true,
         TurboCause::Timed},
        {"a manual off ends the game's turn until its window comes to the front again",
         {listGame, {Ev::Front, 10}, end, {Ev::Manual, 1}, end, {Ev::Front, 10}, end},
         true,
         TurboCause::Program},
        {"back on mains power the game's turbo comes",
         {listGame, {Ev::Battery, 1}, {Ev::Front, 10}, {Ev::Battery, 0}, end},
         true,
         TurboCause::Program},
        {"game mode holds while it is on", {{Ev::GameModeRule, 1}, {Ev::GameMode, 1}, end}, true, TurboCause::GameMode},
        {"a failed switch-on is not tried again and again",
         {{Ev::FailNext, 1}, listGame, {Ev::Front, 10}, end, {Ev::GameModeRule, 1}},
         false,
         std::nullopt},
        {"a run that ends while its switch-on plays switches off after it",
         {{Ev::RunBegin, 1}, {Ev::RunEnd, 1}, end},
         false,
         std::nullopt},
        {"another program's values end every turn",
         {{Ev::RunBegin, 1}, end, {Ev::ElsewhereWrote, 0}},
         false,
         std::nullopt},
    };
    for (const Row& row : rows) {
        Replay run;
        const auto failure = run.Play(row.events);
        EXPECT_FALSE(failure) << row.what << ": " << failure.value_or("");
        EXPECT_EQ(run.world.on, row.on) << row.what;
        const auto reason = run.rules.Reason();
        EXPECT_EQ(run.world.on && reason ? std::optional<TurboCause>(reason->cause) : std::nullopt, row.reason)
            << row.what;
    }
}

// A start finds turbo as the last run left it, and maybe the end of a timed turbo.
TEST(TurboRules, AStartGoesOnCountingOrEndsWhatHasRunOut) {
    constexpr int64_t now = 1'700'000'000'000;
    struct Row {
        const char* what;
        bool on;
        std::optional<int64_t> end;
        TurboStep::Kind step;
        bool counting;
    };
    const Row rows[] = {
        {"nothing kept, turbo off", false, std::nullopt, TurboStep::Kind::None, false},
        {"turbo left on by hand stays on", true, std::nullopt, TurboStep::Kind::None, false},
        {"before the end, turbo on: it goes on counting", true, now + 60000, TurboStep::Kind::None, true},
        {"before the end, turbo off (a restart): on again", false, now + 60000, TurboStep::Kind::On, true},
        {"after the end, turbo off: nothing", false, now - 1000, TurboStep::Kind::None, false},
        {"after the end, turbo still on: off", true, now - 1000, TurboStep::Kind::Off, false},
        {"an end further than a day away is not believed", true, now + 25 * 3600 * 1000LL, TurboStep::Kind::None,
         false},
    };
    for (const Row& row : rows) {
        TurboRules rules;
        rules.Start(row.on, row.end, now);
        EXPECT_EQ(rules.Next(TurboWorld{row.on, false, true, now}).kind, row.step) << row.what;
        EXPECT_EQ(rules.TimedEndMs().has_value(), row.counting) << row.what;
    }
}

}  // namespace
