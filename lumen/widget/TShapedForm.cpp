#include "lumen/widget/TShapedForm.h"

#include "lumen/core/Report.h"
#include "lumen/graphics/PixelOps.h"

namespace lumen {

void TNormalDrag::Attach(ShapedFormSite& form, ShapedImageSite& image) {
    Detach();
    m_form = &form;
    m_image = &image;
    m_previous = image.SetOnMouseDown(MouseDownHandler{&TNormalDrag::OnMouseDown, this});
}

void TNormalDrag::Detach() {
    if (m_image != nullptr) {
        m_image->SetOnMouseDown(m_previous);
    }
    m_form = nullptr;
    m_image = nullptr;
    m_previous = MouseDownHandler{};
}

void TNormalDrag::OnMouseDown(void* data, MouseButton button, int x, int y) {
    auto* self = static_cast<TNormalDrag*>(data);
    if (button == MouseButton::Left && self->m_form != nullptr) {
        // A press on the caption starts the system's own move loop, which follows the
        // mouse until the button goes up; the image's capture would keep it away.
        ReleaseCapture();
        SendMessageA(self->m_form->Handle(), WM_NCLBUTTONDOWN, HTCAPTION, 0);
    }
    const MouseDownHandler previous = self->m_previous;
    previous(button, x, y);
}

TShapedFormMaker::~TShapedFormMaker() = default;

std::unique_ptr<TDragDelegate> TShapedFormMaker::CreateDragDelegate() {
    return nullptr;
}

void TShapedFormMaker::PrepareForm() {
    m_form->SetBorderNone();
    if (m_form->Scaled()) {
        ShowMessage("Scaled is not set false", m_form->Name());
        AssertionFailed("m_form->Scaled == false", __FILE__, __LINE__);
    }
    m_image->SetAutoSize(true);
    m_form->SetClientSize(m_image->Width(), m_image->Height());
}

bool TShapedFormMaker::Attach(ShapedImageSite* image) {
    LUMEN_ASSERT(!IsAttached());
    if (image == nullptr) {
        return false;
    }
    ShapedFormSite* form = image->ParentForm();
    if (form == nullptr) {
        return false;
    }
    m_form = form;
    m_image = image;
    PrepareForm();
    SetTransparentColor(TransparentColourOf(image->Picture()));
    if (!m_drag) {
        m_drag = CreateDragDelegate();
        if (!m_drag) {
            m_drag = std::make_unique<TNormalDrag>();
        }
        m_drag->Attach(*m_form, *m_image);
    }
    Apply(*m_form, *m_image);
    return true;
}

void TShapedFormMaker::Reapply() {
    if (!IsAttached()) {
        return;
    }
    PrepareForm();
    Apply(*m_form, *m_image);
}

TLayeredFormMaker::TLayeredFormMaker() : TLayeredFormMaker(GetModuleHandleA("user32.dll")) {}

TLayeredFormMaker::TLayeredFormMaker(HMODULE user32) : m_layered(std::make_unique<LayeredWindowMaker>(user32)) {
    if (m_layered->IsEnabled()) {
        m_layered->SetUseColorKey(true);
    } else {
        m_layered.reset();
    }
}

void TLayeredFormMaker::Apply(ShapedFormSite& form, ShapedImageSite& /*image*/) {
    // Whatever the form paints outside the image is then see-through as well.
    form.SetColor(GetTransparentColor());
    if (m_layered) {
        m_layered->Apply(form.Handle());
    }
}

void TLayeredFormMaker::Remove(ShapedFormSite& form) {
    if (m_layered) {
        m_layered->Remove(form.Handle());
    }
}

void TLayeredFormMaker::SetTransparentColor(uint32_t color) {
    // A system colour (the framework's negative colours) names a GetSysColor index.
    const uint32_t rgb = (color & 0x80000000u) != 0 ? GetSysColor(static_cast<int>(color & 0xFF)) : color;
    m_key = 0xFF000000u | (rgb & 0xFFFFFFu);
    if (m_layered) {
        m_layered->SetColorKey(rgb);
    }
}

uint32_t TLayeredFormMaker::GetTransparentColor() const {
    return m_key & 0xFFFFFFu;
}

void TLayeredFormMaker::SetAlphaEnabled(bool enabled) {
    if (m_layered) {
        m_layered->SetUseAlpha(enabled);
    }
    if (IsAttached()) {
        Apply(*m_form, *m_image);
    }
}

void TLayeredFormMaker::SetAlpha(uint8_t alpha) {
    if (m_layered) {
        m_layered->SetAlpha(alpha);
    }
}

}  // namespace lumen
