// The registry key class against the real registry of the test prefix.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "lumen/system/WinRegistry.h"
#include "tests/unit/ReportRecorder.h"

namespace {

// A key of this test alone, removed with everything below it afterwards.
class RegistryTest : public testing::Test {
protected:
    void SetUp() override {
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        m_path = std::string("Software\\SurgepadTest\\") + info->name() + "-" + std::to_string(GetCurrentProcessId());
        RegDeleteTreeA(HKEY_CURRENT_USER, m_path.c_str());
    }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, m_path.c_str()); }

    // Stores a value behind the class's back, with any type and bytes.
    void PutRaw(const char* name, DWORD type, const void* data, DWORD size) {
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, m_path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                                 nullptr, &key, nullptr));
        EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size));
        RegCloseKey(key);
    }
    // The stored type and size of a value, as the system reports them.
    bool QueryRaw(const char* name, DWORD* type, DWORD* size) {
        *size = 0;
        return RegGetValueA(HKEY_CURRENT_USER, m_path.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, type, nullptr, size) ==
               ERROR_SUCCESS;
    }

    std::string m_path;
};

TEST_F(RegistryTest, OpenCreatesOnlyWhenAskedTo) {
    lumen::WinRegistry key;
    EXPECT_FALSE(key.Open(HKEY_CURRENT_USER, m_path, false));
    EXPECT_FALSE(key.IsOpen());
    ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, m_path, true));
    EXPECT_TRUE(key.IsOpen());
    key.Close();
    EXPECT_FALSE(key.IsOpen());
    // Now it exists, so opening without creation succeeds, and the object can be reused.
    EXPECT_TRUE(key.Open(HKEY_CURRENT_USER, m_path, false));
}

TEST_F(RegistryTest, OpeningAnOpenKeyIsAnAssertion) {
    lumen::WinRegistry key;
    ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, m_path, true));
    try {
        (void)key.Open(HKEY_CURRENT_USER, m_path, true);
        FAIL() << "the second Open was accepted";
    } catch (const testutil::AssertionFailure& failure) {
        EXPECT_EQ(0u, std::string(failure.what()).rfind("Assertion failed: !IsOpen(), file WinRegistry.cpp, line ", 0))
            << failure.what();
    }
    // The first handle is untouched by the refused call.
    EXPECT_TRUE(key.WriteDword("StillOpen", 1));
}

TEST_F(RegistryTest, DwordRoundTripAndWrongTypesReadAsMissing) {
    lumen::WinRegistry key;
    ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, m_path, true));
    ASSERT_TRUE(key.WriteDword("Threshold1", 0xDEADBEEF));
    DWORD type = 0;
    DWORD size = 0;
    ASSERT_TRUE(QueryRaw("Threshold1", &type, &size));
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
    EXPECT_EQ(4u, size);

    uint32_t value = 7;
    ASSERT_TRUE(key.ReadDword("Threshold1", &value));
    EXPECT_EQ(0xDEADBEEFu, value);

    PutRaw("AsString", REG_SZ, "1", 2);
    const uint64_t wide = 1;
    PutRaw("AsQword", REG_QWORD, &wide, sizeof wide);
    const uint32_t binary = 5;
    PutRaw("AsBinary", REG_BINARY, &binary, sizeof binary);
    value = 7;
    EXPECT_FALSE(key.ReadDword("AsString", &value));
    EXPECT_FALSE(key.ReadDword("AsQword", &value));
    EXPECT_FALSE(key.ReadDword("AsBinary", &value));
    EXPECT_FALSE(key.ReadDword("Missing", &value));
    EXPECT_EQ(7u, value) << "a failed read must leave the output alone";
}

TEST_F(RegistryTest, StringsAreStoredWithTheirZeroAndReadFromEveryStringType) {
    lumen::WinRegistry key;
    ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, m_path, true));
    ASSERT_TRUE(key.WriteString("ProfileName", "Gaming Profile"));
    ASSERT_TRUE(key.WriteString("Empty", ""));
    DWORD type = 0;
    DWORD size = 0;
    ASSERT_TRUE(QueryRaw("ProfileName", &type, &size));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(15u, size);

    std::string text = "unchanged";
    ASSERT_TRUE(key.ReadString("ProfileName", &text));
    EXPECT_EQ("Gaming Profile", text);
    ASSERT_TRUE(key.ReadString("Empty", &text));
    EXPECT_EQ("", text);

    PutRaw("Expand", REG_EXPAND_SZ, "%TEMP%\\x", 9);
    ASSERT_TRUE(key.ReadString("Expand", &text));
    EXPECT_EQ("%TEMP%\\x", text) << "the text is taken as stored, not expanded";

    PutRaw("Multi", REG_MULTI_SZ, "first\0second\0", 14);
    ASSERT_TRUE(key.ReadString("Multi", &text));
    EXPECT_EQ("first", text);

    const DWORD number = 3;
    PutRaw("Number", REG_DWORD, &number, sizeof number);
    text = "unchanged";
    EXPECT_FALSE(key.ReadString("Number", &text));
    EXPECT_FALSE(key.ReadString("Missing", &text));
    EXPECT_EQ("unchanged", text);
}

TEST_F(RegistryTest, StringStoredWithoutItsZeroReadsWithoutRunningOver) {
    // Another program may store REG_SZ data without the terminating zero.
    PutRaw("Bare", REG_SZ, "abcdefgh", 8);
    lumen::WinRegistry key;
    ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, m_path, false));
    std::string text;
    ASSERT_TRUE(key.ReadString("Bare", &text));
    EXPECT_EQ("abcdefgh", text);
}

TEST_F(RegistryTest, ClosedKeyNeitherReadsNorWrites) {
    lumen::WinRegistry key;
    uint32_t value = 0;
    std::string text;
    EXPECT_FALSE(key.WriteDword("A", 1));
    EXPECT_FALSE(key.ReadDword("A", &value));
    EXPECT_FALSE(key.WriteString("B", "x"));
    EXPECT_FALSE(key.ReadString("B", &text));
    key.Close();  // closing what was never opened is harmless
    ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, m_path, true));
    ASSERT_TRUE(key.WriteDword("A", 1));
    key.Close();
    EXPECT_FALSE(key.ReadDword("A", &value));
}

}  // namespace
