#include "kr/KrAppearance.h"

#include <memory>

#include "kr/KrCustomControl.h"
#include "ui/Image.h"

namespace kr {

lumen::Bitmap& KrCtrlAppearance::GetBitmap(int index) const {
    return m_control.StateBitmap(index);
}

void KrCtrlAppearance::SetBitmap(int index, const lumen::Bitmap& bitmap) {
    if (index == 0) {
        m_control.SetTransparentColor(bitmap.TransparentColor());
    }
    m_control.StateBitmap(index).Assign(bitmap);
}

void KrFourStateAppearance::Assign(const KrFourStateAppearance& other) {
    for (int i = 0; i < 4; ++i) {
        SetBitmap(m_base + i, other.GetBitmap(other.m_base + i));
    }
}

bool KrFourStateAppearance::LoadBitmap(const std::string& folder, const std::string& raised, const std::string& sunken,
                                       const std::string& focused, const std::string& disabled) {
    const bool ended = !folder.empty() && (folder.back() == '\\' || folder.back() == ':');
    const std::string prefix = ended ? folder : folder + "\\";
    const std::string* names[4] = {&raised, &sunken, &focused, &disabled};
    std::unique_ptr<lumen::DibBitmap> loaded[4];
    for (int i = 0; i < 4; ++i) {
        if (!names[i]->empty()) {
            loaded[i] = std::make_unique<lumen::DibBitmap>();
            ui::LoadBitmapFile(prefix + *names[i], *loaded[i]);
        }
    }
    for (int i = 0; i < 4; ++i) {
        if (loaded[i]) {
            SetBitmap(m_base + i, *loaded[i]);
        }
    }
    return true;
}

}  // namespace kr
