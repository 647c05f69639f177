#include "ui/Paths.h"

#include "lumen/system/ProgramFolder.h"

namespace ui {

std::string ModuleFolder() {
    const std::string folder = lumen::ProgramFolder();
    return folder.empty() ? std::string(".\\") : folder;
}

std::string ResourceFolder() {
    return ModuleFolder() + "Resource\\";
}

}  // namespace ui
