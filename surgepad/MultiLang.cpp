#include "surgepad/MultiLang.h"

#include <windows.h>

#include <cstdio>
#include <vector>

#include "lumen/system/IniAccess.h"
#include "ui/Paths.h"

namespace surgepad {
namespace {

constexpr char kListSection[] = "Languages";
constexpr char kTextSection[] = "Translations";
constexpr char kFallbackLanguage[] = "English";

// One value of one file; "Error 737" when the file cannot be read or lacks the key.
std::string ReadOne(const std::string& path, const char* section, const char* key) {
    lumen::IniAccess ini;
    if (!ini.Open(path)) {
        return kMissingText;
    }
    std::string value = ini.ReadString(section, key, kMissingText);
    ini.Close();
    return value;
}

// A language name is a folder and a file name beside the program, nothing else: an
// empty name or one that would lead out of "LangFiles\" counts as no entry.
bool PlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find_first_of("\\/:") == std::string::npos;
}

}  // namespace

MultiLang& MultiLang::Instance() {
    static MultiLang* instance = new MultiLang();
    return *instance;
}

MultiLang::MultiLang(std::string programFolder, std::optional<uint16_t> language)
    : m_folder(std::move(programFolder)), m_language(language) {}

std::string MultiLang::ProgramFolder() {
    return ui::ModuleFolder();
}

std::string MultiLang::Folder() const {
    return m_folder ? *m_folder : ProgramFolder();
}

uint16_t MultiLang::LanguageId() const {
    return m_language ? *m_language : GetSystemDefaultLangID();
}

std::string MultiLang::ListPath() const {
    return Folder() + "LangFiles\\KrMultiLang.ini";
}

std::string MultiLang::LanguageFilePath(const std::string& name) const {
    return Folder() + "LangFiles\\" + name + "\\" + name + ".ini";
}

std::string MultiLang::LanguageName() const {
    const unsigned id = LanguageId();
    char fullKey[8];
    std::snprintf(fullKey, sizeof fullKey, "%04X", id & 0xFFFFu);
    // The primary language is 10 bits wide; the list keys it by its low 2 digits.
    char primaryKey[8];
    std::snprintf(primaryKey, sizeof primaryKey, "%02X", (id & 0x3FFu) & 0xFFu);

    lumen::IniAccess list;
    std::string name = kFallbackLanguage;
    if (list.Open(ListPath())) {
        std::string found = list.ReadString(kListSection, fullKey, kMissingText);
        if (found == kMissingText || !PlainName(found)) {
            found = list.ReadString(kListSection, primaryKey, kMissingText);
        }
        if (found != kMissingText && PlainName(found)) {
            name = found;
        }
        list.Close();
    }
    return name;
}

std::string MultiLang::Text(const char* key) const {
    if (key == nullptr) {
        return kMissingText;
    }
    std::string text = ReadOne(LanguageFilePath(LanguageName()), kTextSection, key);
    if (text == kMissingText) {
        text = ReadOne(LanguageFilePath(kFallbackLanguage), kTextSection, key);
    }
    return text;
}

}  // namespace surgepad
