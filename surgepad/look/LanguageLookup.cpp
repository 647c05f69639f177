#include "surgepad/look/LanguageLookup.h"

#include <cstdio>

namespace surgepad {
namespace {

// The English words of every text; LangFiles\English\English.ini holds the same.
constexpr TextKey kTextKeys[] = {
    {"Cancel", "Cancel"},
    {"Apply", "Apply"},
    {"SurgepadOff", "Surgepad Off"},
    {"SurgepadOn", "Surgepad On"},
    {"ShowOsd", "Show OSD"},
    {"ShowStatus", "Show Status"},
    {"Close", "Close"},
    {"PowerButtonAction", "Power Button Action"},
    {"DisplaySetting", "Display Setting"},
    {"SurgepadProfile", "Surgepad Profile"},
    {"Warning", "Warning"},
    {"OcWarn",
     "The selected overclocking profile cannot be applied on this system. Please choose another profile in the "
     "Surgepad settings."},
    {"PowBtnConfigAltered",
     "The power button setting was changed by another program. Surgepad has switched back to the Power action: "
     "the power button now works as set in Windows."},
    {"TurboUnavailable",
     "The turbo action cannot be chosen now: Surgepad cannot read the power button setting of Windows, so it "
     "could not give it back later. The power button keeps working as set in Windows."},
    {"TrayMenuSettings", "Settings"},
    {"TrayMenuExit", "Exit"},
    {"TrayMenuTurboOn", "Turbo on (%s)"},
    {"TrayMenuTurboOff", "Turbo off (%s)"},
    {"TrayMenuLanguage", "Language"},
    {"TrayMenuSystemLanguage", "System language (%s)"},
    {"TrayTipTurboOn", "Surgepad: turbo on (%s)"},
    {"TrayTipTurboOff", "Surgepad: turbo off (%s)"},
    {"TrayTipPowerButton", "Surgepad: power button"},
    {"RefusedLine1", "Surgepad cannot launch when IXTU is enabled."},
    {"RefusedLine2",
     "Please restart your system, set the \"KORA/3rd Party UI Priority\" BIOS item to [KORA Utility], and launch "
     "Surgepad again."},
};

}  // namespace

std::span<const TextKey> TextKeys() {
    return kTextKeys;
}

const char* EnglishText(std::string_view key) {
    for (const TextKey& text : kTextKeys) {
        if (key == text.key) {
            return text.english;
        }
    }
    return nullptr;
}

std::vector<std::string> FontFaces(std::string_view entry) {
    std::vector<std::string> faces;
    while (!entry.empty()) {
        const size_t comma = entry.find(',');
        std::string_view face = entry.substr(0, comma);
        const size_t first = face.find_first_not_of(" \t");
        if (first != std::string_view::npos) {
            face = face.substr(first, face.find_last_not_of(" \t") - first + 1);
            faces.emplace_back(face);
        }
        if (comma == std::string_view::npos) {
            break;
        }
        entry.remove_prefix(comma + 1);
    }
    return faces;
}

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
        return {};
    }
    std::string text = read(LanguageFilePath(folder, languageName), key);
    if (text == kMissingText) {
        text = read(LanguageFilePath(folder, kFallbackLanguage), key);
    }
    if (text == kMissingText) {
        const char* english = EnglishText(key);
        text = english != nullptr ? english : key;
    }
    return text;
}

}  // namespace surgepad
