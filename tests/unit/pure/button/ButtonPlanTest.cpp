// What a release writes into each power scheme, and what the check keeps of the user's
// changes while the button is held.
#include "surgepad/button/ButtonPlan.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

using surgepad::ButtonSetting;
using surgepad::SchemeNow;
using Writes = std::vector<std::pair<std::string, uint32_t>>;

const char kSaver[] = "{A1841308-3541-4FAB-BC81-F71556F20B4A}";
const char kBalanced[] = "{381B4222-F694-41F0-9685-FF5BB260DF2E}";
const char kOwn[] = "{C0570001-0000-4000-8000-000000000001}";

std::string Text(const Writes& writes) {
    std::string text;
    for (const auto& [id, action] : writes) {
        text += id.substr(1, 4) + "=" + std::to_string(action) + " ";
    }
    return text;
}

TEST(ButtonPlan, AReleaseGivesEachSchemeThatDoesNothingItsOwnActionTheSchemeInForceLast) {
    struct Case {
        const char* name;
        ButtonSetting kept;
        std::vector<SchemeNow> now;
        const char* active;
        Writes expected;
    };
    const Case cases[] = {
        {"each its own, 4 (turn off the display) kept",
         {{4, 0}, {{kSaver, 1}, {kBalanced, 4}, {kOwn, 2}}},
         {{kBalanced, 0}, {kOwn, 0}, {kSaver, 0}},
         kOwn,
         {{kBalanced, 4}, {kSaver, 1}, {kOwn, 2}}},
        {"a scheme the user changed meanwhile keeps it",
         {{3, 0}, {{kSaver, 1}, {kBalanced, 3}}},
         {{kSaver, 2}, {kBalanced, 0}},
         kBalanced,
         {{kBalanced, 3}}},
        {"a scheme made while held gets the pair's action",
         {{4, 0}, {{kBalanced, 3}}},
         {{kBalanced, 0}, {kOwn, 0}},
         kBalanced,
         {{kOwn, 4}, {kBalanced, 3}}},
        {"an earlier version's pair alone; do nothing becomes shut down",
         {{0, 0x80000000}, {}},
         {{kSaver, 0}, {kBalanced, 0}},
         kBalanced,
         {{kSaver, 3}, {kBalanced, 3}}},
        {"do nothing goes back to its own scheme only, never to the one in force",
         {{3, 0}, {{kSaver, 0}, {kBalanced, 0}}},
         {{kSaver, 0}, {kBalanced, 0}},
         kBalanced,
         {{kBalanced, 3}}},
        {"the scheme in force is not listed", {{3, 0}, {{kSaver, 1}}}, {{kSaver, 0}}, kOwn, {{kSaver, 1}}},
    };
    for (const Case& c : cases) {
        const Writes got = surgepad::GiveBackWrites(c.kept, c.now, c.active);
        EXPECT_EQ(c.expected, got) << c.name << ": got " << Text(got) << ", expected " << Text(c.expected);
    }
}

TEST(ButtonPlan, TheUsersChangesWhileHeldAreKeptAndDeletedSchemesForgotten) {
    const std::vector<SchemeNow> someChanged = {{kSaver, 2}, {kBalanced, 0}, {kOwn, 4}};
    const surgepad::HoldCheck check = surgepad::CheckHold(someChanged);
    EXPECT_EQ((surgepad::SchemeActions{{kSaver, 2}, {kOwn, 4}}), check.changed);
    EXPECT_FALSE(check.everySchemeActs) << "the hold stays while a scheme does nothing";
    EXPECT_TRUE(surgepad::CheckHold({{kSaver, 2}, {kBalanced, 1}}).everySchemeActs);
    EXPECT_FALSE(surgepad::CheckHold({}).everySchemeActs) << "no scheme: nothing to judge";
    // The kept saver and balanced actions; a scheme no longer listed is forgotten.
    const surgepad::SchemeActions kept = {{kSaver, 1}, {kBalanced, 3}, {"{DE1E7ED0-0000-0000-0000-000000000000}", 2}};
    EXPECT_EQ((surgepad::SchemeActions{{kSaver, 2}, {kBalanced, 3}, {kOwn, 4}}),
              surgepad::KeepChanges(kept, someChanged));
}

TEST(ButtonPlan, TheLibraryIsGivenOnlyAPairTheSystemDefines) {
    EXPECT_TRUE(surgepad::IsDefinedLibraryPair(3, 0));
    EXPECT_TRUE(surgepad::IsDefinedLibraryPair(1, 7));
    EXPECT_TRUE(surgepad::IsDefinedLibraryPair(6, 0x80000000));
    EXPECT_TRUE(surgepad::IsDefinedLibraryPair(8, 0x10000000));
    EXPECT_FALSE(surgepad::IsDefinedLibraryPair(9, 0));
    EXPECT_FALSE(surgepad::IsDefinedLibraryPair(0xDEAD, 0));
    EXPECT_FALSE(surgepad::IsDefinedLibraryPair(1, 0x12345678));
}

}  // namespace

// The plan against a model, natively and fast: a machine of plans, what the user wants
// of each, and random sequences of the user's changes, holds (every plan set to do
// nothing once the setting is kept), 5 s checks and releases. After every release each
// plan has the user's newest action (shut down for a plan in force the user left doing
// nothing). The first failing seed is printed with its shortest failing sequence.
namespace model {

struct Machine {
    std::vector<SchemeNow> plans;
    std::map<std::string, uint32_t> wish;
    ButtonSetting kept;
    bool held = false;
    std::string active;
};

// Step: 0 the user sets a plan, 1 adds one, 2 deletes one, 3 makes one active, 4 hold,
// 5 the check, 6 release; a and b pick the plan and the action.
struct Step {
    int kind;
    uint32_t a;
    uint32_t b;
};

std::string Id(uint32_t n) {
    char text[40];
    std::snprintf(text, sizeof text, "{C0570000-0000-4000-8000-%012X}", n);
    return text;
}

std::optional<std::string> Run(const std::vector<Step>& steps) {
    Machine m;
    for (uint32_t n = 0; n < 3; ++n) {
        m.plans.push_back({Id(n), 1 + n});
        m.wish[Id(n)] = 1 + n;
    }
    m.active = Id(0);
    uint32_t next = 3;
    for (const Step& s : steps) {
        SchemeNow& plan = m.plans[s.a % m.plans.size()];
        const uint32_t action = s.b % 5;
        if (s.kind == 0 && !(m.held && action == 0)) {
            plan.action = action;
            m.wish[plan.id] = action;
        } else if (s.kind == 1 && action != 0) {
            m.plans.push_back({Id(next), action});
            m.wish[Id(next++)] = action;
        } else if (s.kind == 2 && plan.id != m.active && m.plans.size() > 1) {
            m.wish.erase(plan.id);
            m.plans.erase(m.plans.begin() + (&plan - m.plans.data()));
        } else if (s.kind == 3) {
            m.active = plan.id;
        } else if (s.kind == 4 && !m.held) {
            m.kept = {{m.wish[m.active], 0}, {}};
            for (const SchemeNow& p : m.plans) {
                m.kept.schemes[p.id] = p.action;
            }
            for (SchemeNow& p : m.plans) {
                p.action = 0;
            }
            m.held = true;
        } else if (s.kind == 5 && m.held) {
            // Every plan the user's again: the hold steps back; else the changes are kept.
            m.held = !surgepad::CheckHold(m.plans).everySchemeActs;
            if (m.held) {
                m.kept.schemes = surgepad::KeepChanges(m.kept.schemes, m.plans);
                for (SchemeNow& p : m.plans) {
                    p.action = 0;
                }
            }
        } else if (s.kind == 6 && m.held) {
            for (const auto& [id, action] : surgepad::GiveBackWrites(m.kept, m.plans, m.active)) {
                for (SchemeNow& p : m.plans) {
                    p.action = p.id == id ? action : p.action;
                }
            }
            m.held = false;
            for (const SchemeNow& p : m.plans) {
                const uint32_t wanted = m.wish[p.id];
                if (p.action != wanted && !(p.id == m.active && wanted == 0 && p.action == 3)) {
                    return "plan " + p.id + " got " + std::to_string(p.action) + ", the user's is " +
                           std::to_string(wanted);
                }
                m.wish[p.id] = p.action;
            }
        }
    }
    return std::nullopt;
}

}  // namespace model

TEST(ButtonPlan, RandomHoldsChangesAndReleasesGiveEveryPlanTheUsersNewestAction) {
    for (uint32_t seed = 1; seed <= 3000; ++seed) {
        std::mt19937 rng(seed);
        std::vector<model::Step> steps(40);
        for (model::Step& step : steps) {
            step = {static_cast<int>(rng() % 7), static_cast<uint32_t>(rng() % 8), static_cast<uint32_t>(rng() % 8)};
        }
        if (!model::Run(steps)) {
            continue;
        }
        for (size_t i = steps.size(); i-- > 0;) {
            std::vector<model::Step> shorter = steps;
            shorter.erase(shorter.begin() + static_cast<std::ptrdiff_t>(i));
            if (model::Run(shorter)) {
                steps = shorter;
            }
        }
        std::string text;
        for (const model::Step& step : steps) {
            text +=
                " (" + std::to_string(step.kind) + "," + std::to_string(step.a) + "," + std::to_string(step.b) + ")";
        }
        FAIL() << "seed " << seed << ": " << *model::Run(steps) << "\nshortest failing sequence (kind, a, b):" << text;
    }
}
