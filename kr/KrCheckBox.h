#pragma once
// The bitmap check box and radio button. Each check state has its own group of four
// looks (raised, sunken, focused, disabled); a missing look falls back to the raised
// look of the same check state, then to the unchecked raised look.

#include <oleacc.h>

#include <string>

#include "kr/KrAppearance.h"
#include "kr/KrCustomControl.h"

namespace kr {

enum CheckBoxState { cbUnchecked = 0, cbChecked = 1, cbGrayed = 2 };

struct KrChkBoxAppearance {
    explicit KrChkBoxAppearance(KrCustomControl& control) : Uncheck(control, 0), Check(control, 4), Gray(control, 8) {}
    KrFourStateAppearance Uncheck;
    KrFourStateAppearance Check;
    KrFourStateAppearance Gray;
};

struct KrRadioBtnAppearance {
    explicit KrRadioBtnAppearance(KrCustomControl& control) : Uncheck(control, 0), Check(control, 4) {}
    KrFourStateAppearance Uncheck;
    KrFourStateAppearance Check;
};

// Both controls: the raised look of the same check state, then bitmap 0.
int SubstituteCheckState(int index);

class KrCheckBox : public KrCustomControl {
public:
    // A double click is a further click.
    static constexpr ui::ControlClass kClass = {"KrCheckBox", false};

    KrCheckBox(ui::WinControl& parent, int left = 0, int top = 0, int width = 0, int height = 0);
    const char* ClassName() const override { return "KrCheckBox"; }

    KrChkBoxAppearance& Appearance() { return m_appearance; }
    void SetAppearance(const KrChkBoxAppearance& appearance);
    bool LoadChecked(const std::string& folder, const std::string& raised, const std::string& sunken,
                     const std::string& focused, const std::string& disabled);
    bool LoadUnchecked(const std::string& folder, const std::string& raised, const std::string& sunken,
                       const std::string& focused, const std::string& disabled);
    bool LoadGrayed(const std::string& folder, const std::string& raised, const std::string& sunken,
                    const std::string& focused, const std::string& disabled);

    CheckBoxState State() const { return m_state; }
    void SetState(CheckBoxState state);
    bool AllowGrayed() const { return m_allowGrayed; }
    void SetAllowGrayed(bool allow) { m_allowGrayed = allow; }
    bool GetChecked() const override { return m_state == cbChecked; }
    void SetChecked(bool checked) override { SetState(checked ? cbChecked : cbUnchecked); }

    void ShowRaised() override { ShowChkboxBmp(bsRaised); }
    void ShowSunken() override { ShowChkboxBmp(bsSunken); }
    void ShowFocused() override { ShowChkboxBmp(bsFocused); }
    void ShowDisabled() override { ShowChkboxBmp(bsDisabled); }
    void ShowChkboxBmp(int look);
    int Substitute(int index) override { return SubstituteCheckState(index); }

    void Click() override;

    long AccessibleRole() const override { return ROLE_SYSTEM_CHECKBUTTON; }
    // A grayed box is mixed, neither checked nor unchecked.
    long AccessibleState() const override {
        return KrCustomControl::AccessibleState() | (m_state == cbGrayed ? STATE_SYSTEM_MIXED : 0);
    }

protected:
    void KeyPress(char& key) override;
    void StateBitmapChanged(int index, lumen::Bitmap& bitmap) override;

private:
    KrChkBoxAppearance m_appearance;
    CheckBoxState m_state = cbUnchecked;
    bool m_allowGrayed = false;
};

class KrRadioButton : public KrCustomControl {
public:
    // Double clicks are reported as such.
    static constexpr ui::ControlClass kClass = {"KrRadioButton", true};

    KrRadioButton(ui::WinControl& parent, int left = 0, int top = 0, int width = 0, int height = 0);
    const char* ClassName() const override { return "KrRadioButton"; }

    KrRadioBtnAppearance& Appearance() { return m_appearance; }
    void SetAppearance(const KrRadioBtnAppearance& appearance);
    bool LoadChecked(const std::string& folder, const std::string& raised, const std::string& sunken,
                     const std::string& focused, const std::string& disabled);
    bool LoadUnchecked(const std::string& folder, const std::string& raised, const std::string& sunken,
                       const std::string& focused, const std::string& disabled);

    bool GetChecked() const override { return m_checked; }
    void SetChecked(bool checked) override;

    void ShowRaised() override { ShowRadioBtnBmp(bsRaised); }
    void ShowSunken() override { ShowRadioBtnBmp(bsSunken); }
    void ShowFocused() override { ShowRadioBtnBmp(bsFocused); }
    void ShowDisabled() override { ShowRadioBtnBmp(bsDisabled); }
    void ShowRadioBtnBmp(int look);
    int Substitute(int index) override { return SubstituteCheckState(index); }

    // The radio buttons that exclude each other: exactly the controls of this class.
    virtual bool IsExclusiveType(const ui::Control& control) const;
    // Unchecks the other radio buttons on the same parent.
    void ExcludeOther();

    void Click() override;
    void DblClick() override;

    long AccessibleRole() const override { return ROLE_SYSTEM_RADIOBUTTON; }

protected:
    KrRadioButton(ui::WinControl& parent, const ui::ControlClass& cls, int left, int top, int width, int height);
    void KeyPress(char& key) override;
    void StateBitmapChanged(int index, lumen::Bitmap& bitmap) override;

private:
    KrRadioBtnAppearance m_appearance;
    bool m_checked = false;
};

}  // namespace kr
