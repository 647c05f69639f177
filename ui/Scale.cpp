#include "ui/Scale.h"

#include <windows.h>

#include <atomic>

namespace ui {
namespace {

std::atomic<int> g_dpi{0};
thread_local int t_scopeDpi = 0;

int SystemDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
    if (screen != nullptr) {
        ReleaseDC(nullptr, screen);
    }
    // Below 100 % the skin is not made smaller; above 300 % pictures would only blur.
    return dpi < 96 ? 96 : (dpi > 288 ? 288 : dpi);
}

}  // namespace

int DisplayDpi() {
    if (t_scopeDpi != 0) {
        return t_scopeDpi;
    }
    int dpi = g_dpi.load();
    if (dpi == 0) {
        dpi = SystemDpi();
        g_dpi.store(dpi);
    }
    return dpi;
}

void SetDisplayDpi(int dpi) {
    g_dpi.store(dpi);
}

DpiScope::DpiScope(int dpi) : m_previous(t_scopeDpi) {
    t_scopeDpi = dpi < 96 ? 96 : (dpi > 288 ? 288 : dpi);
}

DpiScope::~DpiScope() {
    t_scopeDpi = m_previous;
}

int Px(int pixels) {
    const int dpi = DisplayDpi();
    return dpi == 96 ? pixels : MulDiv(pixels, dpi, 96);
}

}  // namespace ui
