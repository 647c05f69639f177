#pragma once
// StatusDisplay: the status badge's picture on TStatusForm, 10 px from the top and
// right edges of the monitor the user is looking at, letting mouse clicks through to
// what lies under it. The picture is pushed as loaded (not premultiplied). While a
// full-screen application is in front the badge steps aside (a window above a game can
// cost it its variable refresh rate), and comes back when the application leaves the
// front: it looks once each time a window comes to the front or the shell tells of a
// full-screen application, never on a timer.

#include <cstdint>
#include <memory>
#include <string>

#include "lumen/graphics/Bitmap.h"
#include "lumen/graphics/DibBitmap.h"
#include "lumen/widget/LayeredWindow.h"
#include "ui/Application.h"

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

    // Left and top of a badge of `width` on a screen of `screenWidth`, the margins at
    // the badge's `dpi`.
    static POINT Position(int screenWidth, int width, int dpi);

    // Looks whether a full-screen application is in front on the badge's monitor and
    // steps aside or comes back.
    void CheckFullScreen();

private:
    void Place();
    void Watch(bool watch);

    lumen::TPerPixelLayeredWindowMaker m_layered;
    std::string m_path;
    int m_dpi = 0;  // the picture was made for this DPI
    lumen::DibBitmap m_picture;
    bool m_wanted = false;        // shown by the switch, until hidden
    bool m_steppedAside = false;  // wanted, but a full-screen application is in front
    lumen::Rect m_monitor;        // the monitor the badge is placed on
    ui::Subscription m_foreground;
};

}  // namespace surgepad
