#include "surgepad/SettingView.h"

#include <vector>

#include "lumen/core/DebugTrace.h"
#include "lumen/kora/BtnContronLib.h"
#include "lumen/kora/ProfileFolder.h"
#include "surgepad/LayoutExpandThread.h"
#include "surgepad/LogoChangeThread.h"
#include "surgepad/OsdManager.h"
#include "surgepad/MultiLang.h"
#include "surgepad/PngReader.h"
#include "surgepad/PwrBtnChangeFrom.h"
#include "surgepad/SettingForm.h"
#include "surgepad/SettingShadowForm.h"
#include "surgepad/SettingsStore.h"
#include "ui/Wait.h"

namespace surgepad {

TSettingView::TSettingView(TSettingForm& form)
    : m_form(form), m_layoutDone(CreateEventA(nullptr, FALSE, TRUE, nullptr)) {}

TSettingView::~TSettingView() = default;

bool TSettingView::WaitForLayout(DWORD timeoutMs) {
    if (!m_layoutDone) {
        return true;
    }
    return ui::WaitForObject(m_layoutDone.get(), timeoutMs);
}

void TSettingView::Start() {
    if (m_started) {
        return;
    }
    m_started = true;
    LoadState();
    Wire();
}

void TSettingView::Wire() {
    using ControlHandler = ui::Callback<ui::Control&>;
    TSettingForm& f = m_form;
    f.RadioPower.OnClick = ControlHandler::Of<&TSettingView::RadioClick>(this);
    f.RadioTurbo.OnClick = ControlHandler::Of<&TSettingView::RadioClick>(this);
    f.PowerTitle.OnClick = ControlHandler::Of<&TSettingView::ActionTitleClick>(this);
    f.TurboTitle.OnClick = ControlHandler::Of<&TSettingView::ActionTitleClick>(this);
    f.OsdTitle.OnClick = ControlHandler::Of<&TSettingView::OptionTitleClick>(this);
    f.StatusTitle.OnClick = ControlHandler::Of<&TSettingView::OptionTitleClick>(this);
    f.CheckOsd.OnClick = ControlHandler::Of<&TSettingView::EnableApply>(this);
    f.CheckStatus.OnClick = ControlHandler::Of<&TSettingView::EnableApply>(this);
    f.ProfileList->OnChange = ui::Callback<OwnerDrawListBox&>::Of<&TSettingView::ProfileChanged>(this);
    f.CloseButton.OnClick = ControlHandler::Of<&TSettingView::CloseClick>(this);
    f.CancelButton.OnClick = ControlHandler::Of<&TSettingView::CloseClick>(this);
    f.ApplyButton.OnClick = ControlHandler::Of<&TSettingView::ApplyClick>(this);
}

void TSettingView::LoadState() {
    SettingsStore& store = SettingsStore::Instance();
    const int action = store.GetButtonAction() == 1 ? 1 : 0;
    (action == 1 ? m_form.RadioTurbo : m_form.RadioPower).SetChecked(true);
    SetLogo(action);
    ActionChosen(action);
    m_form.CheckOsd.SetChecked(store.GetOsdEnabled());
    m_form.CheckStatus.SetChecked(store.GetStatusEnabled());
    FillProfileList();
    m_form.ApplyButton.SetEnabled(false);
}

void TSettingView::ActionChosen(int action) {
    if (action != m_logoIndex) {
        ChangeLogo(action);
    }
    const bool turbo = action == 1;
    m_form.CheckOsd.SetEnabled(turbo);
    m_form.CheckStatus.SetEnabled(turbo);
    m_form.ProfileList->SetEnabled(turbo);
    const auto color = static_cast<ui::Color>(turbo ? kTitleColor : kTitleDisabledColor);
    m_form.OsdTitle.GetFont().SetColor(color);
    m_form.StatusTitle.GetFont().SetColor(color);
    m_form.ApplyButton.SetEnabled(true);
}

void TSettingView::FillProfileList() {
    kora::BtnContronLib& lib = kora::BtnContronLib::Instance();
    std::vector<std::string> firmwareNames;
    for (uint32_t i = 0; i < lib.ProfileCount(); ++i) {
        firmwareNames.push_back(lib.ProfileNameAt(i));
    }
    const kora::CombinedProfileList list =
        SettingsProfileList(SettingsStore::Instance(), firmwareNames, kora::GetProfileFolder());
    SkinComboBox& box = *m_form.ProfileList;
    box.Items().Clear();
    for (const std::string& name : list.names) {
        box.Items().Add(name);
    }
    // The list starts again with nothing chosen: a name shown from before would
    // otherwise stay when nothing is selected now.
    if (list.selected < 0) {
        box.Caption().SetCaption({});
    }
    box.SetItemIndex(list.selected);
}

void TSettingView::Apply() {
    TSettingForm& f = m_form;
    SettingsStore& store = SettingsStore::Instance();
    const uint32_t action = f.RadioTurbo.GetChecked() ? 1 : 0;
    if (action == 1 && store.GetButtonAction() != 1 && !store.CanTakeOverPowerButton()) {
        // Taking the button over now would leave it doing nothing, with no setting
        // to give back: nothing is stored, and the window stays open.
        RefuseTurbo();
        return;
    }
    store.SetOsdEnabled(f.CheckOsd.GetChecked());
    store.SetStatusEnabled(f.CheckStatus.GetChecked());
    if (kora::BtnContronLib::Instance().IsTurboOn()) {
        if (f.CheckStatus.GetChecked()) {
            OsdManager::Instance().ShowStatus();
        } else {
            OsdManager::Instance().HideStatus();
        }
    }
    if (!store.SetButtonAction(action)) {
        // The takeover failed after all: the power action stays.
        lumen::Trace("settings: the turbo action could not be stored");
        RefuseTurbo();
        ButtonController::Instance().SelectCurrentAction();
        return;
    }
    ButtonController::Instance().SelectCurrentAction();
    const int index = f.ProfileList->ItemIndex();
    store.SetProfileType(index < 0 ? 0 : static_cast<uint32_t>(index));
    if (index >= 0) {
        store.SetProfileName(f.ProfileList->Text());
    }
    lumen::Trace("settings: applied action %u, OSD %d, status %d, profile %d", action, f.CheckOsd.GetChecked() ? 1 : 0,
                 f.CheckStatus.GetChecked() ? 1 : 0, index);
    f.ApplyButton.SetEnabled(false);
    Close();
}

void TSettingView::RefuseTurbo() {
    if (PwrBtnChangeFrom != nullptr) {
        PwrBtnChangeFrom->ShowMessage(MultiLang::Instance().Text("TurboUnavailable"));
    }
}

void TSettingView::Open() {
    if (m_form.Visible()) {
        return;
    }
    // A timeout is ignored: the animation starts anyway.
    (void)WaitForLayout(kLayoutWaitMs);
    const POINT place = TSettingForm::OpeningPlace();
    m_form.MoveTo(place.x, place.y);
    m_form.ShowControls(false);
    m_form.Show();
    lumen::Trace("settings: opening at %ld, %ld", static_cast<long>(place.x), static_cast<long>(place.y));
    StartAnimation(true);
}

void TSettingView::Close() {
    (void)WaitForLayout(kLayoutWaitMs);
    lumen::Trace("settings: closing");
    StartAnimation(false);
}

void TSettingView::StartAnimation(bool expand) {
    auto* thread = new TLayoutExpandThread(m_form, expand, m_layoutDone.get());
    thread->OnTerminate = expand ? ui::Callback<ui::Thread&>::Of<&TSettingView::Opened>(this)
                                 : ui::Callback<ui::Thread&>::Of<&TSettingView::Closed>(this);
    thread->Resume();
}

void TSettingView::Opened(ui::Thread&) {
    m_form.ShowControls(true);
    if (SettingShadowForm != nullptr) {
        SettingShadowForm->Show();
    }
    m_form.ApplyButton.SetEnabled(false);
    LoadState();
    lumen::Trace("settings: opened");
}

void TSettingView::Closed(ui::Thread&) {
    m_form.Hide();
    lumen::Trace("settings: closed");
}

void TSettingView::SetLogo(int index) {
    lumen::Bitmap& picture = m_form.PowerLogo.Picture();
    picture.SetPixelFormat(lumen::PixelFormat::Bgra32);
    if (index >= 0 && index < kLogoCount) {
        ComposeOnBackground(kLogoFiles[index], picture, m_form.BkSave.Picture(), m_form.PowerLogo.Left(),
                            m_form.PowerLogo.Top());
    }
    picture.Changed();
    m_logoIndex = index;
}

void TSettingView::ChangeLogo(int index) {
    if (index == m_logoIndex) {
        return;
    }
    // No input while the logo changes: a second cross-fade cannot start meanwhile.
    m_form.SetEnabled(false);
    auto* thread = new TLogoChangeThread(m_form, m_logoIndex, index);
    thread->SetFreeOnTerminate(true);
    thread->OnTerminate = ui::Callback<ui::Thread&>::Of<&TSettingView::LogoChanged>(this);
    m_logoIndex = index;
    thread->Resume();
}

void TSettingView::LogoChanged(ui::Thread&) {
    m_form.SetEnabled(true);
    lumen::Trace("settings: logo changed to %d", m_logoIndex);
}

void TSettingView::RadioClick(ui::Control& control) {
    ActionChosen(&control == &m_form.RadioTurbo ? 1 : 0);
}

void TSettingView::ActionTitleClick(ui::Control& control) {
    const int action = &control == &m_form.TurboTitle ? 1 : 0;
    (action == 1 ? m_form.RadioTurbo : m_form.RadioPower).SetChecked(true);
    ActionChosen(action);
}

void TSettingView::OptionTitleClick(ui::Control& control) {
    kr::KrCheckBox& box = &control == &m_form.OsdTitle ? m_form.CheckOsd : m_form.CheckStatus;
    if (box.Enabled()) {
        box.SetChecked(!box.GetChecked());
    }
    m_form.ApplyButton.SetEnabled(true);
}

void TSettingView::EnableApply(ui::Control&) {
    m_form.ApplyButton.SetEnabled(true);
}

void TSettingView::ProfileChanged(OwnerDrawListBox&) {
    m_form.ApplyButton.SetEnabled(true);
}

}  // namespace surgepad
