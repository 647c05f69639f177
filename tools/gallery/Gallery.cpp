// The control gallery: every control of the package in each of its looks, skinned with
// the program's own pictures from the Resource folder, on a panel painted like the
// settings window. One page a window; the page comes from the command line
// ("gallery.exe 2"), and the caption names it ("Surgepad gallery, page 2 of 3: ...")
// so that tools/gallery.sh can find the window and knows how many pages there are.
//
// The looks are forced through the controls' own operations (ShowSunken, SetEnabled,
// SetChecked, ...), and every control is kept from reacting to the mouse, the keyboard
// and the focus afterwards, so that a screenshot shows exactly the look asked for.
// Under each control a note names the picture that look must show.
//
// The last pages show the real settings window, fully open, in a language of each
// script (Latin, Cyrillic, Chinese, Japanese) on whatever system code page the gallery
// runs with: its window is captioned like a page for the script to find.
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <chrono>

#include "kr/KrBar.h"
#include "kr/KrBrick.h"
#include "kr/KrButton.h"
#include "kr/KrCheckBox.h"
#include "kr/KrImage.h"
#include "kr/KrLabel.h"
#include "kr/KrNumLed.h"
#include "lumen/graphics/DibBitmap.h"
#include "lumen/graphics/Dpi.h"
#include "surgepad/look/MultiLang.h"
#include "surgepad/look/PngReader.h"
#include "surgepad/settings/SettingForm.h"
#include "surgepad/settings/SettingView.h"
#include "surgepad/look/SkinImage.h"
#include "ui/Application.h"
#include "ui/Form.h"
#include "ui/Image.h"
#include "ui/Label.h"
#include "ui/Panel.h"
#include "ui/Scale.h"

namespace gallery {
namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;

// The captions of the gallery itself: the skin's light text and a dimmer one for notes.
constexpr ui::Color kTitleColor = RGB(218, 218, 218);
constexpr ui::Color kNoteColor = RGB(150, 150, 168);
constexpr ui::Color kMissingColor = RGB(255, 96, 96);

// Columns of the looks, right of the row captions.
constexpr int kRowCaptionX = 16;
constexpr int kRowCaptionWidth = 200;
constexpr int kColumnX[] = {230, 370, 510, 650};
constexpr int kColumnWidth = 140;

enum class TextStyle { Title, RowCaption, ColumnHead, Note };

struct PageInfo {
    const char* subject;
};

constexpr PageInfo kPages[] = {
    {"push buttons, check boxes, radio buttons"},
    {"LED displays, bricks, scroll bars"},
    {"shaded labels, alpha images"},
    {"the settings window's controls at 200 %"},
};
// The settings window in four languages of four scripts, one page each after the
// control pages: the language's folder name, and its script for the caption.
struct LanguagePage {
    const char* language;
    const char* script;
};
constexpr LanguagePage kLanguagePages[] = {
    {"English", "Latin"},
    {"Russian", "Cyrillic"},
    {"ChineseSimplified", "Chinese"},
    {"Japanese", "Japanese"},
};
constexpr int kControlPageCount = static_cast<int>(sizeof kPages / sizeof kPages[0]);
// The page drawn at 200 %: the first page's rows from the skin's 2x pictures, every place
// and font through the display scale, on a page as tall as the rows need.
constexpr int kScaledPage = 4;
constexpr int kScaledPageDpi = 192;
constexpr int kScaledPageHeight = 360;
constexpr int kPageCount = kControlPageCount + static_cast<int>(sizeof kLanguagePages / sizeof kLanguagePages[0]);

// The DPI the gallery's page is drawn at: the system's, or kScaledPageDpi on the page
// that shows the controls scaled.
int g_dpi = 0;

int Px(int pixels) {
    return lumen::ScaleToDpi(pixels, g_dpi);
}

std::string Caption(int page) {
    const std::string subject = page <= kControlPageCount
                                    ? std::string(kPages[page - 1].subject)
                                    : std::string("the settings window in ") +
                                          kLanguagePages[page - kControlPageCount - 1].language + " (" +
                                          kLanguagePages[page - kControlPageCount - 1].script + ")";
    return "Surgepad gallery, page " + std::to_string(page) + " of " + std::to_string(kPageCount) + ": " + subject;
}

// The real settings window in the page's language, fully open at the top-left with the
// turbo action and both options chosen, as the user sees it after its opening.
void ShowSettingsWindow(int page) {
    const LanguagePage& language = kLanguagePages[page - kControlPageCount - 1];
    surgepad::MultiLang::Instance().SetChosenLanguage(language.language);
    ui::App().CreateForm<ui::Form>(ui::FormLayout{});  // the main form, as at start-up
    surgepad::TSettingForm* form = surgepad::SettingForm = ui::App().CreateForm<surgepad::TSettingForm>();
    form->MakeSkinAhead();
    form->DrawRows(0, form->Px(surgepad::kSettingHeight));
    form->RadioTurbo.SetChecked(true);
    form->View().SetLogo(1);
    form->CheckOsd.SetChecked(true);
    form->CheckStatus.SetChecked(true);
    form->ProfileList->Items().Add("Game Boost");
    form->ProfileList->SetItemIndex(0);
    form->ShowControls(true);
    form->SetAlpha(255);
    form->MoveTo(0, 0);
    form->Show();
    SetWindowTextA(form->Handle(), Caption(page).c_str());
}

ui::FormLayout Layout(const std::string& caption, int height) {
    ui::FormLayout layout;
    layout.className = "TGalleryForm";
    layout.name = "GalleryForm";
    layout.caption = caption.c_str();
    layout.left = 0;
    layout.top = 0;
    layout.clientWidth = Px(kWidth);
    layout.clientHeight = Px(height);
    layout.dpi = g_dpi;
    layout.color = RGB(32, 32, 42);
    // A caption bar, so that on a desktop the page can be moved and closed.
    layout.borderNone = false;
    return layout;
}

bool PictureReadable(const std::string& name) {
    lumen::DibBitmap probe;
    return surgepad::LoadPngFile(surgepad::ResourceFolder() + name, probe, g_dpi);
}

// The page's background: the panel of the settings window's picture, its rows stretched
// over the page's height, so that the controls' pictures are composed over the same
// gradient they meet on the real window. A column left of the window's separators and
// above its footer carries only the panel's gradient.
void PaintPanel(lumen::Bitmap& page, int pageHeight) {
    const int width = Px(kWidth);
    const int height = Px(pageHeight);
    page.SetPixelFormat(lumen::PixelFormat::Bgra32);
    page.SetSize(width, height);
    lumen::DibBitmap skin;
    const int column = Px(5);
    const int firstRow = Px(38);  // below the header
    const int lastRow = Px(295);  // above the footer
    const bool haveSkin = surgepad::LoadPngFile(surgepad::ResourceFolder() + "setting_bg.png", skin, g_dpi) &&
                          skin.Width() > column && skin.Height() > lastRow;
    for (int y = 0; y < height; ++y) {
        lumen::Bgra pixel{42, 32, 32, 255};
        if (haveSkin) {
            pixel = skin.Pixel(column, firstRow + y * (lastRow - firstRow) / (height - 1));
            pixel.a = 255;
        }
        for (int x = 0; x < width; ++x) {
            page.SetPixel(x, y, pixel);
        }
    }
    page.Changed();
}

class GalleryForm : public ui::Form {
public:
    explicit GalleryForm(int page) : GalleryForm(page, Caption(page)) {}

    ~GalleryForm() override {
        // The last created first: a radio button goes before the panel it lies on.
        while (!m_controls.empty()) {
            m_controls.pop_back();
        }
    }

private:
    // The caption lives until the window is made.
    GalleryForm(int page, const std::string& caption)
        : ui::Form(Layout(caption, page == kScaledPage ? kScaledPageHeight : kHeight)) {
        m_background = Add(std::make_unique<ui::Image>(*this));
        PaintPanel(m_background->Picture(), page == kScaledPage ? kScaledPageHeight : kHeight);
        m_background->SetAutoSize(true);
        Text(16, 10, kWidth - 32, 24, caption, TextStyle::Title);
        switch (page) {
            case 1:
                ButtonsPage();
                break;
            case 2:
                LedsBricksBarsPage();
                break;
            case 3:
                LabelsImagesPage();
                break;
            case kScaledPage:
                CloseButtons(50);
                TextButtons(110);
                CheckBoxes(170);
                break;
            default:
                break;
        }
    }

    template <class C>
    C* Add(std::unique_ptr<C> control) {
        C* raw = control.get();
        m_controls.push_back(std::move(control));
        return raw;
    }

    ui::Label* Text(int x, int y, int width, int height, const std::string& text, TextStyle style) {
        auto* label = Add(std::make_unique<ui::Label>(*this));
        label->SetTransparent(true);
        label->SetWordWrap(true);
        label->SetShowAccelChar(false);
        ui::Font& font = label->GetFont();
        switch (style) {
            case TextStyle::Title:
                font.SetName("Arial");
                font.SetHeight(Px(-15));
                font.SetBold(true);
                font.SetColor(kTitleColor);
                break;
            case TextStyle::RowCaption:
                font.SetName("Arial");
                font.SetHeight(Px(-12));
                font.SetBold(true);
                font.SetColor(kTitleColor);
                break;
            case TextStyle::ColumnHead:
                font.SetName("Arial");
                font.SetHeight(Px(-12));
                font.SetColor(kTitleColor);
                break;
            case TextStyle::Note:
                font.SetName("Tahoma");
                font.SetHeight(Px(-11));
                font.SetColor(kNoteColor);
                break;
        }
        label->SetCaption(text);
        label->SetBounds(Px(x), Px(y), Px(width), Px(height));
        return label;
    }

    // The note under a control: the picture its look must show. A picture the
    // Resource folder cannot give is called out in red.
    void Note(int x, int y, int width, const std::string& text, const char* picture) {
        ui::Label* note = Text(x, y, width, 30, text, TextStyle::Note);
        if (picture != nullptr && !PictureReadable(picture)) {
            note->SetCaption(std::string("MISSING ") + picture);
            note->GetFont().SetColor(kMissingColor);
        }
    }

    void ColumnHeads(int y, const char* const (&heads)[4]) {
        for (int i = 0; i < 4; ++i) {
            Text(kColumnX[i], y, kColumnWidth - 8, 18, heads[i], TextStyle::ColumnHead);
        }
    }

    void RowCaption(int y, const std::string& name, const std::string& detail) {
        Text(kRowCaptionX, y, kRowCaptionWidth, 18, name, TextStyle::RowCaption);
        Text(kRowCaptionX, y + 17, kRowCaptionWidth, 30, detail, TextStyle::Note);
    }

    lumen::Bitmap& PanelPicture() { return m_background->Picture(); }

    // Composes the named pictures over the panel at the control's place, as the
    // settings window does; a null name leaves that look empty (it falls back).
    void Skin(kr::KrFourStateAppearance& looks, int x, int y, const char* raised, const char* sunken,
              const char* focused, const char* disabled) {
        surgepad::LoadStateImages({&looks.RaisedBmp(), &looks.SunkenBmp(), &looks.FocusedBmp(), &looks.DisabledBmp()},
                                  PanelPicture(), Px(x), Px(y), raised, sunken, focused, disabled, g_dpi);
    }

    // A gallery control shows the look it was given and nothing else: no hover look,
    // no presses, no focus.
    static void Freeze(kr::KrControl& control) {
        control.SetShowMouseOver(false);
        control.SetClicksDisabled(true);
        control.SetTabStop(false);
    }

    // Forces look `column`: 0 raised, 1 sunken, 2 focused, 3 disabled (through the
    // enabling, as a disabled control of a window gets it).
    static void ShowLook(kr::KrControl& control, int column) {
        switch (column) {
            case 0:
                control.ShowRaised();
                break;
            case 1:
                control.ShowSunken();
                break;
            case 2:
                control.ShowFocused();
                break;
            default:
                control.SetEnabled(false);
                break;
        }
    }

    static constexpr const char* kLooks[4] = {"raised", "sunken", "focused", "disabled"};

    void ButtonsPage() {
        ColumnHeads(44, kLooks);
        CloseButtons(70);
        TextButtons(130);
        CheckBoxes(190);
        RadioButtons(370);
        KeyboardFocus(490);
    }

    // The keyboard focus as a user of the keyboard sees it: the dotted frame on the
    // control that has the focus.
    void KeyboardFocus(int y) {
        RowCaption(y, "Keyboard focus", "the focus frame, once the keyboard was used");
        auto* box = Add(std::make_unique<kr::KrCheckBox>(*this, Px(kColumnX[0]), Px(y)));
        Skin(box->Appearance().Uncheck, kColumnX[0], y, "chack_n.png", nullptr, nullptr, "chack_un1.png");
        Skin(box->Appearance().Check, kColumnX[0], y, "chack_o.png", nullptr, nullptr, "chack_un2.png");
        box->SetChecked(true);
        Note(kColumnX[0] + 22, y + 1, kColumnWidth - 30, "focused check box", "chack_o.png");
        m_focused = box;
    }

    // The focus is given once the page is on the screen and in front.
    static constexpr UINT kGiveFocus = WM_APP + 1;
    void FormShow() override {
        ui::Form::FormShow();
        if (m_focused != nullptr) {
            PostMessageA(Handle(), kGiveFocus, 0, 0);
        }
    }
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == kGiveFocus) {
            SetForegroundWindow(Handle());
            ui::NoteKeyboardUse();
            m_focused->SetFocus();
            return 0;
        }
        return ui::Form::WndProc(message, wParam, lParam);
    }

    // KrButton with the close button's pictures; they carry no alpha but the key colour
    // RGB 0x69, 0x69, 0x6B in their corners, which the transparent control cuts away.
    void CloseButtons(int y) {
        RowCaption(y, "KrButton", "close_n, close_d, close_o; transparent, key 69 69 6B");
        const char* const notes[4] = {"close_n", "close_d", "close_o", "no picture: close_n"};
        const char* const pictures[4] = {"close_n.png", "close_d.png", "close_o.png", nullptr};
        for (int i = 0; i < 4; ++i) {
            auto* button = Add(std::make_unique<kr::KrButton>(*this, Px(kColumnX[i]), Px(y)));
            Skin(button->Appearance(), kColumnX[i], y, "close_n.png", "close_d.png", "close_o.png", nullptr);
            button->SetTransparentColor(RGB(0x69, 0x69, 0x6B));
            button->SetTransparent(true);
            Freeze(*button);
            ShowLook(*button, i);
            Note(kColumnX[i], y + 24, kColumnWidth - 8, notes[i], pictures[i] != nullptr ? pictures[i] : "close_n.png");
        }
    }

    // KrButtonTx as the settings window's Apply button: Arial -11 in RGB 200, 196, 213,
    // grey when disabled; the caption moves by (2, 2) right after the button sank.
    void TextButtons(int y) {
        RowCaption(y, "KrButtonTx", "button_n, _d, _o, _un with captions");
        const char* const captions[4] = {"Raised", "Sunken", "Focused", "Disabled"};
        const char* const notes[4] = {"button_n", "button_d, caption +2,+2", "button_o", "button_un, grey caption"};
        const char* const pictures[4] = {"button_n.png", "button_d.png", "button_o.png", "button_un.png"};
        for (int i = 0; i < 4; ++i) {
            auto* button = Add(std::make_unique<kr::KrButtonTx>(*this, Px(kColumnX[i]), Px(y)));
            Skin(button->Appearance(), kColumnX[i], y, "button_n.png", "button_d.png", "button_o.png", "button_un.png");
            ui::Font& font = button->GetFont();
            font.SetName("Arial");
            font.SetHeight(Px(-11));
            font.SetColor(RGB(200, 196, 213));
            button->FontColors().SetDisabled(ui::clGray);
            button->SetText(captions[i]);
            Freeze(*button);
            ShowLook(*button, i);
            Note(kColumnX[i], y + 25, kColumnWidth - 8, notes[i], pictures[i]);
        }
    }

    // KrCheckBox with the settings window's pictures: unchecked chack_n (disabled
    // chack_un1), checked chack_o (disabled chack_un2), none for grayed. A missing look
    // falls back to the raised look of its check state, then to the unchecked raised.
    void CheckBoxes(int y) {
        struct Row {
            kr::CheckBoxState state;
            const char* name;
            const char* notes[4];
            const char* pictures[4];
        };
        const Row rows[] = {
            {kr::cbUnchecked,
             "unchecked",
             {"chack_n", "none: chack_n", "none: chack_n", "chack_un1"},
             {"chack_n.png", "chack_n.png", "chack_n.png", "chack_un1.png"}},
            {kr::cbChecked,
             "checked",
             {"chack_o", "none: chack_o", "none: chack_o", "chack_un2"},
             {"chack_o.png", "chack_o.png", "chack_o.png", "chack_un2.png"}},
            {kr::cbGrayed,
             "grayed",
             {"none: chack_n", "none: chack_n", "none: chack_n", "none: chack_n"},
             {"chack_n.png", "chack_n.png", "chack_n.png", "chack_n.png"}},
        };
        for (const Row& row : rows) {
            RowCaption(y, std::string("KrCheckBox ") + row.name,
                       "chack_n, chack_o, chack_un1, chack_un2; no grayed pictures");
            for (int i = 0; i < 4; ++i) {
                auto* box = Add(std::make_unique<kr::KrCheckBox>(*this, Px(kColumnX[i]), Px(y)));
                Skin(box->Appearance().Uncheck, kColumnX[i], y, "chack_n.png", nullptr, nullptr, "chack_un1.png");
                Skin(box->Appearance().Check, kColumnX[i], y, "chack_o.png", nullptr, nullptr, "chack_un2.png");
                box->SetAllowGrayed(true);
                Freeze(*box);
                // The look first, then the check state: the look must stay.
                ShowLook(*box, i);
                box->SetState(row.state);
                Note(kColumnX[i] + 22, y + 1, kColumnWidth - 30, row.notes[i], row.pictures[i]);
            }
            y += 56;
        }
    }

    // KrRadioButton with radio_n and radio_o. Checking a radio button unchecks the
    // others on its parent, so each lies on a panel of its own, exactly its size.
    void RadioButtons(int y) {
        for (bool checked : {false, true}) {
            RowCaption(y, std::string("KrRadioButton ") + (checked ? "checked" : "unchecked"),
                       "radio_n, radio_o; one panel each");
            for (int i = 0; i < 4; ++i) {
                auto* holder = Add(std::make_unique<ui::Panel>(*this, Px(kColumnX[i]), Px(y), Px(17), Px(17)));
                auto* radio = Add(std::make_unique<kr::KrRadioButton>(*holder, 0, 0));
                Skin(radio->Appearance().Uncheck, kColumnX[i], y, "radio_n.png", nullptr, nullptr, nullptr);
                Skin(radio->Appearance().Check, kColumnX[i], y, "radio_o.png", nullptr, nullptr, nullptr);
                holder->SetBounds(Px(kColumnX[i]), Px(y), radio->Width(), radio->Height());
                Freeze(*radio);
                ShowLook(*radio, i);
                radio->SetChecked(checked);
                const char* picture = checked ? "radio_o.png" : "radio_n.png";
                const std::string note = std::string(i == 0 ? "" : "none: ") + (checked ? "radio_o" : "radio_n");
                Note(kColumnX[i] + 22, y + 1, kColumnWidth - 30, note, picture);
            }
            y += 56;
        }
    }

    void LedsBricksBarsPage() {
        NumLeds(48);
        Bricks(250);
        Bars(390);
    }

    // KrNumLed: drawn segments, no pictures; lit RGB 10, 240, 10 and dark RGB 14, 38,
    // 62 by default, here on the panel's colour except the first, which keeps white.
    void NumLeds(int y) {
        using namespace std::chrono;
        struct Cell {
            const char* format;
            lumen::NumLedType type;
            double value;
            int offLed;  // blanked LED, 0: none
            bool zeroLeading;
            bool keepRatio;
            bool whiteBackground;
            const char* note;
        };
        const Cell rows[2][4] = {
            {{"88.8", lumen::nledFloat, 3.14159, 0, false, true, true, "88.8, 3.14159: _3.1; colours as made"},
             {"8888", lumen::nledFloat, 12345, 0, false, true, false, "8888, 12345: 2345"},
             {"hh.mm", lumen::nledTime, 0, 0, false, true, false, "hh.mm at 13:45: 13.45"},
             {"88^C", lumen::nledFloat, 42, 0, false, true, false, "88^C, 42: 42 degrees C"}},
            {{"88.8", lumen::nledFloat, 3.14159, 0, true, true, false, "ZeroLeading: 03.1"},
             {"8888", lumen::nledFloat, 1234, 2, false, true, false, "Off(2): 1_34"},
             {"yy.mm.dd", lumen::nledDate, 0, 0, false, true, false, "yy.mm.dd on 17 May 2024: 24.05.17"},
             {"88.8", lumen::nledFloat, 0.04, 0, false, false, false, "0.04 stretched (no KeepRatio): _0.0"}},
        };
        const char* const details[2] = {"formats and values", "zero leading, Off, symbols, stretch"};
        for (int r = 0; r < 2; ++r) {
            RowCaption(y, "KrNumLed", details[r]);
            for (int i = 0; i < 4; ++i) {
                const Cell& cell = rows[r][i];
                auto* led = Add(std::make_unique<kr::KrNumLed>(*this, kColumnX[i], y, 120, 40));
                if (!cell.whiteBackground) {
                    const lumen::Bgra behind = PanelPicture().Pixel(kColumnX[i], y);
                    led->LedColors().SetBackgroundColor(RGB(behind.r, behind.g, behind.b));
                }
                led->SetType(cell.type);
                led->SetFormat(cell.format);
                led->SetZeroLeading(cell.zeroLeading);
                led->SetKeepRatio(cell.keepRatio);
                if (cell.type == lumen::nledTime || cell.type == lumen::nledDate) {
                    led->SetValue(lumen::LedDateTime{local_days{year{2024} / 5 / 17} + hours{13} + minutes{45}});
                } else {
                    led->SetValue(cell.value);
                }
                if (cell.offLed != 0) {
                    led->Off(cell.offLed);
                }
                Note(kColumnX[i], y + 44, kColumnWidth - 8, cell.note, nullptr);
            }
            y += 96;
        }
    }

    // Composes the three pictures of a brick over the panel at its place; a null name
    // leaves that look empty.
    void Skin(kr::KrThreeStateAppearance& looks, int x, int y, const char* normal, const char* focused,
              const char* disabled) {
        const struct {
            lumen::Bitmap& bitmap;
            const char* name;
        } states[] = {{looks.NormalBmp(), normal}, {looks.FocusedBmp(), focused}, {looks.DisabledBmp(), disabled}};
        for (const auto& state : states) {
            if (state.name != nullptr) {
                surgepad::ComposeOnBackground(state.name, state.bitmap, PanelPicture(), x, y, g_dpi);
            }
        }
    }

    // KrBrick(Tx) with the text button's normal, focused and disabled pictures (the skin
    // has none of its own); a brick never sinks.
    void SkinBrick(kr::KrBrick& brick, int x, int y) {
        Skin(brick.Appearance(), x, y, "button_n.png", "button_o.png", "button_un.png");
    }

    void Bricks(int y) {
        ColumnHeads(y - 22, kLooks);
        RowCaption(y, "KrBrick", "button_n, button_o, button_un as normal, focused, disabled");
        const char* const notes[4] = {"button_n", "never sinks: button_n", "button_o", "button_un"};
        const char* const pictures[4] = {"button_n.png", "button_n.png", "button_o.png", "button_un.png"};
        for (int i = 0; i < 4; ++i) {
            auto* brick = Add(std::make_unique<kr::KrBrick>(*this, kColumnX[i], y));
            SkinBrick(*brick, kColumnX[i], y);
            Freeze(*brick);
            ShowLook(*brick, i);
            Note(kColumnX[i], y + 24, kColumnWidth - 8, notes[i], pictures[i]);
        }
        y += 56;
        RowCaption(y, "KrBrickTx", "the same with captions");
        const char* const captions[4] = {"Normal", "Sunken", "Focused", "Disabled"};
        const char* const txNotes[4] = {"button_n", "button_n, caption unmoved", "button_o", "button_un, grey caption"};
        for (int i = 0; i < 4; ++i) {
            auto* brick = Add(std::make_unique<kr::KrBrickTx>(*this, kColumnX[i], y));
            SkinBrick(*brick, kColumnX[i], y);
            ui::Font& font = brick->GetFont();
            font.SetName("Arial");
            font.SetHeight(Px(-11));
            font.SetColor(RGB(200, 196, 213));
            brick->SetText(captions[i]);
            Freeze(*brick);
            ShowLook(*brick, i);
            Note(kColumnX[i], y + 24, kColumnWidth - 8, txNotes[i], pictures[i]);
        }
    }

    // KrBar with the drop-down list's box as its track (combo_box_bg, disabled
    // combo_box_bg_un) and the checked radio button as its indicator, composed over
    // the track; the indicator's centre sits on Origin (11, 11) moved by ScrollPos.
    void Bars(int y) {
        RowCaption(y, "KrBar", "combo_box_bg track, radio_o indicator; Length 143");
        struct Cell {
            int position;
            int look;  // as ShowLook, without sunken
            const char* note;
        };
        const Cell cells[3] = {
            {0, 0, "ScrollPos 0, normal"},
            {71, 2, "ScrollPos 71, focused: combo_box_bg"},
            {143, 3, "ScrollPos 143, disabled: combo_box_bg_un"},
        };
        constexpr int kBarX[3] = {230, 420, 610};
        for (int i = 0; i < 3; ++i) {
            const Cell& cell = cells[i];
            auto* bar = Add(std::make_unique<kr::KrBar>(*this, kBarX[i], y));
            kr::KrThreeStateAppearance& looks = bar->Appearance();
            Skin(looks, kBarX[i], y, "combo_box_bg.png", "combo_box_bg.png", "combo_box_bg_un.png");
            // Over the track of the look it is shown on; the track is even along its length.
            lumen::DibBitmap indicator;
            surgepad::ComposeOnBackground("radio_o.png", indicator,
                                          cell.look == 3 ? looks.DisabledBmp() : looks.NormalBmp(), 3, 3, g_dpi);
            bar->SetIndicator(indicator);
            bar->Origin().SetX(11);
            bar->Origin().SetY(11);
            bar->SetLength(143);
            bar->SetScrollPos(cell.position);
            Freeze(*bar);
            ShowLook(*bar, cell.look);
            Note(kBarX[i], y + 26, 180, cell.note, cell.look == 3 ? "combo_box_bg_un.png" : "combo_box_bg.png");
        }
    }

    void LabelsImagesPage() {
        ShadedLabels(48);
        AlphaImages(150);
    }

    // KrLabel as the settings window's headings use it (Arial bold -13, RGB 219, 219,
    // 219): without the shade, with the headings' shade 200, a faint one, and disabled.
    // The shade is dark, so on this panel it shows mostly as a softer edge.
    void ShadedLabels(int y) {
        struct Cell {
            bool shaded;
            uint8_t alpha;
            bool enabled;
            const char* note;
        };
        const Cell cells[4] = {
            {false, 200, true, "Shaded off: plain text, kept in from the edges"},
            {true, 200, true, "Shaded 200 (the headings)"},
            {true, 80, true, "Shaded 80"},
            {true, 200, false, "disabled: embossed by the framework"},
        };
        RowCaption(y, "KrLabel", "heading font, 130 x 25");
        for (int i = 0; i < 4; ++i) {
            const Cell& cell = cells[i];
            auto* label = Add(std::make_unique<kr::KrLabel>(*this));
            label->SetTransparent(true);
            ui::Font& font = label->GetFont();
            font.SetName("Arial");
            font.SetHeight(-13);
            font.SetBold(true);
            font.SetColor(RGB(219, 219, 219));
            label->SetShaded(cell.shaded);
            label->SetShadeAlphaValue(cell.alpha);
            label->SetCaption("Display setting");
            label->SetBounds(kColumnX[i], y, 130, 25);
            label->SetEnabled(cell.enabled);
            Note(kColumnX[i], y + 30, kColumnWidth - 8, cell.note, nullptr);
        }
    }

    // KrImage with the red logo (32 bits with alpha) over the panel: opaque, by its
    // alpha, by its alpha at AlphaValue 128, and the skin-image factory's box.
    void AlphaImages(int y) {
        RowCaption(y, "KrImage", "turbo_red.png over the panel");
        struct Cell {
            bool alphaChannel;
            bool alphaBlend;
            uint8_t alphaValue;
            const char* note;
        };
        const Cell cells[3] = {
            {false, false, 255, "AlphaChannel off: drawn opaque"},
            {true, false, 255, "AlphaChannel: blended by its alpha"},
            {true, true, 128, "AlphaValue 128: half of that"},
        };
        for (int i = 0; i < 3; ++i) {
            const Cell& cell = cells[i];
            auto* image = Add(std::make_unique<kr::KrImage>(*this));
            lumen::DibBitmap logo;
            surgepad::LoadPngFile(surgepad::ResourceFolder() + "turbo_red.png", logo, g_dpi);
            image->SetAutoSize(true);
            image->SetBounds(kColumnX[i], y, 10, 10);
            image->SetPicture(logo);
            image->SetAlphaChannel(cell.alphaChannel);
            image->SetAlphaBlend(cell.alphaBlend);
            image->SetAlphaValue(cell.alphaValue);
            Note(kColumnX[i], y + 100, kColumnWidth - 8, cell.note, "turbo_red.png");
        }
        y += 150;
        RowCaption(y, "CreateSkinImage", "a Resource picture by its alpha");
        Add(surgepad::CreateSkinImage(*this, "combo_box_bg.png", kColumnX[0], y));
        Note(kColumnX[0], y + 28, 2 * kColumnWidth, "combo_box_bg.png, sized to the picture", "combo_box_bg.png");
    }

    ui::Image* m_background = nullptr;
    std::vector<std::unique_ptr<ui::Control>> m_controls;
    kr::KrControl* m_focused = nullptr;
};

int PageFromArguments(int argc, char** argv) {
    int page = 1;
    if (argc > 1) {
        page = std::atoi(argv[1]);
    }
    return std::clamp(page, 1, kPageCount);
}

}  // namespace
}  // namespace gallery

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    try {
        ui::Application& app = ui::App();
        app.Initialize();
        const int page = gallery::PageFromArguments(__argc, __argv);
        gallery::g_dpi = page == gallery::kScaledPage ? gallery::kScaledPageDpi : ui::SystemDpi();
        if (page > gallery::kControlPageCount) {
            gallery::ShowSettingsWindow(page);
        } else {
            app.CreateForm<gallery::GalleryForm>(page);
        }
        app.Run();
        app.DestroyForms();
        return 0;
    } catch (const std::exception& e) {
        // No message box: the gallery runs unattended on a headless display.
        OutputDebugStringA((std::string("gallery: ") + e.what() + "\r\n").c_str());
        return 1;
    }
}
