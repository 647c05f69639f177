#include "ui/Paths.h"

#include "lumen/system/ProgramFolder.h"

namespace ui {

std::string ResourceFolder() {
    return lumen::ProgramFolder() + "Resource\\";
}

}  // namespace ui
