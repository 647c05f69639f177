#pragma once
// What the button's turbo action does in the firmware: turbo on from a profile stored
// in the firmware or from a profile file, turbo off back to the values in force when
// the program started, and the values kept across sleep. Also the minimal binding of
// the power-feature library that the controller needs at start-up ("DormixInit",
// "DormixEnable").

#include <windows.h>

#include "lumen/core/Handle.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "lumen/kora/BroadcastProtocol.h"
#include "lumen/kora/OcItemSet.h"
#include "lumen/kora/TwOcItemProfile.h"
#include "lumen/kora/VendorApi.h"

namespace kora {

// The firmware's list of stored profiles: the group-5 item numbered 2 (its texts are
// the names); the blocks of item 0x05080002 hold the profiles.
inline constexpr uint32_t kProfileNameGroup = 5;
inline constexpr uint32_t kProfileNameNumber = 2;

// The side effects of an apply beyond the firmware: the system control service's
// request through its pipe, and the broadcast (0x2355, 3) to all top-level windows.
class SysCtrlAnnouncer : public OcAnnouncer {
public:
    SysCtrlAnnouncer();
    void SystemControlRequest(uint32_t a1, uint32_t a2, uint32_t a3) override;
    void AnnounceValuesChanged() override;
    UINT BroadcastMessage() const { return m_broadcast; }

private:
    UINT m_broadcast;
};

class BtnContronLib {
public:
    // The process-wide instance over "Dormix.dll" beside the executable, made on first
    // use and never destroyed.
    static BtnContronLib& Instance();

    // Looks for "Dormix.dll" in `folder` (with or without a trailing backslash), reads
    // the firmware's profile names and saves the start-up values. The service requests
    // and announcements go through `announcer` (the pipe and the broadcast when none).
    explicit BtnContronLib(const std::string& folder, std::unique_ptr<SysCtrlAnnouncer> announcer = nullptr);
    ~BtnContronLib();
    BtnContronLib(const BtnContronLib&) = delete;
    BtnContronLib& operator=(const BtnContronLib&) = delete;

    bool IsTurboOn() const { return m_turboOn.load(); }
    // Turbo off without writing anything: another program has changed the values, so
    // which values are in force is no longer known here.
    void ForgetTurbo() {
        m_turboOn.store(false);
        m_switchTarget.clear();
    }
    // A start that finds the profile of an earlier run still in force: turbo is on, and
    // turbo off goes back to the values that earlier run started from.
    void ResumeTurbo(OcValueList startup);

    uint32_t ProfileCount() const { return static_cast<uint32_t>(m_profileNames.size()); }
    // The index-th firmware profile name; "" beyond the list.
    std::string ProfileNameAt(uint32_t index) const;
    const std::vector<std::string>& ProfileNames() const { return m_profileNames; }

    // Turbo on from firmware profile `index`. Nothing when turbo is on already or the
    // index is not below ProfileCount(); false (turbo stays off) when the profile's
    // block cannot be read, when the firmware lists no overclocking value to write, or
    // when the firmware refused any of its values (the values written are then taken
    // back to the start-up values).
    bool ApplyFirmwareProfile(uint32_t index);
    // Turbo on from a profile file. Nothing when turbo is on already. Turbo is on
    // afterwards even when the file does not load (the next press then runs turbo
    // off); the result tells whether it loaded and was applied. When the firmware
    // refused any of its values, they are taken back as for a firmware profile and
    // turbo stays off.
    bool ApplyProfileFile(const std::string& path);
    // Firmware profile `index` holds a base frequency (item 0x03010011) at least as
    // high as the current one.
    bool IsProfileUsable(uint32_t index) const;
    // Turbo off: the start-up values written back, the service told, the change
    // announced. Nothing when turbo is off already.
    void RestoreStartupValues();
    // "DormixEnable"; nothing when the library is not loaded.
    void EnableDormix();

    // The value-list operations on this object's item set, for the sleep set and for
    // callers with lists of their own.
    void SaveCurrentValues(OcValueList* list) const;
    void RestoreSavedValues(OcValueList* list);
    // The values saved at suspend, written back at resume.
    OcValueList& SleepSet() { return m_sleepSet; }
    // The values the last switch put in force: the list a profile wrote, or the
    // start-up values after turbo off and after a profile the firmware refused. Empty
    // once another program has changed the values.
    const OcValueList& SwitchTarget() const { return m_switchTarget; }
    // Writes SwitchTarget() back as RestoreSavedValues does (what differs only, unless
    // the firmware's guard item says not to) and keeps it.
    void RestoreSwitchTarget();
    // How many switches (on, off, or taken back) have put values in force so far.
    uint32_t SwitchCount() const { return m_switches.load(); }
    // The values in force when this object was made; values that could not be read
    // then are added before the first switch-on that can read them.
    const OcValueList& StockSet() const { return m_stockSet; }

    bool IsDormixLoaded() const { return static_cast<bool>(m_dormix); }
    UINT BroadcastMessage() const { return m_announcer->BroadcastMessage(); }

    // The records of a profile file that this program will write: those of writable
    // overclocking items (group 3, the ratio included) whose value lies in the item's
    // range, in file order.
    OcValueList AcceptedRecords(const OcValueList& records) const;

private:
    void LoadDormix(const std::string& folder);
    void ReadProfileNames();
    // The start-up values that could not be read when this object was made, read
    // before a switch-on.
    void CompleteStartupValues();
    // The start-up values with those of `written`'s items replaced by `written`.
    OcValueList StartupValuesBeside(const OcValueList& written) const;
    // False when `list` would change the processor ratios and their start-up values
    // are not known.
    bool StartupRatiosKnownFor(const OcValueList& list) const;
    const KrOcRatio& Ratio() const;
    const KrOcPrimaryItemSet& ItemSet() const;

    std::atomic<bool> m_turboOn{false};
    std::vector<std::string> m_profileNames;
    OcValueList m_stockSet;
    bool m_stockComplete = false;
    OcValueList m_sleepSet;
    OcValueList m_switchTarget;
    std::atomic<uint32_t> m_switches{0};
    lumen::UniqueModule m_dormix;
    DormixInitFn m_dormixInit = nullptr;
    DormixEnableFn m_dormixEnable = nullptr;
    std::unique_ptr<SysCtrlAnnouncer> m_announcer;
    // Each walks group 3 once: the ratio model when this object is made (the start-up
    // values need it), the item set at the first write, from whichever thread writes
    // first.
    std::unique_ptr<KrOcRatio> m_ratio;
    mutable std::once_flag m_itemSetOnce;
    mutable std::unique_ptr<KrOcPrimaryItemSet> m_itemSet;
};

}  // namespace kora
