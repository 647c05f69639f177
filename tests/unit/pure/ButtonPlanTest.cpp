// What a release writes into each power scheme, and what the check keeps of the user's
// changes while the button is held.
#include "surgepad/ButtonPlan.h"

#include <gtest/gtest.h>

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
