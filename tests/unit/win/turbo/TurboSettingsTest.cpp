// The settings of automatic turbo in the registry: what is read back of a list the user
// (or a damaged hive) left in any shape, the defaults, and the kept end of a timed turbo.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "surgepad/button/SettingsStore.h"
#include "surgepad/turbo/TurboSettings.h"

namespace {

using surgepad::TurboSettings;

TEST(TurboSettings, AListInAnyShapeGivesTheNamesThatCanBeRead) {
    const std::string overlong(64, 'x');
    std::string many;
    for (int i = 0; i < 70; ++i) {
        many += "p" + std::to_string(i) + std::string(1, '\0');
    }
    const struct {
        const char* what;
        std::string bytes;
        std::vector<std::string> names;
    } rows[] = {
        {"a proper list", std::string("game.exe\0tool.exe\0\0", 19), {"game.exe", "tool.exe"}},
        {"no terminators", std::string("game.exe\0tool.exe", 17), {"game.exe", "tool.exe"}},
        {"empty names among them", std::string("\0game.exe\0\0tool.exe\0", 20), {"game.exe", "tool.exe"}},
        {"the same name again in another case", std::string("Game.exe\0GAME.EXE\0", 18), {"Game.exe"}},
        {"a name too long to be an executable's", overlong + std::string("\0ok.exe\0", 8), {"ok.exe"}},
        {"nothing", std::string(), {}},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(TurboSettings::ReadNames(row.bytes.data(), row.bytes.size()), row.names) << row.what;
    }
    const std::vector<std::string> first = TurboSettings::ReadNames(many.data(), many.size());
    ASSERT_EQ(first.size(), surgepad::kMaxTurboPrograms) << "more names than a list holds";
    EXPECT_EQ(first.back(), "p63");
}

// Under a scratch root of its own: the values as written, their defaults, and values of
// the wrong type taken for missing.
class TurboSettingsKey : public testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, kScratch);
        ASSERT_EQ(
            RegCreateKeyExA(HKEY_CURRENT_USER, kScratch, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_root, nullptr),
            ERROR_SUCCESS);
    }
    void TearDown() override {
        RegCloseKey(m_root);
        RegDeleteTreeA(HKEY_CURRENT_USER, kScratch);
    }
    void Raw(const char* name, DWORD type, const void* data, DWORD size) {
        HKEY key = nullptr;
        ASSERT_EQ(
            RegCreateKeyExA(m_root, surgepad::kSettingsKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
        RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
        RegCloseKey(key);
    }
    static constexpr char kScratch[] = "Software\\SurgepadTurboSettingsTest";
    HKEY m_root = nullptr;
};

TEST_F(TurboSettingsKey, ValuesComeBackAsWrittenAndOthersAsTheirDefaults) {
    const TurboSettings settings(m_root);
    EXPECT_TRUE(settings.Programs().empty());
    EXPECT_FALSE(settings.GameMode());
    EXPECT_TRUE(settings.OffOnBattery()) << "on by default";
    EXPECT_FALSE(settings.TimedEndMs().has_value());

    ASSERT_TRUE(settings.SetPrograms({"game.exe", "R&D tool.exe"}));
    EXPECT_EQ(settings.Programs(), (std::vector<std::string>{"game.exe", "R&D tool.exe"}));
    settings.SetGameMode(true);
    settings.SetOffOnBattery(false);
    EXPECT_TRUE(settings.GameMode());
    EXPECT_FALSE(settings.OffOnBattery());
    settings.SetTimedEndMs(1'700'000'123'456);
    EXPECT_EQ(settings.TimedEndMs(), std::optional<int64_t>(1'700'000'123'456));
    settings.SetTimedEndMs(std::nullopt);
    EXPECT_FALSE(settings.TimedEndMs().has_value()) << "the end goes with the timed turbo";

    const char text[] = "game.exe";
    Raw("TurboPrograms", REG_SZ, text, sizeof text);
    const DWORD dword = 5;
    Raw("TurboUntil", REG_DWORD, &dword, sizeof dword);
    const uint64_t negative = 0xFFFFFFFFFFFFFFFFull;
    EXPECT_TRUE(settings.Programs().empty()) << "a list is a REG_MULTI_SZ";
    EXPECT_FALSE(settings.TimedEndMs().has_value()) << "an end is a REG_QWORD";
    Raw("TurboUntil", REG_QWORD, &negative, sizeof negative);
    EXPECT_FALSE(settings.TimedEndMs().has_value()) << "an end before 1970";
}

}  // namespace
