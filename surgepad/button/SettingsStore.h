#pragma once
// The user's choices in the registry, and the program's hold on the system's power
// button: while the turbo action is chosen the system's button does nothing (so that a
// press only reaches this program), the system's own setting is kept to be given back
// when the power action is chosen, and a change made elsewhere is noticed.
//
// The store keeps nothing itself: every operation opens the key, acts and closes it, so
// the registry is the only copy and the GUI thread and the animation thread can both
// call it.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "lumen/kora/TwOcItemProfile.h"
#include "surgepad/button/ButtonPlan.h"
#include "surgepad/button/ButtonRecords.h"

namespace kora {
class DormixLib;
}
namespace lumen {
class VistaPowerManage;
class WinRegistry;
}  // namespace lumen

namespace surgepad {

class MachineButtonStore;

inline constexpr char kSettingsKeyPath[] = "Software\\KORA\\Power Button Setting";

// The power-button pair the power-feature library reports: "disabled" is action 0 with
// event 0 or 0x80000000.
inline constexpr uint32_t kEventTakenOver = 0x80000000u;
// Without schemes the library's "shut down" is action 6.
inline constexpr uint32_t kLibraryActionShutDown = 6;
// Larger than the values of any firmware: a record this long is damaged.
inline constexpr uint32_t kMostTurboRecordBytes = 64 * 1024;

class SettingsStore {
public:
    struct Services {
        kora::DormixLib* dormix = nullptr;
        // Without the library the system's button counts as not disabled and the
        // library is not called: an unread pair must never become the saved one.
        bool dormixLoaded = false;
        lumen::VistaPowerManage* power = nullptr;
        std::function<uint32_t()> profileCount;
        // The machine-wide record shared with the other accounts' copies; none in tests
        // that do not need it.
        MachineButtonStore* machine = nullptr;
    };

    // The process-wide store over the process-wide bindings, made on first use.
    static SettingsStore& Instance();

    explicit SettingsStore(Services services);

    // HKEY_CURRENT_USER for major version 6 or an unknown version, else
    // HKEY_LOCAL_MACHINE.
    static HKEY SettingsRootFor(bool versionKnown, uint32_t major);
    HKEY SettingsRoot() const { return m_root; }

    // 0 = power action, 1 = turbo action.
    uint32_t GetButtonAction();
    // Chooses the action. The power action gives the button back and is always taken
    // (false only when the key cannot be opened). The turbo action takes the button over
    // (TakeOverPowerButton) and is stored only when that worked: false means the button
    // still belongs to the system, "ButtonAction" is unchanged, and the caller (the
    // settings window's Apply) must tell the user that the turbo action is unavailable.
    [[nodiscard]] bool SetButtonAction(uint32_t index);
    bool GetOsdEnabled();
    void SetOsdEnabled(bool on);
    bool GetStatusEnabled();
    void SetStatusEnabled(bool on);
    uint32_t GetProfileType();
    void SetProfileType(uint32_t value);
    std::string GetProfileName();
    void SetProfileName(const std::string& name);
    // "Language": the folder name of the language chosen in the tray menu; empty or
    // absent for the system's language. Read without the store, which binds the
    // power-feature library: the language is needed before anything else.
    static std::string GetLanguage();
    void SetLanguage(const std::string& name);
    // True only when stored and non-zero: the system owns the button.
    bool GetPowerButtonDisabled();
    // False when the key cannot be written.
    bool SetPowerButtonDisabled(bool on);
    // "PowerButtonDisabled" is stored as 0: this account's copy holds the button (or did
    // when it last ran).
    bool HoldsButton();

    // The system's button does nothing now (the power-feature library's pair).
    bool IsSystemButtonDisabled();
    // Keeps the system's current setting, every scheme's action with it, as the one to
    // give back.
    void SaveSystemButtonSetting();
    // Whether the button can be taken over now: the system's current setting can be
    // read (the power-feature library is loaded and answers) and the key can be opened
    // to keep it. Without that a takeover would make the button do nothing with nothing
    // to give back, and the program could not even see that it holds it. Asks the
    // library and opens the key; writes nothing. For the settings window, to refuse
    // the turbo action before it is applied.
    [[nodiscard]] bool CanTakeOverPowerButton();
    // Makes every scheme's button do nothing, once the setting to give back is kept:
    // the system's own (the button is the user's), or the one the holding copy keeps
    // (this account's or another's) with the user's changes since. False, and nothing
    // written, when the setting cannot be read or kept; false, and the button given
    // back, when the system's button does not do nothing afterwards.
    [[nodiscard]] bool TakeOverPowerButton();
    // Chooses the power action: a button held (by this account's copy, or another's)
    // is given back, each scheme its kept action unless the user gave it one since;
    // a button nobody holds is the user's and stays as it is.
    void ReleasePowerButton();
    // The start's release: as ReleasePowerButton, except that a button another
    // account's copy holds is left as it is (that account chose the turbo action), and
    // a button nobody holds is kept as the user's setting.
    void ReleasePowerButtonAtStart();
    // For an uninstall run by an account that does not hold the button: gives back the
    // machine's kept setting when another account's copy holds it. False when there was
    // nothing to give back.
    [[nodiscard]] bool ReleaseForAnotherAccount();
    // Every 5 s while this account's copy holds the button. Schemes the user changed
    // (some, not all) keep their new action to be given back and do nothing again. True
    // once when the user took the whole button back (no scheme does nothing any more),
    // or another account's copy gave it back: the hold steps back, and the setting now
    // is the one to give back.
    bool DetectConfigurationAltered();

    // The pair is the disabled one: action 0 with event 0 or 0x80000000.
    static bool IsDisabledSetting(uint32_t action, uint32_t event);

    // The saved system pair ("PowerButtonAction", "PowerButtonEventCode") under
    // SettingsRoot, when both are stored.
    std::optional<std::pair<uint32_t, uint32_t>> SavedSystemButtonSetting();
    // The turbo record: the start-up values while a profile is on, so that a later start
    // finds its way back to them ("TurboStartupValues", binary).
    void SetTurboRecord(const kora::OcValueList& startup);
    void ClearTurboRecord();
    // The record as stored; a single byte when it is of another type or too large.
    std::optional<std::vector<uint8_t>> GetTurboRecordBytes();
    std::optional<kora::OcValueList> GetTurboRecord();

    // This account's id in the machine record, made on first use.
    std::string AccountId();
    // Each scheme's own action as this account saved it with the pair.
    std::map<std::string, uint32_t> SavedSchemeActions();

private:
    [[nodiscard]] bool OpenKey(lumen::WinRegistry* key) const;
    std::optional<uint32_t> ReadDword(const char* name);
    bool WriteDword(const char* name, uint32_t value);
    // The library's pair; false when the library is absent or the call fails.
    bool ReadSystemButton(uint32_t* action, uint32_t* event);
    // The power-scheme functions are there.
    bool Schemes() const;
    // Every scheme the system lists, with its action now.
    std::vector<SchemeNow> SchemesNow();
    ButtonSetting CurrentSetting(uint32_t action, uint32_t event);
    // Keeps `setting` here and in this account's machine record (which says whether
    // this account's copy holds the button).
    bool KeepSetting(const ButtonSetting& setting, bool holds);
    // The setting to give back: the machine's newest, else this account's, else an
    // older installation's pair.
    std::optional<ButtonSetting> KeptSetting(const std::optional<MachineButtonRecord>& machine);
    // Gives the kept setting back with the user's changes in (and `pair` as the pair
    // from now on), and keeps that.
    void GiveBack(const std::optional<MachineButtonRecord>& machine, std::optional<std::pair<uint32_t, uint32_t>> pair);
    void ApplyButtonSetting(const ButtonSetting& kept, const std::vector<SchemeNow>& now);
    void WriteSchemesAction(uint32_t index);
    // Another account's copy holds the button: its id.
    std::optional<std::string> OtherHolder(const std::optional<MachineButtonRecord>& machine);
    // Takes back this account's claim of a hold in the machine record when its settings
    // say it holds nothing.
    void SettleOwnRecord(const std::optional<MachineButtonRecord>& machine);
    // An older version kept its hold under the local machine.
    bool HeldByOlderInstallation();
    // The machine-wide record, when there is one (none without a machine store).
    std::optional<MachineButtonRecord> MachineRecord() const;

    Services m_services;
    HKEY m_root;
};

// The settings window's profile list: the firmware names, then the ".oc" files of
// `folder`, with the entry "ProfileType" / "ProfileName" select.
kora::CombinedProfileList SettingsProfileList(SettingsStore& store, const std::vector<std::string>& firmwareNames,
                                              const std::string& folder);
// That list as it stands: the firmware's profiles, the profile folder and the stored choice.
kora::CombinedProfileList CurrentProfileList();

}  // namespace surgepad
