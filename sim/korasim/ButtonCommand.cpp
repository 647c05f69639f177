// kora-sim button ACTION EVENT: the user changing the power button in the system's
// settings. Changes the simulated system's power-button setting in the board's state
// (KORA_SIM_STATE): on a board with schemes the active scheme's AC power-button action
// (one the board's Windows defines), otherwise the pair the power-feature library reports.
#include <string>

#include "sim/ExportSupport.h"
#include "sim/dormix/DormixFeature.h"
#include "sim/korasim/Commands.h"

int RunButton(int argc, char** argv) {
    if (argc != 3) {
        return korasim::Fail(2, "usage: kora-sim button ACTION EVENT");
    }
    const std::optional<uint32_t> action = korasim::ParseNumber(argv[1]);
    const std::optional<uint32_t> event = korasim::ParseNumber(argv[2]);
    if (!action || !event) {
        return korasim::Fail(2, "button: ACTION and EVENT are numbers");
    }
    if (!sim::platform::GetEnvironment("KORA_SIM_STATE")) {
        // Without a state file the change would die with this process.
        return korasim::Fail(1, "button: KORA_SIM_STATE is not set, so no other program would see the change");
    }
    bool changed = false;
    std::string why = "the board has no power button to change (no \"dormix\" line)";
    const auto outcome = sim::ModuleSimulator().Run([&](const sim::Board& board, sim::SimState& state) {
        sim::DormixFeature feature(board, state);
        changed = feature.SetPowerButton(*action, *event);
        if (!changed && board.dormix && !board.schemes.empty()) {
            why = "the system defines no power-button action " + std::to_string(*action) + " (Windows " +
                  std::to_string(board.Windows().major) + "." + std::to_string(board.Windows().minor) + ": 0 to " +
                  std::to_string(board.Windows().MaxButtonAction()) + ")";
        }
        return changed;
    });
    switch (outcome) {
        case sim::Simulator::Outcome::NoBoard:
            return korasim::Fail(1, "button: no usable board");
        case sim::Simulator::Outcome::NotSaved:
            return korasim::Fail(1, "button: the state file could not be written");
        case sim::Simulator::Outcome::Done:
            break;
    }
    if (!changed) {
        return korasim::Fail(1, "button: " + why);
    }
    return 0;
}
