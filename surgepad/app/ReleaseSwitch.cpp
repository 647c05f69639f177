#include "surgepad/app/ReleaseSwitch.h"

#include <string>

#include "lumen/core/DebugTrace.h"
#include "lumen/core/Handle.h"
#include "lumen/core/Report.h"
#include "lumen/system/WinRegistry.h"
#include "lumen/kora/BroadcastProtocol.h"
#include "surgepad/app/MainForm.h"
#include "surgepad/button/SettingsStore.h"
#include "surgepad/button/SwitchTimes.h"

namespace surgepad {

using namespace kora;  // the wire format of the board maker's utilities
namespace {

// A copy closes once its running switch has ended: as long as that may take, and the
// close itself.
constexpr uint32_t kCloseTimeoutMs = kSwitchWaitMs + 5000;

// A message box would hold a silent uninstall up until somebody closes it.
class TraceSink final : public lumen::ReportSink {
public:
    void Message(const std::string& text, const std::string& caption) override {
        lumen::Trace("release: message \"%s\": %s", caption.c_str(), text.c_str());
    }
    void AssertionFailed(const std::string& text, const std::string& caption) override {
        lumen::Trace("release: %s (%s)", text.c_str(), caption.c_str());
    }
};

}  // namespace

const char* ReleaseOutcomeName(ReleaseOutcome outcome) {
    switch (outcome) {
        case ReleaseOutcome::NotHeld:
            return "the power button is not held";
        case ReleaseOutcome::ChangedElsewhere:
            return "the power button was changed elsewhere; that setting stays";
        case ReleaseOutcome::Released:
            return "the power button is given back";
        case ReleaseOutcome::NotRecorded:
            return "the release could not be recorded";
    }
    return "?";
}

ReleaseOutcome ReleaseHeldPowerButton(SettingsStore& store) {
    {
        // Held means "PowerButtonDisabled" stored as 0; absent counts as not held here
        // (the program records its hold before it takes the button).
        lumen::WinRegistry key;
        uint32_t systemOwns = 1;
        if (!key.Open(store.SettingsRoot(), kSettingsKeyPath, false) ||
            !key.ReadDword("PowerButtonDisabled", &systemOwns) || systemOwns != 0) {
            key.Close();
            // The button belongs to the machine: another account's copy may hold it.
            return store.ReleaseForAnotherAccount() ? ReleaseOutcome::Released : ReleaseOutcome::NotHeld;
        }
    }
    // The check the running program makes every 5 s: a setting chosen in the system
    // while the program was not running is the user's, and becomes the saved one.
    if (store.DetectConfigurationAltered()) {
        return ReleaseOutcome::ChangedElsewhere;
    }
    store.ReleasePowerButton();
    return store.GetPowerButtonDisabled() ? ReleaseOutcome::Released : ReleaseOutcome::NotRecorded;
}

bool CloseRunningCopy(uint32_t timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (HWND main = FindWindowA(kMainFormClass, kMainFormCaption)) {
        const ULONGLONG now = GetTickCount64();
        if (now >= end) {
            return false;
        }
        DWORD pid = 0;
        GetWindowThreadProcessId(main, &pid);
        const lumen::UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, pid));
        lumen::Trace("release: closing the running copy (process %lu)", static_cast<unsigned long>(pid));
        PostMessageA(main, kMessageClose, kSignature, 0);
        if (process) {
            WaitForSingleObject(process.get(), static_cast<DWORD>(end - now));
        } else {
            Sleep(100);
        }
    }
    return true;
}

int RunRelease() {
    static TraceSink sink;
    lumen::SetReportSink(&sink);
    const bool closed = CloseRunningCopy(kCloseTimeoutMs);
    if (!closed) {
        lumen::Trace("release: a running copy did not close");
    }
    const ReleaseOutcome outcome = ReleaseHeldPowerButton(SettingsStore::Instance());
    lumen::Trace("release: %s", ReleaseOutcomeName(outcome));
    return closed && outcome != ReleaseOutcome::NotRecorded ? 0 : 1;
}

}  // namespace surgepad
