#pragma once
// TShadowForm: the make-up of a drop-shadow window. A borderless pop-up owned by the
// window it shadows (so it stays above it and goes with it), holding one picture,
// `Background`, that is pushed with per-pixel alpha. It never takes the activation
// and, once prepared, lets every click through to what lies under it.

#include <cstdint>
#include <string>

#include "lumen/widget/LayeredWindow.h"
#include "ui/Form.h"
#include "ui/Image.h"

namespace surgepad {

struct ShadowLayout {
    const char* className;
    const char* name;
    int clientWidth;  // at 96 DPI
    int clientHeight;
};

class TShadowForm : public ui::Form {
public:
    TShadowForm(const ShadowLayout& layout, ui::Form& owner);
    ~TShadowForm() override;

    // Puts the shadow's top-left at (left, top), the shadowed window's new top-left.
    void FollowOwner(int left, int top) { MoveTo(left, top); }
    // The overall opacity the shadow is drawn with (255 after preparation).
    void SetShadowAlpha(uint8_t alpha);

    ui::Form& Owner() const { return m_owner; }
    // The shadow is drawn at its window's DPI.
    int Dpi() const override { return m_owner.Dpi(); }
    const lumen::TPerPixelLayeredWindowMaker& Layered() const { return m_layered; }

    ui::Image Background;

protected:
    // Makes `Background` the black shadow of the picture `name` of the skin folder and
    // pushes it: the window takes the picture's size and sits at its owner's top-left.
    void PrepareShadow(const std::string& name);
    // Hides the application window, which would otherwise bring a taskbar button.
    void FormShow() override;

private:
    ui::Form& m_owner;
    lumen::TPerPixelLayeredWindowMaker m_layered;
};

}  // namespace surgepad
