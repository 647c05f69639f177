#pragma once
// The framework's form and picture control as the shaping makers see them
// (lumen/widget/TShapedForm.h). The picture control is a graphic control without a
// window of its own, so the form hands it the presses that land on it: a form whose
// background is shaped calls BackgroundSite::MouseDown from its own MouseDown.

#include <string>

#include "lumen/widget/TShapedForm.h"
#include "ui/Form.h"
#include "ui/Image.h"

namespace surgepad {

class FormSite final : public lumen::ShapedFormSite {
public:
    explicit FormSite(ui::Form& form) : m_form(form) {}

    HWND Handle() const override { return m_form.Handle(); }
    std::string Name() const override { return m_form.Name(); }
    bool Scaled() const override { return m_form.Scaled(); }
    void SetBorderNone() override;
    void SetClientSize(int width, int height) override { m_form.SetClientSize(width, height); }
    void SetColor(COLORREF color) override { m_form.SetColor(color); }

    ui::Form& Form() const { return m_form; }

private:
    ui::Form& m_form;
};

class BackgroundSite final : public lumen::ShapedImageSite {
public:
    // `form` is the site of the form the image lies on (directly or further up).
    BackgroundSite(ui::Image& image, FormSite& form) : m_image(image), m_form(form) {}

    lumen::ShapedFormSite* ParentForm() override;
    const lumen::Bitmap& Picture() const override { return m_image.Picture(); }
    void SetAutoSize(bool autoSize) override { m_image.SetAutoSize(autoSize); }
    int Width() const override { return m_image.Width(); }
    int Height() const override { return m_image.Height(); }
    lumen::MouseDownHandler SetOnMouseDown(lumen::MouseDownHandler handler) override;

    // A press at (x, y) of the client area of the image's parent: true, after the
    // image's handler ran, when it lies on the image.
    bool MouseDown(lumen::MouseButton button, int x, int y);

private:
    ui::Image& m_image;
    FormSite& m_form;
    lumen::MouseDownHandler m_onMouseDown;
};

}  // namespace surgepad
