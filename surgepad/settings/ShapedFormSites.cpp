#include "surgepad/settings/ShapedFormSites.h"

namespace surgepad {

void FormSite::SetBorderNone() {
    const HWND window = m_form.Handle();
    const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
    const LONG_PTR frameless = (style & ~static_cast<LONG_PTR>(WS_OVERLAPPEDWINDOW)) | WS_POPUP;
    if (frameless != style) {
        SetWindowLongPtrA(window, GWL_STYLE, frameless);
        SetWindowPos(window, nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }
}

lumen::ShapedFormSite* BackgroundSite::ParentForm() {
    for (ui::WinControl* c = m_image.Parent(); c != nullptr; c = c->Parent()) {
        if (c == &m_form.Form()) {
            return &m_form;
        }
    }
    return nullptr;
}

lumen::MouseDownHandler BackgroundSite::SetOnMouseDown(lumen::MouseDownHandler handler) {
    const lumen::MouseDownHandler previous = m_onMouseDown;
    m_onMouseDown = handler;
    return previous;
}

bool BackgroundSite::MouseDown(lumen::MouseButton button, int x, int y) {
    const RECT bounds = m_image.BoundsRect();
    if (!m_image.Visible() || !PtInRect(&bounds, POINT{x, y})) {
        return false;
    }
    // The handler may start the system's move loop and return only once the mouse
    // button is up again.
    const lumen::MouseDownHandler handler = m_onMouseDown;
    handler(button, x - bounds.left, y - bounds.top);
    return true;
}

}  // namespace surgepad
