#include "surgepad/MultiLang.h"

#include <windows.h>

#include "lumen/system/IniAccess.h"
#include "lumen/system/ProgramFolder.h"

namespace surgepad {
namespace {

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

}  // namespace

MultiLang& MultiLang::Instance() {
    static MultiLang* instance = new MultiLang();
    return *instance;
}

MultiLang::MultiLang(std::string programFolder, std::optional<uint16_t> language)
    : m_folder(std::move(programFolder)), m_language(language) {}

std::string MultiLang::Folder() const {
    return m_folder ? *m_folder : lumen::ProgramFolder();
}

uint16_t MultiLang::LanguageId() const {
    return m_language ? *m_language : GetSystemDefaultLangID();
}

std::string MultiLang::ListPath() const {
    return LanguageListPath(Folder());
}

std::string MultiLang::LanguageFilePath(const std::string& name) const {
    return surgepad::LanguageFilePath(Folder(), name);
}

std::string MultiLang::LanguageName() const {
    const uint16_t id = LanguageId();
    lumen::IniAccess list;
    std::string name = kFallbackLanguage;
    if (list.Open(ListPath())) {
        name =
            ChooseLanguageName(id, [&](const char* key) { return list.ReadString(kListSection, key, kMissingText); });
        list.Close();
    }
    return name;
}

std::string MultiLang::Text(const char* key) const {
    if (key == nullptr) {
        return kMissingText;
    }
    return LookupText(Folder(), LanguageName(), key, [](const std::string& path, const char* textKey) {
        return ReadOne(path, kTextSection, textKey);
    });
}

}  // namespace surgepad
