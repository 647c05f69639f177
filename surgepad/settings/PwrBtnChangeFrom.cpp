#include "surgepad/settings/PwrBtnChangeFrom.h"

#include "lumen/core/DebugTrace.h"
#include "surgepad/look/MultiLang.h"
#include "surgepad/look/PngReader.h"
#include "surgepad/settings/PwrBtnChangeShadow.h"
#include "surgepad/look/Screens.h"
#include "lumen/graphics/Dpi.h"
#include "ui/Scale.h"

namespace surgepad {

TPwrBtnChangeFrom* PwrBtnChangeFrom = nullptr;

namespace {

ui::FormLayout Layout(int dpi) {
    ui::FormLayout layout;
    layout.className = "TPwrBtnChangeFrom";
    layout.name = "PwrBtnChangeFrom";
    layout.caption = "PwrBtnChangeFrom";
    // The background picture's size; the shaping maker sets it again from the picture.
    layout.clientWidth = lumen::ScaleToDpi(329, dpi);
    layout.clientHeight = lumen::ScaleToDpi(238, dpi);
    layout.dpi = dpi;
    layout.followDpiChanges = true;
    layout.color = RGB(0x1B, 0x1B, 0x23);
    layout.exStyleAdd = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
    layout.exStyleRemove = WS_EX_APPWINDOW;
    return layout;
}

int RectWidth(const RECT& r) {
    return r.right - r.left;
}

int RectHeight(const RECT& r) {
    return r.bottom - r.top;
}

void SetDialogFont(ui::Font& font, const ui::Form& form) {
    // Arial, or the language's own font where Arial lacks its script.
    font.SetName(MultiLang::Instance().FontFace("Arial"));
    font.SetHeight(form.Px(-11));
    font.SetColor(static_cast<ui::Color>(kPwrBtnTextColor));
}

}  // namespace

TPwrBtnChangeFrom::TPwrBtnChangeFrom()
    : ui::Form(Layout(ui::SystemDpi())),
      Background(*this),
      Message(*this),
      OkButton(*this, 0, 0, 0, 0),
      CloseButton(*this, 0, 0, 0, 0),
      m_formSite(*this),
      m_backgroundSite(Background, m_formSite) {
    m_flicker.Attach(Handle());
    PlaceButtons();
    SetUpButtons();
    SetUpMessage();
}

TPwrBtnChangeFrom::~TPwrBtnChangeFrom() {
    m_flicker.Detach();
    DestroyHandle();
}

void TPwrBtnChangeFrom::SkinBackground() {
    if (!LoadPngFile(ResourceFolder() + kPwrBtnDialogPicture, Background.Picture(), Dpi())) {
        // Unshaped then: a key colour taken from a made-up picture could make the
        // whole dialog see-through.
        lumen::Trace("dialog: no background picture %s; the dialog stays plain", kPwrBtnDialogPicture);
        return;
    }
    // Frameless, sized to the picture, colour key of its bottom-left pixel (the
    // picture's magenta corners), dragged by the picture.
    if (m_shaper.IsAttached()) {
        m_shaper.Reapply();
    } else {
        (void)m_shaper.Attach(&m_backgroundSite);
    }
}

void TPwrBtnChangeFrom::SkinButtons() {
    kr::KrFourStateAppearance& ok = OkButton.Appearance();
    // Composed over the dialog's own picture at the button's place, so the rounded
    // corners blend into it.
    LoadStateImages(StateBitmaps{&ok.RaisedBmp(), &ok.SunkenBmp(), &ok.FocusedBmp(), &ok.DisabledBmp()},
                    Background.Picture(), OkButton.Left(), OkButton.Top(), "button_n.png", "button_d.png",
                    "button_o.png", "button_un.png", Dpi());
    SetDialogFont(OkButton.GetFont(), *this);

    // The close pictures have no alpha: composed, they stay as they are, key colour
    // included, in the 24 bits the control draws (loaded as they are, they would come
    // as 32-bit pictures the control cannot show).
    kr::KrFourStateAppearance& close = CloseButton.Appearance();
    LoadStateImages(StateBitmaps{&close.RaisedBmp(), &close.SunkenBmp(), &close.FocusedBmp()}, Background.Picture(),
                    CloseButton.Left(), CloseButton.Top(), "close_n.png", "close_d.png", "close_o.png", nullptr, Dpi());
}

void TPwrBtnChangeFrom::PlaceButtons() {
    OkButton.SetBounds(Px(kPwrBtnOkBounds.left), Px(kPwrBtnOkBounds.top), Px(RectWidth(kPwrBtnOkBounds)),
                       Px(RectHeight(kPwrBtnOkBounds)));
    CloseButton.SetBounds(Px(kPwrBtnCloseBounds.left), Px(kPwrBtnCloseBounds.top), Px(RectWidth(kPwrBtnCloseBounds)),
                          Px(RectHeight(kPwrBtnCloseBounds)));
}

void TPwrBtnChangeFrom::SetUpButtons() {
    OkButton.SetTransparentColor(RGB(255, 255, 255));
    SetDialogFont(OkButton.GetFont(), *this);
    // The caption is not translated.
    OkButton.SetText("OK");
    OkButton.OnClick = ui::Callback<ui::Control&>::Of<&TPwrBtnChangeFrom::ButtonClick>(this);
    CloseButton.SetTransparentColor(kPwrBtnCloseKey);
    CloseButton.SetTransparent(true);
    CloseButton.SetHint(MultiLang::Instance().Text("Close"));
    CloseButton.OnClick = ui::Callback<ui::Control&>::Of<&TPwrBtnChangeFrom::ButtonClick>(this);
}

void TPwrBtnChangeFrom::SetUpMessage() {
    Message.SetBounds(Px(kPwrBtnMessageBounds.left), Px(kPwrBtnMessageBounds.top), Px(RectWidth(kPwrBtnMessageBounds)),
                      Px(RectHeight(kPwrBtnMessageBounds)));
    Message.SetWordWrap(true);
    Message.SetTransparent(true);
    SetDialogFont(Message.GetFont(), *this);
    // Japanese asks the font mapper for the Shift-JIS character set too, so that a
    // system without the file's fonts still finds one with Japanese letters.
    Message.GetFont().SetCharset(MultiLang::Instance().LanguageName() == "Japanese" ? SHIFTJIS_CHARSET
                                                                                    : DEFAULT_CHARSET);
}

void TPwrBtnChangeFrom::ShowText(const char* key) {
    ShowMessage(MultiLang::Instance().Text(key));
    m_textKey = key;
}

void TPwrBtnChangeFrom::LanguageChanged() {
    SetUpMessage();
    CloseButton.SetHint(MultiLang::Instance().Text("Close"));
    if (m_textKey != nullptr) {
        Message.SetCaption(MultiLang::Instance().Text(m_textKey));
    }
    Invalidate();
}

void TPwrBtnChangeFrom::ShowMessage(const std::string& text) {
    m_textKey = nullptr;
    SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Message.SetCaption(text);
    // At the top-left of the work area of the monitor the user is looking at, at that
    // monitor's scale.
    const MonitorPlace monitor = MonitorInView(Handle());
    FollowDpi(monitor.dpi);
    MoveTo(monitor.work.left + Px(kPwrBtnDialogPlace.x), monitor.work.top + Px(kPwrBtnDialogPlace.y));
    Show();
}

void TPwrBtnChangeFrom::FollowDpi(int dpi) {
    SetDpi(dpi);
    if (Dpi() == m_skinDpi) {
        return;
    }
    if (m_skinDpi != 0) {
        lumen::Trace("dialog: scale for %d dpi", Dpi());
    }
    m_skinDpi = Dpi();
    SkinBackground();
    PlaceButtons();
    SkinButtons();
    SetUpMessage();
    if (PwrBtnChangeShadow != nullptr) {
        PwrBtnChangeShadow->SetClientSize(Px(329), Px(238));
    }
    Invalidate();
}

void TPwrBtnChangeFrom::DpiChanged(int dpi) {
    // Dragged to a monitor of another scale: made again for it, as when shown there. A
    // dialog never shown yet is made at its first show.
    if (m_skinDpi == 0) {
        SetDpi(dpi);
        return;
    }
    FollowDpi(dpi);
}

void TPwrBtnChangeFrom::OkButtonClick() {
    Hide();
}

void TPwrBtnChangeFrom::FormMove() {
    if (PwrBtnChangeShadow != nullptr) {
        PwrBtnChangeShadow->FollowOwner(Left(), Top());
    }
}

void TPwrBtnChangeFrom::MouseDown(ui::MouseButton button, ui::ShiftState, int x, int y) {
    (void)m_backgroundSite.MouseDown(button, x, y);
}

}  // namespace surgepad
