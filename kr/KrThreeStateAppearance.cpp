#include "kr/KrThreeStateAppearance.h"

#include <memory>

#include "lumen/graphics/DibBitmap.h"
#include "ui/Image.h"

namespace kr {

void KrThreeStateAppearance::Assign(const KrThreeStateAppearance& other) {
    for (int i = 0; i < 3; ++i) {
        SetBitmap(m_base + i, other.GetBitmap(other.m_base + i));
    }
}

bool KrThreeStateAppearance::LoadBitmap(const std::string& folder, const std::string& normal,
                                        const std::string& focused, const std::string& disabled) {
    const bool ended = !folder.empty() && (folder.back() == '\\' || folder.back() == ':');
    const std::string prefix = ended ? folder : folder + "\\";
    const std::string* names[3] = {&normal, &focused, &disabled};
    std::unique_ptr<lumen::DibBitmap> loaded[3];
    for (int i = 0; i < 3; ++i) {
        if (!names[i]->empty()) {
            loaded[i] = std::make_unique<lumen::DibBitmap>();
            ui::LoadBitmapFile(prefix + *names[i], *loaded[i]);
        }
    }
    for (int i = 0; i < 3; ++i) {
        if (loaded[i]) {
            SetBitmap(m_base + i, *loaded[i]);
        }
    }
    return true;
}

}  // namespace kr
