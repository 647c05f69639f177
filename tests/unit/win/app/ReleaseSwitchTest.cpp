// The uninstaller's "-release" run: the power button is given back only while the
// stored settings say the program holds it, a setting changed while the program was not
// running stays, and an account without settings gets no key. Against the prefix's
// registry and the power-feature stand-in, whose journal shows every change.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "lumen/kora/DormixLib.h"
#include "lumen/system/PowerMgr.h"
#include "surgepad/app/ReleaseSwitch.h"
#include "surgepad/button/SettingsStore.h"
#include "tests/unit/win/DormixTestSupport.h"

namespace {

using surgepad::ReleaseOutcome;
using surgepad::SettingsStore;

const char kKeyPath[] = "Software\\KORA\\Power Button Setting";

std::optional<DWORD> StoredDword(const char* name) {
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegGetValueA(HKEY_CURRENT_USER, kKeyPath, name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return value;
}

void Store(const char* name, DWORD value) {
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_CURRENT_USER, kKeyPath, name, REG_DWORD, &value, sizeof value));
}

bool KeyExists() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

TEST(PowerButtonRelease, GivenBackOnlyWhileTheProgramHoldsIt) {
    // The settings key of the prefix is shared with the settings store's tests.
    testutil::CrossProcessLock lock("SurgepadTest.SettingsKey");
    ASSERT_TRUE(lock.Held());

    const struct {
        const char* name;
        const char* button;         // the system's setting now
        bool key;                   // the settings key exists, with (3, 0) saved
        std::optional<DWORD> held;  // "PowerButtonDisabled"; nullopt: absent
        ReleaseOutcome outcome;
        std::vector<std::string> journal;
        std::optional<DWORD> heldAfter;
        std::optional<DWORD> savedActionAfter;
    } cases[] = {
        {"no settings", "0,0x80000000", false, std::nullopt, ReleaseOutcome::NotHeld, {}, std::nullopt, std::nullopt},
        {"the system owns it", "1,0", true, 1, ReleaseOutcome::NotHeld, {}, 1, 3},
        {"no hold recorded", "0,0x80000000", true, std::nullopt, ReleaseOutcome::NotHeld, {}, std::nullopt, 3},
        {"held",
         "0,0x80000000",
         true,
         0,
         ReleaseOutcome::Released,
         {"dormix SetPowerButtonSetting 0x00000003 0x00000000"},
         1,
         3},
        {"changed while not running", "1,7", true, 0, ReleaseOutcome::ChangedElsewhere, {}, 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RegDeleteTreeA(HKEY_CURRENT_USER, kKeyPath);
        RegDeleteKeyA(HKEY_CURRENT_USER, kKeyPath);
        if (c.key) {
            Store("PowerButtonAction", 3);
            Store("PowerButtonEventCode", 0);
            Store("ButtonAction", 0);
        }
        if (c.held) {
            Store("PowerButtonDisabled", *c.held);
        }
        testutil::BoardScope board(std::string("dormix button=") + c.button + "\n");
        auto dll = std::make_unique<kora::DormixLibDll>(testutil::ExeFolder());
        ASSERT_TRUE(dll->IsLoaded());
        kora::DormixLib dormix(std::move(dll));
        lumen::VistaPowerManage power;
        SettingsStore::Services services;
        services.dormix = &dormix;
        services.dormixLoaded = true;
        services.power = &power;
        SettingsStore store(std::move(services));
        board.TakeJournal();

        EXPECT_STREQ(surgepad::ReleaseOutcomeName(surgepad::ReleaseHeldPowerButton(store)),
                     surgepad::ReleaseOutcomeName(c.outcome));
        EXPECT_THAT(board.TakeJournal(), testing::ElementsAreArray(c.journal));
        EXPECT_EQ(KeyExists(), c.key) << "the key is neither made nor removed";
        EXPECT_EQ(StoredDword("PowerButtonDisabled"), c.heldAfter);
        EXPECT_EQ(StoredDword("PowerButtonAction"), c.savedActionAfter);
        if (c.key) {
            EXPECT_EQ(StoredDword("ButtonAction"), std::optional<DWORD>(0)) << "the user's choice stays";
        }
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, kKeyPath);
    RegDeleteKeyA(HKEY_CURRENT_USER, kKeyPath);
}

}  // namespace
