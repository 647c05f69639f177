#include "ui/Paths.h"

#include <windows.h>

namespace ui {

std::string ModuleFolder() {
    char path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) {
        return ".\\";
    }
    const std::string full(path, n);
    const auto slash = full.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".\\") : full.substr(0, slash + 1);
}

std::string ResourceFolder() {
    return ModuleFolder() + "Resource\\";
}

}  // namespace ui
