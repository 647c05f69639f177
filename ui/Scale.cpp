#include "ui/Scale.h"

#include "lumen/graphics/Dpi.h"

namespace ui {

int SystemDpi() {
    static const int dpi = [] {
        HDC screen = GetDC(nullptr);
        const int read = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSX) : lumen::kBaseDpi;
        if (screen != nullptr) {
            ReleaseDC(nullptr, screen);
        }
        return lumen::ClampDpi(read);
    }();
    return dpi;
}

int MonitorDpi(HMONITOR monitor) {
    // Bound at run time: shcore.dll and its call came with Windows 8.1.
    using GetDpiForMonitorProc = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    static const auto getDpi = [] {
        HMODULE shcore = LoadLibraryA("shcore.dll");
        return shcore != nullptr ? reinterpret_cast<GetDpiForMonitorProc>(
                                       reinterpret_cast<void*>(GetProcAddress(shcore, "GetDpiForMonitor")))
                                 : nullptr;
    }();
    UINT x = 0;
    UINT y = 0;
    // MDT_EFFECTIVE_DPI (0): the scale the user chose for that monitor.
    if (monitor != nullptr && getDpi != nullptr && SUCCEEDED(getDpi(monitor, 0, &x, &y)) && x > 0) {
        return lumen::ClampDpi(static_cast<int>(x));
    }
    return SystemDpi();
}

}  // namespace ui
