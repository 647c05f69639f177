#include "kr/KrCheckBox.h"

#include <cstring>

namespace kr {

int SubstituteCheckState(int index) {
    const int look = index % 4;
    return look != 0 ? index - look : 0;
}

KrCheckBox::KrCheckBox(ui::WinControl& parent, int left, int top, int width, int height)
    : KrCustomControl(parent, kClass, false, 12, left, top, width, height), m_appearance(*this) {
    ShowRaised();
}

void KrCheckBox::SetAppearance(const KrChkBoxAppearance& appearance) {
    m_appearance.Uncheck.Assign(appearance.Uncheck);
    m_appearance.Check.Assign(appearance.Check);
    m_appearance.Gray.Assign(appearance.Gray);
}

bool KrCheckBox::LoadChecked(const std::string& folder, const std::string& raised, const std::string& sunken,
                             const std::string& focused, const std::string& disabled) {
    return m_appearance.Check.LoadBitmap(folder, raised, sunken, focused, disabled);
}

bool KrCheckBox::LoadUnchecked(const std::string& folder, const std::string& raised, const std::string& sunken,
                               const std::string& focused, const std::string& disabled) {
    return m_appearance.Uncheck.LoadBitmap(folder, raised, sunken, focused, disabled);
}

bool KrCheckBox::LoadGrayed(const std::string& folder, const std::string& raised, const std::string& sunken,
                            const std::string& focused, const std::string& disabled) {
    return m_appearance.Gray.LoadBitmap(folder, raised, sunken, focused, disabled);
}

void KrCheckBox::SetState(CheckBoxState state) {
    m_state = state;
    ShowChkboxBmp(StateIndex() % 4);
}

void KrCheckBox::ShowChkboxBmp(int look) {
    if (m_state == cbChecked) {
        ShowBitmap(look + 4);
    } else if (m_state == cbGrayed) {
        ShowBitmap(look + 8);
    } else {
        ShowBitmap(look);
    }
}

void KrCheckBox::Click() {
    CheckBoxState next = cbUnchecked;
    switch (m_state) {
        case cbUnchecked:
            next = m_allowGrayed ? cbGrayed : cbChecked;
            break;
        case cbChecked:
            next = cbUnchecked;
            break;
        case cbGrayed:
            next = cbChecked;
            break;
    }
    SetState(next);
    KrCustomControl::Click();
}

void KrCheckBox::KeyPress(char& key) {
    KrCustomControl::KeyPress(key);
    if (key == ' ') {
        Click();
    }
}

void KrCheckBox::StateBitmapChanged(int index, lumen::Bitmap& bitmap) {
    const int standIn = Substitute(StateIndex());
    if (standIn != 0 && index == standIn) {
        ShowBitmap(StateIndex());
    }
    KrCustomControl::StateBitmapChanged(index, bitmap);
}

KrRadioButton::KrRadioButton(ui::WinControl& parent, int left, int top, int width, int height)
    : KrRadioButton(parent, kClass, left, top, width, height) {}

KrRadioButton::KrRadioButton(ui::WinControl& parent, const ui::ControlClass& cls, int left, int top, int width,
                             int height)
    : KrCustomControl(parent, cls, false, 8, left, top, width, height), m_appearance(*this) {
    ShowRaised();
}

void KrRadioButton::SetAppearance(const KrRadioBtnAppearance& appearance) {
    m_appearance.Uncheck.Assign(appearance.Uncheck);
    m_appearance.Check.Assign(appearance.Check);
}

bool KrRadioButton::LoadChecked(const std::string& folder, const std::string& raised, const std::string& sunken,
                                const std::string& focused, const std::string& disabled) {
    return m_appearance.Check.LoadBitmap(folder, raised, sunken, focused, disabled);
}

bool KrRadioButton::LoadUnchecked(const std::string& folder, const std::string& raised, const std::string& sunken,
                                  const std::string& focused, const std::string& disabled) {
    return m_appearance.Uncheck.LoadBitmap(folder, raised, sunken, focused, disabled);
}

void KrRadioButton::SetChecked(bool checked) {
    if (checked) {
        ExcludeOther();
    }
    m_checked = checked;
    ShowRadioBtnBmp(StateIndex() % 4);
}

void KrRadioButton::ShowRadioBtnBmp(int look) {
    ShowBitmap(m_checked ? look + 4 : look);
}

bool KrRadioButton::IsExclusiveType(const ui::Control& control) const {
    return std::strcmp(control.ClassName(), "KrRadioButton") == 0;
}

void KrRadioButton::ExcludeOther() {
    if (Parent() == nullptr) {
        return;
    }
    // A copy: unchecking a button does not change the list, but a handler might.
    const std::vector<ui::Control*> siblings = Parent()->Controls();
    for (ui::Control* c : siblings) {
        if (c != this && IsExclusiveType(*c)) {
            static_cast<KrRadioButton*>(c)->SetChecked(false);
        }
    }
}

void KrRadioButton::Click() {
    SetChecked(true);
    KrCustomControl::Click();
}

void KrRadioButton::DblClick() {
    SetChecked(true);
    KrCustomControl::DblClick();
}

void KrRadioButton::KeyPress(char& key) {
    KrCustomControl::KeyPress(key);
    if (key == ' ') {
        Click();
    }
}

void KrRadioButton::StateBitmapChanged(int index, lumen::Bitmap& bitmap) {
    const int standIn = Substitute(StateIndex());
    if (standIn != 0 && index == standIn) {
        ShowBitmap(StateIndex());
    }
    KrCustomControl::StateBitmapChanged(index, bitmap);
}

}  // namespace kr
