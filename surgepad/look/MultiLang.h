#pragma once
// Translations: every user-visible text is looked up by key in the file of the chosen
// language beside the program (the tray menu's choice, else the system's language),
// with English as the fallback for the language and for each missing text (the rules:
// LanguageLookup.h; the files: LanguageFile.h). Texts come out as UTF-8.
//
// Nothing of the files is cached: each lookup reads them afresh, so that a translator's
// file dropped into LangFiles\ shows at the next change of language.

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "surgepad/look/LanguageFile.h"
#include "surgepad/look/LanguageLookup.h"

namespace surgepad {

struct LanguageInfo {
    // The folder and file name ("German").
    std::string name;
    // Its name in its own language ("Deutsch"); the folder name when the file has none.
    std::string ownName;
    // The font faces its file names, in their order (none: the skin's font will do).
    std::vector<std::string> fonts;
};

class MultiLang {
public:
    // The process-wide translator, created on first use and never destroyed.
    static MultiLang& Instance();

    // The program's own folder and the system's default language.
    MultiLang() = default;
    // Another folder (which holds "LangFiles\"), and a fixed language identifier
    // instead of the system's when one is given.
    MultiLang(std::string programFolder, std::optional<uint16_t> language);

    // The language chosen in the tray menu ("" for the system's language). Any thread.
    void SetChosenLanguage(const std::string& name);
    std::string ChosenLanguage() const;

    // The name of the language in force (also its folder and file name): the chosen
    // one while its file is there, else the system's.
    std::string LanguageName() const;
    // The system's language: the list's entry for the 4-digit identifier, else for the
    // low 2 digits of its primary language, else "English".
    std::string SystemLanguageName() const;
    // The text of `key` in the language's file, else in the English file, else the
    // program's own English words. A file's value "Error 737" counts as missing.
    std::string Text(const char* key) const;

    // What the language's file says of itself.
    LanguageInfo About(const std::string& name) const;
    // Every language beside the program (a folder of LangFiles\ holding its file), by
    // their own names in code point order.
    std::vector<LanguageInfo> Languages() const;
    // The face the texts of the language in force are drawn with: the first of its fonts
    // the system has, else `skinFace`.
    std::string FontFace(const std::string& skinFace) const;

    std::string ListPath() const;
    std::string LanguageFilePath(const std::string& name) const;
    // The language file at `path`, read and decoded; empty when it cannot be read.
    static LanguageFile ReadFile(const std::string& path);

private:
    std::string Folder() const;
    uint16_t LanguageId() const;
    bool HasFile(const std::string& name) const;

    std::optional<std::string> m_folder;
    std::optional<uint16_t> m_language;
    mutable std::mutex m_lock;
    std::string m_chosen;
};

// True when the system has a font of that face.
bool FontInstalled(const std::string& face);

}  // namespace surgepad
