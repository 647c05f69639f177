#include "lumen/widget/LayeredWindow.h"

#include "lumen/core/Handle.h"
#include "lumen/core/Report.h"
#include "lumen/system/ModuleEntry.h"

namespace lumen {
namespace {

constexpr DWORD kLayeredStyles = WS_EX_LAYERED | WS_EX_TRANSPARENT;
constexpr UINT kRedrawAll = RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME;

HMODULE User32() {
    return GetModuleHandleA("user32.dll");
}

}  // namespace

LayeredWindowMaker::LayeredWindowMaker() : LayeredWindowMaker(User32()) {}

LayeredWindowMaker::LayeredWindowMaker(HMODULE user32)
    : m_setLayeredWindowAttributes(ProcAddress<SetLayeredWindowAttributesProc>(user32, "SetLayeredWindowAttributes")) {}

bool LayeredWindowMaker::SetStyle(HWND window, bool layered, bool clickThrough) {
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrA(window, GWL_EXSTYLE));
    const DWORD wanted = (clickThrough ? WS_EX_TRANSPARENT : 0) | (layered ? WS_EX_LAYERED : 0);
    if ((style & kLayeredStyles) == wanted) {
        return false;
    }
    SetWindowLongPtrA(window, GWL_EXSTYLE, static_cast<LONG_PTR>((style & ~kLayeredStyles) | wanted));
    return true;
}

void LayeredWindowMaker::Apply(HWND window) {
    LUMEN_ASSERT(IsEnabled());
    if (!m_useColorKey && !m_useAlpha) {
        if (SetStyle(window, false, m_clickThrough)) {
            RedrawWindow(window, nullptr, nullptr, kRedrawAll);
        }
        return;
    }
    SetStyle(window, true, m_clickThrough);
    const DWORD flags = (m_useAlpha ? LWA_ALPHA : 0) | (m_useColorKey ? LWA_COLORKEY : 0);
    m_setLayeredWindowAttributes(window, m_key & 0xFFFFFFu, m_alpha, flags);
}

void LayeredWindowMaker::Remove(HWND window) {
    if (SetStyle(window, false, false)) {
        RedrawWindow(window, nullptr, nullptr, kRedrawAll);
    }
}

PerPixelLayeredWindowBase::PerPixelLayeredWindowBase() : PerPixelLayeredWindowBase(User32()) {}

PerPixelLayeredWindowBase::PerPixelLayeredWindowBase(HMODULE user32)
    : m_updateLayeredWindow(ProcAddress<UpdateLayeredWindowProc>(user32, "UpdateLayeredWindow")) {}

bool PerPixelLayeredWindowBase::Update(HWND window, const DibBitmap& bitmap) {
    HBITMAP handle = GetBitmapHandle(bitmap);
    BITMAP info = {};
    const bool is32 = handle != nullptr && GetObjectA(handle, sizeof info, &info) != 0 && info.bmBitsPixel == 32;
    const bool perPixel = is32 && m_perPixel;
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    if (!m_useAlpha && !perPixel) {
        if (!m_useColorKey) {
            if (LayeredWindowMaker::SetStyle(window, false, m_clickThrough)) {
                RedrawWindow(window, nullptr, nullptr, kRedrawAll);
            }
            return false;
        }
        LayeredWindowMaker::SetStyle(window, true, m_clickThrough);
        return Push(window, handle, bitmap.Width(), bitmap.Height(), blend, ULW_COLORKEY);
    }
    LayeredWindowMaker::SetStyle(window, true, m_clickThrough);
    if (m_useAlpha) {
        blend.SourceConstantAlpha = m_alpha;
    }
    return Push(window, handle, bitmap.Width(), bitmap.Height(), blend, ULW_ALPHA);
}

bool PerPixelLayeredWindowBase::Push(HWND window, HBITMAP handle, int width, int height, BLENDFUNCTION blend,
                                     DWORD flag) {
    if (m_updateLayeredWindow == nullptr || handle == nullptr || width <= 0 || height <= 0) {
        return false;
    }
    WindowDc windowDc(window);
    if (windowDc.Dc() == nullptr) {
        return false;
    }
    UniqueDc memoryDc(CreateCompatibleDC(windowDc.Dc()));
    if (!memoryDc) {
        return false;
    }
    RECT r = {};
    GetWindowRect(window, &r);
    POINT destination = {r.left, r.top};
    SIZE size = {width, height};
    POINT source = {0, 0};
    SelectGuard selected(memoryDc.get(), handle);
    return m_updateLayeredWindow(window, windowDc.Dc(), &destination, &size, memoryDc.get(), &source, m_key & 0xFFFFFFu,
                                 &blend, flag) != FALSE;
}

}  // namespace lumen
