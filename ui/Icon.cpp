#include "ui/Icon.h"

#include "ui/Error.h"

namespace ui {

Icon::~Icon() {
    Clear();
}

void Icon::LoadFromFile(const std::string& path) {
    auto* icon = static_cast<HICON>(LoadImageA(nullptr, path.c_str(), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), LR_LOADFROMFILE));
    if (icon == nullptr) {
        throw FileOpenError(path);
    }
    Clear();
    m_handle = icon;
}

void Icon::Assign(HICON icon) {
    if (icon == nullptr) {
        Clear();
        return;
    }
    HICON copy = CopyIcon(icon);
    if (copy == nullptr) {
        return;
    }
    Clear();
    m_handle = copy;
}

void Icon::Clear() {
    if (m_handle != nullptr) {
        DestroyIcon(m_handle);
        m_handle = nullptr;
    }
}

}  // namespace ui
