#include "surgepad/app/Startup.h"

#include <windows.h>

#include "lumen/core/DebugTrace.h"
#include "lumen/core/Report.h"
#include "surgepad/app/ButtonController.h"
#include "surgepad/app/MainForm.h"
#include "surgepad/app/MessageFilter.h"
#include "surgepad/look/MultiLang.h"
#include "surgepad/display/OsdForm.h"
#include "surgepad/settings/PwrBtnChangeFrom.h"
#include "surgepad/settings/PwrBtnChangeShadow.h"
#include "surgepad/app/ReleaseSwitch.h"
#include "surgepad/settings/SettingForm.h"
#include "surgepad/settings/SettingShadowForm.h"
#include "surgepad/button/SettingsStore.h"
#include "surgepad/app/StartupCheck.h"
#include "surgepad/display/StatusForm.h"
#include "surgepad/app/TurboAutomation.h"
#include "surgepad/app/TurboSwitch.h"
#include "ui/Application.h"
#include "ui/Error.h"

namespace surgepad {
namespace {

void ForgetWindows() {
    MainForm = nullptr;
    SettingForm = nullptr;
    SettingShadowForm = nullptr;
    StatusForm = nullptr;
    OsdForm = nullptr;
    PwrBtnChangeFrom = nullptr;
    PwrBtnChangeShadow = nullptr;
}

}  // namespace

int RunSurgepad(int argc, const char* const* argv) {
    const TurboCommandLine turbo = ParseTurboCommandLine(argc, argv);
    if (turbo.kind != TurboCommandLine::Kind::None) {
        return RunTurboCommand(turbo, argv);
    }
    if (HasReleaseSwitch(argc, argv)) {
        return RunRelease();
    }
    InitWindowMessageFilter();

    // The handle is kept for the life of the process; the system releases the mutex.
    SetLastError(ERROR_SUCCESS);
    HANDLE instance = CreateMutexA(nullptr, TRUE, kInstanceMutexName);
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        lumen::Trace("startup: another copy runs; leaving");
        return 0;
    }
    (void)instance;

    // Every text from here on, the refusal's included, in the language chosen last.
    MultiLang::Instance().SetChosenLanguage(SettingsStore::GetLanguage());
    const bool quiet = HasQuietSwitch(argc, argv);
    if (OtherVendorHasPriority(LibraryFirmware())) {
        lumen::Trace("startup: the firmware gives the other vendor's utility priority; refusing%s",
                     quiet ? " quietly" : "");
        // An earlier run may hold the power button: with no copy to watch it, it is given
        // back first, as the release switch does.
        const ReleaseOutcome release = ReleaseHeldPowerButton(SettingsStore::Instance());
        lumen::Trace("startup: %s", ReleaseOutcomeName(release));
        if (!quiet) {
            const MultiLang& lang = MultiLang::Instance();
            lumen::ShowMessage(lang.Text("RefusedLine1") + "\n" + lang.Text("RefusedLine2"), kRefusalCaption);
        }
        return 0;
    }

    ui::Application& app = ui::App();
    try {
        app.SetShowMainForm(false);
        app.Initialize();
        MainForm = app.CreateForm<TMainForm>(Controller());
        SettingForm = app.CreateForm<TSettingForm>();
        SettingShadowForm = app.CreateForm<TSettingShadowForm>(*SettingForm);
        StatusForm = app.CreateForm<TStatusForm>();
        OsdForm = app.CreateForm<TOsdForm>();
        PwrBtnChangeFrom = app.CreateForm<TPwrBtnChangeFrom>();
        PwrBtnChangeShadow = app.CreateForm<TPwrBtnChangeShadow>(*PwrBtnChangeFrom);
        MainForm->Startup();
        app.OnSessionEnding = ui::Notify::Of<&ButtonController::FinishRunningSwitch>(&ButtonController::Instance());
        lumen::Trace("startup: running");
        app.Run();
    } catch (const ui::Error& e) {
        lumen::Trace("startup: failure: %s", e.what());
        app.ShowException(e);
    }
    // A switch still running uses the windows and may be in the middle of its firmware
    // writes: it finishes first. Commands that come meanwhile are refused, and automatic
    // turbo starts nothing more.
    app.OnSessionEnding = {};
    if (TurboAutomation* automation = TurboAutomation::Existing()) {
        automation->Ending();
    }
    ButtonController::Instance().FinishRunningSwitch();
    ForgetWindows();
    app.DestroyForms();
    lumen::Trace("startup: ended");
    return 0;
}

}  // namespace surgepad
