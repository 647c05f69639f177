#pragma once
// Layered windows: a colour key and an overall opacity through
// SetLayeredWindowAttributes (LayeredWindowMaker), or a 32-bit picture with
// per-pixel alpha through UpdateLayeredWindow (PerPixelLayeredWindowBase).
//
// Both entries are looked up by name in the already loaded user32.dll, so the program
// still starts on a system that lacks them; the makers then do nothing.

#include <windows.h>

#include <cstdint>

#include "lumen/graphics/DibBitmap.h"

namespace lumen {

using SetLayeredWindowAttributesProc = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);
using UpdateLayeredWindowProc = BOOL(WINAPI*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, BLENDFUNCTION*, DWORD);

// "No colour key": readers take the low 24 bits of a key, stored as 0xFF000000 | RGB.
constexpr uint32_t kNoColorKey = 0xFFFFFFFFu;

// What both makers carry: colour key, click-through and overall opacity.
class LayeredOptions {
public:
    uint32_t ColorKey() const { return m_key; }
    void SetColorKey(uint32_t rgb) { m_key = 0xFF000000u | (rgb & 0xFFFFFFu); }
    bool UseColorKey() const { return m_useColorKey; }
    void SetUseColorKey(bool use) { m_useColorKey = use; }
    bool ClickThrough() const { return m_clickThrough; }
    void SetClickThrough(bool clickThrough) { m_clickThrough = clickThrough; }
    bool UseAlpha() const { return m_useAlpha; }
    uint8_t Alpha() const { return m_alpha; }
    void SetAlpha(uint8_t alpha) { m_alpha = alpha; }

protected:
    uint32_t m_key = kNoColorKey;
    bool m_useColorKey = false;
    bool m_clickThrough = false;
    bool m_useAlpha = false;
    uint8_t m_alpha = 255;
};

class LayeredWindowMaker : public LayeredOptions {
public:
    // Looks the entry up in the user32.dll of the process.
    LayeredWindowMaker();
    // Looks the entry up in `user32` (a module without it leaves the maker disabled).
    explicit LayeredWindowMaker(HMODULE user32);

    bool IsEnabled() const { return m_setLayeredWindowAttributes != nullptr; }

    // Layered style plus colour key and/or opacity when either is on; otherwise the
    // layered style goes (and the window is redrawn if that changed anything).
    void Apply(HWND window);
    // Takes the layered and click-through styles away.
    void Remove(HWND window);

    void SetUseAlpha(bool use) { m_useAlpha = use; }

    // Sets WS_EX_LAYERED and WS_EX_TRANSPARENT as asked; true when the style changed.
    static bool SetStyle(HWND window, bool layered, bool clickThrough);

private:
    SetLayeredWindowAttributesProc m_setLayeredWindowAttributes = nullptr;
};

class PerPixelLayeredWindowBase : public LayeredOptions {
public:
    PerPixelLayeredWindowBase();
    explicit PerPixelLayeredWindowBase(HMODULE user32);
    PerPixelLayeredWindowBase(const PerPixelLayeredWindowBase&) = delete;
    PerPixelLayeredWindowBase& operator=(const PerPixelLayeredWindowBase&) = delete;
    virtual ~PerPixelLayeredWindowBase() = default;

    virtual HBITMAP GetBitmapHandle(const DibBitmap& bitmap) = 0;

    bool IsEnabled() const { return m_updateLayeredWindow != nullptr; }

    // Pushes the bitmap to the window at the window's position. A 32-bit bitmap with
    // PerPixel on, or any bitmap with UseAlpha on, goes with per-pixel alpha (its
    // colour is read as premultiplied) and the overall opacity; otherwise with the
    // colour key when UseColorKey is on, and not at all without it. True when
    // UpdateLayeredWindow was called and succeeded.
    bool Update(HWND window, const DibBitmap& bitmap);

    void SetAlphaEnabled(bool use) { m_useAlpha = use; }
    bool PerPixel() const { return m_perPixel; }
    void SetPerPixel(bool perPixel) { m_perPixel = perPixel; }

private:
    bool Push(HWND window, HBITMAP handle, int width, int height, BLENDFUNCTION blend, DWORD flag);

    bool m_perPixel = false;
    UpdateLayeredWindowProc m_updateLayeredWindow = nullptr;
};

class TPerPixelLayeredWindowMaker final : public PerPixelLayeredWindowBase {
public:
    using PerPixelLayeredWindowBase::PerPixelLayeredWindowBase;
    HBITMAP GetBitmapHandle(const DibBitmap& bitmap) override { return bitmap.Handle(); }
};

}  // namespace lumen
