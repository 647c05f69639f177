#pragma once
// The machine the guardian's model runs the real store and controller code on, in this
// one process: the system's power plans behind the power-scheme entries, the
// power-feature library's button pair (which follows the active plan, as on a system
// with plans), the firmware (the simulator's own item model over a board held in
// memory, bound as KRACPI.DLL's exports), and a count of every write the program
// makes, so that a kill can follow any one of them.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "lumen/kora/DormixLib.h"
#include "lumen/system/PowerMgr.h"
#include "sim/Board.h"
#include "sim/SimState.h"

namespace guardian {

// Thrown right after the write a kill follows: the copy of the program ends there.
struct Killed {};

struct Plan {
    GUID id;
    uint32_t action;
};

struct Machine {
    // 10: the button's actions are 0 to 4 ("turn off the display"); 6 (Windows 7): 0 to 3.
    int windowsMajor = 10;
    std::vector<Plan> plans;  // in the order the system lists them
    GUID active{};
    std::shared_ptr<const sim::Board> board;
    sim::SimState firmware;
    // Firmware writes the program must never make, with the step they came in.
    std::vector<std::string> forbidden;
    // Writes of the program are counted while `counting`; the write numbered `killAt`
    // (from 1) throws Killed once it is done.
    bool counting = false;
    int writes = 0;
    int killAt = 0;
    // A write the kill follows was made on another thread (the machine record's): the
    // model's thread ends before its next write.
    bool killPending = false;
    DWORD modelThread = GetCurrentThreadId();

    uint32_t LargestAction() const { return windowsMajor >= 10 ? 4 : 3; }
    Plan* Find(const GUID& id);
    Plan* Active() { return Find(active); }
    // Counts a write of the program; may end the program there.
    void Wrote();
    // Before a write: a kill that came on another thread ends the program first.
    void BeforeWrite();
    // A new firmware (or the same one after a reboot): every value back to the board's.
    void LoadFirmware(const std::string& boardText);
};

Machine& TheMachine();

// The system's power-scheme entries over TheMachine().
lumen::VistaPowerManage::Entries PowerEntries();

// The power-feature library on a system with plans: the pair is (the active plan's
// action, 0), and setting it writes the action into the active plan.
class ModelDormix final : public kora::DormixLibImp {
public:
    bool IsSupported() override { return true; }
    bool CheckReboot() override { return false; }
    bool IsEnabled() override { return true; }
    void Enable(bool) override {}
    void Sleep() override {}
    void Wake() override {}
    void SoundOn() override {}
    void SoundOff() override {}
    void ScreenOn() override {}
    void ScreenOff() override {}
    void ApplyGear() override {}
    bool IsSleeping() override { return false; }
    uint32_t GetLevel() override { return 0; }
    uint8_t SetLevel(uint32_t) override { return 1; }
    bool IsDormix() override { return true; }
    bool IsThermostatSupported() override { return false; }
    bool IsHushlySupported() override { return false; }
    bool PacelyLevelAbove1() override { return false; }
    bool PacelyLevelAbove3() override { return false; }
    bool IsVentixThreeSupported() override { return false; }
    bool GetPowerButtonSetting(uint32_t* action, uint32_t* event) override;
    bool SetPowerButtonSetting(uint32_t action, uint32_t event) override;
    bool GetItem(uint32_t, uint32_t*) override { return false; }
    bool SetItem(uint32_t, uint32_t) override { return false; }
    bool IsItemSupported(uint32_t) override { return false; }
};

// Routes this program's registry writes, file replacements and trace lines through the
// machine (a write counts; trace lines are kept for a failure's report).
void WatchProgramWrites();
// The trace lines of the program since the last call.
std::vector<std::string> TakeTrace();

std::string GuidText(const GUID& id);

}  // namespace guardian
