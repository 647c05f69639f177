#pragma once
// The three pictures of a brick: normal, focused and disabled, from `base` on.

#include <string>

#include "kr/KrAppearance.h"

namespace kr {

enum BrickState { brNormal = 0, brFocused = 1, brDisabled = 2 };

class KrThreeStateAppearance : public KrCtrlAppearance {
public:
    KrThreeStateAppearance(KrCustomControl& control, int base) : KrCtrlAppearance(control), m_base(base) {}
    int Base() const { return m_base; }

    lumen::Bitmap& NormalBmp() const { return GetBitmap(m_base + brNormal); }
    lumen::Bitmap& FocusedBmp() const { return GetBitmap(m_base + brFocused); }
    lumen::Bitmap& DisabledBmp() const { return GetBitmap(m_base + brDisabled); }
    void SetNormalBmp(const lumen::Bitmap& b) { SetBitmap(m_base + brNormal, b); }
    void SetFocusedBmp(const lumen::Bitmap& b) { SetBitmap(m_base + brFocused, b); }
    void SetDisabledBmp(const lumen::Bitmap& b) { SetBitmap(m_base + brDisabled, b); }

    // Copies the three bitmaps of `other`.
    void Assign(const KrThreeStateAppearance& other);

    // Loads the named BMP files of `folder` into the states; an empty name leaves its
    // state as it is. A file that cannot be read throws the framework's error, before
    // any state changed.
    bool LoadBitmap(const std::string& folder, const std::string& normal, const std::string& focused,
                    const std::string& disabled);

private:
    int m_base;
};

}  // namespace kr
