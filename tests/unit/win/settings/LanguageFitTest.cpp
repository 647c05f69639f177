// Every translated text fits its place in the skin, in every language the program
// ships, at 100 % and 200 %: each text is measured with the font its window draws it
// with (the real settings window and dialog, made in each language) against the room
// the skin leaves it.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lumen/core/Handle.h"
#include "lumen/core/WideText.h"
#include "surgepad/look/MultiLang.h"
#include "surgepad/settings/PwrBtnChangeFrom.h"
#include "surgepad/settings/SettingForm.h"
#include "surgepad/display/WarningPage.h"
#include "ui/Application.h"

namespace surgepad {
namespace {

// The gap a title keeps from the control right of it.
constexpr int kTitleGap = 4;
// A text button's caption keeps clear of its rounded ends; the picture is 21 high.
constexpr int kButtonMargin = 3;
constexpr int kButtonPictureHeight = 21;

SIZE Measure(HFONT font, const std::string& text, UINT flags, int width) {
    lumen::WindowDc screen(nullptr);
    lumen::SelectGuard selected(screen.Dc(), font);
    RECT r{0, 0, width, 0};
    const std::wstring wide = lumen::Widen(text);
    DrawTextW(screen.Dc(), wide.c_str(), -1, &r, flags | DT_CALCRECT | DT_NOPREFIX);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

// One text in its place: the font its control draws with and the room it has.
struct Place {
    const char* key;
    HFONT font;
    UINT flags;  // DT_SINGLELINE, or DT_WORDBREAK within the room's width
    int width;
    int height;
};

class LanguageFit : public testing::Test {
protected:
    void SetUp() override {
        ui::App().Initialize();
        ui::App().CreateForm<ui::Form>(ui::FormLayout{});  // the main form, as at start-up
        SettingForm = ui::App().CreateForm<TSettingForm>();
        PwrBtnChangeFrom = ui::App().CreateForm<TPwrBtnChangeFrom>();
    }
    void TearDown() override {
        MultiLang::Instance().SetChosenLanguage("");
        SettingForm = nullptr;
        PwrBtnChangeFrom = nullptr;
        ui::App().DestroyForms();
    }

    // The places of the language in force, at the settings window's scale.
    std::vector<Place> Places(std::vector<lumen::UniqueFont>& warningFonts) {
        TSettingForm& f = *SettingForm;
        std::vector<Place> places;
        const auto title = [&](const char* key, ui::Label& label, int right) {
            places.push_back(
                {key, label.GetFont().Handle(), DT_SINGLELINE, right - label.Left(), f.RadioPower.Height()});
        };
        title("SurgepadOff", f.PowerTitle, f.Px(kSettingTextRight));
        title("SurgepadOn", f.TurboTitle, f.Px(kSettingTextRight));
        title("ShowOsd", f.OsdTitle, f.CheckStatus.Left() - f.Px(kTitleGap));
        title("ShowStatus", f.StatusTitle, f.Px(kSettingTextRight));
        for (kr::KrButtonTx* button : {&f.ApplyButton, &f.CancelButton}) {
            places.push_back({button == &f.ApplyButton ? "Apply" : "Cancel", button->GetFont().Handle(), DT_SINGLELINE,
                              button->Width() - 2 * f.Px(kButtonMargin), f.Px(kButtonPictureHeight)});
        }
        for (size_t i = 0; i < f.Headings.size(); ++i) {
            // The shaded heading keeps its blur radius from every edge.
            const kr::KrLabel& heading = *f.Headings[i];
            const int inset = 2 * heading.ShadedLayout().BlurRadius();
            places.push_back({kHeadings[i].key, f.Headings[i]->GetFont().Handle(), DT_SINGLELINE,
                              f.Px(kSettingTextRight) - heading.Left() - inset, heading.Height() - inset});
        }
        const MultiLang& lang = MultiLang::Instance();
        const WarningFonts fonts = WarningFontsFor(lang.LanguageName(), lang.FontFace("Arial"), f.Dpi());
        warningFonts.push_back(CreateWarningFont(fonts.title));
        warningFonts.push_back(CreateWarningFont(fonts.body));
        const RECT& t = kWarningTitleRect;
        const RECT& b = kWarningTextRect;
        places.push_back({"Warning", warningFonts[0].get(), DT_SINGLELINE, f.Px(t.right) - f.Px(t.left),
                          f.Px(t.bottom) - f.Px(t.top)});
        places.push_back({"OcWarn", warningFonts[1].get(), DT_WORDBREAK, f.Px(b.right) - f.Px(b.left),
                          f.Px(b.bottom) - f.Px(b.top)});
        ui::Label& message = PwrBtnChangeFrom->Message;
        for (const char* key : {"PowBtnConfigAltered", "TurboUnavailable"}) {
            places.push_back({key, message.GetFont().Handle(), DT_WORDBREAK, message.Width(), message.Height()});
        }
        return places;
    }
};

TEST_F(LanguageFit, EveryTextFitsItsPlaceInEveryLanguageAt100And200Percent) {
    MultiLang& lang = MultiLang::Instance();
    const std::vector<LanguageInfo> languages = lang.Languages();
    ASSERT_GE(languages.size(), 12u) << "the languages beside the test program";
    for (const int dpi : {96, 192}) {
        SettingForm->FollowDpi(dpi);
        // The dialog is moved to a monitor at that scale as the system would tell it.
        RECT suggested{0, 0, MulDiv(329, dpi, 96), MulDiv(238, dpi, 96)};
        SendMessageA(PwrBtnChangeFrom->Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                     reinterpret_cast<LPARAM>(&suggested));
        ASSERT_EQ(PwrBtnChangeFrom->Dpi(), dpi);
        for (const LanguageInfo& language : languages) {
            lang.SetChosenLanguage(language.name);
            SettingForm->LanguageChanged();
            PwrBtnChangeFrom->LanguageChanged();
            const std::string face = lang.FontFace(kSettingFontFace);
            // A language that names fonts draws with one the system has: Arial lacks its script.
            EXPECT_TRUE(language.fonts.empty() || face != kSettingFontFace)
                << language.name << ": none of its fonts is installed";
            EXPECT_EQ(SettingForm->PowerTitle.GetFont().Name(), face) << language.name;
            std::vector<lumen::UniqueFont> warningFonts;
            for (const Place& place : Places(warningFonts)) {
                const std::string text = lang.Text(place.key);
                const SIZE need = Measure(place.font, text, place.flags, place.width);
                EXPECT_TRUE(need.cx <= place.width && need.cy <= place.height)
                    << language.name << " " << place.key << " at " << dpi << " dpi: the text needs " << need.cx << " x "
                    << need.cy << " px, its box is " << place.width << " x " << place.height << " px: \"" << text
                    << "\"";
            }
        }
    }
}

}  // namespace
}  // namespace surgepad
