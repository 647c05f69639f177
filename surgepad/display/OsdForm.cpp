#include "surgepad/display/OsdForm.h"

namespace surgepad {

TOsdForm* OsdForm = nullptr;

namespace {
ui::FormLayout Layout() {
    ui::FormLayout layout;
    layout.className = "TOsdForm";
    layout.name = "OsdForm";
    layout.caption = "OsdForm";
    layout.clientWidth = 227;
    layout.clientHeight = 230;
    // The display never takes the focus.
    layout.exStyleAdd = WS_EX_TOPMOST | WS_EX_NOACTIVATE;
    return layout;
}
}  // namespace

TOsdForm::TOsdForm() : ui::Form(Layout()) {}

TOsdForm::~TOsdForm() {
    DestroyHandle();
}

}  // namespace surgepad
