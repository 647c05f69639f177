#include "lumen/system/ProgramFolder.h"

#include <windows.h>

#include <shlobj.h>

#include <vector>

namespace lumen {

std::string ProgramFolder() {
    // Paths longer than MAX_PATH exist: grow the buffer while the system fills it.
    std::vector<char> path(128);
    DWORD n = 0;
    while (true) {
        n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size() || path.size() >= 65536) {
            break;
        }
        path.assign(path.size() * 2, '\0');
    }
    const std::string full(path.data(), n < path.size() ? n : 0);
    const size_t slash = full.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : full.substr(0, slash + 1);
}

std::string SystemFolder() {
    char path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_SYSTEM | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path))) {
        return std::string();
    }
    return path;
}

}  // namespace lumen
