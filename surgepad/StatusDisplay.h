#pragma once
// StatusDisplay: the status badge's picture on TStatusForm, 10 px from the top and
// right edges of the primary screen, letting mouse clicks through to what lies under
// it. The picture is pushed as loaded (not premultiplied).

#include <cstdint>
#include <string>

#include "lumen/graphics/DibBitmap.h"
#include "lumen/widget/LayeredWindow.h"

namespace surgepad {

inline constexpr char kStatusPictureFile[] = "turbo_mode.png";
inline constexpr int kStatusMargin = 10;
inline constexpr uint8_t kStatusSteadyAlpha = 120;

class StatusDisplay {
public:
    // The badge on StatusForm, created on first use and never freed.
    static StatusDisplay& Instance();

    void Load();
    void LoadFrom(const std::string& path);
    void ShowAt(uint8_t alpha);
    void SetAlpha(uint8_t alpha);
    void Hide();

    const lumen::DibBitmap& Picture() const { return m_picture; }
    lumen::TPerPixelLayeredWindowMaker& Layered() { return m_layered; }

    // Left and top of a badge of `width` on a screen of `screenWidth`.
    static POINT Position(int screenWidth, int width);

private:
    lumen::TPerPixelLayeredWindowMaker m_layered;
    lumen::DibBitmap m_picture;
};

}  // namespace surgepad
