// Language files read by the program's own reader: their encodings (byte order marks,
// a declared encoding, the system's code page), damaged files read as far as they are
// whole, the profile-file rules of sections, keys and values, and the fallback of each
// text to English.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "lumen/core/TextUtf8.h"
#include "surgepad/look/LanguageFile.h"
#include "surgepad/look/LanguageLookup.h"

namespace {

using surgepad::LanguageFile;
using surgepad::TextEncoding;

// Stands in for the system's conversion: "code page" 1 takes byte 0xE9 for é, any other
// byte above 0x7F is not valid in it. Records the code pages it was asked for.
struct FakeCodePage {
    std::vector<unsigned> asked;
    std::optional<std::string> operator()(std::string_view line, unsigned codePage) {
        asked.push_back(codePage);
        std::string out;
        for (const char c : line) {
            if (c == '\xE9') {
                out += "\xC3\xA9";
            } else if (static_cast<unsigned char>(c) >= 0x80) {
                return std::nullopt;
            } else {
                out += c;
            }
        }
        return out;
    }
};

std::string Utf16(const std::u16string& text, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t unit : text) {
        const char hi = static_cast<char>(unit >> 8);
        const char lo = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
    }
    return bytes;
}

const char kBom[] = "\xEF\xBB\xBF";

TEST(LanguageFile, EachEncodingIsFoundAndItsTextsComeAsUtf8) {
    const std::string apply = "Appliquer \xC3\xA9t\xC3\xA9";  // "Appliquer été"
    const struct {
        const char* what;
        std::string bytes;
        TextEncoding kind;
        unsigned codePage;  // asked of the system for a code-page file (none asked: 0)
        std::optional<std::string> wanted;
    } rows[] = {
        {"UTF-8 with its mark", kBom + std::string("[Translations]\r\nApply=") + apply + "\r\n", TextEncoding::Utf8, 0,
         apply},
        {"UTF-16 LE", Utf16(u"[Translations]\r\nApply=Appliquer \u00E9t\u00E9\r\n", false), TextEncoding::Utf16Le, 0,
         apply},
        {"UTF-16 BE", Utf16(u"[Translations]\nApply=Appliquer \u00E9t\u00E9", true), TextEncoding::Utf16Be, 0, apply},
        {"UTF-8 declared", "[Language]\nEncoding = utf-8\n[Translations]\nApply=" + apply + "\n", TextEncoding::Utf8, 0,
         apply},
        {"a code page declared", "[Translations]\nApply=Appliquer \xE9t\xE9\n[Language]\nEncoding=windows-1\n",
         TextEncoding::CodePage, 1, apply},
        {"no mark, no declaration, valid UTF-8", "[Translations]\nApply=" + apply + "\n", TextEncoding::Utf8, 0, apply},
        {"no mark, no declaration: the system's", "[Translations]\nApply=Appliquer \xE9t\xE9\n", TextEncoding::CodePage,
         0, apply},
        {"a declaration outside [Language] counts not", "Encoding=UTF-8\n[Translations]\nApply=Appliquer \xE9t\xE9\n",
         TextEncoding::CodePage, 0, apply},
        {"a mark alone", kBom, TextEncoding::Utf8, 0, std::nullopt},
        {"a UTF-16 mark alone", "\xFF\xFE", TextEncoding::Utf16Le, 0, std::nullopt},
        {"nothing", "", TextEncoding::CodePage, 0, std::nullopt},
    };
    for (const auto& row : rows) {
        FakeCodePage system;
        const LanguageFile file = LanguageFile::Parse(row.bytes, std::ref(system));
        EXPECT_EQ(file.Encoding().kind, row.kind) << row.what;
        EXPECT_EQ(file.Value("Translations", "Apply"), row.wanted) << row.what;
        EXPECT_EQ(file.DamagedLines(), 0u) << row.what;
        EXPECT_EQ(system.asked, row.kind == TextEncoding::CodePage && row.wanted ? std::vector<unsigned>{row.codePage}
                                                                                 : std::vector<unsigned>{})
            << row.what << ": only lines beyond ASCII go to the system";
    }
}

// A damaged line costs its own text only: the lines before and after it are read.
TEST(LanguageFile, ADamagedFileIsReadAsFarAsItIsWhole) {
    const std::string before = "[Translations]\nCancel=Annuler\n";
    const struct {
        const char* what;
        std::string bytes;
        bool afterRead;  // whether "Close" after the damage is read
        size_t damaged;
    } rows[] = {
        {"an invalid byte", kBom + before + "Apply=App\xFFliquer\nClose=Fermer\n", true, 1},
        {"an overlong sequence", kBom + before + "Apply=\xC0\xAF\nClose=Fermer\n", true, 1},
        {"an encoded surrogate", kBom + before + "Apply=\xED\xA0\x80\nClose=Fermer\n", true, 1},
        {"a zero inside a line", kBom + before + std::string("Apply=A\0B\nClose=Fermer\n", 23), true, 1},
        {"a character cut at the end", kBom + before + "Close=Fermer\nApply=\xE9\x81", true, 1},
        {"a code-page line the system rejects", before + "Apply=\x81\nClose=Fermer\n", true, 1},
        {"UTF-16 with a lone surrogate", Utf16(u"[Translations]\nCancel=Annuler\nApply=\xD800x\nClose=Fermer\n", false),
         true, 1},
        {"UTF-16 cut inside a unit", Utf16(u"[Translations]\nCancel=Annuler\nClose=Fermer\nApply=Ap", false) + "p",
         true, 1},
    };
    for (const auto& row : rows) {
        const LanguageFile file = LanguageFile::Parse(row.bytes, FakeCodePage());
        EXPECT_EQ(file.Value("Translations", "Cancel"), "Annuler") << row.what;
        EXPECT_EQ(file.Value("Translations", "Apply"), std::nullopt) << row.what;
        EXPECT_EQ(file.Value("Translations", "Close").has_value(), row.afterRead) << row.what;
        EXPECT_EQ(file.DamagedLines(), row.damaged) << row.what;
    }
}

// The rules of the system's profile functions, which the files were written for.
TEST(LanguageFile, SectionsKeysAndValuesFollowTheProfileRules) {
    const std::string text = std::string(kBom) +
                             "; Apply=comment\r\n"
                             "Apply=before any section\r\n"
                             "[ translations ]\r\n"
                             "  APPLY  =  Appliquer  \r\n"
                             "Apply=second entry\r\n"
                             "Quoted=\"  kept blanks \"\r\n"
                             "Half=\"only one\r\n"
                             "Inner=l'OSD\r\n"
                             "Empty=\r\n"
                             "=no key\r\n"
                             "no equals sign\r\n"
                             "[Other]\r\n"
                             "Cancel=elsewhere\r\n";
    const LanguageFile file = LanguageFile::Parse(text, nullptr);
    const std::map<std::string, std::optional<std::string>> wanted = {
        {"Apply", "Appliquer"}, {"Quoted", "  kept blanks "}, {"Half", "\"only one"}, {"Inner", "l'OSD"},
        {"Empty", ""},          {"Cancel", std::nullopt},     {"", std::nullopt},     {"no equals sign", std::nullopt}};
    for (const auto& [key, value] : wanted) {
        EXPECT_EQ(file.Value("Translations", key), value) << "key \"" << key << "\"";
    }
    EXPECT_EQ(file.Value("OTHER", "cancel"), "elsewhere");
    EXPECT_EQ(file.Value("", "Apply"), "before any section");
    EXPECT_EQ(file.Value("", "; Apply"), std::nullopt) << "a comment";
}

TEST(LanguageFile, DeclaredCodePages) {
    const std::map<std::string, unsigned> rows = {
        {"UTF-8", 65001}, {" utf8 ", 65001}, {"1251", 1251}, {"CP932", 932}, {"Windows-1252", 1252},
        {"latin1", 0},    {"cp", 0},         {"123456", 0},  {"", 0},        {"12a", 0},
    };
    for (const auto& [value, codePage] : rows) {
        EXPECT_EQ(surgepad::DeclaredCodePage(value), codePage) << "\"" << value << "\"";
    }
}

// The tray tip holds 127 UTF-16 units: a character beyond the first plane takes two,
// and none is cut in half.
TEST(LanguageFile, TextsAreCutInUtf16UnitsNeverInsideACharacter) {
    const std::string clef = "\xF0\x9D\x84\x9E";  // U+1D11E: 4 bytes, 2 units
    const std::string korean = "\xED\x84\xB0";    // 터: 3 bytes, 1 unit
    const struct {
        std::string text;
        size_t units;
        std::string wanted;
    } rows[] = {
        {"abcdef", 4, "abcd"},
        {"ab" + korean + korean, 3, "ab" + korean},
        {"ab" + clef, 3, "ab"},
        {"ab" + clef, 4, "ab" + clef},
        {"ab\xFFzz", 10, "ab"},  // an invalid sequence ends the text
        {std::string(200, 'x'), 127, std::string(127, 'x')},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(lumen::CutToUtf16Units(row.text, row.units), row.wanted) << row.text << " in " << row.units;
    }
}

// Each text on its own: the language's file, else the English file, else the program's
// own English words; never a placeholder.
TEST(LanguageLookup, EachTextFallsBackOnItsOwn) {
    const std::string folder = "C:\\P\\";
    const std::string own = surgepad::LanguageFilePath(folder, "German");
    const std::string english = surgepad::LanguageFilePath(folder, "English");
    const std::map<std::string, std::map<std::string, std::string>> files = {
        {own,
         {{"Apply",
           "\xC3\x9C"
           "bernehmen"},
          {"Cancel", "Error 737"}}},
        {english, {{"Cancel", "Cancel (file)"}, {"Close", "Close (file)"}}},
    };
    const auto read = [&](const std::string& path, const char* key) -> std::string {
        const auto file = files.find(path);
        if (file == files.end() || file->second.count(key) == 0) {
            return surgepad::kMissingText;
        }
        return file->second.at(key);
    };
    const std::map<std::string, std::string> wanted = {
        {"Apply",
         "\xC3\x9C"
         "bernehmen"},
        {"Cancel", "Cancel (file)"},  // "Error 737" in a file counts as missing
        {"Close", "Close (file)"},
        {"ShowOsd", "Show OSD"},     // in neither file: the program's own words
        {"NoSuchKey", "NoSuchKey"},  // a key the program does not know shows itself
    };
    for (const auto& [key, text] : wanted) {
        EXPECT_EQ(surgepad::LookupText(folder, "German", key.c_str(), read), text) << key;
    }
}

TEST(LanguageLookup, FontEntriesListFacesInTheirOrder) {
    EXPECT_EQ(surgepad::FontFaces(" Yu Gothic UI,Meiryo UI ,, VL PGothic "),
              (std::vector<std::string>{"Yu Gothic UI", "Meiryo UI", "VL PGothic"}));
    EXPECT_TRUE(surgepad::FontFaces(" , ").empty());
}

}  // namespace
