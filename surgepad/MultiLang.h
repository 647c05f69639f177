#pragma once
// Translations: every user-visible text of the windows is looked up by key in the
// ini file of the system's language beside the program, with English as the fallback
// for the language and for each missing key (the rules: LanguageLookup.h).
//
// Nothing is cached: each lookup reads the files afresh.

#include <cstdint>
#include <optional>
#include <string>

#include "surgepad/LanguageLookup.h"

namespace surgepad {

class MultiLang {
public:
    // The process-wide translator, created on first use and never destroyed.
    static MultiLang& Instance();

    // The program's own folder and the system's default language.
    MultiLang() = default;
    // Another folder (which holds "LangFiles\"), and a fixed language identifier
    // instead of the system's when one is given.
    MultiLang(std::string programFolder, std::optional<uint16_t> language);

    // The name of the language (also its folder and file name): the list's entry for
    // the 4-digit identifier, else for the low 2 digits of its primary language,
    // else "English".
    std::string LanguageName() const;
    // The text of `key` in the language's file, else in the English file, else
    // "Error 737". A file's value "Error 737" counts as missing.
    std::string Text(const char* key) const;

    std::string ListPath() const;
    std::string LanguageFilePath(const std::string& name) const;

private:
    std::string Folder() const;
    uint16_t LanguageId() const;

    std::optional<std::string> m_folder;
    std::optional<uint16_t> m_language;
};

}  // namespace surgepad
