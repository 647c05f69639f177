#include "tests/pictures/ScreenPicture.h"

#include <algorithm>
#include <string>

namespace pictures {

Picture ScreenPicture(const RECT& area) {
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) {
        return {};
    }
    RECT r = area;
    r.left = std::max<LONG>(r.left, 0);
    r.top = std::max<LONG>(r.top, 0);
    r.right = std::min<LONG>(r.right, GetDeviceCaps(screen, HORZRES));
    r.bottom = std::min<LONG>(r.bottom, GetDeviceCaps(screen, VERTRES));
    Picture picture;
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    if (width <= 0 || height <= 0) {
        ReleaseDC(nullptr, screen);
        return picture;
    }
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(screen);
    if (bitmap != nullptr && memory != nullptr && bits != nullptr) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY | CAPTUREBLT);
        GdiFlush();
        picture = Filled(width, height, 0, 0, 0);
        const auto* bgrx = static_cast<const uint8_t*>(bits);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const uint8_t* p = bgrx + (static_cast<size_t>(y) * width + x) * 4;
                uint8_t* out = picture.At(x, y);
                out[0] = p[2];
                out[1] = p[1];
                out[2] = p[0];
            }
        }
        SelectObject(memory, old);
    }
    if (memory != nullptr) {
        DeleteDC(memory);
    }
    if (bitmap != nullptr) {
        DeleteObject(bitmap);
    }
    ReleaseDC(nullptr, screen);
    return picture;
}

Picture StablePicture(const RECT& r, DWORD timeoutMs, bool* stable) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    Picture last = ScreenPicture(r);
    for (;;) {
        Sleep(150);
        Picture now = ScreenPicture(r);
        const bool same = !now.Empty() && now == last;
        last = std::move(now);
        if (same || GetTickCount64() >= end) {
            if (stable != nullptr) {
                *stable = same;
            }
            return last;
        }
    }
}

HWND VisibleWindowOf(const char* className, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        HWND window = FindWindowA(className, nullptr);
        if (window != nullptr && IsWindowVisible(window)) {
            return window;
        }
        if (GetTickCount64() >= end) {
            return nullptr;
        }
        Sleep(20);
    }
}

RECT WindowRectOf(HWND window) {
    RECT r = {};
    GetWindowRect(window, &r);
    return r;
}

std::optional<RECT> TrayIconsRect() {
    HWND taskbar = FindWindowA("Shell_TrayWnd", nullptr);
    if (taskbar == nullptr) {
        return std::nullopt;
    }
    RECT r = WindowRectOf(taskbar);
    r.left = std::max(r.left, r.right - 2 * (r.bottom - r.top));
    return r;
}

std::string ScaleName() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
    if (screen != nullptr) {
        ReleaseDC(nullptr, screen);
    }
    return std::to_string(MulDiv(dpi, 100, 96));
}

}  // namespace pictures
