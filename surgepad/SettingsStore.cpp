#include "surgepad/SettingsStore.h"

#include "lumen/core/DebugTrace.h"
#include "lumen/kora/BtnContronLib.h"
#include "lumen/kora/DormixLib.h"
#include "lumen/kora/ProfileFolder.h"
#include "lumen/system/PowerMgr.h"
#include "lumen/system/WinRegistry.h"
#include "surgepad/MachineButtonStore.h"

#include <cstdio>
#include <random>

namespace surgepad {
namespace {

// {68A1E95E-13EA-41E1-8011-0C496CA490B0}: a write to it reaches every scheme.
constexpr GUID kAllPowerSchemes = {0x68A1E95E, 0x13EA, 0x41E1, {0x80, 0x11, 0x0C, 0x49, 0x6C, 0xA4, 0x90, 0xB0}};
constexpr GUID kSystemButtonSubgroup = {0x4F971E89, 0xEEBD, 0x4455, {0xA8, 0xDE, 0x9E, 0x59, 0x04, 0x0E, 0x73, 0x47}};
constexpr GUID kPowerButtonActionSetting = {0x7648EFA3,
                                            0xDD9C,
                                            0x4E3E,
                                            {0xB5, 0x66, 0x50, 0xF9, 0x29, 0x38, 0x62, 0x80}};
// Power saver, high performance, balanced.
constexpr GUID kCheckedSchemes[] = {
    {0xA1841308, 0x3541, 0x4FAB, {0xBC, 0x81, 0xF7, 0x15, 0x56, 0xF2, 0x0B, 0x4A}},
    {0x8C5E7FDA, 0xE8BF, 0x4A96, {0x9A, 0x85, 0xA6, 0xE2, 0x3A, 0x8C, 0x63, 0x5C}},
    {0x381B4222, 0xF694, 0x41F0, {0x96, 0x85, 0xFF, 0x5B, 0xB2, 0x60, 0xDF, 0x2E}},
};

const char kButtonAction[] = "ButtonAction";
const char kOsdEnabled[] = "OsdEnabled";
const char kStatusEnabled[] = "StatusEnabled";
const char kProfileType[] = "ProfileType";
const char kProfileName[] = "ProfileName";
const char kLanguage[] = "Language";
const char kPowerButtonDisabled[] = "PowerButtonDisabled";
const char kPowerButtonAction[] = "PowerButtonAction";
const char kPowerButtonEventCode[] = "PowerButtonEventCode";
// Beside the pair: each scheme's own action, "PowerButtonAction {scheme id}".
const char kSchemeActionPrefix[] = "PowerButtonAction ";
const char kAccountId[] = "AccountId";
const char kTurboStartupValues[] = "TurboStartupValues";

std::string GuidText(const GUID& g) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned long>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3],
                  g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return text;
}

HKEY RootOfThisSystem() {
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    const bool known = GetVersionExA(&info) != FALSE;
    return SettingsStore::SettingsRootFor(known, known ? info.dwMajorVersion : 0);
}

}  // namespace

SettingsStore& SettingsStore::Instance() {
    static SettingsStore* const instance = [] {
        kora::DormixLib& dormix = kora::DormixLib::Instance();
        const auto* dll = dynamic_cast<const kora::DormixLibDll*>(&dormix.Imp());
        Services services;
        services.dormix = &dormix;
        services.dormixLoaded = dll != nullptr && dll->IsLoaded();
        services.power = &lumen::VistaPowerManage::Instance();
        services.profileCount = [] { return kora::BtnContronLib::Instance().ProfileCount(); };
        services.machine = &MachineButtonStore::Instance();
        return new SettingsStore(std::move(services));
    }();
    return *instance;
}

SettingsStore::SettingsStore(Services services) : m_services(std::move(services)), m_root(RootOfThisSystem()) {}

HKEY SettingsStore::SettingsRootFor(bool versionKnown, uint32_t major) {
    return !versionKnown || major == 6 ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

bool SettingsStore::OpenKey(lumen::WinRegistry* key) const {
    return key->Open(m_root, kSettingsKeyPath, true);
}

std::optional<uint32_t> SettingsStore::ReadDword(const char* name) {
    lumen::WinRegistry key;
    uint32_t value = 0;
    if (!OpenKey(&key) || !key.ReadDword(name, &value)) {
        return std::nullopt;
    }
    return value;
}

bool SettingsStore::WriteDword(const char* name, uint32_t value) {
    lumen::WinRegistry key;
    return OpenKey(&key) && key.WriteDword(name, value);
}

// ---------------------------------------------------------------------------------------
// The user's choices

uint32_t SettingsStore::GetButtonAction() {
    if (!IsSystemButtonDisabled() || GetPowerButtonDisabled()) {
        return 0;
    }
    const std::optional<uint32_t> stored = ReadDword(kButtonAction);
    if (!stored) {
        return 0;
    }
    // Stored as index - 1: only a stored 0 gives the turbo action; anything else, a
    // stored 0xFFFFFFFF (which wraps to 0) included, is the power action.
    const uint32_t index = *stored + 1;
    return index > 1 ? 0 : index;
}

bool SettingsStore::SetButtonAction(uint32_t index) {
    lumen::WinRegistry key;
    if (!OpenKey(&key)) {
        // Without the key nothing could be remembered: the button stays as it is.
        return false;
    }
    if (index == 0) {
        ReleasePowerButton();
        return true;
    }
    if (!TakeOverPowerButton()) {
        lumen::Trace("[SettingsStore] the power button cannot be taken over; the turbo action is not chosen");
        return false;
    }
    if (!key.WriteDword(kButtonAction, index - 1)) {
        // A held button without the stored turbo action would answer as the power
        // action and do nothing on a press: give it back.
        lumen::Trace("[SettingsStore] ButtonAction not written; the power button is given back");
        key.Close();
        ReleasePowerButton();
        return false;
    }
    return true;
}

bool SettingsStore::GetOsdEnabled() {
    return ReadDword(kOsdEnabled).value_or(1) != 0;
}

void SettingsStore::SetOsdEnabled(bool on) {
    WriteDword(kOsdEnabled, on ? 1 : 0);
}

bool SettingsStore::GetStatusEnabled() {
    return ReadDword(kStatusEnabled).value_or(1) != 0;
}

void SettingsStore::SetStatusEnabled(bool on) {
    WriteDword(kStatusEnabled, on ? 1 : 0);
}

uint32_t SettingsStore::GetProfileType() {
    if (const std::optional<uint32_t> stored = ReadDword(kProfileType)) {
        return *stored;
    }
    const uint32_t count = m_services.profileCount ? m_services.profileCount() : 0;
    return count > 0 ? count - 1 : 0;
}

void SettingsStore::SetProfileType(uint32_t value) {
    WriteDword(kProfileType, value);
}

std::string SettingsStore::GetProfileName() {
    lumen::WinRegistry key;
    std::string name;
    if (!OpenKey(&key) || !key.ReadString(kProfileName, &name)) {
        return std::string();
    }
    return name;
}

std::string SettingsStore::GetLanguage() {
    lumen::WinRegistry key;
    std::string name;
    if (!key.Open(RootOfThisSystem(), kSettingsKeyPath, false) || !key.ReadString(kLanguage, &name)) {
        return std::string();
    }
    return name;
}

void SettingsStore::SetLanguage(const std::string& name) {
    lumen::WinRegistry key;
    if (OpenKey(&key)) {
        (void)key.WriteString(kLanguage, name);
    }
}

void SettingsStore::SetProfileName(const std::string& name) {
    lumen::WinRegistry key;
    if (OpenKey(&key)) {
        (void)key.WriteString(kProfileName, name);
    }
}

bool SettingsStore::GetPowerButtonDisabled() {
    return ReadDword(kPowerButtonDisabled).value_or(0) != 0;
}

bool SettingsStore::SetPowerButtonDisabled(bool on) {
    const bool written = WriteDword(kPowerButtonDisabled, on ? 1 : 0);
    if (written) {
        lumen::Trace("[SettingsStore] the power button %s", on ? "belongs to the system" : "is held by the program");
    }
    return written;
}

void SettingsStore::SetTurboRecord(const kora::OcValueList& startup) {
    lumen::WinRegistry key;
    if (!OpenKey(&key)) {
        return;
    }
    const std::vector<uint8_t> bytes = EncodeValueList(startup);
    if (RegSetValueExA(key.Handle(), kTurboStartupValues, 0, REG_BINARY, bytes.data(),
                       static_cast<DWORD>(bytes.size())) != ERROR_SUCCESS) {
        lumen::Trace("[SettingsStore] the turbo record cannot be written");
    }
}

void SettingsStore::ClearTurboRecord() {
    lumen::WinRegistry key;
    if (OpenKey(&key)) {
        RegDeleteValueA(key.Handle(), kTurboStartupValues);
    }
}

std::optional<kora::OcValueList> SettingsStore::GetTurboRecord() {
    lumen::WinRegistry key;
    if (!OpenKey(&key)) {
        return std::nullopt;
    }
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key.Handle(), kTurboStartupValues, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_BINARY || size > 64 * 1024) {
        return std::nullopt;
    }
    std::vector<uint8_t> bytes(size);
    if (RegQueryValueExA(key.Handle(), kTurboStartupValues, nullptr, &type, bytes.data(), &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return DecodeValueList(bytes.data(), size);
}

// ---------------------------------------------------------------------------------------
// The system's power button

bool SettingsStore::ReadSystemButton(uint32_t* action, uint32_t* event) {
    *action = 0;
    *event = 0;
    if (!m_services.dormixLoaded || m_services.dormix == nullptr) {
        return false;
    }
    if (!m_services.dormix->GetPowerButtonSetting(action, event)) {
        lumen::Trace("[SettingsStore] the power-button setting cannot be read");
        return false;
    }
    return true;
}

bool SettingsStore::IsSystemButtonDisabled() {
    uint32_t action = 0;
    uint32_t event = 0;
    // An unread pair is no evidence that the button is disabled.
    if (!ReadSystemButton(&action, &event)) {
        return false;
    }
    return IsDisabledSetting(action, event);
}

bool SettingsStore::IsDisabledSetting(uint32_t action, uint32_t event) {
    if (SchemesDisagree()) {
        WriteSchemesAction(kSchemeActionNothing);
        return true;
    }
    return action == 0 && (event == 0 || event == kEventTakenOver);
}

bool SettingsStore::HoldsForTurbo() {
    // Only a hold of this program's own may be asserted again: "PowerButtonDisabled"
    // stored as 0, the turbo action stored and a setting saved to give back. A first
    // start, or a start that finds the button doing nothing for another reason, must
    // never write "do nothing" into a scheme.
    lumen::WinRegistry key;
    uint32_t systemOwns = 1;
    uint32_t action = 1;
    uint32_t saved = 0;
    return OpenKey(&key) && key.ReadDword(kPowerButtonDisabled, &systemOwns) && systemOwns == 0 &&
           key.ReadDword(kButtonAction, &action) && action == 0 && key.ReadDword(kPowerButtonAction, &saved) &&
           key.ReadDword(kPowerButtonEventCode, &saved);
}

bool SettingsStore::SchemesDisagree() {
    if (m_services.power == nullptr || !m_services.power->IsAvailable() || !HoldsForTurbo()) {
        return false;
    }
    bool someZero = false;
    bool someNonZero = false;
    for (const GUID& scheme : kCheckedSchemes) {
        uint32_t value = 0;
        // A scheme the system does not have (many keep only the balanced one) has no
        // action to agree or disagree with.
        if (m_services.power->ReadACValueIndex(scheme, kSystemButtonSubgroup, kPowerButtonActionSetting, &value) != 0) {
            continue;
        }
        (value == 0 ? someZero : someNonZero) = true;
    }
    return someZero && someNonZero;
}

std::map<std::string, uint32_t> SettingsStore::CurrentSchemeActions() {
    std::map<std::string, uint32_t> actions;
    if (m_services.power == nullptr || !m_services.power->IsAvailable()) {
        return actions;
    }
    for (const GUID& scheme : m_services.power->EnumerateSchemes()) {
        uint32_t value = 0;
        if (m_services.power->ReadACValueIndex(scheme, kSystemButtonSubgroup, kPowerButtonActionSetting, &value) == 0) {
            actions[GuidText(scheme)] = value;
        }
    }
    return actions;
}

std::map<std::string, uint32_t> SettingsStore::SavedSchemeActions() {
    std::map<std::string, uint32_t> actions;
    if (m_services.power == nullptr || !m_services.power->IsAvailable()) {
        return actions;
    }
    lumen::WinRegistry key;
    if (!OpenKey(&key)) {
        return actions;
    }
    for (const GUID& scheme : m_services.power->EnumerateSchemes()) {
        const std::string id = GuidText(scheme);
        uint32_t value = 0;
        if (key.ReadDword(kSchemeActionPrefix + id, &value)) {
            actions[id] = value;
        }
    }
    return actions;
}

std::string SettingsStore::AccountId() {
    lumen::WinRegistry key;
    if (!OpenKey(&key)) {
        return std::string();
    }
    std::string id;
    if (key.ReadString(kAccountId, &id) && !id.empty()) {
        return id;
    }
    // The settings belong to the account: an id kept with them names the account in
    // the machine record, whatever its user name (two accounts may share one).
    std::random_device random;
    char text[40];
    std::snprintf(text, sizeof text, "%08X-%08X-%08X-%08X", random(), random(), random(), random());
    id = text;
    if (!key.WriteString(kAccountId, id)) {
        return std::string();
    }
    return id;
}

std::optional<MachineButtonRecord> SettingsStore::MachineRecord() const {
    return m_services.machine != nullptr ? m_services.machine->Read() : std::nullopt;
}

void SettingsStore::UpdateMachineRecord(const std::function<void(MachineButtonRecord*)>& change) {
    if (m_services.machine == nullptr) {
        return;
    }
    MachineButtonRecord record = MachineRecord().value_or(MachineButtonRecord{});
    const MachineButtonRecord before = record;
    change(&record);
    if (!(record == before)) {
        (void)m_services.machine->Write(record);
    }
}

void SettingsStore::WriteSchemesAction(uint32_t index) {
    lumen::VistaPowerManage& power = *m_services.power;
    GUID active = {};
    const bool haveActive = power.GetActiveScheme(&active);
    power.WriteACValueIndex(kAllPowerSchemes, kSystemButtonSubgroup, kPowerButtonActionSetting, index);
    // The system applies a scheme's values when it is made active.
    if (haveActive) {
        power.SetActiveScheme(active);
    }
}

void SettingsStore::SaveSystemButtonSetting() {
    uint32_t action = 0;
    uint32_t event = 0;
    // The saved pair is what the button gets back: a pair that was not read must never
    // replace it.
    if (!ReadSystemButton(&action, &event)) {
        lumen::Trace("[SettingsStore] the saved power-button setting is kept");
        return;
    }
    StoreButtonSetting(action, event);
}

bool SettingsStore::StoreButtonSetting(uint32_t action, uint32_t event) {
    return StoreSavedButton(SavedButton{{action, event}, CurrentSchemeActions()});
}

bool SettingsStore::StoreSavedButton(const SavedButton& saved) {
    lumen::WinRegistry key;
    if (!OpenKey(&key)) {
        return false;
    }
    // The schemes first, the pair last: a pair is only ever saved with its schemes.
    for (const auto& [scheme, index] : saved.schemes) {
        (void)key.WriteDword(kSchemeActionPrefix + scheme, index);
    }
    const auto [action, event] = saved.pair;
    if (!key.WriteDword(kPowerButtonAction, action) || !key.WriteDword(kPowerButtonEventCode, event)) {
        lumen::Trace("[SettingsStore] power-button setting (%u, 0x%08X) not stored", action, event);
        return false;
    }
    key.Close();
    lumen::Trace("[SettingsStore] power-button setting (%u, 0x%08X) saved", action, event);
    UpdateMachineRecord([&saved](MachineButtonRecord* record) {
        record->saved = saved.pair;
        record->schemes = saved.schemes;
    });
    return true;
}

std::optional<std::pair<uint32_t, uint32_t>> SettingsStore::SavedSystemButtonSetting() {
    lumen::WinRegistry key;
    uint32_t action = 0;
    uint32_t event = 0;
    if (!OpenKey(&key) || !key.ReadDword(kPowerButtonAction, &action) ||
        !key.ReadDword(kPowerButtonEventCode, &event)) {
        return std::nullopt;
    }
    return std::make_pair(action, event);
}

bool SettingsStore::CanTakeOverPowerButton() {
    uint32_t action = 0;
    uint32_t event = 0;
    if (!ReadSystemButton(&action, &event)) {
        return false;
    }
    lumen::WinRegistry key;
    return OpenKey(&key);
}

bool SettingsStore::TakeOverPowerButton() {
    uint32_t action = 0;
    uint32_t event = 0;
    // What the button does now must be known and kept before it is made to do nothing:
    // otherwise nothing could give it back, and with the pair unreadable the program
    // could not even see its own hold (GetButtonAction would answer the power action).
    if (!ReadSystemButton(&action, &event)) {
        lumen::Trace("[SettingsStore] the power-button setting is unknown; the button is not taken over");
        return false;
    }
    if (!IsDisabledSetting(action, event)) {
        if (!StoreButtonSetting(action, event)) {
            lumen::Trace("[SettingsStore] the power-button setting cannot be kept; the button is not taken over");
            return false;
        }
    } else if (!SavedSystemButtonSetting()) {
        // The button does nothing already (another account's copy holds it): what that
        // copy saved becomes this account's setting to give back.
        const std::optional<MachineButtonRecord> machine = MachineRecord();
        if (machine && machine->saved) {
            lumen::Trace("[SettingsStore] the machine's saved power-button setting is taken over");
            (void)StoreSavedButton(SavedButton{*machine->saved, machine->schemes});
        }
    }
    if (!SetPowerButtonDisabled(false)) {
        return false;
    }
    const std::string account = AccountId();
    UpdateMachineRecord([&account](MachineButtonRecord* record) { record->holder = account; });
    if (m_services.power != nullptr && m_services.power->IsAvailable()) {
        WriteSchemesAction(kSchemeActionNothing);
    } else {
        m_services.dormix->SetPowerButtonSetting(0, kEventTakenOver);
    }
    lumen::Trace("[SettingsStore] the system's button set to do nothing");
    if (!IsSystemButtonDisabled()) {
        lumen::Trace("[SettingsStore] the system's button still acts after the takeover; it is given back");
        ReleasePowerButton();
        return false;
    }
    return true;
}

void SettingsStore::ReleasePowerButton() {
    SetPowerButtonDisabled(true);
    RestoreSystemButtonSetting();
    UpdateMachineRecord([](MachineButtonRecord* record) { record->holder.clear(); });
}

void SettingsStore::ReleasePowerButtonAtStart() {
    const std::optional<MachineButtonRecord> machine = MachineRecord();
    // Without this account's settings (and so its id) the hold cannot be shown to be
    // another account's: the release then gives back what the machine's record keeps.
    const std::string account = AccountId();
    if (machine && !machine->holder.empty() && !account.empty() && machine->holder != account &&
        IsSystemButtonDisabled()) {
        SetPowerButtonDisabled(true);
        lumen::Trace("[SettingsStore] another account's copy holds the power button; it is left as it is");
        return;
    }
    ReleasePowerButton();
}

bool SettingsStore::ReleaseForAnotherAccount() {
    const std::optional<MachineButtonRecord> machine = MachineRecord();
    if (!machine || machine->holder.empty() || !machine->saved || !IsSystemButtonDisabled()) {
        return false;
    }
    lumen::Trace("[SettingsStore] another account's copy held the power button; the machine's setting is given back");
    ApplyButtonSetting(SavedButton{*machine->saved, machine->schemes});
    UpdateMachineRecord([](MachineButtonRecord* record) { record->holder.clear(); });
    return true;
}

void SettingsStore::RestoreSystemButtonSetting() {
    if (const auto saved = SavedSystemButtonSetting()) {
        ApplyButtonSetting(SavedButton{*saved, SavedSchemeActions()});
        return;
    }
    {
        lumen::WinRegistry probe;
        if (!OpenKey(&probe)) {
            // The account's settings cannot be read: what the machine's record keeps to
            // give back is given back, where it exists. Otherwise the button is left as it
            // is; a setting nobody can show to be ours is never written.
            const std::optional<MachineButtonRecord> machine = MachineRecord();
            if (machine && machine->saved && IsSystemButtonDisabled()) {
                lumen::Trace("[SettingsStore] the settings cannot be read; the machine's saved setting is given back");
                ApplyButtonSetting(SavedButton{*machine->saved, machine->schemes});
            } else {
                lumen::Trace("[SettingsStore] the settings cannot be read; the power button is left as it is");
            }
            return;
        }
    }
    // Nothing saved here: what another account's copy saved for the machine.
    const std::optional<MachineButtonRecord> machine = MachineRecord();
    if (machine && machine->saved) {
        const SavedButton saved{*machine->saved, machine->schemes};
        (void)StoreSavedButton(saved);
        ApplyButtonSetting(saved);
        return;
    }
    // An older installation kept the pair under the local machine: take it over. Read
    // only, so that no empty key is left there.
    lumen::WinRegistry old;
    if (!old.Open(HKEY_LOCAL_MACHINE, kSettingsKeyPath, false)) {
        return;
    }
    uint32_t action = 0;
    uint32_t event = 0;
    if (!old.ReadDword(kPowerButtonAction, &action) || !old.ReadDword(kPowerButtonEventCode, &event)) {
        return;
    }
    old.Close();
    StoreButtonSetting(action, event);
    ApplyButtonSetting(SavedButton{{action, event}, {}});
}

void SettingsStore::ApplyButtonSetting(const SavedButton& saved) {
    auto [action, event] = saved.pair;
    // Giving the button back never leaves it doing nothing: a saved do-nothing setting
    // becomes shut-down.
    if (m_services.power != nullptr && m_services.power->IsAvailable()) {
        if (IsDisabledSetting(action, event) || action > kSchemeActionShutDown) {
            action = kSchemeActionShutDown;
        }
        lumen::VistaPowerManage& power = *m_services.power;
        GUID active = {};
        const bool haveActive = power.GetActiveScheme(&active);
        const std::vector<GUID> schemes = power.EnumerateSchemes();
        if (saved.schemes.empty() || schemes.empty()) {
            // A setting saved by an earlier version: the pair's action for every scheme.
            power.WriteACValueIndex(kAllPowerSchemes, kSystemButtonSubgroup, kPowerButtonActionSetting, action);
        } else {
            // Scheme by scheme, each its own saved action (the pair's for a scheme saved
            // without one), the scheme in force last: a program ended half-way leaves that
            // one doing nothing, and the next start gives the rest back.
            auto own = [&](const GUID& scheme) {
                const auto found = saved.schemes.find(GuidText(scheme));
                uint32_t value =
                    found != saved.schemes.end() && found->second <= kSchemeActionShutDown ? found->second : action;
                // The scheme in force must not be left doing nothing.
                if (value == kSchemeActionNothing && haveActive && IsEqualGUID(scheme, active)) {
                    value = action;
                }
                return value;
            };
            for (const GUID& scheme : schemes) {
                if (!haveActive || !IsEqualGUID(scheme, active)) {
                    power.WriteACValueIndex(scheme, kSystemButtonSubgroup, kPowerButtonActionSetting, own(scheme));
                }
            }
            if (haveActive) {
                power.WriteACValueIndex(active, kSystemButtonSubgroup, kPowerButtonActionSetting, own(active));
            }
        }
        if (haveActive) {
            power.SetActiveScheme(active);
        }
        lumen::Trace("[SettingsStore] the system's button given back as scheme action %u (%u schemes of their own)",
                     action, static_cast<unsigned>(saved.schemes.size()));
        return;
    }
    if (IsDisabledSetting(action, event)) {
        action = kLibraryActionShutDown;
        event = 0;
    }
    if (m_services.dormixLoaded && m_services.dormix != nullptr) {
        m_services.dormix->SetPowerButtonSetting(action, event);
        lumen::Trace("[SettingsStore] the system's button given back as (%u, 0x%08X)", action, event);
    }
}

bool SettingsStore::DetectConfigurationAltered() {
    uint32_t action = 0;
    uint32_t event = 0;
    if (!ReadSystemButton(&action, &event)) {
        return false;  // nothing known, nothing changed
    }
    if (IsDisabledSetting(action, event)) {
        if (!GetPowerButtonDisabled()) {
            WriteDword(kPowerButtonDisabled, 0);
        }
        return false;
    }
    lumen::WinRegistry key;
    if (!OpenKey(&key)) {
        return false;  // nothing could be recorded: reporting would repeat every 5 s
    }
    uint32_t held = 0;
    if (key.ReadDword(kPowerButtonDisabled, &held) && held != 0) {
        return false;
    }
    key.Close();
    StoreButtonSetting(action, event);
    if (!SetPowerButtonDisabled(true)) {
        return false;
    }
    const std::string account = AccountId();
    UpdateMachineRecord([&account](MachineButtonRecord* record) {
        if (record->holder == account) {
            record->holder.clear();
        }
    });
    lumen::Trace("[SettingsStore] the power button was changed elsewhere to (%u, 0x%08X)", action, event);
    return true;
}

kora::CombinedProfileList SettingsProfileList(SettingsStore& store, const std::vector<std::string>& firmwareNames,
                                              const std::string& folder) {
    return kora::ListProfiles(firmwareNames, store.GetProfileType(), store.GetProfileName(), folder);
}

kora::CombinedProfileList CurrentProfileList() {
    kora::BtnContronLib& lib = kora::BtnContronLib::Instance();
    std::vector<std::string> firmwareNames;
    for (uint32_t i = 0; i < lib.ProfileCount(); ++i) {
        firmwareNames.push_back(lib.ProfileNameAt(i));
    }
    return SettingsProfileList(SettingsStore::Instance(), firmwareNames, kora::GetProfileFolder());
}

}  // namespace surgepad
