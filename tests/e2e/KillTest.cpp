// Ended by force at any moment, the program never loses the system's power-button
// setting. Each run kills it at a random point of its takeover of the button, its
// release, its detection of a change made elsewhere, or a switch: either the moment one
// of its trace lines arrives (the board stand-ins trace every call, so that is after any
// call into the board) or after a random delay. Right after the kill the button does what
// the user chose in the system, or does nothing with that choice saved; the next start
// keeps holding it or gives it back, and a kill after the work was done leaves the state
// that work made.
//
// Every moment runs on the three scheme sets users have; every scheme is checked. After
// a kill during a switch on or off (or while turbo is on), the next start: a press after
// it switches off to the values the firmware had before the switch-on.
//
// SURGEPAD_KILL_RUNS (default 2) runs per moment; `make killruns` runs many more.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <map>
#include <ostream>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>

#include "tests/e2e/E2eSupport.h"

namespace {

using e2e::kSettingsKey;
using e2e::Schemes;
using Pair = std::pair<uint32_t, uint32_t>;
using SchemeMap = std::map<std::string, uint32_t>;

constexpr Pair kShutDown{3, 0};  // the pair of the plan in force (the scheme set says which)
constexpr Pair kSleep{1, 0};     // chosen in the system for every scheme while the program holds the button

// The user's own setting: the pair and every scheme's action.
struct Own {
    Pair pair;
    SchemeMap schemes;
};

SchemeMap Every(const SchemeMap& schemes, uint32_t action) {
    SchemeMap every = schemes;
    for (auto& [id, value] : every) {
        value = action;
    }
    return every;
}

std::string Text(const std::optional<Pair>& p) {
    return p ? "(" + std::to_string(p->first) + ", " + std::to_string(p->second) + ")" : "none";
}

std::string Text(const SchemeMap& schemes) {
    std::string text = "{";
    for (const auto& [id, value] : schemes) {
        text += " " + id.substr(1, 4) + "=" + std::to_string(value);
    }
    return text + " }";
}

bool DoesNothing(const std::optional<Pair>& p) {
    return p && p->first == 0 && (p->second == 0 || p->second == 0x80000000u);
}

// The button as the system and the registry tell it.
struct Hold {
    std::optional<Pair> system;
    SchemeMap schemes;
    std::optional<Pair> saved;
    SchemeMap savedSchemes;
    std::optional<DWORD> systemOwns;  // "PowerButtonDisabled": 0 while the program holds it

    bool DoesNothingAnywhere() const { return DoesNothing(system) && schemes == Every(schemes, 0); }
    std::string Describe() const {
        return "system " + Text(system) + " " + Text(schemes) + ", saved " + Text(saved) + " " + Text(savedSchemes) +
               ", PowerButtonDisabled " + (systemOwns ? std::to_string(*systemOwns) : "none");
    }
};

Hold Observe() {
    Hold h;
    h.system = e2e::SystemButton();
    h.schemes = e2e::SchemeActions();
    const auto action = e2e::UserDword(kSettingsKey, "PowerButtonAction");
    const auto event = e2e::UserDword(kSettingsKey, "PowerButtonEventCode");
    if (action && event) {
        h.saved = Pair{*action, *event};
    }
    for (const auto& [id, value] : h.schemes) {
        if (const auto own = e2e::UserDword(kSettingsKey, ("PowerButtonAction " + id).c_str())) {
            h.savedSchemes[id] = *own;
        }
    }
    h.systemOwns = e2e::UserDword(kSettingsKey, "PowerButtonDisabled");
    return h;
}

// At any moment: the user's own setting is in force in every scheme, or the button
// does nothing anywhere with that setting saved to be given back.
testing::AssertionResult NothingLost(const Hold& h, const Own& own) {
    const bool inForce = h.system == own.pair && h.schemes == own.schemes;
    const bool kept = h.DoesNothingAnywhere() && h.saved == own.pair && h.savedSchemes == own.schemes;
    if (inForce || kept) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << "the user's setting " << Text(own.pair) << " " << Text(own.schemes)
                                       << " is lost: " << h.Describe();
}

// After a start: "held" (the button does nothing, the hold recorded, the user's setting
// saved) or "given back" (the user's setting in force, recorded so); "" otherwise.
std::string Settled(const Hold& h, const Own& own) {
    if (h.DoesNothingAnywhere() && h.saved == own.pair && h.savedSchemes == own.schemes && h.systemOwns == DWORD{0}) {
        return "held";
    }
    if (h.system == own.pair && h.schemes == own.schemes && h.systemOwns == DWORD{1}) {
        return "given back";
    }
    return "";
}

void Key(WORD vk, DWORD pauseMs = 150) {
    e2e::PressKey(vk, pauseMs);
}

bool WaitTrace(e2e::Surgepad& program, const char* text, int count = 1) {
    for (int i = 0; i < 200 && program.CountTrace(text) < count && program.Running(); ++i) {
        Sleep(50);
    }
    return program.CountTrace(text) >= count;
}

// The system's button with the user's setting, the power action chosen earlier, the
// setting saved with each scheme's own action.
void GivenBack(Schemes set) {
    for (const auto& [id, value] : e2e::SchemesOf(set)) {
        ASSERT_TRUE(e2e::SetSchemeAction(id, value)) << id;
    }
    ASSERT_TRUE(e2e::SetUserDword(kSettingsKey, "ButtonAction", 1));
    ASSERT_TRUE(e2e::SetUserDword(kSettingsKey, "PowerButtonDisabled", 1));
    for (const auto& [id, value] : e2e::SchemesOf(set)) {
        ASSERT_TRUE(e2e::SetUserDword(kSettingsKey, ("PowerButtonAction " + id).c_str(), value));
    }
    // The pair: the action of the plan in force.
    ASSERT_TRUE(e2e::SetUserDword(kSettingsKey, "PowerButtonAction", e2e::SchemesOf(set).at(e2e::ActivePlan(set))));
    ASSERT_TRUE(e2e::SetUserDword(kSettingsKey, "PowerButtonEventCode", 0));
}

// The turbo action chosen earlier: the button held in every scheme, the user's setting
// saved.
void Held(Schemes set) {
    GivenBack(set);
    ASSERT_TRUE(e2e::ChooseTurbo(0, true, true));
    ASSERT_TRUE(e2e::SetSchemeAction(e2e::kAllSchemes, 0));
}

struct Moment {
    const char* name;
    Pair own;                            // the user's setting once the work is done
    bool everySchemeChanged;             // the work changes every scheme to `own` elsewhere
    std::function<void(Schemes)> state;  // before the program starts
    std::string arguments;
    // After the start, up to the moment before the work begins; false when that failed.
    std::function<bool(e2e::Surgepad&)> ready;
    std::function<void()> begin;  // the work begins
    const char* done;             // the trace line that ends it
    const char* after;            // what the next start finds once it was done
};

bool Running(e2e::Surgepad& program) {
    return program.WaitForTrace("startup: running", 30000).has_value() && program.Sync();
}

const Moment kMoments[] = {
    {"takeover", kShutDown, false, GivenBack, "",
     [](e2e::Surgepad& program) {
         // Settings window, turbo chosen with the keyboard, focus on Apply.
         if (!Running(program) || e2e::Sim("tray click") != 0 || !WaitTrace(program, "settings: opened")) {
             return false;
         }
         Sleep(200);
         Key(VK_TAB);
         Key(VK_TAB);
         Key(VK_SPACE);
         if (!WaitTrace(program, "settings: logo changed")) {
             return false;
         }
         // The OSD box, the status box, the profile list, Apply.
         for (int i = 0; i < 4; ++i) {
             Key(VK_TAB);
         }
         return true;
     },
     [] { Key(VK_SPACE, 0); }, "settings: applied action", "held"},
    {"release", kShutDown, false, Held, "-release", [](e2e::Surgepad&) { return true; }, [] {},
     "release: the power button is given back", "given back"},
    {"detection", kSleep, true, Held, "", Running, [] { e2e::SetSchemeAction(e2e::kAllSchemes, 1); },
     "controller: the power-button configuration was changed elsewhere", "given back"},
    {"switch", kShutDown, false, Held, "", Running, [] { e2e::Sim("press"); }, "controller: switched on", "held"},
    // Turbo on, then the press that switches it off: a kill during its 2.7 s effect is a
    // kill while turbo is on.
    {"turboOff", kShutDown, false, Held, "",
     [](e2e::Surgepad& program) {
         return Running(program) && e2e::Sim("press") == 0 && WaitTrace(program, "controller: switched on");
     },
     [] { e2e::Sim("press"); }, "controller: switched off", "held"},
};

using Param = std::tuple<Moment, Schemes>;

void PrintTo(const Moment& m, std::ostream* out) {
    *out << m.name;
}

int RunsPerMoment() {
    const char* runs = std::getenv("SURGEPAD_KILL_RUNS");
    return runs != nullptr ? std::max(1, std::atoi(runs)) : 2;
}

class Kill : public testing::TestWithParam<Param> {
protected:
    void SetUp() override { e2e::UseBoard(e2e::SchemeBoard("full.txt", std::get<1>(GetParam()))); }

    Own OwnOf(const Moment& m) const {
        const Schemes set = std::get<1>(GetParam());
        const SchemeMap schemes = e2e::SchemesOf(set);
        if (m.everySchemeChanged) {
            return Own{m.own, Every(schemes, m.own.first)};
        }
        return Own{Pair{schemes.at(e2e::ActivePlan(set)), 0}, schemes};
    }

    struct Outcome {
        size_t lines = 0;  // trace lines from the beginning of the work to its end
        DWORD ms = 0;      // time from the beginning to the end
        bool done = false;
    };

    // One run: the state, the program, the work begun, and a kill at trace line
    // `killLine` after the beginning (0: none) or after `killMs` (negative: none). Then
    // the checks on the button, a new start and the checks again.
    Outcome Run(const Moment& m, size_t killLine, int killMs) {
        Outcome outcome;
        const Own own = OwnOf(m);
        m.state(std::get<1>(GetParam()));
        if (testing::Test::HasFatalFailure()) {
            return outcome;
        }
        const std::string stock = e2e::FirmwareValues();
        {
            // The release run begins at its start: its kill is armed from the first line.
            e2e::Surgepad program(m.arguments, "Surgepad.exe", m.arguments.empty() ? 0 : killLine);
            EXPECT_TRUE(m.ready(program)) << m.name << ": not ready\n" << program.TraceText();
            const size_t base = m.arguments.empty() ? program.LineCount() : 0;
            if (killLine != 0 && m.arguments.empty()) {
                program.KillAtLine(base + killLine);
            }
            const ULONGLONG start = GetTickCount64();
            m.begin();
            if (killMs >= 0) {
                Sleep(static_cast<DWORD>(killMs));
                TerminateProcess(program.Process(), 9);
            }
            for (int i = 0; i < 300 && program.CountTrace(m.done) == 0 && program.Running(); ++i) {
                Sleep(50);
            }
            outcome.done = program.CountTrace(m.done) > 0;
            outcome.ms = static_cast<DWORD>(GetTickCount64() - start);
            outcome.lines = program.LineCount() - base;
            if (killLine == 0 && killMs < 0) {
                program.Stop();
            } else if (program.Running()) {
                // This run traced fewer lines than the one that counted them.
                TerminateProcess(program.Process(), 9);
            }
            EXPECT_TRUE(program.WaitForExit(10000).has_value()) << m.name << ": still running";
            EXPECT_TRUE(NothingLost(Observe(), own))
                << m.name << " killed at line " << killLine << " / " << killMs << " ms\n"
                << program.TraceText();
        }
        e2e::Surgepad next;
        EXPECT_TRUE(Running(next)) << next.TraceText();
        // The firmware's values from before the switch-on are in force, or this start
        // took the turbo state back and a press switches off to them.
        if (next.CountTrace("turbo on, with the recorded start-up values") > 0) {
            ++m_turboTakenBack;
            EXPECT_EQ(e2e::Sim("press"), 0);
            EXPECT_TRUE(next.WaitForTrace("controller: switched off", 15000)) << next.TraceText();
        }
        EXPECT_EQ(e2e::FirmwareValues(), stock) << m.name << ": the values before the switch-on are out of reach\n"
                                                << next.TraceText();
        const Hold h = Observe();
        const std::string settled = Settled(h, own);
        EXPECT_NE(settled, "") << m.name << ": the next start left " << h.Describe() << "\n" << next.TraceText();
        if (outcome.done) {
            EXPECT_EQ(settled, m.after) << m.name << ": killed after the work was done\n" << next.TraceText();
        }
        ++m_settled[settled + (outcome.done ? " (work done)" : " (work cut short)")];
        next.Stop();
        EXPECT_TRUE(NothingLost(Observe(), own)) << "after the next run's end";
        return outcome;
    }

    std::map<std::string, int> m_settled;
    int m_turboTakenBack = 0;  // starts that found turbo on and switched it off at the press
};

TEST_P(Kill, AtARandomPointTheSystemsSettingIsNeverLost) {
    const Moment& m = std::get<0>(GetParam());
    // A run without a kill: how many trace lines and how long the work takes.
    const Outcome whole = Run(m, 0, -1);
    ASSERT_TRUE(whole.done) << m.name << ": the work did not end";
    ASSERT_GT(whole.lines, 0u);
    std::mt19937 random(std::random_device{}());
    const int runs = RunsPerMoment();
    for (int run = 0; run < runs && !HasFatalFailure(); ++run) {
        if (run % 2 == 0) {
            const size_t line = 1 + random() % whole.lines;
            SCOPED_TRACE(std::string(m.name) + ": killed at trace line " + std::to_string(line));
            Run(m, line, -1);
        } else {
            const int ms = static_cast<int>(random() % (whole.ms + 50));
            SCOPED_TRACE(std::string(m.name) + ": killed after " + std::to_string(ms) + " ms");
            Run(m, 0, ms);
        }
    }
    std::ostringstream figures;
    for (const auto& [state, count] : m_settled) {
        figures << " " << state << ": " << count << ";";
    }
    if (m_turboTakenBack > 0) {
        figures << " turbo on at the next start, off at a press: " << m_turboTakenBack << ";";
    }
    std::printf("figure: kill.%s (%s): %d runs (%zu trace lines, %lu ms of work);%s\n", m.name,
                e2e::SchemesName(std::get<1>(GetParam())), runs, whole.lines, static_cast<unsigned long>(whole.ms),
                figures.str().c_str());
}

std::string KillName(const testing::TestParamInfo<Param>& info) {
    std::string name = std::get<0>(info.param).name;
    name[0] = static_cast<char>(name[0] - 'a' + 'A');
    const char* sets[] = {"Agree", "Differ", "BalancedOnly", "OwnPlanActive"};
    return name + "On" + sets[static_cast<int>(std::get<1>(info.param))];
}

INSTANTIATE_TEST_SUITE_P(During, Kill,
                         testing::Combine(testing::ValuesIn(kMoments),
                                          testing::Values(Schemes::kAgree, Schemes::kDiffer, Schemes::kBalancedOnly,
                                                          Schemes::kOwnPlanActive)),
                         KillName);

}  // namespace
