#include "surgepad/display/OsdManager.h"

#include "lumen/core/DebugTrace.h"
#include "lumen/kora/SysCtrlPipeClient.h"
#include "surgepad/display/OsdDisplay.h"
#include "surgepad/display/StatusDisplay.h"
#include "ui/Application.h"
#include "ui/Wait.h"

namespace surgepad {

static_assert(kora::SysCtrlPipeClient::kWaitMilliseconds <= kServiceRequestMs,
              "a switch's requests to the service must fit what its waiters allow");

OsdManager& OsdManager::Instance() {
    static auto* manager = new OsdManager;
    return *manager;
}

OsdManager::OsdManager() : m_switchSettled(CreateEventA(nullptr, TRUE, TRUE, nullptr)) {}

bool OsdManager::WaitForSwitch(uint32_t timeoutMs) {
    if (!m_switchSettled) {
        return !IsBusy();
    }
    if (WaitForSingleObject(m_switchSettled.get(), 0) == WAIT_OBJECT_0) {
        return true;
    }
    lumen::Trace("display: waiting for the running switch");
    const bool settled = ui::WaitForObject(m_switchSettled.get(), timeoutMs);
    lumen::Trace(settled ? "display: the switch has finished" : "display: the switch is still running; not waited for");
    return settled;
}

void OsdManager::WarnAfterThisSwitch() {
    (void)TOsdAnimationThread::WarnWhenDone();
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
    if (onDone && m_switchSettled) {
        ResetEvent(m_switchSettled.get());
        thread->Settled = m_switchSettled.get();
    }
    OsdBusy.exchange(1);
    thread->Resume();
}

void OsdManager::PlayWarning(int page) {
    OsdDisplay::Instance().ShowPage(page);
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

// Also called by completion actions on the animation thread: the windows are reached
// on the GUI thread (see TOsdAnimationThread).
void OsdManager::ShowStatus() {
    ui::App().Synchronize([] {
        ui::App().HideApplicationWindow();
        StatusDisplay::Instance().ShowAt(kStatusSteadyAlpha);
    });
}

void OsdManager::HideStatus() {
    ui::App().Synchronize([] { StatusDisplay::Instance().Hide(); });
}

}  // namespace surgepad
