#pragma once
// "-release": the run the uninstaller starts before it removes the program's files. It
// closes a running copy and gives the system's power button back when this program
// holds it, exactly as choosing the power action does; no window, tray icon or
// single-instance mutex of the normal start, and no firmware call.

#include <windows.h>

#include <cstdint>

namespace surgepad {

class SettingsStore;

enum class ReleaseOutcome {
    NotHeld,           // no settings, or the system already owns the button: nothing to give back
    ChangedElsewhere,  // the system's setting was changed while the program was not running: kept
    Released,          // the saved setting was given back
    NotRecorded,       // the settings key could not be written
};
const char* ReleaseOutcomeName(ReleaseOutcome outcome);

// Gives the system's power button back through the store's release when the stored
// settings say this program holds it. Reads without creating the settings key, so that
// an account that never ran the program is left as it was.
ReleaseOutcome ReleaseHeldPowerButton(SettingsStore& store);

// Posts the close command to the main window of a running copy (class "TMainForm",
// caption "Surgepad") and waits for that process to end; false when a copy still runs
// after `timeoutMs`.
bool CloseRunningCopy(uint32_t timeoutMs);

// The whole run over the process-wide store; the process exit code: 0 when no copy
// runs any more and the button is given back (or nothing was held), else 1. Messages
// of the libraries go to the trace: nobody may be there to close a message box.
int RunRelease();

}  // namespace surgepad
