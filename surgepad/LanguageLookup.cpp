#include "surgepad/LanguageLookup.h"

#include <cstdio>

namespace surgepad {

LanguageKeys KeysOfLanguage(uint16_t id) {
    char full[8];
    std::snprintf(full, sizeof full, "%04X", id & 0xFFFFu);
    // The primary language is 10 bits wide; the list keys it by its low 2 digits.
    char primary[8];
    std::snprintf(primary, sizeof primary, "%02X", (id & 0x3FFu) & 0xFFu);
    return {full, primary};
}

bool IsPlainLanguageName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find_first_of("\\/:") == std::string::npos;
}

std::string ChooseLanguageName(uint16_t id, const LanguageListRead& read) {
    const LanguageKeys keys = KeysOfLanguage(id);
    std::string found = read(keys.full.c_str());
    if (found == kMissingText || !IsPlainLanguageName(found)) {
        found = read(keys.primary.c_str());
    }
    if (found != kMissingText && IsPlainLanguageName(found)) {
        return found;
    }
    return kFallbackLanguage;
}

std::string LanguageListPath(const std::string& folder) {
    return folder + "LangFiles\\KrMultiLang.ini";
}

std::string LanguageFilePath(const std::string& folder, const std::string& name) {
    return folder + "LangFiles\\" + name + "\\" + name + ".ini";
}

std::string LookupText(const std::string& folder, const std::string& languageName, const char* key,
                       const LanguageFileRead& read) {
    if (key == nullptr) {
        return kMissingText;
    }
    std::string text = read(LanguageFilePath(folder, languageName), key);
    if (text == kMissingText) {
        text = read(LanguageFilePath(folder, kFallbackLanguage), key);
    }
    return text;
}

}  // namespace surgepad
