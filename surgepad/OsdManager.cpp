#include "surgepad/OsdManager.h"

#include "surgepad/OsdDisplay.h"
#include "surgepad/StatusDisplay.h"
#include "ui/Application.h"

namespace surgepad {

OsdManager& OsdManager::Instance() {
    static auto* manager = new OsdManager;
    return *manager;
}

void OsdManager::LoadPages() {
    StatusDisplay::Instance().Load();
    OsdDisplay::Instance().Load();
}

void OsdManager::Start(uint32_t delay, AnimTarget target, bool fadeOut, OsdDoneAction onDone) {
    auto* thread = new TOsdAnimationThread(delay);
    thread->SetFreeOnTerminate(true);
    thread->OnDone = onDone;
    thread->Target = target;
    thread->FadeOut = fadeOut ? 1 : 0;
    thread->Targets = Targets;
    OsdBusy.exchange(1);
    thread->Resume();
}

void OsdManager::PlayWarning() {
    OsdDisplay::Instance().ShowPage(PageWarning);
    Start(kWarningHoldMilliseconds, AnimOsd, true, OsdDoneAction{});
}

void OsdManager::PlayTurboOn(bool osdEnabled, bool statusEnabled, OsdDoneAction onDone) {
    if (osdEnabled) {
        OsdDisplay::Instance().ShowPage(PageTurboOn);
        Start(0, AnimOsd, true, onDone);
    } else {
        Start(0, statusEnabled ? AnimStatus : AnimNone, false, onDone);
    }
}

void OsdManager::PlayTurboOff(bool osdEnabled, bool statusEnabled, OsdDoneAction onDone) {
    if (osdEnabled) {
        OsdDisplay::Instance().ShowPage(PageTurboOff);
        Start(0, AnimOsd, true, onDone);
    } else {
        Start(0, statusEnabled ? AnimStatus : AnimNone, true, onDone);
    }
}

void OsdManager::ShowStatus() {
    ui::App().HideApplicationWindow();
    StatusDisplay::Instance().ShowAt(kStatusSteadyAlpha);
}

void OsdManager::HideStatus() {
    StatusDisplay::Instance().Hide();
}

}  // namespace surgepad
