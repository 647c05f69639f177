#include "lumen/widget/Flicker.h"

#include <commctrl.h>

#include "lumen/core/Report.h"

namespace lumen {
namespace {
// Subclass id: one eliminator per window.
constexpr UINT_PTR kSubclassId = 0x464C4B52;  // "FLKR"
}  // namespace

void FlickerEliminator::Attach(HWND form) {
    LUMEN_ASSERT(m_control == NULL);
    // SetWindowSubclass chains properly with the framework's own procedure and with
    // any other subclass, whatever order they are removed in.
    if (form == nullptr ||
        !SetWindowSubclass(form, &FlickerEliminator::Procedure, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
        return;
    }
    m_control = form;
}

void FlickerEliminator::Detach() {
    if (m_control == nullptr) {
        return;
    }
    RemoveWindowSubclass(m_control, &FlickerEliminator::Procedure, kSubclassId);
    m_control = nullptr;
}

LRESULT CALLBACK FlickerEliminator::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                              DWORD_PTR data) {
    if (message == WM_ERASEBKGND) {
        return 1;
    }
    if (message == WM_NCDESTROY) {
        // The window goes before the eliminator: unhook now, while it still exists.
        auto* self = reinterpret_cast<FlickerEliminator*>(data);
        RemoveWindowSubclass(window, &FlickerEliminator::Procedure, kSubclassId);
        self->m_control = nullptr;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace lumen
