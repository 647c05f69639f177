// The settings store against the prefix's real registry and the stand-ins: the values
// with their defaults and wrong types, and the power button taken over and given back
// through the power-feature library or the power schemes, under the registry root the
// system's version selects. Tests that need another Windows version or the power-scheme
// stand-in run again in a child: a copy of this program with settings of its own.
#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "lumen/kora/DormixLib.h"
#include "lumen/system/PowerMgr.h"
#include "surgepad/button/MachineButtonStore.h"
#include "surgepad/button/SettingsStore.h"
#include "tests/unit/win/DormixTestSupport.h"

namespace {

using surgepad::SettingsStore;
using testing::ElementsAre;
using testing::IsEmpty;

const char kKeyPath[] = "Software\\KORA\\Power Button Setting";
const char kChildVariable[] = "SURGEPAD_TEST_SETTINGS_CHILD";
const char kBuildVariable[] = "SURGEPAD_TEST_BUILD_FOLDER";

const GUID kAllSchemes = {0x68A1E95E, 0x13EA, 0x41E1, {0x80, 0x11, 0x0C, 0x49, 0x6C, 0xA4, 0x90, 0xB0}};
const GUID kButtonSubgroup = {0x4F971E89, 0xEEBD, 0x4455, {0xA8, 0xDE, 0x9E, 0x59, 0x04, 0x0E, 0x73, 0x47}};
const GUID kPowerButtonAction = {0x7648EFA3, 0xDD9C, 0x4E3E, {0xB5, 0x66, 0x50, 0xF9, 0x29, 0x38, 0x62, 0x80}};
const GUID kCheckedSchemes[] = {
    {0xA1841308, 0x3541, 0x4FAB, {0xBC, 0x81, 0xF7, 0x15, 0x56, 0xF2, 0x0B, 0x4A}},
    {0x8C5E7FDA, 0xE8BF, 0x4A96, {0x9A, 0x85, 0xA6, 0xE2, 0x3A, 0x8C, 0x63, 0x5C}},
    {0x381B4222, 0xF694, 0x41F0, {0x96, 0x85, 0xFF, 0x5B, 0xB2, 0x60, 0xDF, 0x2E}},
};

const char kTakeOverLine[] = "dormix SetPowerButtonSetting 0x00000000 0x80000000";
const char kSchemeWritePrefix[] =
    "powrprof write {68A1E95E-13EA-41E1-8011-0C496CA490B0} {4F971E89-EEBD-4455-A8DE-9E59040E7347} "
    "{7648EFA3-DD9C-4E3E-B566-50F929386280} ";
const char kSetActiveBalanced[] = "powrprof setactive {381B4222-F694-41F0-9685-FF5BB260DF2E}";

std::string LibraryLine(uint32_t action, uint32_t event) {
    char line[80];
    std::snprintf(line, sizeof line, "dormix SetPowerButtonSetting 0x%08X 0x%08X", action, event);
    return line;
}

std::string SchemeWrite(uint32_t index) {
    char value[16];
    std::snprintf(value, sizeof value, "0x%08X", index);
    return kSchemeWritePrefix + std::string(value);
}

std::string OwnSchemeWrite(const char* scheme, uint32_t index) {
    std::string line = SchemeWrite(index);
    return line.replace(line.find("{68A1E95E-13EA-41E1-8011-0C496CA490B0}"), 38, scheme);
}

bool IsChild() {
    char value[8];
    return GetEnvironmentVariableA(kChildVariable, value, sizeof value) > 0;
}

// The build folder, where the stand-in libraries are; a child runs from a copy elsewhere.
std::string BuildFolder() {
    char value[MAX_PATH];
    const DWORD n = GetEnvironmentVariableA(kBuildVariable, value, sizeof value);
    return n > 0 && n < sizeof value ? std::string(value, n) : testutil::ExeFolder();
}

// ---------------------------------------------------------------------------------------
// Raw registry access, to set up and to check what the store did

std::optional<uint32_t> RawDword(HKEY root, const char* name) {
    DWORD value = 0;
    DWORD size = sizeof value;
    DWORD type = 0;
    if (RegGetValueA(root, kKeyPath, name, RRF_RT_ANY, &type, &value, &size) != ERROR_SUCCESS || type != REG_DWORD) {
        return std::nullopt;
    }
    return value;
}

void PutValue(HKEY root, const char* name, DWORD type, const void* data, DWORD size) {
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(root, kKeyPath, name, type, data, size)) << name;
}

void PutDword(HKEY root, const char* name, DWORD value) {
    PutValue(root, name, REG_DWORD, &value, sizeof value);
}

void PutString(HKEY root, const char* name, const std::string& text, DWORD type = REG_SZ) {
    PutValue(root, name, type, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

void DeleteValue(HKEY root, const char* name) {
    RegDeleteKeyValueA(root, kKeyPath, name);
}

bool KeyExists(HKEY root) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, kKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

DWORD ValueCount(HKEY root) {
    HKEY key = nullptr;
    DWORD count = 0;
    if (RegOpenKeyExA(root, kKeyPath, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                         nullptr);
        RegCloseKey(key);
    }
    return count;
}

void DeleteKeys() {
    RegDeleteTreeA(HKEY_CURRENT_USER, kKeyPath);
    RegDeleteKeyA(HKEY_CURRENT_USER, kKeyPath);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kKeyPath);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kKeyPath);
}

// The saved system pair under a root, as one value for the matchers.
std::optional<std::pair<uint32_t, uint32_t>> SavedPair(HKEY root) {
    const auto action = RawDword(root, "PowerButtonAction");
    const auto event = RawDword(root, "PowerButtonEventCode");
    if (!action || !event) {
        return std::nullopt;
    }
    return std::make_pair(*action, *event);
}

using Pair = std::optional<std::pair<uint32_t, uint32_t>>;
Pair P(uint32_t action, uint32_t event) {
    return std::make_pair(action, event);
}

// ---------------------------------------------------------------------------------------

// The store over the bindings of this process: "Dormix.dll" from `folder`, the power
// schemes from the system folder, `profiles` firmware profiles.
struct Harness {
    explicit Harness(const std::string& folder = BuildFolder(), uint32_t profiles = 3,
                     surgepad::MachineButtonStore* machine = nullptr)
        : profileCount(profiles) {
        auto dll = std::make_unique<kora::DormixLibDll>(folder);
        loaded = dll->IsLoaded();
        dormix = std::make_unique<kora::DormixLib>(std::move(dll));
        SettingsStore::Services services;
        services.dormix = dormix.get();
        services.dormixLoaded = loaded;
        services.power = &power;
        services.profileCount = [this] { return profileCount; };
        services.machine = machine;
        store = std::make_unique<SettingsStore>(std::move(services));
    }
    uint32_t profileCount;
    bool loaded = false;
    std::unique_ptr<kora::DormixLib> dormix;
    lumen::VistaPowerManage power;
    std::unique_ptr<SettingsStore> store;
};

// Every test owns the settings key of the prefix (both roots); its children inherit
// that ownership.
class SettingsStoreTest : public testing::Test {
protected:
    void SetUp() override {
        if (IsChild()) {
            return;
        }
        m_lock.emplace("SurgepadTest.SettingsKey");
        ASSERT_TRUE(m_lock->Held());
        DeleteKeys();
    }
    void TearDown() override {
        if (!IsChild()) {
            DeleteKeys();
        }
    }

private:
    std::optional<testutil::CrossProcessLock> m_lock;
};

// Runs the current test again in a copy of this program that sees Windows `version`
// ("winxp", "vista", "win10": 5.1, 6.0, 10.0) and, with `schemes`, the stand-in of the
// power-scheme library in the system folder.
void RunInChild(const std::string& version, bool schemes) {
    testutil::ScratchFolder folder("settings");
    const std::string exeName = "surgepad_settings_" + version + "_" + std::to_string(GetCurrentProcessId()) + ".exe";
    const std::string exe = testutil::CopyOfThisProgram(folder.Path(), exeName);
    // Windows 10 reports 10.0 only to a program that declares it supports it.
    ASSERT_TRUE(testutil::WriteText(exe + ".manifest", R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<assembly xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0">
  <compatibility xmlns="urn:schemas-microsoft-com:compatibility.v1">
    <application><supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/></application>
  </compatibility>
</assembly>
)"));
    if (schemes) {
        // Without an override Wine keeps using its own library there, so other programs
        // of the prefix are not affected. Replaced by a rename, and only when it differs.
        char system[MAX_PATH] = {};
        GetSystemDirectoryA(system, MAX_PATH);
        const std::string source = testutil::ExeFolder() + "system\\powrprof.dll";
        const std::string target = std::string(system) + "\\powrprof.dll";
        const std::string wanted = testutil::ReadText(source);
        ASSERT_FALSE(wanted.empty()) << "no stand-in at " << source;
        if (testutil::ReadText(target) != wanted) {
            const std::string temporary = target + "." + std::to_string(GetCurrentProcessId()) + ".new";
            ASSERT_TRUE(CopyFileA(source.c_str(), temporary.c_str(), FALSE));
            ASSERT_TRUE(MoveFileExA(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) << GetLastError();
        }
    }
    testutil::ScopedAppDefaults settings(exeName);
    ASSERT_TRUE(settings.Set("", "Version", version));
    if (schemes) {
        ASSERT_TRUE(settings.Set("DllOverrides", "powrprof", "native,builtin"));
    }
    testutil::ScopedEnvironment child(kChildVariable, "1");
    testutil::ScopedEnvironment build(kBuildVariable, testutil::ExeFolder());
    testutil::ExpectChildPasses(exe, folder / "child.txt");
    DeleteFileA((exe + ".manifest").c_str());
}

DWORD MajorVersion() {
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    GetVersionExA(&info);
    return info.dwMajorVersion;
}

// ---------------------------------------------------------------------------------------
// Values

TEST(SettingsStoreRoot, CurrentUserOnlyForVersionSixOrAnUnknownVersion) {
    EXPECT_EQ(HKEY_CURRENT_USER, SettingsStore::SettingsRootFor(false, 0));
    EXPECT_EQ(HKEY_CURRENT_USER, SettingsStore::SettingsRootFor(true, 6));
    EXPECT_EQ(HKEY_LOCAL_MACHINE, SettingsStore::SettingsRootFor(true, 5));
    EXPECT_EQ(HKEY_LOCAL_MACHINE, SettingsStore::SettingsRootFor(true, 4));
    EXPECT_EQ(HKEY_LOCAL_MACHINE, SettingsStore::SettingsRootFor(true, 7));
    EXPECT_EQ(HKEY_LOCAL_MACHINE, SettingsStore::SettingsRootFor(true, 10));
}

TEST_F(SettingsStoreTest, DefaultsOnAMissingKey) {
    testutil::BoardScope board("dormix button=3,0\n");
    Harness harness;
    SettingsStore& store = *harness.store;
    ASSERT_EQ(HKEY_CURRENT_USER, store.SettingsRoot()) << "the prefix reports Windows 6.1";
    EXPECT_TRUE(store.GetOsdEnabled());
    EXPECT_TRUE(store.GetStatusEnabled());
    EXPECT_EQ(2u, store.GetProfileType()) << "the last of three firmware profiles";
    EXPECT_EQ("", store.GetProfileName());
    EXPECT_FALSE(store.GetPowerButtonDisabled());
    EXPECT_EQ(0u, store.GetButtonAction());
    EXPECT_FALSE(store.SavedSystemButtonSetting().has_value());
    // Every read opens the key with creation.
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER));
    EXPECT_EQ(0u, ValueCount(HKEY_CURRENT_USER)) << "reads write nothing";
    harness.profileCount = 0;
    EXPECT_EQ(0u, store.GetProfileType()) << "no firmware profiles";
}

TEST_F(SettingsStoreTest, ValuesOfTheWrongTypeReadAsMissing) {
    testutil::BoardScope board("dormix button=0,0x80000000\n");
    Harness harness;
    SettingsStore& store = *harness.store;
    const HKEY root = HKEY_CURRENT_USER;
    const BYTE zeros[4] = {};
    const uint64_t one64 = 1;
    PutString(root, "OsdEnabled", "0");
    PutValue(root, "StatusEnabled", REG_BINARY, zeros, sizeof zeros);
    PutValue(root, "ProfileType", REG_QWORD, &one64, sizeof one64);
    PutDword(root, "ProfileName", 0);
    PutString(root, "PowerButtonDisabled", "1");
    PutString(root, "ButtonAction", "0");
    EXPECT_TRUE(store.GetOsdEnabled());
    EXPECT_TRUE(store.GetStatusEnabled());
    EXPECT_EQ(2u, store.GetProfileType());
    EXPECT_EQ("", store.GetProfileName());
    EXPECT_FALSE(store.GetPowerButtonDisabled());
    // The system's button is disabled and the program holds it, but the stored action
    // is no number: the power action.
    EXPECT_EQ(0u, store.GetButtonAction());

    // The other string types are names too; a multi-string up to its first zero.
    PutString(root, "ProfileName", "Fast", REG_EXPAND_SZ);
    EXPECT_EQ("Fast", store.GetProfileName());
    PutValue(root, "ProfileName", REG_MULTI_SZ, "Quiet\0Other\0", 13);
    EXPECT_EQ("Quiet", store.GetProfileName());
    PutString(root, "ProfileType", "1");
    EXPECT_EQ(2u, store.GetProfileType());

    // A saved system setting of the wrong type is no saved setting: giving the button
    // back then leaves the system's setting as it is.
    PutString(root, "PowerButtonAction", "3");
    PutDword(root, "PowerButtonEventCode", 0);
    EXPECT_FALSE(store.SavedSystemButtonSetting().has_value());
    board.TakeJournal();
    store.ReleasePowerButton();
    EXPECT_THAT(board.TakeJournal(), IsEmpty());
}

TEST_F(SettingsStoreTest, WritesAreReadBackAndStoredAsDwords) {
    testutil::BoardScope board("dormix button=3,0\n");
    Harness harness;
    SettingsStore& store = *harness.store;
    const HKEY root = HKEY_CURRENT_USER;
    store.SetOsdEnabled(false);
    store.SetStatusEnabled(false);
    store.SetProfileType(7);
    store.SetProfileName("Fast");
    EXPECT_TRUE(store.SetPowerButtonDisabled(true));
    EXPECT_EQ(0u, RawDword(root, "OsdEnabled"));
    EXPECT_EQ(0u, RawDword(root, "StatusEnabled"));
    EXPECT_EQ(7u, RawDword(root, "ProfileType"));
    EXPECT_EQ(1u, RawDword(root, "PowerButtonDisabled"));
    EXPECT_FALSE(store.GetOsdEnabled());
    EXPECT_FALSE(store.GetStatusEnabled());
    EXPECT_EQ(7u, store.GetProfileType());
    EXPECT_EQ("Fast", store.GetProfileName());
    EXPECT_TRUE(store.GetPowerButtonDisabled());
    char text[16] = {};
    DWORD size = sizeof text;
    DWORD type = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegGetValueA(root, kKeyPath, "ProfileName", RRF_RT_ANY, &type, text, &size));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(5u, size) << "the terminating zero is stored";

    store.SetOsdEnabled(true);
    EXPECT_EQ(1u, RawDword(root, "OsdEnabled"));
    PutDword(root, "StatusEnabled", 5);
    EXPECT_TRUE(store.GetStatusEnabled()) << "any non-zero value is true";
    PutDword(root, "PowerButtonDisabled", 2);
    EXPECT_TRUE(store.GetPowerButtonDisabled());
}

TEST_F(SettingsStoreTest, ButtonActionIsTurboOnlyWhileTheProgramHoldsTheDisabledButton) {
    testutil::BoardScope board("dormix button=0,0x80000000\n");
    Harness harness;
    SettingsStore& store = *harness.store;
    const HKEY root = HKEY_CURRENT_USER;
    EXPECT_EQ(0u, store.GetButtonAction()) << "nothing stored";
    PutDword(root, "PowerButtonDisabled", 0);
    PutDword(root, "ButtonAction", 0);
    EXPECT_EQ(1u, store.GetButtonAction());
    PutDword(root, "ButtonAction", 1);
    EXPECT_EQ(0u, store.GetButtonAction());
    PutDword(root, "ButtonAction", 0xFFFFFFFF);
    EXPECT_EQ(0u, store.GetButtonAction());
    DeleteValue(root, "ButtonAction");
    EXPECT_EQ(0u, store.GetButtonAction());

    PutDword(root, "ButtonAction", 0);
    PutDword(root, "PowerButtonDisabled", 1);
    EXPECT_EQ(0u, store.GetButtonAction()) << "the system owns the button";
    PutDword(root, "PowerButtonDisabled", 0);
    // Event code 0 counts as disabled too.
    ASSERT_TRUE(harness.dormix->SetPowerButtonSetting(0, 0));
    EXPECT_EQ(1u, store.GetButtonAction());
    // The system's button does something: the turbo action cannot be in force.
    ASSERT_TRUE(harness.dormix->SetPowerButtonSetting(3, 0));
    EXPECT_EQ(0u, store.GetButtonAction());
    ASSERT_TRUE(harness.dormix->SetPowerButtonSetting(0, 1));
    EXPECT_EQ(0u, store.GetButtonAction()) << "action 0 with another event code is not disabled";
}

TEST_F(SettingsStoreTest, TheSettingsWindowsProfileListSelectsTheStoredProfile) {
    testutil::BoardScope board("dormix button=3,0\n");
    Harness harness;
    SettingsStore& store = *harness.store;
    testutil::ScratchFolder folder("storelist");
    ASSERT_TRUE(testutil::WriteText(folder / "Night.OC", "x"));
    const std::vector<std::string> firmware = {"Game Boost", "Silent OC"};
    // Nothing stored: the last firmware profile.
    harness.profileCount = 2;
    auto list = surgepad::SettingsProfileList(store, firmware, folder.Path());
    EXPECT_THAT(list.names, ElementsAre("Game Boost", "Silent OC", "Night"));
    EXPECT_EQ(1, list.selected);
    store.SetProfileType(2);
    store.SetProfileName("night");
    EXPECT_EQ(2, surgepad::SettingsProfileList(store, firmware, folder.Path()).selected);
    store.SetProfileName("gone");
    EXPECT_EQ(-1, surgepad::SettingsProfileList(store, firmware, folder.Path()).selected);
}

// ---------------------------------------------------------------------------------------
// The power button through the power-feature library

TEST_F(SettingsStoreTest, TakeOverAndReleaseThroughTheLibrary) {
    testutil::BoardScope board("dormix button=3,0\n");
    Harness harness;
    SettingsStore& store = *harness.store;
    const HKEY root = HKEY_CURRENT_USER;
    board.TakeJournal();

    EXPECT_TRUE(store.SetButtonAction(1));
    EXPECT_THAT(board.TakeJournal(), ElementsAre(kTakeOverLine));
    EXPECT_EQ(P(3, 0), SavedPair(root));
    EXPECT_EQ(0u, RawDword(root, "PowerButtonDisabled"));
    EXPECT_EQ(0u, RawDword(root, "ButtonAction"));
    EXPECT_TRUE(store.IsSystemButtonDisabled());
    EXPECT_EQ(1u, store.GetButtonAction());

    // Taking it over again must not save the program's own do-nothing setting.
    EXPECT_TRUE(store.SetButtonAction(1));
    EXPECT_THAT(board.TakeJournal(), ElementsAre(kTakeOverLine));
    EXPECT_EQ(P(3, 0), SavedPair(root));

    EXPECT_TRUE(store.SetButtonAction(0));
    EXPECT_THAT(board.TakeJournal(), ElementsAre(LibraryLine(3, 0)));
    EXPECT_EQ(1u, RawDword(root, "PowerButtonDisabled"));
    EXPECT_EQ(0u, RawDword(root, "ButtonAction")) << "left as it was";
    EXPECT_EQ(0u, store.GetButtonAction());
    uint32_t action = 9;
    uint32_t event = 9;
    ASSERT_TRUE(harness.dormix->GetPowerButtonSetting(&action, &event));
    EXPECT_EQ(3u, action);
    EXPECT_EQ(0u, event);
    EXPECT_FALSE(HKEY_LOCAL_MACHINE != root && KeyExists(HKEY_LOCAL_MACHINE)) << "nothing under the local machine";
}

// Two accounts on one machine: each has settings of its own (a wiped key stands for the
// second account), the button and the machine record are shared. The second account's
// turbo takes the machine's setting over, and its power action gives that back. (Its
// first start and its uninstall are the end-to-end tests' TwoAccounts rows.)
TEST_F(SettingsStoreTest, AnotherAccountsTurboThenPowerGivesTheMachinesSettingBack) {
    testutil::BoardScope board("dormix button=3,0\n");
    surgepad::MachineButtonStore machine(board.Path("machine\\"));
    std::string first;
    {
        Harness a(BuildFolder(), 3, &machine);
        ASSERT_TRUE(a.store->SetButtonAction(1));
        first = a.store->AccountId();
    }
    ASSERT_TRUE(machine.Read());
    EXPECT_EQ(first, machine.Read()->holder);
    DeleteKeys();
    Harness b(BuildFolder(), 3, &machine);
    EXPECT_TRUE(b.store->SetButtonAction(1));
    EXPECT_EQ(P(3, 0), SavedPair(HKEY_CURRENT_USER)) << "the machine's setting taken over";
    EXPECT_EQ(b.store->AccountId(), machine.Read()->holder);
    EXPECT_TRUE(b.store->SetButtonAction(0));
    uint32_t action = 9;
    uint32_t event = 9;
    ASSERT_TRUE(b.dormix->GetPowerButtonSetting(&action, &event));
    EXPECT_EQ(P(3, 0), P(action, event));
    EXPECT_TRUE(machine.Read()->holder.empty());
    EXPECT_EQ(P(3, 0), machine.Read()->saved);
}

TEST_F(SettingsStoreTest, GivingBackASavedDoNothingSettingShutsDownInstead) {
    testutil::BoardScope board("dormix button=0,0x80000000\n");
    Harness harness;
    SettingsStore& store = *harness.store;
    board.TakeJournal();
    const struct {
        DWORD action;
        DWORD event;
        std::string given;
    } cases[] = {
        {0, 0x80000000, LibraryLine(6, 0)},
        {0, 0, LibraryLine(6, 0)},
        // A pair the system does not define (a damaged record) is not given to the library.
        {0xDEAD, 0, LibraryLine(6, 0)},
        {1, 0x12345678, LibraryLine(6, 0)},
        // Any other pair goes back as it was saved.
        {1, 0, LibraryLine(1, 0)},
    };
    for (const auto& c : cases) {
        PutDword(HKEY_CURRENT_USER, "PowerButtonAction", c.action);
        PutDword(HKEY_CURRENT_USER, "PowerButtonEventCode", c.event);
        PutDword(HKEY_CURRENT_USER, "PowerButtonDisabled", 0);
        ASSERT_TRUE(harness.dormix->SetPowerButtonSetting(0, 0x80000000));
        board.TakeJournal();
        store.ReleasePowerButton();
        EXPECT_THAT(board.TakeJournal(), ElementsAre(c.given)) << c.action << ", " << c.event;
    }
    // A button nobody holds is the user's: choosing power writes nothing.
    board.TakeJournal();
    store.ReleasePowerButton();
    EXPECT_THAT(board.TakeJournal(), IsEmpty());
}

TEST_F(SettingsStoreTest, ASettingSavedOnlyUnderTheLocalMachineIsTakenOver) {
    testutil::BoardScope board("dormix button=0,0x80000000\n");
    Harness harness;
    SettingsStore& store = *harness.store;
    board.TakeJournal();
    // Nothing saved anywhere: the system's setting stays as it is.
    store.ReleasePowerButton();
    EXPECT_THAT(board.TakeJournal(), IsEmpty());
    EXPECT_EQ(1u, RawDword(HKEY_CURRENT_USER, "PowerButtonDisabled"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE)) << "looking there leaves no key behind";

    // An older installation held the button with its settings under the local machine.
    DeleteKeys();
    PutDword(HKEY_LOCAL_MACHINE, "PowerButtonAction", 1);
    PutDword(HKEY_LOCAL_MACHINE, "PowerButtonEventCode", 0);
    store.ReleasePowerButton();
    EXPECT_THAT(board.TakeJournal(), ElementsAre(LibraryLine(1, 0)));
    EXPECT_EQ(P(1, 0), SavedPair(HKEY_CURRENT_USER));
}

TEST_F(SettingsStoreTest, AChangeOfTheSystemsButtonIsDetectedOnceAndSaved) {
    testutil::BoardScope board("dormix button=3,0\n");
    Harness harness;
    SettingsStore& store = *harness.store;
    const HKEY root = HKEY_CURRENT_USER;
    EXPECT_TRUE(store.SetButtonAction(1));
    board.TakeJournal();
    EXPECT_FALSE(store.DetectConfigurationAltered()) << "still as the program left it";

    // The user sets the button to sleep in the system's settings.
    const testutil::ChildResult user =
        testutil::RunChild(testutil::ExeFolder() + "kora-sim.exe", "button 1 7", board.Path("button.txt"));
    ASSERT_EQ(0u, user.exitCode) << user.output;

    EXPECT_TRUE(store.DetectConfigurationAltered());
    EXPECT_EQ(P(1, 7), SavedPair(root)) << "the new setting is the one to give back";
    EXPECT_EQ(1u, RawDword(root, "PowerButtonDisabled"));
    EXPECT_FALSE(store.DetectConfigurationAltered());
    EXPECT_FALSE(store.DetectConfigurationAltered());
    EXPECT_EQ(0u, store.GetButtonAction());
    EXPECT_THAT(board.TakeJournal(), IsEmpty()) << "detection changes nothing in the system";

    // The button is the user's now: choosing power leaves the user's setting in force.
    EXPECT_TRUE(store.SetButtonAction(0));
    EXPECT_THAT(board.TakeJournal(), IsEmpty());
}

TEST_F(SettingsStoreTest, WithoutTheLibraryTheButtonIsNotDisabledAndTheSavedSettingStays) {
    testutil::BoardScope board("dormix button=0,0x80000000\n");
    testutil::ScratchFolder empty("nolibrary");
    Harness harness(empty.Path());
    ASSERT_FALSE(harness.loaded);
    SettingsStore& store = *harness.store;
    const HKEY root = HKEY_CURRENT_USER;
    PutDword(root, "PowerButtonAction", 1);
    PutDword(root, "PowerButtonEventCode", 0);
    PutDword(root, "ButtonAction", 0);

    EXPECT_FALSE(store.IsSystemButtonDisabled());
    EXPECT_FALSE(store.TakeOverPowerButton()) << "what the button does is unknown";
    EXPECT_EQ(P(1, 0), SavedPair(root));
    EXPECT_FALSE(RawDword(root, "PowerButtonDisabled").has_value()) << "nothing written";
    EXPECT_EQ(0u, store.GetButtonAction());
    // Nothing is known about the system's button, so nothing has changed.
    EXPECT_FALSE(store.DetectConfigurationAltered());
    EXPECT_EQ(P(1, 0), SavedPair(root));
    store.ReleasePowerButton();
    EXPECT_EQ(1u, RawDword(root, "PowerButtonDisabled"));
    EXPECT_THAT(board.TakeJournal(), IsEmpty());
}

TEST_F(SettingsStoreTest, AFailingReadNeverReplacesTheSavedSetting) {
    // The library loads, but the board gives it no power button: every read fails.
    testutil::BoardScope board("info 0 0 0 0\n");
    Harness harness;
    ASSERT_TRUE(harness.loaded);
    SettingsStore& store = *harness.store;
    const HKEY root = HKEY_CURRENT_USER;
    PutDword(root, "PowerButtonAction", 3);
    PutDword(root, "PowerButtonEventCode", 0);
    PutDword(root, "PowerButtonDisabled", 0);
    board.TakeJournal();
    EXPECT_FALSE(store.TakeOverPowerButton());
    EXPECT_EQ(P(3, 0), SavedPair(root));
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(store.DetectConfigurationAltered());
    }
    EXPECT_EQ(P(3, 0), SavedPair(root));
    EXPECT_EQ(0u, RawDword(root, "PowerButtonDisabled"));
    EXPECT_THAT(board.TakeJournal(), IsEmpty()) << "the button is not touched";
}

// The key exists, but this user may not write it (the program opens it for writing).
void DenySettingsWrites() {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(HKEY_CURRENT_USER, kKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(D;;0x0006;;;WD)(A;;GA;;;WD)", SDDL_REVISION_1,
                                                                     &descriptor, nullptr));
    EXPECT_EQ(ERROR_SUCCESS, RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor));
    LocalFree(descriptor);
    RegCloseKey(key);
}

TEST_F(SettingsStoreTest, AKeyThatCannotBeOpenedKeepsTheDefaultsAndLeavesTheButtonAlone) {
    testutil::BoardScope board("dormix button=3,0\n");
    DenySettingsWrites();

    Harness harness;
    SettingsStore& store = *harness.store;
    board.TakeJournal();
    EXPECT_TRUE(store.GetOsdEnabled());
    EXPECT_EQ(2u, store.GetProfileType());
    store.SetOsdEnabled(false);
    store.SetProfileName("Fast");
    EXPECT_FALSE(store.SetPowerButtonDisabled(true));
    EXPECT_TRUE(store.GetOsdEnabled());
    EXPECT_FALSE(store.CanTakeOverPowerButton());
    EXPECT_FALSE(store.SetButtonAction(1)) << "the turbo action is refused";
    EXPECT_FALSE(store.SetButtonAction(0));
    EXPECT_THAT(board.TakeJournal(), IsEmpty()) << "the button is not touched";
    EXPECT_EQ(0u, store.GetButtonAction());
    // The system's button does something and the program cannot record that it gave the
    // button up: no report, or it would come again every 5 s.
    EXPECT_FALSE(store.DetectConfigurationAltered());
    EXPECT_FALSE(store.DetectConfigurationAltered());
    EXPECT_EQ(0u, ValueCount(HKEY_CURRENT_USER));
}

// The key cannot be opened at a start while this account's copy holds the button (the
// start then reads the power action): the machine's record gives the button back where
// it exists; without one the button is left as it is.
TEST_F(SettingsStoreTest, AKeyThatCannotBeOpenedWhileTheButtonIsHeldGivesBackWhatTheMachineRecordKeeps) {
    for (const bool shared : {true, false}) {
        SCOPED_TRACE(shared ? "with the machine record" : "without one");
        DeleteKeys();
        testutil::BoardScope board("dormix button=3,0\n");
        surgepad::MachineButtonStore record(board.Path("machine\\"));
        surgepad::MachineButtonStore* machine = shared ? &record : nullptr;
        {
            Harness earlier(BuildFolder(), 3, machine);
            ASSERT_TRUE(earlier.store->SetButtonAction(1));
        }
        DenySettingsWrites();
        Harness harness(BuildFolder(), 3, machine);
        EXPECT_EQ(0u, harness.store->GetButtonAction());
        harness.store->ReleasePowerButtonAtStart();
        uint32_t action = 9;
        uint32_t event = 9;
        ASSERT_TRUE(harness.dormix->GetPowerButtonSetting(&action, &event));
        if (shared) {
            EXPECT_EQ(P(3, 0), P(action, event)) << "not given back";
        } else {
            EXPECT_EQ(0u, action) << "a setting nobody kept was written";
        }
    }
}

// ---------------------------------------------------------------------------------------
// The registry root follows the system's version

// Takes the button over and gives it back through the library in a child that sees
// `version`; the values must land under `root` only.
void TakeOverAndReleaseUnderVersion(const char* version, DWORD major, HKEY root) {
    if (IsChild()) {
        ASSERT_EQ(major, MajorVersion());
        Harness harness;
        SettingsStore& store = *harness.store;
        EXPECT_EQ(root, store.SettingsRoot());
        store.SetOsdEnabled(false);
        EXPECT_TRUE(store.SetButtonAction(1));
        EXPECT_EQ(1u, store.GetButtonAction());
        EXPECT_TRUE(store.SetButtonAction(0));
        EXPECT_EQ(0u, store.GetButtonAction());
        return;
    }
    testutil::BoardScope board("dormix button=3,0\n");
    RunInChild(version, false);
    EXPECT_THAT(board.TakeJournal(), ElementsAre("dormix DormixInit", kTakeOverLine, LibraryLine(3, 0)));
    EXPECT_EQ(P(3, 0), SavedPair(root));
    EXPECT_EQ(0u, RawDword(root, "OsdEnabled"));
    EXPECT_EQ(0u, RawDword(root, "ButtonAction"));
    EXPECT_EQ(1u, RawDword(root, "PowerButtonDisabled"));
    const HKEY other = root == HKEY_CURRENT_USER ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    EXPECT_EQ(0u, ValueCount(other)) << "nothing under the other root";
}

TEST_F(SettingsStoreTest, VersionFiveKeepsTheSettingsUnderTheLocalMachine) {
    TakeOverAndReleaseUnderVersion("winxp", 5, HKEY_LOCAL_MACHINE);
}

TEST_F(SettingsStoreTest, VersionSixKeepsTheSettingsUnderTheCurrentUser) {
    TakeOverAndReleaseUnderVersion("vista", 6, HKEY_CURRENT_USER);
}

TEST_F(SettingsStoreTest, VersionTenKeepsTheSettingsUnderTheLocalMachine) {
    TakeOverAndReleaseUnderVersion("win10", 10, HKEY_LOCAL_MACHINE);
}

// ---------------------------------------------------------------------------------------
// The power button through the power schemes

const char kSchemeBoard[] =
    "dormix\n"
    "scheme {A1841308-3541-4FAB-BC81-F71556F20B4A} 3\n"
    "scheme {8C5E7FDA-E8BF-4A96-9A85-A6E23A8C635C} 3\n"
    "scheme {381B4222-F694-41F0-9685-FF5BB260DF2E} 3 active\n";

std::vector<uint32_t> SchemeActions(lumen::VistaPowerManage& power) {
    std::vector<uint32_t> actions;
    for (const GUID& scheme : kCheckedSchemes) {
        uint32_t value = 99;
        EXPECT_EQ(0u, power.ReadACValueIndex(scheme, kButtonSubgroup, kPowerButtonAction, &value));
        actions.push_back(value);
    }
    return actions;
}

void TakeOverAndReleaseThroughSchemes(const char* version, DWORD major, HKEY root) {
    if (IsChild()) {
        ASSERT_EQ(major, MajorVersion());
        Harness harness;
        ASSERT_TRUE(harness.power.IsAvailable());
        SettingsStore& store = *harness.store;
        EXPECT_TRUE(store.SetButtonAction(1));
        EXPECT_THAT(SchemeActions(harness.power), ElementsAre(0, 0, 0));
        EXPECT_EQ(1u, store.GetButtonAction());
        EXPECT_TRUE(store.SetButtonAction(0));
        EXPECT_THAT(SchemeActions(harness.power), ElementsAre(3, 3, 3));
        // A pair saved by an earlier version has no scheme values beside it: the pair
        // alone decides for every scheme that does nothing; a saved do-nothing pair gives
        // shut-down back.
        for (const char* scheme : {"PowerButtonAction {A1841308-3541-4FAB-BC81-F71556F20B4A}",
                                   "PowerButtonAction {8C5E7FDA-E8BF-4A96-9A85-A6E23A8C635C}",
                                   "PowerButtonAction {381B4222-F694-41F0-9685-FF5BB260DF2E}"}) {
            EXPECT_EQ(3u, RawDword(root, scheme)) << scheme;
            DeleteValue(root, scheme);
        }
        for (const auto& [action, event] : {std::pair<DWORD, DWORD>{1, 0}, std::pair<DWORD, DWORD>{0, 0x80000000}}) {
            PutDword(root, "PowerButtonAction", action);
            PutDword(root, "PowerButtonEventCode", event);
            PutDword(root, "PowerButtonDisabled", 0);
            harness.power.WriteACValueIndex(kAllSchemes, kButtonSubgroup, kPowerButtonAction, 0);
            store.ReleasePowerButton();
        }
        EXPECT_THAT(SchemeActions(harness.power), ElementsAre(3, 3, 3));
        return;
    }
    testutil::BoardScope board(kSchemeBoard);
    RunInChild(version, true);
    const std::vector<std::string> ownActions = {OwnSchemeWrite("{A1841308-3541-4FAB-BC81-F71556F20B4A}", 3),
                                                 OwnSchemeWrite("{8C5E7FDA-E8BF-4A96-9A85-A6E23A8C635C}", 3),
                                                 OwnSchemeWrite("{381B4222-F694-41F0-9685-FF5BB260DF2E}", 3),
                                                 kSetActiveBalanced};
    std::vector<std::string> expected = {"dormix DormixInit", SchemeWrite(0), kSetActiveBalanced};
    // Given back scheme by scheme, the one in force last.
    expected.insert(expected.end(), ownActions.begin(), ownActions.end());
    expected.push_back(SchemeWrite(0));
    for (const char* scheme : {"{A1841308-3541-4FAB-BC81-F71556F20B4A}", "{8C5E7FDA-E8BF-4A96-9A85-A6E23A8C635C}",
                               "{381B4222-F694-41F0-9685-FF5BB260DF2E}"}) {
        expected.push_back(OwnSchemeWrite(scheme, 1));
    }
    expected.push_back(kSetActiveBalanced);
    expected.push_back(SchemeWrite(0));
    expected.insert(expected.end(), ownActions.begin(), ownActions.end());
    EXPECT_THAT(board.TakeJournal(), testing::ElementsAreArray(expected));
    EXPECT_EQ(P(0, 0x80000000), SavedPair(root));
    EXPECT_EQ(1u, RawDword(root, "PowerButtonDisabled"));
    const HKEY other = root == HKEY_CURRENT_USER ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    EXPECT_EQ(0u, ValueCount(other));
}

TEST_F(SettingsStoreTest, SchemesVersionSixTakeOverAndReleaseUnderTheCurrentUser) {
    TakeOverAndReleaseThroughSchemes("vista", 6, HKEY_CURRENT_USER);
}

TEST_F(SettingsStoreTest, SchemesVersionTenTakeOverAndReleaseUnderTheLocalMachine) {
    TakeOverAndReleaseThroughSchemes("win10", 10, HKEY_LOCAL_MACHINE);
}

TEST_F(SettingsStoreTest, SchemesThatDisagreeAreSetBackAndAChangeOfAllIsDetected) {
    if (IsChild()) {
        Harness harness;
        ASSERT_TRUE(harness.power.IsAvailable());
        SettingsStore& store = *harness.store;
        EXPECT_TRUE(store.SetButtonAction(1));
        // Something sets the power saver scheme's button to do nothing, the others to
        // shut down: the program still holds the button and sets all three back.
        harness.power.WriteACValueIndex(kAllSchemes, kButtonSubgroup, kPowerButtonAction, 3);
        harness.power.WriteACValueIndex(kCheckedSchemes[0], kButtonSubgroup, kPowerButtonAction, 0);
        EXPECT_FALSE(store.DetectConfigurationAltered());
        EXPECT_THAT(SchemeActions(harness.power), ElementsAre(0, 0, 0));
        EXPECT_EQ(0u, RawDword(HKEY_CURRENT_USER, "PowerButtonDisabled"));
        EXPECT_FALSE(store.DetectConfigurationAltered());

        // Every scheme set to sleep elsewhere: detected once, and sleep is saved.
        harness.power.WriteACValueIndex(kAllSchemes, kButtonSubgroup, kPowerButtonAction, 1);
        EXPECT_TRUE(store.DetectConfigurationAltered());
        EXPECT_EQ(P(1, 0), SavedPair(HKEY_CURRENT_USER));
        EXPECT_EQ(1u, RawDword(HKEY_CURRENT_USER, "PowerButtonDisabled"));
        EXPECT_FALSE(store.DetectConfigurationAltered());
        EXPECT_THAT(SchemeActions(harness.power), ElementsAre(1, 1, 1)) << "the user's setting stays";
        return;
    }
    testutil::BoardScope board(kSchemeBoard);
    RunInChild("vista", true);
}

// The turbo action needs the system's current setting: with it unknown (no library, or
// a library whose read fails) the button is never made to do nothing, whether or not a
// setting was saved before, and the caller is told. Each case on the power-feature
// library alone and, in a child, with the power schemes beside it.
struct RefusedTakeOver {
    const char* name;
    const char* board;
    bool library;    // "Dormix.dll" in the folder the store loads it from
    bool savedPair;  // a pair saved by an earlier run
};

const RefusedTakeOver kRefusedTakeOvers[] = {
    {"no library", "dormix button=3,0\n", false, false},
    {"no library, a pair saved before", "dormix button=3,0\n", false, true},
    {"read fails", "info 0 0 0 0\n", true, false},
    {"read fails, a pair saved before", "info 0 0 0 0\n", true, true},
};

// kSchemeBoard without its "dormix" line: the library loads but cannot read the button.
const char kSchemesOnlyBoard[] =
    "scheme {A1841308-3541-4FAB-BC81-F71556F20B4A} 3\n"
    "scheme {8C5E7FDA-E8BF-4A96-9A85-A6E23A8C635C} 3\n"
    "scheme {381B4222-F694-41F0-9685-FF5BB260DF2E} 3 active\n";

const RefusedTakeOver kRefusedTakeOversWithSchemes[] = {
    {"no library", kSchemeBoard, false, false},
    {"no library, a pair saved before", kSchemeBoard, false, true},
    {"read fails", kSchemesOnlyBoard, true, false},
    {"read fails, a pair saved before", kSchemesOnlyBoard, true, true},
};

template <size_t N>
void ExpectTakeOverRefused(const RefusedTakeOver (&cases)[N], bool schemes) {
    for (const RefusedTakeOver& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteKeys();
        testutil::BoardScope board(c.board);
        testutil::ScratchFolder empty("nolibrary");
        Harness harness(c.library ? BuildFolder() : empty.Path());
        ASSERT_EQ(c.library, harness.loaded);
        ASSERT_EQ(schemes, harness.power.IsAvailable());
        SettingsStore& store = *harness.store;
        const HKEY root = store.SettingsRoot();
        if (c.savedPair) {
            PutDword(root, "PowerButtonAction", 1);
            PutDword(root, "PowerButtonEventCode", 0);
        }
        board.TakeJournal();

        EXPECT_FALSE(store.CanTakeOverPowerButton());
        EXPECT_FALSE(store.SetButtonAction(1));
        EXPECT_FALSE(store.TakeOverPowerButton());
        EXPECT_THAT(board.TakeJournal(), IsEmpty()) << "the system's button is not touched";
        if (schemes) {
            EXPECT_THAT(SchemeActions(harness.power), ElementsAre(3, 3, 3));
        }
        EXPECT_FALSE(RawDword(root, "ButtonAction").has_value());
        EXPECT_FALSE(RawDword(root, "PowerButtonDisabled").has_value());
        EXPECT_EQ(c.savedPair ? P(1, 0) : Pair(), SavedPair(root));
        EXPECT_EQ(0u, store.GetButtonAction());
        // The power action is still there to choose.
        EXPECT_TRUE(store.SetButtonAction(0));
        EXPECT_EQ(1u, RawDword(root, "PowerButtonDisabled"));
    }
    DeleteKeys();
}

TEST_F(SettingsStoreTest, TakeOverIsRefusedWhileTheSystemsSettingIsUnknown) {
    ExpectTakeOverRefused(kRefusedTakeOvers, false);
}

TEST_F(SettingsStoreTest, SchemesTakeOverIsRefusedWhileTheSystemsSettingIsUnknown) {
    if (IsChild()) {
        ExpectTakeOverRefused(kRefusedTakeOversWithSchemes, true);
        return;
    }
    testutil::BoardScope board(kSchemeBoard);
    RunInChild("vista", true);
}

TEST_F(SettingsStoreTest, TheTakeOverIsOfferedOnlyWhenTheSettingCanBeRead) {
    testutil::BoardScope board("dormix button=3,0\n");
    Harness harness;
    board.TakeJournal();
    EXPECT_TRUE(harness.store->CanTakeOverPowerButton());
    EXPECT_EQ(0u, ValueCount(HKEY_CURRENT_USER)) << "asking writes nothing";
    EXPECT_THAT(board.TakeJournal(), IsEmpty());
}

}  // namespace
