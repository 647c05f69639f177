#pragma once
// The display scale the program's windows are drawn at. Places and sizes of the skin
// are given in pixels at 96 DPI; the windows take them through Px, and the skin
// pictures come at the same scale (the picture loader picks the nearest drawn set).

namespace ui {

// The DPI of the program's windows (96 at 100 %): the system's DPI, read at first use
// (tests may set it), or the DPI of the innermost DpiScope of the calling thread.
int DisplayDpi();
void SetDisplayDpi(int dpi);

// Within a scope the calling thread builds for another DPI: a window shown on a monitor
// whose DPI differs from the system's makes its pictures and places for that monitor.
class DpiScope {
public:
    explicit DpiScope(int dpi);
    ~DpiScope();
    DpiScope(const DpiScope&) = delete;
    DpiScope& operator=(const DpiScope&) = delete;

private:
    int m_previous;
};

// `pixels` at 96 DPI, at the program's DPI: rounded to the nearest pixel, halves away
// from zero (329 at 144 DPI is 494, a font height of -11 at 192 DPI is -22).
int Px(int pixels);

}  // namespace ui
