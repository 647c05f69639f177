// kora-sim scheme active GUID | set GUID INDEX | add GUID INDEX | delete GUID: the user in
// the system's power options. Changes the schemes in the board's state (KORA_SIM_STATE)
// through the same logic as the "powrprof.dll" stand-in, and journals what the system
// would record: "powrprof setactive SCHEME", "powrprof write SCHEME SUBGROUP SETTING
// VALUE" (with " fail" when the board's Windows does not define the action), "powrprof
// scheme add|delete SCHEME".
#include <string>

#include "sim/ExportSupport.h"
#include "sim/korasim/Commands.h"
#include "sim/powrprof/PowerSchemes.h"

namespace {

constexpr char kUsage[] = "usage: kora-sim scheme active GUID | set GUID INDEX | add GUID INDEX | delete GUID";

std::string WindowsActions(const sim::Board& board) {
    const sim::WindowsVersion windows = board.Windows();
    return "Windows " + std::to_string(windows.major) + "." + std::to_string(windows.minor) +
           " defines the actions 0 to " + std::to_string(windows.MaxButtonAction());
}

}  // namespace

int RunScheme(int argc, char** argv) {
    if (argc < 3) {
        return korasim::Fail(2, kUsage);
    }
    const std::string verb = argv[1];
    const bool takesIndex = verb == "set" || verb == "add";
    const bool known = takesIndex || verb == "active" || verb == "delete";
    if (!known || argc != (takesIndex ? 4 : 3)) {
        return korasim::Fail(2, kUsage);
    }
    const std::optional<std::string> guid = sim::CanonicalGuid(argv[2]);
    if (!guid) {
        return korasim::Fail(2, "scheme " + verb + ": \"" + argv[2] + "\" is not a GUID");
    }
    std::optional<uint32_t> index;
    if (takesIndex) {
        index = korasim::ParseNumber(argv[3]);
        if (!index) {
            return korasim::Fail(2, "scheme " + verb + ": INDEX is a number");
        }
    }
    if (!sim::platform::GetEnvironment("KORA_SIM_STATE")) {
        return korasim::Fail(
            1, "scheme " + verb + ": KORA_SIM_STATE is not set, so no other program would see the change");
    }

    uint32_t result = sim::kPowerOk;
    bool wrote = false;  // `set` reached the plan's setting
    std::string why;
    const auto outcome = sim::ModuleSimulator().Run([&](const sim::Board& board, sim::SimState& state) {
        sim::PowerSchemes schemes(board, state);
        if (board.schemes.empty()) {
            result = sim::kPowerFileNotFound;
            why = "the board has no power schemes (no \"scheme\" line)";
            return false;
        }
        if (verb != "add" && !schemes.Exists(*guid)) {
            result = sim::kPowerFileNotFound;
            why = "there is no plan " + *guid;
            return false;
        }
        if (verb == "active") {
            result = schemes.SetActive(*guid);
        } else if (verb == "set") {
            result = schemes.WriteAcValue(*guid, sim::kSystemButtonSubgroupGuid, sim::kPowerButtonActionGuid, *index);
            wrote = true;
        } else if (verb == "add") {
            result = schemes.Add(*guid, *index);
            if (result == sim::kPowerAlreadyExists) {
                why = "there is a plan " + *guid + " already";
            }
        } else {
            result = schemes.Delete(*guid);
            if (result == sim::kPowerAccessDenied) {
                why = *guid + " is the active plan; make another plan active first";
            }
        }
        if (result == sim::kPowerInvalidParameter) {
            why = "action " + std::to_string(*index) + " is not one the system defines (" + WindowsActions(board) + ")";
        }
        return result == sim::kPowerOk;
    });
    if (wrote) {
        // The system records a write it refused, too.
        const bool failed = result != sim::kPowerOk || outcome != sim::Simulator::Outcome::Done;
        korasim::Journal(sim::PowrprofWriteJournalLine(*guid, sim::kSystemButtonSubgroupGuid,
                                                       sim::kPowerButtonActionGuid, *index, failed));
    }
    switch (outcome) {
        case sim::Simulator::Outcome::NoBoard:
            return korasim::Fail(1, "scheme " + verb + ": no usable board");
        case sim::Simulator::Outcome::NotSaved:
            return korasim::Fail(1, "scheme " + verb + ": the state file could not be written");
        case sim::Simulator::Outcome::Done:
            break;
    }
    if (result != sim::kPowerOk) {
        return korasim::Fail(
            1, "scheme " + verb + ": " + (why.empty() ? "refused, error " + std::to_string(result) : why));
    }
    if (verb == "active") {
        korasim::Journal(sim::PowrprofSetActiveJournalLine(*guid));
    } else if (verb == "add" || verb == "delete") {
        korasim::Journal(sim::PowrprofSchemeJournalLine(verb.c_str(), *guid));
    }
    return 0;
}
