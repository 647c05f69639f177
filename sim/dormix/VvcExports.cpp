// The simulated "vvc.dll": the sound helper of the power-feature library on Windows 6.x.
#include <type_traits>

#include "lumen/kora/VendorApi.h"
#include "sim/ExportSupport.h"
#include "sim/dormix/DormixFeature.h"

extern "C" __declspec(dllexport) void WINAPI VISTA_SetMute(uint32_t mute) {
    try {
        sim::Simulator::Journal(sim::VvcMuteJournalLine(mute));
        sim::ModuleSimulator().Run([&](const sim::Board& board, sim::SimState& state) {
            return sim::DormixFeature(board, state).SetFlag(sim::kVvcMuteFlag, mute);
        });
    } catch (...) {
        // Nothing leaves the procedure; a failed record is a lost flag, not a crash.
    }
}

static_assert(std::is_same_v<decltype(&VISTA_SetMute), kora::VistaSetMuteFn>);
