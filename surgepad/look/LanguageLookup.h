#pragma once
// The rules of the translations' lookup, apart from the files and the system (MultiLang
// reads the files): the keys under which the language list names a language, which
// names are usable, where the files lie, and the fallback of a text to English.
//
//   LangFiles\KrMultiLang.ini           [Languages] 0411=Japanese, 11=Japanese, ...
//   LangFiles\<name>\<name>.ini         [Language] Name=日本語, Font=...
//                                       [Translations] Apply=...
//
// A text that neither the language's file nor the English file has is the program's
// own English text: a user never meets a placeholder.

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace surgepad {

// The default of every read and the text of a key that no file has.
inline constexpr char kMissingText[] = "Error 737";
inline constexpr char kFallbackLanguage[] = "English";
inline constexpr char kListSection[] = "Languages";
inline constexpr char kTextSection[] = "Translations";
// What a language file says of itself: its name in its own language, the fonts its
// script needs where the skin's font lacks it (faces separated by commas, the first one
// the system has is used), and its encoding (LanguageFile.h).
inline constexpr char kAboutSection[] = "Language";
inline constexpr char kOwnNameKey[] = "Name";
inline constexpr char kFontKey[] = "Font";

// Every text the program shows, with its English words.
struct TextKey {
    const char* key;
    const char* english;
};
std::span<const TextKey> TextKeys();
// The English words of `key`, or nullptr for a key the program does not know.
const char* EnglishText(std::string_view key);

// The faces of a font entry, in their order, blanks around them removed.
std::vector<std::string> FontFaces(std::string_view entry);

// The list's keys of a language: the 16-bit identifier in 4 upper-case hexadecimal
// digits, and the low 2 digits of its 10-bit primary language.
struct LanguageKeys {
    std::string full;
    std::string primary;
};
LanguageKeys KeysOfLanguage(uint16_t id);

// A language name is a folder and a file name beside the program, nothing else: an
// empty name or one that would lead out of "LangFiles\" is no name.
bool IsPlainLanguageName(const std::string& name);

// One read of the open language list: the value of `key` in [Languages], or
// kMissingText.
using LanguageListRead = std::function<std::string(const char* key)>;
// The language's name: the list's entry for the full key, else for the primary key,
// else "English". An entry that is no plain name counts as none.
std::string ChooseLanguageName(uint16_t id, const LanguageListRead& read);

// `folder` is the program's folder, with its trailing backslash.
std::string LanguageListPath(const std::string& folder);
std::string LanguageFilePath(const std::string& folder, const std::string& name);

// One read of a language file: the value of `key` in [Translations] of the file at
// `path`, or kMissingText when the file cannot be read or lacks the key.
using LanguageFileRead = std::function<std::string(const std::string& path, const char* key)>;
// The text of `key` in the language's file, else in the English file, else the
// program's own English words (EnglishText), else the key itself. A file's value
// kMissingText counts as missing.
std::string LookupText(const std::string& folder, const std::string& languageName, const char* key,
                       const LanguageFileRead& read);

}  // namespace surgepad
