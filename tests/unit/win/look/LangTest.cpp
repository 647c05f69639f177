// Translations: the ini reader, the choice of the language, the lookup with its
// fallbacks, and the language files the program ships.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "lumen/system/ProgramFolder.h"
#include "lumen/system/IniAccess.h"
#include "lumen/core/WideText.h"
#include "surgepad/look/MultiLang.h"
#include "surgepad/app/TrayTexts.h"
#include "tests/unit/ReportRecorder.h"
#include "tests/unit/win/DormixTestSupport.h"

using surgepad::MultiLang;

namespace {

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

TEST(LangText, MissingTextsFallBackToEnglishThenToTheProgramsOwnWords) {
    LangFolder folder;
    folder.List("0411=Japanese\r\n");
    folder.Language("Japanese", "Apply=JA-Apply\r\nCancel=Error 737\r\n");
    folder.Language("English", "Apply=Apply\r\nCancel=Cancel\r\nClose=Close (file)\r\n");
    const MultiLang ja(folder.Root(), 0x0411);
    EXPECT_EQ("JA-Apply", ja.Text("Apply"));
    EXPECT_EQ("Cancel", ja.Text("Cancel"));  // "Error 737" in a file counts as missing
    EXPECT_EQ("Close (file)", ja.Text("Close"));
    EXPECT_EQ("Show OSD", ja.Text("ShowOsd"));
    EXPECT_EQ("", ja.Text(nullptr));
    // Without any file: never a placeholder.
    LangFolder empty;
    EXPECT_EQ("Apply", MultiLang(empty.Root(), 0x0409).Text("Apply"));
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

// A file of before, in the system's code page without a mark, reads as it always did;
// the texts come out as UTF-8.
TEST(LangText, AFileInTheSystemsCodePageKeepsReading) {
    if (GetACP() != 1252) {
        GTEST_SKIP() << "the system's code page is " << GetACP();
    }
    LangFolder folder;
    folder.List("040C=French\r\n");
    folder.Language("French", "Apply=Param\xE8tres d'\xE9t\xE9\r\n");
    EXPECT_EQ("Param\xC3\xA8tres d'\xC3\xA9t\xC3\xA9", MultiLang(folder.Root(), 0x040C).Text("Apply"));
}

// The tray menu's choice wins over the system's language while its file is there.
TEST(LangChosen, TheChosenLanguageWinsWhileItsFileIsThere) {
    LangFolder folder;
    folder.List("0409=English\r\n");
    folder.Language("German", "Apply=Anwenden\r\n");
    MultiLang lang(folder.Root(), 0x0409);
    const struct {
        const char* chosen;
        const char* inForce;
        const char* apply;
    } rows[] = {
        {"", "English", "Apply"},
        {"German", "German", "Anwenden"},
        {"..\\German", "English", "Apply"},  // no plain name: no choice
        {"Klingon", "English", "Apply"},     // no file: the system's
    };
    for (const auto& row : rows) {
        lang.SetChosenLanguage(row.chosen);
        EXPECT_EQ(lang.LanguageName(), row.inForce) << row.chosen;
        EXPECT_EQ(lang.Text("Apply"), row.apply) << row.chosen;
        EXPECT_EQ(lang.SystemLanguageName(), "English") << row.chosen;
    }
    lang.SetChosenLanguage("German");
    ASSERT_TRUE(DeleteFileA((folder.Root() + "LangFiles\\German\\German.ini").c_str()));
    EXPECT_EQ(lang.LanguageName(), "English") << "a chosen language whose file has gone";
}

// What the menu lists: every folder holding its file, a translator's new one too,
// by the languages' own names.
TEST(LangChosen, LanguagesAreTheFoldersWithTheirFilesByTheirOwnNames) {
    LangFolder folder;
    folder.Language("Zulu", "[Language]\r\nName=isiZulu\r\n");
    folder.Language("German", "[Language]\r\nName=Deutsch\r\nFont= A , B\r\n");
    folder.Language("Legacy", "Apply=x\r\n");
    folder.Language("Korean", "[Language]\r\nName=\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4\r\n");
    CreateDirectoryA((folder.Root() + "LangFiles\\Empty").c_str(), nullptr);
    std::vector<std::string> seen;
    for (const surgepad::LanguageInfo& info : MultiLang(folder.Root(), 0x0409).Languages()) {
        std::string fonts;
        for (const std::string& face : info.fonts) {
            fonts += "," + face;
        }
        seen.push_back(info.name + ":" + info.ownName + fonts);
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"German:Deutsch,A,B", "Legacy:Legacy", "Zulu:isiZulu",
                                              "Korean:\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4"}));
}

// Every language shipped is complete and whole, in UTF-8 with its mark, names itself,
// and keeps the tip within the tray's record; the list names shipped languages only.
TEST(LangShipped, EveryLanguageIsCompleteAndWhole) {
    const std::string root = lumen::ProgramFolder();
    const MultiLang lang(root, 0x0409);
    std::vector<std::string> names;
    for (const surgepad::LanguageInfo& info : lang.Languages()) {
        names.push_back(info.name);
        SCOPED_TRACE(info.name);
        const surgepad::LanguageFile file = MultiLang::ReadFile(lang.LanguageFilePath(info.name));
        EXPECT_EQ(file.Encoding().kind, surgepad::TextEncoding::Utf8);
        EXPECT_TRUE(file.Encoding().byteOrderMark);
        EXPECT_EQ(file.DamagedLines(), 0u);
        EXPECT_NE(info.ownName, info.name == "English" ? "" : info.name) << "names itself in its own words";
        for (const surgepad::TextKey& key : surgepad::TextKeys()) {
            const std::optional<std::string> text = file.Value(surgepad::kTextSection, key.key);
            ASSERT_TRUE(text && !text->empty()) << "lacks " << key.key;
            const auto percents = [](const std::string& t) { return std::count(t.begin(), t.end(), '%'); };
            EXPECT_EQ(percents(*text), percents(key.english)) << key.key << ": \"" << *text << "\"";
            if (info.name == "English") {
                EXPECT_EQ(*text, key.english) << "the file and the program's own words differ";
            }
        }
        const std::string tip =
            surgepad::FillName(*file.Value(surgepad::kTextSection, "TrayTipTurboOff"), std::string(32, 'W'));
        EXPECT_LE(lumen::Widen(tip).size(), 127u) << tip;
    }
    for (const char* required : {"English", "Japanese", "French", "German", "Spanish", "Italian", "PortugueseBrazil",
                                 "Polish", "Russian", "ChineseSimplified", "ChineseTraditional", "Korean"}) {
        EXPECT_NE(std::find(names.begin(), names.end(), required), names.end()) << required;
    }
    lumen::IniAccess list;
    ASSERT_TRUE(list.Open(root + "LangFiles\\KrMultiLang.ini"));
    const std::string keys = list.ReadString("Languages", nullptr, "");
    for (size_t at = 0; at < keys.size(); at = keys.find('\0', at) + 1) {
        const std::string key = keys.c_str() + at;
        const std::string name = list.ReadString("Languages", key.c_str(), "");
        EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << key << "=" << name;
    }
    const struct {
        uint16_t id;
        const char* name;
    } systems[] = {{0x0407, "German"},
                   {0x0C0A, "Spanish"},
                   {0x0416, "PortugueseBrazil"},
                   {0x0804, "ChineseSimplified"},
                   {0x0C04, "ChineseTraditional"},
                   {0x0412, "Korean"},
                   {0x0419, "Russian"},
                   {0x0436, "English"}};
    for (const auto& system : systems) {
        EXPECT_EQ(MultiLang(root, system.id).LanguageName(), system.name) << std::hex << system.id;
    }
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

// A file of before in Shift-JIS reads on a Japanese system as it always did; the new
// files are UTF-8 on any system. Either way the texts come out as UTF-8.
TEST_F(LangJapaneseLocale, TextsComeAsUtf8FromEitherKindOfFile) {
    EXPECT_EQ("\xE9\x81\xA9\xE7\x94\xA8", MultiLang::Instance().Text("Apply"));  // 適用
    LangFolder folder;
    folder.List("0411=Japanese\r\n");
    folder.Language("Japanese", "Apply=\x93\x4B\x97\x70\r\n");  // 適用 in Shift-JIS
    EXPECT_EQ("\xE9\x81\xA9\xE7\x94\xA8", MultiLang(folder.Root(), std::nullopt).Text("Apply"));
}
