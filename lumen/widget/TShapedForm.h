#pragma once
// Shaped frameless forms: the form takes the outline of its background image (every
// pixel of the image's transparent colour is see-through and lets clicks pass), can
// be given an overall opacity for fades, and is dragged by that image.
//
// The makers see the form and its background image through two narrow interfaces,
// which the window framework's form and image control implement.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "lumen/core/Callback.h"
#include "lumen/graphics/Bitmap.h"
#include "lumen/widget/LayeredWindow.h"

namespace lumen {

// The handler of mouse presses on an image, chained by whoever replaces it.
using MouseDownHandler = Callback<MouseButton, int, int>;

// What the makers need of a top-level form.
class ShapedFormSite {
public:
    virtual ~ShapedFormSite() = default;
    virtual HWND Handle() const = 0;
    // The form's name, the caption of messages about it.
    virtual std::string Name() const = 0;
    // Whether the framework scales the form with the system font.
    virtual bool Scaled() const = 0;
    // No caption, no frame.
    virtual void SetBorderNone() = 0;
    virtual void SetClientSize(int width, int height) = 0;
    // The colour the form paints where no control covers it.
    virtual void SetColor(COLORREF color) = 0;
};

// What the makers need of the background image control.
class ShapedImageSite {
public:
    virtual ~ShapedImageSite() = default;
    // The first ancestor of the image that is a form; null when there is none.
    virtual ShapedFormSite* ParentForm() = 0;
    virtual const Bitmap& Picture() const = 0;
    // Makes the image size itself to its picture.
    virtual void SetAutoSize(bool autoSize) = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // Installs the handler of mouse presses on the image; returns the one it replaces.
    virtual MouseDownHandler SetOnMouseDown(MouseDownHandler handler) = 0;
};

// Lets the user move a form by pressing on one of its images.
class TDragDelegate {
public:
    TDragDelegate() = default;
    TDragDelegate(const TDragDelegate&) = delete;
    TDragDelegate& operator=(const TDragDelegate&) = delete;
    virtual ~TDragDelegate() = default;

    virtual void Attach(ShapedFormSite& form, ShapedImageSite& image) = 0;
    virtual void Detach() = 0;
};

// A press with the left button moves the form with the mouse, as a press on a
// caption would; every press then reaches the handler the image had before.
class TNormalDrag final : public TDragDelegate {
public:
    ~TNormalDrag() override { Detach(); }
    void Attach(ShapedFormSite& form, ShapedImageSite& image) override;
    void Detach() override;

private:
    static void OnMouseDown(void* data, MouseButton button, int x, int y);

    ShapedFormSite* m_form = nullptr;
    ShapedImageSite* m_image = nullptr;
    MouseDownHandler m_previous;
};

// The base of the shaping makers. The maker must be destroyed before the image it is
// attached to: its drag delegate gives the image its previous handler back.
class TShapedFormMaker {
public:
    TShapedFormMaker() = default;
    TShapedFormMaker(const TShapedFormMaker&) = delete;
    TShapedFormMaker& operator=(const TShapedFormMaker&) = delete;
    virtual ~TShapedFormMaker();
    virtual void Apply(ShapedFormSite& form, ShapedImageSite& image) = 0;
    virtual void Remove(ShapedFormSite& form) = 0;
    // Frameless, unscaled, client area the size of the image's picture.
    virtual void PrepareForm();
    virtual void SetTransparentColor(uint32_t color) = 0;
    virtual uint32_t GetTransparentColor() const = 0;
    // None makes Attach use a TNormalDrag.
    virtual std::unique_ptr<TDragDelegate> CreateDragDelegate();

    // Shapes the form that holds `image` after the image's picture (its transparent
    // colour is the colour of its bottom-left pixel). False, and nothing shaped, for
    // no image or an image outside any form. Attaching twice is a programming error.
    bool Attach(ShapedImageSite* image);
    bool IsAttached() const { return m_form != nullptr && m_image != nullptr; }
    // PrepareForm, then Apply again.
    void Reapply();
    ShapedFormSite* Form() const { return m_form; }
    ShapedImageSite* Image() const { return m_image; }

protected:
    ShapedFormSite* m_form = nullptr;
    ShapedImageSite* m_image = nullptr;
    std::unique_ptr<TDragDelegate> m_drag;
};

// Shapes through a layered-window colour key, with an optional overall opacity.
class TLayeredFormMaker : public TShapedFormMaker {
public:
    TLayeredFormMaker();
    // Looks SetLayeredWindowAttributes up in `user32`; without it nothing is shaped.
    explicit TLayeredFormMaker(HMODULE user32);

    void Apply(ShapedFormSite& form, ShapedImageSite& image) override;
    void Remove(ShapedFormSite& form) override;
    // `color` may be a system colour (high bit set, index in the low byte).
    void SetTransparentColor(uint32_t color) override;
    uint32_t GetTransparentColor() const override;

    // Stores whether the overall opacity is used and, if attached, applies again.
    void SetAlphaEnabled(bool enabled);
    // Stores only: the caller runs Reapply.
    void SetAlpha(uint8_t alpha);

    // Null when the system lacks SetLayeredWindowAttributes.
    LayeredWindowMaker* Layered() const { return m_layered.get(); }

private:
    std::unique_ptr<LayeredWindowMaker> m_layered;
    uint32_t m_key = kNoColorKey;
};

}  // namespace lumen
