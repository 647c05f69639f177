#include "surgepad/look/MultiLang.h"

#include <windows.h>

#include <algorithm>

#include "lumen/core/Handle.h"
#include "lumen/core/WideText.h"
#include "lumen/system/IniAccess.h"
#include "lumen/system/ProgramFolder.h"

namespace surgepad {
namespace {

// A language file is a page of text; anything far larger is not one.
constexpr DWORD kLargestFile = 1u << 20;

std::optional<std::string> DecodeCodePage(std::string_view line, unsigned codePage) {
    const UINT page = codePage == 0 ? CP_ACP : codePage;
    const int size = static_cast<int>(line.size());
    int length = MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, line.data(), size, nullptr, 0);
    DWORD flags = MB_ERR_INVALID_CHARS;
    if (length <= 0 && GetLastError() == ERROR_INVALID_FLAGS) {
        // Some code pages take no flags at all.
        flags = 0;
        length = MultiByteToWideChar(page, 0, line.data(), size, nullptr, 0);
    }
    if (length <= 0) {
        return std::nullopt;
    }
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(page, flags, line.data(), size, wide.data(), length);
    return lumen::Utf8FromWide(wide);
}

int CALLBACK FontFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

}  // namespace

bool FontInstalled(const std::string& face) {
    const std::wstring wide = lumen::Widen(face);
    if (wide.empty() || wide.size() >= LF_FACESIZE) {
        return false;
    }
    LOGFONTW wanted = {};
    wanted.lfCharSet = DEFAULT_CHARSET;
    wide.copy(wanted.lfFaceName, wide.size());
    bool found = false;
    lumen::WindowDc screen(nullptr);
    EnumFontFamiliesExW(screen.Dc(), &wanted, FontFound, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

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

void MultiLang::SetChosenLanguage(const std::string& name) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_chosen = IsPlainLanguageName(name) ? name : std::string();
}

std::string MultiLang::ChosenLanguage() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_chosen;
}

bool MultiLang::HasFile(const std::string& name) const {
    const DWORD attributes = GetFileAttributesA(LanguageFilePath(name).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::string MultiLang::SystemLanguageName() const {
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

std::string MultiLang::LanguageName() const {
    const std::string chosen = ChosenLanguage();
    // A chosen language whose file has gone since is no choice: the system's again.
    if (!chosen.empty() && HasFile(chosen)) {
        return chosen;
    }
    return SystemLanguageName();
}

LanguageFile MultiLang::ReadFile(const std::string& path) {
    lumen::UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return {};
    }
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > kLargestFile) {
        return {};
    }
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!bytes.empty() && !::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) {
        return {};
    }
    bytes.resize(read);
    return LanguageFile::Parse(bytes, DecodeCodePage);
}

std::string MultiLang::Text(const char* key) const {
    if (key == nullptr) {
        return {};
    }
    return LookupText(Folder(), LanguageName(), key, [](const std::string& path, const char* textKey) {
        const std::optional<std::string> value = ReadFile(path).Value(kTextSection, textKey);
        return value ? *value : std::string(kMissingText);
    });
}

LanguageInfo MultiLang::About(const std::string& name) const {
    const LanguageFile file = ReadFile(LanguageFilePath(name));
    LanguageInfo info{name, name, {}};
    if (const auto own = file.Value(kAboutSection, kOwnNameKey); own && !own->empty()) {
        info.ownName = *own;
    }
    if (const auto fonts = file.Value(kAboutSection, kFontKey)) {
        info.fonts = FontFaces(*fonts);
    }
    return info;
}

std::vector<LanguageInfo> MultiLang::Languages() const {
    std::vector<LanguageInfo> languages;
    WIN32_FIND_DATAA found = {};
    const HANDLE search = FindFirstFileA((Folder() + "LangFiles\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return languages;
    }
    do {
        const std::string name = found.cFileName;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && IsPlainLanguageName(name) && HasFile(name)) {
            languages.push_back(About(name));
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(languages.begin(), languages.end(), [](const LanguageInfo& a, const LanguageInfo& b) {
        return a.ownName != b.ownName ? a.ownName < b.ownName : a.name < b.name;
    });
    return languages;
}

std::string MultiLang::FontFace(const std::string& skinFace) const {
    for (const std::string& face : About(LanguageName()).fonts) {
        if (FontInstalled(face)) {
            return face;
        }
    }
    return skinFace;
}

}  // namespace surgepad
