#include "surgepad/settings/SettingForm.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "lumen/core/DebugTrace.h"
#include "lumen/core/Handle.h"
#include "lumen/core/WideText.h"
#include "surgepad/settings/LayoutSteps.h"
#include "surgepad/look/MultiLang.h"
#include "surgepad/look/PngReader.h"
#include "surgepad/settings/SettingShadowForm.h"
#include "surgepad/look/Screens.h"
#include "surgepad/settings/SettingView.h"
#include "lumen/graphics/Dpi.h"
#include "ui/Scale.h"

namespace surgepad {

TSettingForm* SettingForm = nullptr;

namespace {

ui::FormLayout Layout(int dpi) {
    ui::FormLayout layout;
    layout.className = "TSettingForm";
    layout.name = "SettingForm";
    layout.caption = "Surgepad";
    layout.clientWidth = lumen::ScaleToDpi(kSettingWidth, dpi);
    layout.clientHeight = lumen::ScaleToDpi(kSettingHeight, dpi);
    layout.dpi = dpi;
    layout.followDpiChanges = true;
    layout.color = RGB(0x1B, 0x1B, 0x23);
    layout.exStyleAdd = WS_EX_TOPMOST;
    return layout;
}

// Colour of the rows below the strip: the colour key, so they are not drawn.
constexpr lumen::Bgra kKeyPixel{255, 0, 255, 255};
constexpr COLORREF kCloseKey = RGB(0x69, 0x69, 0x6B);
constexpr COLORREF kCancelKey = RGB(0xCA, 0xCA, 0xCB);

void SetButtonFont(ui::Font& font, const ui::Form& form) {
    font.SetName(kSettingFontFace);
    font.SetHeight(form.Px(-11));
    font.SetColor(static_cast<ui::Color>(kSettingButtonTextColor));
}

void SetTitleFont(ui::Font& font, const ui::Form& form) {
    font.SetName(kSettingFontFace);
    font.SetHeight(form.Px(-11));
    font.SetColor(static_cast<ui::Color>(kTitleColor));
}

// A title is as large as its text, so that only a press on the text counts as one.
void FitToText(ui::Label& label) {
    lumen::WindowDc screen(nullptr);
    lumen::SelectGuard font(screen.Dc(), label.GetFont().Handle());
    RECT r{0, 0, 0, 0};
    const std::wstring text = lumen::Widen(label.Caption().empty() ? std::string(" ") : label.Caption());
    DrawTextW(screen.Dc(), text.c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    label.SetSize(r.right - r.left + label.Px(2), std::max<int>(r.bottom - r.top, label.Px(13)));
}

void CopyRows(const lumen::Bitmap& from, lumen::Bitmap& to, int first, int last) {
    if (from.Width() != to.Width() || from.Height() != to.Height() || from.BytesPerPixel() != to.BytesPerPixel()) {
        return;
    }
    first = std::clamp(first, 0, from.Height());
    last = std::clamp(last, first, from.Height());
    const size_t bytes = static_cast<size_t>(from.Width()) * static_cast<size_t>(from.BytesPerPixel());
    for (int y = first; y < last; ++y) {
        std::memcpy(to.ScanLine(y), from.ScanLine(y), bytes);
    }
}

}  // namespace

TSettingForm::TSettingForm()
    : ui::Form(Layout(ui::SystemDpi())),
      Background(*this),
      BkSave(*this),
      ComboBoxTop(*this),
      ComboBoxBody(*this),
      ComboBoxBottom(*this),
      PowerLogo(*this),
      RadioPower(*this, 0, 0, 0, 0),
      RadioTurbo(*this, 0, 0, 0, 0),
      PowerTitle(*this),
      TurboTitle(*this),
      CheckOsd(*this, 0, 0, 0, 0),
      CheckStatus(*this, 0, 0, 0, 0),
      OsdTitle(*this),
      StatusTitle(*this),
      ApplyButton(*this, 0, 0, 0, 0),
      CancelButton(*this, 0, 0, 0, 0),
      CloseButton(*this, 0, 0, 0, 0),
      m_formSite(*this),
      m_backgroundSite(Background, m_formSite) {
    for (ui::Image* hidden : {&BkSave, &ComboBoxTop, &ComboBoxBody, &ComboBoxBottom}) {
        hidden->SetVisible(false);
    }
    m_shaper.SetAlphaEnabled(true);
    m_shaper.SetAlpha(0);
    m_flicker.Attach(Handle());
    // Places and fonts now; the pictures with the skin, at the first opening.
    SetUpControls();
    PlaceControls();
    CreateHeadings();
    CreateProfileList();
    ApplyTexts();
    m_view = std::make_unique<TSettingView>(*this);
    SetSettingView(m_view.get());
    m_view->SetLogo(0);
}

TSettingForm::~TSettingForm() {
    // An animation or a cross-fade still running hands its steps to this window: they
    // end, their last steps included, before anything of it goes.
    if (m_view != nullptr) {
        m_view->Shutdown();
        SetSettingView(nullptr);
    }
    m_flicker.Detach();
    ProfileList.reset();
    for (auto& heading : Headings) {
        heading.reset();
    }
    DestroyHandle();
}

void TSettingForm::LoadSkinPictures() {
    lumen::DibBitmap skin;
    if (!LoadPngFile(ResourceFolder() + kSettingSkinPicture, skin, Dpi())) {
        // Unshaped then: a colour key taken from a made-up picture could make the whole
        // window see-through. The window stays plain, but it still fades.
        lumen::Trace("settings: no skin picture %s; the window stays plain", kSettingSkinPicture);
        skin.SetPixelFormat(lumen::PixelFormat::Bgr24);
        skin.SetSize(Px(kSettingWidth), Px(kSettingHeight));
        skin.Fill(lumen::Bgra{0x23, 0x1B, 0x1B, 255});
    }
    skin.SetPixelFormat(lumen::PixelFormat::Bgr24);
    BkSave.Picture().Assign(skin);
    BkSave.SetBounds(0, 0, skin.Width(), skin.Height());
    (void)LoadPngFile(ResourceFolder() + "combo_panel_top.png", ComboBoxTop.Picture(), Dpi());
    (void)LoadPngFile(ResourceFolder() + "combo_panel_body.png", ComboBoxBody.Picture(), Dpi());
    (void)LoadPngFile(ResourceFolder() + "combo_panel_bottom.png", ComboBoxBottom.Picture(), Dpi());

    Background.Picture().Assign(BkSave.Picture());
    Background.SetAutoSize(true);
}

void TSettingForm::FollowDpi(int dpi) {
    dpi = lumen::ClampDpi(dpi);
    if (dpi != Dpi()) {
        lumen::Trace("settings: scale for %d dpi", dpi);
        SetDpi(dpi);
    } else if (m_skinned) {
        return;
    }
    BuildSkin();
}

void TSettingForm::MakeSkinAhead() {
    if (!m_skinned) {
        int dpi = 96;
        (void)OpeningPlace(&dpi);
        FollowDpi(dpi);
    }
}

void TSettingForm::BuildSkin() {
    // The window's pictures, places and fonts are made for the scale; its top-left stays
    // where it is, and so does what the user has chosen in it.
    const bool first = !std::exchange(m_skinned, true);
    if (first) {
        lumen::Trace("settings: skin made at %d dpi", Dpi());
    }
    LoadSkinPictures();
    PlaceControls();
    SkinControls();
    LayoutHeadings();
    ProfileList->Layout(Px(kProfileListPlace.x), Px(kProfileListPlace.y),
                        SkinComboBox::Skin{Background.Picture(), ComboBoxTop.Picture(), ComboBoxBody.Picture(),
                                           ComboBoxBottom.Picture()});
    ApplyTexts();
    if (m_shaper.IsAttached()) {
        m_shaper.Reapply();
    } else if (!first || !m_shaper.Attach(&m_backgroundSite)) {
        if (first) {
            lumen::Trace("settings: the window could not be shaped");
        }
        SetClientSize(Px(kSettingWidth), Px(kSettingHeight));
    }
    if (m_view != nullptr) {
        m_view->RedrawLogo();
    }
    if (SettingShadowForm != nullptr) {
        SettingShadowForm->SetClientSize(Px(kSettingWidth), Px(kSettingHeight));
        SettingShadowForm->Prepare();
        SettingShadowForm->SetShadowAlpha(m_alpha);
    }
    Invalidate();
}

void TSettingForm::SetUpControls() {
    PowerLogo.Picture().SetPixelFormat(lumen::PixelFormat::Bgra32);
    PowerLogo.SetAutoSize(true);
    for (ui::Label* title : {&PowerTitle, &TurboTitle, &OsdTitle, &StatusTitle}) {
        title->SetTransparent(true);
        title->SetShowAccelChar(false);
    }
    CancelButton.SetTransparentColor(kCancelKey);
    ApplyButton.FontColors().SetDisabled(static_cast<ui::Color>(kTitleDisabledColor));
    CloseButton.SetTransparentColor(kCloseKey);
    CloseButton.SetTransparent(true);
    CloseButton.SetCursorShape(IDC_HAND);
    // Escape closes the window: the close button needs no tab stop of its own.
    CloseButton.SetTabStop(false);
}

void TSettingForm::PlaceControls() {
    const struct {
        ui::Control& control;
        RECT r;  // left, top, width, height at 96 DPI
    } places[] = {
        {RadioPower, {150, 84, 17, 17}},   {RadioTurbo, {150, 113, 17, 17}},   {CheckOsd, {53, 192, 17, 17}},
        {CheckStatus, {178, 192, 17, 17}}, {ApplyButton, {128, 306, 65, 25}},  {CancelButton, {218, 306, 78, 21}},
        {CloseButton, {262, 8, 44, 20}},   {PowerTitle, {167, 83, 100, 14}},   {TurboTitle, {167, 112, 100, 14}},
        {OsdTitle, {74, 191, 100, 14}},    {StatusTitle, {199, 191, 100, 14}},
    };
    for (const auto& place : places) {
        place.control.SetBounds(Px(place.r.left), Px(place.r.top), Px(place.r.right), Px(place.r.bottom));
    }
    PowerLogo.SetBounds(Px(30), Px(52), 0, 0);
    for (ui::Label* title : {&PowerTitle, &TurboTitle, &OsdTitle, &StatusTitle}) {
        SetTitleFont(title->GetFont(), *this);
    }
    for (kr::KrButtonTx* button : {&CancelButton, &ApplyButton}) {
        SetButtonFont(button->GetFont(), *this);
    }
}

void TSettingForm::SkinControls() {
    lumen::Bitmap& skin = Background.Picture();
    for (kr::KrRadioButton* radio : {&RadioPower, &RadioTurbo}) {
        kr::KrRadioBtnAppearance& looks = radio->Appearance();
        LoadStateImages(StateBitmaps{&looks.Uncheck.RaisedBmp()}, skin, radio->Left(), radio->Top(), "radio_n.png",
                        nullptr, nullptr, nullptr, Dpi());
        LoadStateImages(StateBitmaps{&looks.Check.RaisedBmp()}, skin, radio->Left(), radio->Top(), "radio_o.png",
                        nullptr, nullptr, nullptr, Dpi());
    }
    for (kr::KrCheckBox* box : {&CheckOsd, &CheckStatus}) {
        kr::KrChkBoxAppearance& looks = box->Appearance();
        LoadStateImages(StateBitmaps{&looks.Uncheck.RaisedBmp(), nullptr, nullptr, &looks.Uncheck.DisabledBmp()}, skin,
                        box->Left(), box->Top(), "chack_n.png", nullptr, nullptr, "chack_un1.png", Dpi());
        LoadStateImages(StateBitmaps{&looks.Check.RaisedBmp(), nullptr, nullptr, &looks.Check.DisabledBmp()}, skin,
                        box->Left(), box->Top(), "chack_o.png", nullptr, nullptr, "chack_un2.png", Dpi());
    }
    // Cancel first, then Apply, as they sit now.
    for (kr::KrButtonTx* button : {&CancelButton, &ApplyButton}) {
        kr::KrFourStateAppearance& looks = button->Appearance();
        LoadStateImages(StateBitmaps{&looks.RaisedBmp(), &looks.SunkenBmp(), &looks.FocusedBmp(), &looks.DisabledBmp()},
                        skin, button->Left(), button->Top(), "button_n.png", "button_d.png", "button_o.png",
                        "button_un.png", Dpi());
    }
    // The close pictures have no alpha: composed, they stay as they are, key colour
    // included, in the 24 bits the control draws.
    kr::KrFourStateAppearance& close = CloseButton.Appearance();
    LoadStateImages(StateBitmaps{&close.RaisedBmp(), &close.SunkenBmp(), &close.FocusedBmp()}, skin, CloseButton.Left(),
                    CloseButton.Top(), "close_n.png", "close_d.png", "close_o.png", nullptr, Dpi());
}

void TSettingForm::CreateHeadings() {
    for (auto& heading : Headings) {
        heading = std::make_unique<kr::KrLabel>(*this);
        heading->SetTransparent(true);
        heading->SetShowAccelChar(false);
        ui::Font& font = heading->GetFont();
        font.SetName(kSettingFontFace);
        font.SetBold(true);
        font.SetColor(static_cast<ui::Color>(kHeadingColor));
        heading->SetShaded(true);
        heading->SetShadeAlphaValue(kHeadingShadeAlpha);
    }
    LayoutHeadings();
}

void TSettingForm::LayoutHeadings() {
    for (size_t i = 0; i < Headings.size(); ++i) {
        Headings[i]->GetFont().SetHeight(Px(m_smallHeadings ? kSmallHeadingHeight : kHeadingHeight));
        const int left = i == 0 && m_smallHeadings ? kFrenchActionHeadingLeft : kHeadings[i].left;
        Headings[i]->SetBounds(Px(left), Px(kHeadings[i].top), Px(220), Px(25));
    }
}

bool TSettingForm::FirstHeadingTooWide() {
    kr::KrLabel& heading = *Headings[0];
    ui::Font& font = heading.GetFont();
    const int height = font.Height();
    font.SetHeight(Px(kHeadingHeight));
    lumen::WindowDc screen(nullptr);
    RECT r{0, 0, 0, 0};
    {
        lumen::SelectGuard selected(screen.Dc(), font.Handle());
        const std::wstring text = lumen::Widen(heading.Caption());
        DrawTextW(screen.Dc(), text.c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    }
    font.SetHeight(height);
    // The shaded text keeps its blur radius from both ends.
    const int room = Px(kSettingTextRight) - Px(kHeadings[0].left) - 2 * heading.ShadedLayout().BlurRadius();
    return r.right - r.left > room;
}

void TSettingForm::CreateProfileList() {
    ProfileList = std::make_unique<SkinComboBox>(*this);
    // Tab follows the window from top to bottom: the list comes before Apply and Cancel.
    ProfileList->Arrow().PlaceInTabOrderAfter(CheckStatus);
}

void TSettingForm::LanguageChanged() {
    ApplyTexts();
    Invalidate();
}

void TSettingForm::ApplyTexts() {
    const MultiLang& lang = MultiLang::Instance();
    const std::string language = lang.LanguageName();
    // The language's own font where Arial lacks its script.
    const std::string face = lang.FontFace(kSettingFontFace);
    lumen::Trace("settings: language %s, font %s", language.c_str(), face.c_str());
    CancelButton.SetText(lang.Text("Cancel"));
    ApplyButton.SetText(lang.Text("Apply"));
    PowerTitle.SetCaption(lang.Text("SurgepadOff"));
    TurboTitle.SetCaption(lang.Text("SurgepadOn"));
    OsdTitle.SetCaption(lang.Text("ShowOsd"));
    StatusTitle.SetCaption(lang.Text("ShowStatus"));
    for (size_t i = 0; i < Headings.size(); ++i) {
        Headings[i]->SetCaption(lang.Text(kHeadings[i].key));
    }
    // A screen reader names the boxes and buttons after the titles beside them.
    RadioPower.SetAccessibleName(PowerTitle.Caption());
    RadioTurbo.SetAccessibleName(TurboTitle.Caption());
    CheckOsd.SetAccessibleName(OsdTitle.Caption());
    CheckStatus.SetAccessibleName(StatusTitle.Caption());
    ProfileList->SetAccessibleName(Headings[2]->Caption());
    // Japanese asks the font mapper for the Shift-JIS character set too, so that a
    // system without the file's fonts still finds one with Japanese letters.
    const bool japanese = language == "Japanese";
    const BYTE charset = japanese ? SHIFTJIS_CHARSET : DEFAULT_CHARSET;
    std::vector<ui::Font*> fonts = {&CancelButton.GetFont(), &ApplyButton.GetFont()};
    for (ui::Label* title : {&PowerTitle, &TurboTitle, &OsdTitle, &StatusTitle}) {
        title->GetFont().SetHeight(Px(japanese ? -12 : -11));
        fonts.push_back(&title->GetFont());
    }
    for (auto& heading : Headings) {
        fonts.push_back(&heading->GetFont());
    }
    for (ui::Font* font : fonts) {
        font->SetName(face);
        font->SetCharset(charset);
    }
    // French headings are smaller and the first starts further left; so are those of
    // any language whose first heading would not fit its place otherwise.
    m_smallHeadings = language == "French" || FirstHeadingTooWide();
    LayoutHeadings();
    for (ui::Label* title : {&PowerTitle, &TurboTitle, &OsdTitle, &StatusTitle}) {
        FitToText(*title);
    }
    CloseButton.SetHint(lang.Text("Close"));
}

void TSettingForm::SetAlpha(uint8_t alpha) {
    m_alpha = alpha;
    m_shaper.SetAlpha(alpha);
    if (m_shaper.IsAttached()) {
        m_shaper.Reapply();
    } else if (HandleAllocated()) {
        // Unshaped: the opacity alone.
        SetWindowLongA(Handle(), GWL_EXSTYLE, GetWindowLongA(Handle(), GWL_EXSTYLE) | WS_EX_LAYERED);
        SetLayeredWindowAttributes(Handle(), 0, alpha, LWA_ALPHA);
    }
}

void TSettingForm::SetAlphas(uint8_t alpha) {
    SetAlpha(alpha);
    if (SettingShadowForm != nullptr) {
        SettingShadowForm->SetShadowAlpha(alpha);
    }
}

void TSettingForm::HideShadow() {
    if (SettingShadowForm != nullptr) {
        SettingShadowForm->Hide();
    }
}

StripGeometry TSettingForm::Geometry() {
    return StripGeometryAt(Dpi());
}

void TSettingForm::DrawRows(int from, int to) {
    CopyRows(BkSave.Picture(), Background.Picture(), from, to);
    Background.Picture().Changed();
    Update();
}

void TSettingForm::DrawStrip(int y) {
    const lumen::Bitmap& skin = BkSave.Picture();
    lumen::Bitmap& work = Background.Picture();
    const StripGeometry g = Geometry();
    if (skin.Height() != g.skinHeight || work.Height() != g.skinHeight || skin.Width() != work.Width() ||
        skin.BytesPerPixel() != work.BytesPerPixel()) {
        return;
    }
    const StripRows rows = StripPlacement(y, g);
    const size_t bytes = static_cast<size_t>(skin.Width()) * static_cast<size_t>(skin.BytesPerPixel());
    for (int row = rows.stripFrom; row < rows.stripTo; ++row) {
        std::memcpy(work.ScanLine(row), skin.ScanLine(g.stripTop + row - rows.stripFrom), bytes);
    }
    for (int row = rows.clearFrom; row < rows.clearTo; ++row) {
        for (int x = 0; x < work.Width(); ++x) {
            work.SetPixel(x, row, kKeyPixel);
        }
    }
    work.Changed();
    Update();
}

void TSettingForm::ShowControls(bool visible) {
    for (auto& heading : Headings) {
        heading->SetVisible(visible);
    }
    for (ui::Control* control : std::initializer_list<ui::Control*>{
             &PowerLogo, &RadioPower, &RadioTurbo, &PowerTitle, &TurboTitle, &CheckOsd, &CheckStatus, &OsdTitle,
             &StatusTitle, &ApplyButton, &CancelButton, &CloseButton}) {
        control->SetVisible(visible);
    }
    if (ProfileList != nullptr) {
        ProfileList->SetVisible(visible);
    }
}

POINT TSettingForm::OpeningPlace(int* dpi) {
    // The corner of the work area next to the notification area, on the monitor that
    // holds the taskbar, for the window at that monitor's scale.
    const ScreenState screens = ReadScreens();
    const MonitorPlace& monitor = screens.monitors[screens.taskbarMonitor];
    if (dpi != nullptr) {
        *dpi = monitor.dpi;
    }
    const auto px = [&](int pixels) { return lumen::ScaleToDpi(pixels, monitor.dpi); };
    const lumen::Point at = SettingsWindowPlace(monitor.work, screens.taskbarEdge, px(kSettingWidth),
                                                px(kSettingHeight), px(kSettingRightGap), px(kSettingBottomGap));
    return POINT{at.x, at.y};
}

void TSettingForm::DpiChanged(int dpi) {
    FollowDpi(dpi);
}

void TSettingForm::FormMove() {
    // The drop shadow follows the window.
    if (SettingShadowForm != nullptr) {
        SettingShadowForm->FollowOwner(Left(), Top());
    }
}

ui::Label* TSettingForm::TitleAt(int x, int y) {
    for (ui::Label* title : {&PowerTitle, &TurboTitle, &OsdTitle, &StatusTitle}) {
        const RECT bounds = title->BoundsRect();
        if (title->Visible() && PtInRect(&bounds, POINT{x, y})) {
            return title;
        }
    }
    return nullptr;
}

void TSettingForm::MouseDown(ui::MouseButton button, ui::ShiftState, int x, int y) {
    m_pressedTitle = nullptr;
    if (button == ui::MouseButton::Left) {
        // A title is clicked like its control; the rest of the picture drags the window.
        m_pressedTitle = TitleAt(x, y);
        if (m_pressedTitle != nullptr) {
            return;
        }
    }
    (void)m_backgroundSite.MouseDown(button, x, y);
}

void TSettingForm::MouseUp(ui::MouseButton button, ui::ShiftState, int x, int y) {
    ui::Label* pressed = std::exchange(m_pressedTitle, nullptr);
    if (button == ui::MouseButton::Left && pressed != nullptr && TitleAt(x, y) == pressed) {
        pressed->Click();
    }
}

void TSettingForm::KeyDown(WORD& key, ui::ShiftState shift) {
    if (key == VK_ESCAPE) {
        key = 0;
        if (m_view != nullptr) {
            m_view->Close();
        }
        return;
    }
    ui::Form::KeyDown(key, shift);
}

LRESULT TSettingForm::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = ui::Form::WndProc(message, wParam, lParam);
    if (message == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE && GetFocus() == nullptr) {
        // Activated while its controls are hidden (the window opens): the window itself
        // takes the keys, so that Escape reaches it.
        ::SetFocus(Handle());
    }
    return result;
}

}  // namespace surgepad
