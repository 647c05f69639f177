// Translations: the ini reader, the choice of the language, the lookup with its
// fallbacks, and the language files the program ships.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "lumen/system/ProgramFolder.h"
#include "lumen/system/IniAccess.h"
#include "surgepad/MultiLang.h"
#include "tests/unit/ReportRecorder.h"
#include "tests/unit/win/DormixTestSupport.h"

using surgepad::MultiLang;

namespace {

const char* const kKeys[] = {
    "Cancel", "Apply", "SurgepadOff", "SurgepadOn", "ShowOsd", "ShowStatus", "Close", "PowerButtonAction",
    "DisplaySetting", "SurgepadProfile", "Warning", "OcWarn", "PowBtnConfigAltered", "TrayMenuSettings", "TrayMenuExit",
    // Automatic turbo: the tray menu, the tip, the warning on battery.
    "TrayMenuTurboFor", "TrayMenuFor30Minutes", "TrayMenuFor1Hour", "TrayMenuFor2Hours", "TrayMenuAutomatic",
    "TrayMenuAddProgram", "TrayMenuGameMode", "TrayMenuOffOnBattery", "TrayTipWhileRuns", "TrayTipGameMode",
    "TrayTipTimeLeft", "UnitHour", "UnitMinute", "TurboOnBatteryWarn"};

// A program folder of its own with a LangFiles tree, removed afterwards.
class LangFolder {
public:
    LangFolder() { CreateDirectoryA((Root() + "LangFiles").c_str(), nullptr); }
    const std::string& Root() const { return m_folder.Path(); }
    void List(const std::string& text) { Write(Root() + "LangFiles\\KrMultiLang.ini", "[Languages]\r\n" + text); }
    void Language(const std::string& name, const std::string& text) {
        const std::string folder = Root() + "LangFiles\\" + name;
        CreateDirectoryA(folder.c_str(), nullptr);
        Write(folder + "\\" + name + ".ini", "[Translations]\r\n" + text);
    }
    std::string Write(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

private:
    testutil::ScratchFolder m_folder{"lang"};
};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The text in UTF-16 as code page `cp` reads it; empty when it holds a byte
// sequence that code page does not define.
std::wstring Decode(const std::string& bytes, UINT cp) {
    const int n =
        MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
    return out;
}

// The text of a language file after its first line (the line that says how it was made).
std::wstring Body(const std::wstring& text) {
    const size_t eol = text.find(L'\n');
    return eol == std::wstring::npos ? text : text.substr(eol + 1);
}

std::wstring WithoutComments(const std::wstring& text) {
    std::wstring out;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t eol = text.find(L'\n', pos);
        eol = eol == std::wstring::npos ? text.size() : eol + 1;
        std::wstring line = text.substr(pos, eol - pos);
        if (!line.empty() && line[0] != L';') {
            if (line.size() >= 2 && line[line.size() - 2] == L'\r') {
                line.erase(line.size() - 2, 1);
            }
            out += line;
        }
        pos = eol;
    }
    return out;
}

}  // namespace

TEST(LangIni, OpenRemembersTheFileAndAMissingFileGivesDefaults) {
    lumen::IniAccess ini;
    EXPECT_FALSE(ini.IsOpen());
    ASSERT_TRUE(ini.Open("Z:\\no\\such\\file.ini"));
    EXPECT_TRUE(ini.IsOpen());
    EXPECT_EQ(128u, ini.BufferSize());
    EXPECT_EQ("fallback", ini.ReadString("Translations", "Apply", "fallback"));
    EXPECT_NE(std::string::npos, testutil::AssertionOf([&] { (void)ini.Open("other.ini"); }).find("!IsOpen()"));
    ini.Close();
    EXPECT_FALSE(ini.IsOpen());
    EXPECT_EQ(0u, ini.BufferSize());
    EXPECT_EQ("", ini.FileName());
    ASSERT_TRUE(ini.Open("Z:\\again.ini"));
}

TEST(LangIni, LongValuesAreReadWholeByDoublingTheBuffer) {
    LangFolder folder;
    const std::string v127(127, 'a');
    const std::string v300 = std::string(150, 'x') + std::string(150, 'y');
    const std::string path =
        folder.Write(folder.Root() + "long.ini", "[S]\r\nshort=hi\r\nedge=" + v127 + "\r\nlong=" + v300 + "\r\n");
    lumen::IniAccess ini;
    ASSERT_TRUE(ini.Open(path));
    EXPECT_EQ("hi", ini.ReadString("S", "short", "-"));
    EXPECT_EQ(128u, ini.BufferSize());
    // 127 characters fill a 128-byte buffer to the brim: they may have been cut, so
    // the read is repeated with 256.
    EXPECT_EQ(v127, ini.ReadString("S", "edge", "-"));
    EXPECT_EQ(256u, ini.BufferSize());
    EXPECT_EQ(v300, ini.ReadString("S", "long", "-"));
    EXPECT_EQ(512u, ini.BufferSize());
    EXPECT_EQ("-", ini.ReadString("S", "none", "-"));
    // The names of the keys, zero-separated.
    EXPECT_EQ(std::string("short\0edge\0long\0", 16), ini.ReadString("S", nullptr, ""));
}

TEST(LangChoice, FourDigitKeyFirstThenTwoDigitsThenEnglish) {
    LangFolder folder;
    folder.List("0411=Japanese\r\n11=Japanese2\r\n");
    EXPECT_EQ("Japanese", MultiLang(folder.Root(), 0x0411).LanguageName());
    // Another Japanese sub-language only matches the 2-digit key.
    EXPECT_EQ("Japanese2", MultiLang(folder.Root(), 0x0811).LanguageName());
    folder.List("11=Japanese\r\n");
    EXPECT_EQ("Japanese", MultiLang(folder.Root(), 0x0411).LanguageName());
    folder.List("0409=English\r\n");
    EXPECT_EQ("English", MultiLang(folder.Root(), 0x0411).LanguageName());
}

TEST(LangChoice, APrimaryLanguageAboveFFUsesItsLowTwoDigits) {
    LangFolder folder;
    folder.List("23=Low\r\n123=Three\r\n");
    // 0x0523: sub-language 1, primary language 0x123.
    EXPECT_EQ("Low", MultiLang(folder.Root(), 0x0523).LanguageName());
}

TEST(LangChoice, NoListOrAnUnusableNameMeansEnglish) {
    LangFolder folder;
    EXPECT_EQ("English", MultiLang(folder.Root(), 0x0411).LanguageName());
    folder.List("0411=..\\..\\Windows\\win\r\n11=\r\n");
    EXPECT_EQ("English", MultiLang(folder.Root(), 0x0411).LanguageName());
    folder.List("0411=sub\\dir\r\n11=Japanese\r\n");
    EXPECT_EQ("Japanese", MultiLang(folder.Root(), 0x0411).LanguageName());
}

TEST(LangText, MissingKeysFallBackToEnglishThenToTheSentinel) {
    LangFolder folder;
    folder.List("0411=Japanese\r\n");
    folder.Language("Japanese", "Apply=JA-Apply\r\nCancel=Error 737\r\n");
    folder.Language("English", "Apply=Apply\r\nCancel=Cancel\r\nClose=Close\r\n");
    const MultiLang ja(folder.Root(), 0x0411);
    EXPECT_EQ("JA-Apply", ja.Text("Apply"));
    EXPECT_EQ("Cancel", ja.Text("Cancel"));  // "Error 737" in a file counts as missing
    EXPECT_EQ("Close", ja.Text("Close"));
    EXPECT_EQ("Error 737", ja.Text("Nowhere"));
    EXPECT_EQ("Error 737", ja.Text(nullptr));
    EXPECT_EQ("Error 737", std::string(surgepad::kMissingText));
}

TEST(LangText, AMissingLanguageFileOrNoFilesAtAll) {
    LangFolder folder;
    folder.List("040C=French\r\n");
    folder.Language("English", "Apply=Apply\r\n");
    EXPECT_EQ("Apply", MultiLang(folder.Root(), 0x040C).Text("Apply"));
    LangFolder empty;
    EXPECT_EQ("Error 737", MultiLang(empty.Root(), 0x0409).Text("Apply"));
}

TEST(LangText, ALongTranslationIsReturnedWhole) {
    LangFolder folder;
    const std::string text(300, 'w');
    folder.Language("English", "OcWarn=" + text + "\r\n");
    EXPECT_EQ(text, MultiLang(folder.Root(), 0x0409).Text("OcWarn"));
}

TEST(LangText, EachLookupReadsTheFilesAfresh) {
    LangFolder folder;
    folder.List("0411=Japanese\r\n");
    folder.Language("English", "Apply=One\r\n");
    const MultiLang lang(folder.Root(), 0x0411);
    EXPECT_EQ("One", lang.Text("Apply"));
    folder.Language("Japanese", "Apply=Two\r\n");
    EXPECT_EQ("Two", lang.Text("Apply"));
}

TEST(LangShipped, EveryLanguageHasEveryKey) {
    const std::string root = lumen::ProgramFolder();
    for (const char* name : {"English", "Japanese", "French"}) {
        lumen::IniAccess ini;
        ASSERT_TRUE(ini.Open(root + "LangFiles\\" + name + "\\" + name + ".ini"));
        for (const char* key : kKeys) {
            const std::string text = ini.ReadString("Translations", key, surgepad::kMissingText);
            EXPECT_NE(surgepad::kMissingText, text) << name << " lacks " << key;
            EXPECT_FALSE(text.empty()) << name << " " << key;
        }
    }
    lumen::IniAccess list;
    ASSERT_TRUE(list.Open(root + "LangFiles\\KrMultiLang.ini"));
    EXPECT_EQ("Japanese", list.ReadString("Languages", "0411", ""));
    EXPECT_EQ("Japanese", list.ReadString("Languages", "11", ""));
    EXPECT_EQ("French", list.ReadString("Languages", "0C", ""));
    EXPECT_EQ("English", list.ReadString("Languages", "09", ""));
}

TEST(LangShipped, TheFilesAreTheirSourcesInTheSystemCodePage) {
    const std::string root = lumen::ProgramFolder();
    const struct {
        const char* name;
        UINT codePage;
    } files[] = {{"Japanese", 932}, {"French", 1252}};
    for (const auto& f : files) {
        SCOPED_TRACE(f.name);
        const std::string shipped = ReadAll(root + "LangFiles\\" + f.name + "\\" + f.name + ".ini");
        const std::string source = ReadAll(root + "..\\testdata\\lang\\" + f.name + ".utf8.ini");
        ASSERT_FALSE(shipped.empty());
        ASSERT_FALSE(source.empty());
        const std::wstring decoded = Decode(shipped, f.codePage);
        ASSERT_FALSE(decoded.empty()) << "not valid in code page " << f.codePage;
        EXPECT_EQ(WithoutComments(Decode(source, CP_UTF8)), WithoutComments(Body(decoded)));
    }
}

TEST(LangShipped, TheProgramsOwnLookupFindsEnglishOutsideJapan) {
    if (GetSystemDefaultLangID() == 0x0411) {
        GTEST_SKIP() << "a Japanese system";
    }
    const MultiLang& lang = MultiLang::Instance();
    EXPECT_EQ(&lang, &MultiLang::Instance());
    if (GetSystemDefaultLangID() == 0x0409) {
        EXPECT_EQ("English", lang.LanguageName());
        EXPECT_EQ("Apply", lang.Text("Apply"));
        EXPECT_EQ("Surgepad On", lang.Text("SurgepadOn"));
    }
    EXPECT_EQ("Error 737", lang.Text("NoSuchKey"));
}

// Run again by CTest with LC_ALL=ja_JP.UTF-8, which Wine turns into language 0x0411
// and code page 932; elsewhere these skip themselves.
class LangJapaneseLocale : public testing::Test {
protected:
    void SetUp() override {
        const char* expected = std::getenv("SURGEPAD_EXPECT_LANGID");
        if (expected != nullptr) {
            ASSERT_EQ(std::strtoul(expected, nullptr, 16), GetSystemDefaultLangID()) << "LC_ALL not in effect";
        } else if (GetSystemDefaultLangID() != 0x0411) {
            GTEST_SKIP() << "not a Japanese system";
        }
    }
};

TEST_F(LangJapaneseLocale, TheSystemLanguageSelectsJapanese) {
    EXPECT_EQ(932u, GetACP());
    EXPECT_EQ("Japanese", MultiLang::Instance().LanguageName());
    // Through the 2-digit key alone as well.
    LangFolder folder;
    folder.List("11=Japanese\r\n");
    EXPECT_EQ("Japanese", MultiLang(folder.Root(), std::nullopt).LanguageName());
    folder.List("0409=English\r\n");
    EXPECT_EQ("English", MultiLang(folder.Root(), std::nullopt).LanguageName());
}

TEST_F(LangJapaneseLocale, TextsComeInShiftJis) {
    const MultiLang& lang = MultiLang::Instance();
    EXPECT_EQ(L"\u9069\u7528", Decode(lang.Text("Apply"), 932));                       // 適用
    EXPECT_EQ(L"\u30AD\u30E3\u30F3\u30BB\u30EB", Decode(lang.Text("Cancel"), 932));    // キャンセル
    EXPECT_EQ(L"\u8868\u793A\u8A2D\u5B9A", Decode(lang.Text("DisplaySetting"), 932));  // 表示設定
    EXPECT_EQ("Surgepad \x83\x49\x83\x93", lang.Text("SurgepadOn"));                   // オン
    for (const char* key : kKeys) {
        EXPECT_NE("Error 737", lang.Text(key)) << key;
    }
}
