// kora-sim power-source ac|battery and kora-sim power-mode N: the system's power
// management. Each changes the board's state (KORA_SIM_STATE), journals "power source
// ac|battery" or "power mode N", and tells the programs: a change of source is posted
// as WM_POWERBROADCAST with PBT_APMPOWERSTATUSCHANGE to every top-level window; a
// change of mode sets the event of every process that registered for the effective
// power mode with the "powrprof.dll" stand-in (its thread reads the new mode and calls
// the callbacks).
#include <windows.h>

#include <tlhelp32.h>

#include <string>

#include "sim/ExportSupport.h"
#include "sim/korasim/Commands.h"
#include "sim/powrprof/SystemPower.h"

namespace {

// Runs one change of the power state; 0, or the failure's exit code after its message.
template <typename Change>
int ChangeState(const char* command, Change&& change) {
    if (!sim::platform::GetEnvironment("KORA_SIM_STATE")) {
        return korasim::Fail(
            1, std::string(command) + ": KORA_SIM_STATE is not set, so no other program would see the change");
    }
    const auto outcome = sim::ModuleSimulator().Run([&](const sim::Board&, sim::SimState& state) {
        change(state);
        return true;
    });
    switch (outcome) {
        case sim::Simulator::Outcome::NoBoard:
            return korasim::Fail(1, std::string(command) + ": no usable board");
        case sim::Simulator::Outcome::NotSaved:
            return korasim::Fail(1, std::string(command) + ": the state file could not be written");
        case sim::Simulator::Outcome::Done:
            break;
    }
    return 0;
}

// Sets the power-mode event of every process that has one; how many were told.
int TellRegisteredProcesses() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return 0;
    }
    int told = 0;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        const std::string name = sim::PowerModeEventName(entry.th32ProcessID);
        HANDLE event = OpenEventA(EVENT_MODIFY_STATE, FALSE, name.c_str());
        if (event != nullptr) {
            told += SetEvent(event) ? 1 : 0;
            CloseHandle(event);
        }
    }
    CloseHandle(snapshot);
    return told;
}

}  // namespace

namespace korasim {

int RunPowerSource(int argc, char** argv) {
    const std::string source = argc == 2 ? argv[1] : "";
    if (source != "ac" && source != "battery") {
        return Fail(2, "usage: power-source ac|battery");
    }
    const sim::PowerSource value = source == "ac" ? sim::PowerSource::Ac : sim::PowerSource::Battery;
    // A machine whose source changes has a battery, whatever the board said.
    const int failed = ChangeState("power-source", [&](sim::SimState& state) {
        state.powerSource = value;
        state.batteryPresent = true;
    });
    if (failed != 0) {
        return failed;
    }
    Journal(sim::PowerSourceJournalLine(value));
    // Wine delivers a posted broadcast of a system message to the top-level windows of
    // every process, as Windows does.
    if (!PostMessageA(HWND_BROADCAST, WM_POWERBROADCAST, PBT_APMPOWERSTATUSCHANGE, 0)) {
        return Fail(1, "power-source: the broadcast failed, error " + std::to_string(GetLastError()));
    }
    return 0;
}

int RunPowerMode(int argc, char** argv) {
    const std::optional<uint32_t> mode = argc == 2 ? ParseNumber(argv[1]) : std::nullopt;
    if (!mode || *mode > sim::kMaxPowerMode) {
        return Fail(2,
                    "usage: power-mode N (0 battery saver, 1 better battery, 2 balanced, 3 high performance, "
                    "4 maximum performance, 5 game mode, 6 mixed reality)");
    }
    const int failed = ChangeState("power-mode", [&](sim::SimState& state) { state.powerMode = *mode; });
    if (failed != 0) {
        return failed;
    }
    Journal(sim::PowerModeJournalLine(*mode));
    TellRegisteredProcesses();
    return 0;
}

}  // namespace korasim
