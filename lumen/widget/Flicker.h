#pragma once
// Keeps a form from erasing its background before it paints: the skinned forms
// paint every pixel themselves, and the erase shows as a flash of the class brush.

#include <windows.h>

namespace lumen {

class FlickerEliminator {
public:
    FlickerEliminator() = default;
    FlickerEliminator(const FlickerEliminator&) = delete;
    FlickerEliminator& operator=(const FlickerEliminator&) = delete;
    ~FlickerEliminator() { Detach(); }

    // Hooks the form's window procedure: WM_ERASEBKGND is answered with 1 and goes
    // no further; every other message takes its usual way. Attaching twice is a
    // programming error.
    void Attach(HWND form);
    void Detach();
    HWND Control() const { return m_control; }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                      DWORD_PTR data);

    HWND m_control = nullptr;
};

}  // namespace lumen
