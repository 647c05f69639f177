#include "lumen/kora/ProfileFolder.h"

#include <windows.h>

#include <shlobj.h>

#include "lumen/fileutl/WinFileFind.h"

namespace kora {

std::string GetProfileFolder() {
    char path[MAX_PATH] = {};
    std::string folder;
    // CSIDL_FLAG_CREATE makes the common application-data folder itself if a fresh
    // system lacks it; our own sub-folder is made below.
    if (SUCCEEDED(
            SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path))) {
        folder = std::string(path) + "\\" + kProfileFolderName;
    } else {
        folder = kProfileFolderName;
    }
    // Already there is the usual case; any other failure shows later as an empty list.
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

std::string ProfileFilePath(const std::string& folder, const std::string& name) {
    return folder + name + kProfileExtension;
}

std::vector<FolderEntry> ListProfileFolder(const std::string& folder) {
    std::vector<FolderEntry> entries;
    for (const lumen::FoundEntry& found : lumen::ListFolder(folder)) {
        entries.push_back({found.name, found.IsDirectory()});
    }
    return entries;
}

CombinedProfileList ListProfiles(const std::vector<std::string>& firmwareNames, uint32_t profileType,
                                 const std::string& profileName, const std::string& folder) {
    return BuildCombinedProfileList(firmwareNames, profileType, profileName, ListProfileFolder(folder));
}

}  // namespace kora
