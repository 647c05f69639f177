#include "surgepad/settings/SettingView.h"

#include <exception>
#include <utility>

#include "lumen/core/DebugTrace.h"
#include "lumen/kora/BtnContronLib.h"
#include "surgepad/button/ButtonControllerInterface.h"
#include "surgepad/button/ButtonGuardian.h"
#include "surgepad/settings/LayoutExpandThread.h"
#include "surgepad/settings/LogoChangeThread.h"
#include "surgepad/display/OsdManager.h"
#include "surgepad/look/MultiLang.h"
#include "surgepad/look/PngReader.h"
#include "surgepad/settings/PwrBtnChangeFrom.h"
#include "surgepad/settings/SettingForm.h"
#include "surgepad/settings/SettingShadowForm.h"
#include "surgepad/button/SettingsStore.h"
#include "ui/Wait.h"

namespace surgepad {

TSettingView::TSettingView(TSettingForm& form)
    : m_form(form), m_layoutDone(CreateEventA(nullptr, FALSE, TRUE, nullptr)) {}

TSettingView::~TSettingView() {
    Shutdown();
}

void TSettingView::Shutdown() {
    m_shutDown = true;
    for (ui::Thread* thread : {static_cast<ui::Thread*>(m_layout.get()), static_cast<ui::Thread*>(m_fade.get())}) {
        if (thread != nullptr) {
            thread->Terminate();
        }
    }
    // Each waits for its thread, whose steps and completion still run here meanwhile.
    m_layout.reset();
    m_fade.reset();
    m_endedLayout.reset();
    m_endedFade.reset();
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
    const kora::CombinedProfileList list = CurrentProfileList();
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
    if (m_state != SettingWindowState::Open) {
        return;
    }
    // A running switch reads the badge option and the profile: the choice changes as a
    // whole, after it.
    if (OsdManager::Instance().IsBusy()) {
        lumen::Trace("settings: Apply during a switch: waiting for it");
    }
    (void)OsdManager::Instance().WaitForSwitch();
    TSettingForm& f = m_form;
    SettingsStore& store = SettingsStore::Instance();
    const uint32_t action = f.RadioTurbo.GetChecked() ? 1 : 0;
    if (!ButtonGuardian::Instance().ApplyAction(action)) {
        // The power action stays, nothing else of the choice is stored, and the window
        // stays open.
        RefuseTurbo();
        Controller().SelectCurrentAction();
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
    Controller().SelectCurrentAction();
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
        PwrBtnChangeFrom->ShowText("TurboUnavailable");
    }
}

void TSettingView::Open() {
    m_closeWhenOpen = false;
    if (m_shutDown || m_state == SettingWindowState::Open || m_state == SettingWindowState::Opening) {
        return;
    }
    if (m_state == SettingWindowState::Closing) {
        lumen::Trace("settings: opening once closed");
        m_openWhenClosed = true;
        return;
    }
    int dpi = 96;
    const POINT place = TSettingForm::OpeningPlace(&dpi);
    m_form.FollowDpi(dpi);
    m_form.MoveTo(place.x, place.y);
    m_form.ShowControls(false);
    m_form.Show();
    lumen::Trace("settings: opening at %ld, %ld", static_cast<long>(place.x), static_cast<long>(place.y));
    StartAnimation(true);
}

void TSettingView::Close() {
    m_openWhenClosed = false;
    if (m_shutDown || m_state == SettingWindowState::Closed || m_state == SettingWindowState::Closing) {
        return;
    }
    if (m_state == SettingWindowState::Opening) {
        lumen::Trace("settings: closing once open");
        m_closeWhenOpen = true;
        return;
    }
    lumen::Trace("settings: closing");
    StartAnimation(false);
}

void TSettingView::StartAnimation(bool expand) {
    m_state = expand ? SettingWindowState::Opening : SettingWindowState::Closing;
    ResetEvent(m_layoutDone.get());
    // The last animation has ended, or ends in the completion that asks for this one:
    // it is let go of at the next start (an older one has surely ended by then).
    m_endedLayout = std::move(m_layout);
    try {
        m_layout = std::make_unique<TLayoutExpandThread>(m_form, expand);
    } catch (const std::exception& e) {
        lumen::Trace("settings: no animation thread (%s); the window %s at once", e.what(),
                     expand ? "opens" : "closes");
        FinishWithoutAnimation(expand);
        return;
    }
    m_layout->OnTerminate = ui::Callback<ui::Thread&>::Of<&TSettingView::LayoutEnded>(this);
    m_layout->Resume();
}

void TSettingView::FinishWithoutAnimation(bool expand) {
    m_form.DrawRows(0, m_form.BkSave.Picture().Height());
    if (expand) {
        m_form.SetAlphas(255);
        Opened();
    } else {
        m_form.ShowControls(false);
        m_form.HideShadow();
        Closed();
    }
}

void TSettingView::LayoutEnded(ui::Thread& thread) {
    if (static_cast<TLayoutExpandThread&>(thread).Expand) {
        Opened();
    } else {
        Closed();
    }
}

void TSettingView::Opened() {
    m_state = SettingWindowState::Open;
    SetEvent(m_layoutDone.get());
    if (m_shutDown) {
        return;
    }
    m_form.ShowControls(true);
    if (SettingShadowForm != nullptr) {
        SettingShadowForm->Show();
    }
    m_form.ApplyButton.SetEnabled(false);
    LoadState();
    lumen::Trace("settings: opened");
    if (std::exchange(m_closeWhenOpen, false)) {
        Close();
    }
}

void TSettingView::Closed() {
    m_state = SettingWindowState::Closed;
    SetEvent(m_layoutDone.get());
    if (m_shutDown) {
        return;
    }
    m_form.Hide();
    lumen::Trace("settings: closed");
    if (std::exchange(m_openWhenClosed, false)) {
        Open();
    }
}

void TSettingView::SetLogo(int index) {
    if (m_fading) {
        // The picture follows the chosen action: the running fade turns toward it.
        ChangeLogo(index);
        return;
    }
    m_logoIndex = index;
    if (!m_form.Skinned()) {
        return;  // drawn when the skin is made
    }
    lumen::Bitmap& picture = m_form.PowerLogo.Picture();
    picture.SetPixelFormat(lumen::PixelFormat::Bgra32);
    if (index >= 0 && index < kLogoCount) {
        ComposeOnBackground(kLogoFiles[index], picture, m_form.BkSave.Picture(), m_form.PowerLogo.Left(),
                            m_form.PowerLogo.Top(), m_form.Dpi());
    }
    picture.Changed();
}

void TSettingView::RedrawLogo() {
    if (!m_fading) {
        SetLogo(m_logoIndex);
    }
}

void TSettingView::ChangeLogo(int index) {
    if (index == m_logoIndex || m_shutDown) {
        return;
    }
    if (m_fading && (index == m_fade->FromIndex || index == m_fade->ToIndex)) {
        m_fade->TurnToward(index);
        m_logoIndex = index;
        return;
    }
    m_endedFade = std::move(m_fade);
    try {
        m_fade = std::make_unique<TLogoChangeThread>(m_form, m_logoIndex, index, m_form.Dpi());
    } catch (const std::exception& e) {
        lumen::Trace("settings: no cross-fade thread (%s)", e.what());
        SetLogo(index);
        return;
    }
    m_fade->OnTerminate = ui::Callback<ui::Thread&>::Of<&TSettingView::LogoChanged>(this);
    m_logoIndex = index;
    m_fading = true;
    m_fade->Resume();
}

void TSettingView::LogoChanged(ui::Thread&) {
    m_fading = false;
    if (m_shutDown) {
        return;
    }
    // The last frame drawn is the end the fade was turned to; the picture is put anew
    // all the same, should a turn have come after the fade's last frame.
    SetLogo(m_logoIndex);
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
