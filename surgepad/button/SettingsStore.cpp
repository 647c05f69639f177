#include "surgepad/button/SettingsStore.h"

#include "lumen/core/DebugTrace.h"
#include "lumen/kora/BtnContronLib.h"
#include "lumen/kora/DormixLib.h"
#include "lumen/kora/ProfileFolder.h"
#include "lumen/system/PowerMgr.h"
#include "lumen/system/WinRegistry.h"
#include "surgepad/button/MachineButtonStore.h"

#include <algorithm>
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

bool GuidFromText(const std::string& text, GUID* guid) {
    unsigned long d1 = 0;
    unsigned d[10] = {};
    if (text.size() != 38 || std::sscanf(text.c_str(), "{%8lx-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x}", &d1, &d[0], &d[1],
                                         &d[2], &d[3], &d[4], &d[5], &d[6], &d[7], &d[8], &d[9]) != 11) {
        return false;
    }
    guid->Data1 = static_cast<DWORD>(d1);
    guid->Data2 = static_cast<WORD>(d[0]);
    guid->Data3 = static_cast<WORD>(d[1]);
    for (int i = 0; i < 8; ++i) {
        guid->Data4[i] = static_cast<BYTE>(d[2 + i]);
    }
    return true;
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
    if (!HoldsButton() || !IsSystemButtonDisabled()) {
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

std::optional<std::vector<uint8_t>> SettingsStore::GetTurboRecordBytes() {
    lumen::WinRegistry key;
    if (!OpenKey(&key)) {
        return std::nullopt;
    }
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key.Handle(), kTurboStartupValues, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    // Of another type, or larger than any firmware's values: damaged, and said so.
    if (type != REG_BINARY || size > kMostTurboRecordBytes) {
        return std::vector<uint8_t>(1);
    }
    std::vector<uint8_t> bytes(size);
    if (RegQueryValueExA(key.Handle(), kTurboStartupValues, nullptr, &type, bytes.data(), &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    bytes.resize(size);
    return bytes;
}

std::optional<kora::OcValueList> SettingsStore::GetTurboRecord() {
    const std::optional<std::vector<uint8_t>> bytes = GetTurboRecordBytes();
    return bytes ? DecodeValueList(bytes->data(), bytes->size()) : std::nullopt;
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
    return ReadSystemButton(&action, &event) && IsDisabledSetting(action, event);
}

bool SettingsStore::IsDisabledSetting(uint32_t action, uint32_t event) {
    return action == 0 && (event == 0 || event == kEventTakenOver);
}

bool SettingsStore::Schemes() const {
    return m_services.power != nullptr && m_services.power->IsAvailable();
}

std::vector<SchemeNow> SettingsStore::SchemesNow() {
    std::vector<SchemeNow> now;
    if (!Schemes()) {
        return now;
    }
    for (const GUID& scheme : m_services.power->EnumerateSchemes()) {
        uint32_t value = 0;
        // A scheme whose action cannot be read takes no part.
        if (m_services.power->ReadACValueIndex(scheme, kSystemButtonSubgroup, kPowerButtonActionSetting, &value) == 0) {
            now.push_back({GuidText(scheme), value});
        }
    }
    return now;
}

std::map<std::string, uint32_t> SettingsStore::SavedSchemeActions() {
    std::map<std::string, uint32_t> actions;
    if (!Schemes()) {
        return actions;
    }
    lumen::WinRegistry key;
    if (!OpenKey(&key)) {
        return actions;
    }
    for (const GUID& scheme : m_services.power->EnumerateSchemes()) {
        const std::string id = GuidText(scheme);
        uint32_t value = 0;
        if (key.ReadDword(kSchemeActionPrefix + id, &value) && value <= kLargestRecordedAction) {
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
    if (key.ReadString(kAccountId, &id) && IsAccountId(id)) {
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

std::optional<std::string> SettingsStore::OtherHolder(const std::optional<MachineButtonRecord>& machine) {
    if (!machine) {
        return std::nullopt;
    }
    const std::string self = AccountId();
    std::optional<std::string> other;
    for (const std::string& account : machine->holding) {
        if (account != self) {
            other = account;
        }
    }
    if (!other) {
        return std::nullopt;
    }
    // A hold leaves the button doing nothing somewhere; a holder whose hold is gone (a
    // copy ended before it could say so) holds nothing. An earlier version's record
    // (no turns) held the scheme in force.
    if (machine->turn == 0 && !IsSystemButtonDisabled()) {
        return std::nullopt;
    }
    if (Schemes()) {
        const std::vector<SchemeNow> now = SchemesNow();
        if (CheckHold(now).everySchemeActs || now.empty()) {
            return std::nullopt;
        }
    } else if (!IsSystemButtonDisabled()) {
        return std::nullopt;
    }
    return other;
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

ButtonSetting SettingsStore::CurrentSetting(uint32_t action, uint32_t event) {
    ButtonSetting setting{{action, event}, {}};
    for (const SchemeNow& scheme : SchemesNow()) {
        setting.schemes[scheme.id] = scheme.action;
    }
    return setting;
}

bool SettingsStore::KeepSetting(const ButtonSetting& setting, bool holds) {
    lumen::WinRegistry key;
    if (!OpenKey(&key)) {
        return false;
    }
    // The schemes first, the pair last: a pair is only ever saved with its schemes.
    for (const auto& [scheme, index] : setting.schemes) {
        (void)key.WriteDword(kSchemeActionPrefix + scheme, index);
    }
    const auto [action, event] = setting.pair;
    if (!key.WriteDword(kPowerButtonAction, action) || !key.WriteDword(kPowerButtonEventCode, event)) {
        lumen::Trace("[SettingsStore] power-button setting (%u, 0x%08X) not stored", action, event);
        return false;
    }
    key.Close();
    lumen::Trace("[SettingsStore] power-button setting (%u, 0x%08X) kept, %u schemes of their own", action, event,
                 static_cast<unsigned>(setting.schemes.size()));
    if (m_services.machine != nullptr) {
        const std::string account = AccountId();
        if (!account.empty()) {
            AccountButtonRecord record;
            record.saved = setting.pair;
            record.schemes = setting.schemes;
            record.holds = holds;
            (void)m_services.machine->Write(account, record);
        }
    }
    return true;
}

std::optional<ButtonSetting> SettingsStore::KeptSetting(const std::optional<MachineButtonRecord>& machine) {
    // The newest setting any account's copy kept for the machine, the user's changes
    // while it was held included.
    if (machine && machine->saved) {
        return ButtonSetting{*machine->saved, machine->schemes};
    }
    if (const auto saved = SavedSystemButtonSetting()) {
        return ButtonSetting{*saved, SavedSchemeActions()};
    }
    // An older installation kept the pair under the local machine. Read only, so that no
    // empty key is left there.
    lumen::WinRegistry old;
    uint32_t action = 0;
    uint32_t event = 0;
    if (old.Open(HKEY_LOCAL_MACHINE, kSettingsKeyPath, false) && old.ReadDword(kPowerButtonAction, &action) &&
        old.ReadDword(kPowerButtonEventCode, &event)) {
        return ButtonSetting{{action, event}, {}};
    }
    return std::nullopt;
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
    (void)KeepSetting(CurrentSetting(action, event), false);
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

bool SettingsStore::HoldsButton() {
    return ReadDword(kPowerButtonDisabled) == uint32_t{0};
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
    const std::optional<MachineButtonRecord> machine = MachineRecord();
    const std::vector<SchemeNow> now = SchemesNow();
    std::optional<ButtonSetting> kept;
    const bool held = HoldsButton();
    if (held || OtherHolder(machine)) {
        // Held already (by this account's copy, or another's): the kept setting, with what
        // the user changed since. What another account's copy keeps becomes this one's.
        if (!held || !SavedSystemButtonSetting()) {
            lumen::Trace("[SettingsStore] the machine's saved power-button setting is taken over");
        }
        kept = KeptSetting(machine);
    }
    if (kept) {
        kept->schemes = KeepChanges(kept->schemes, now);
    } else {
        // The button is the user's: every scheme's action now, "do nothing" included.
        kept = CurrentSetting(action, event);
    }
    if (!KeepSetting(*kept, true)) {
        lumen::Trace("[SettingsStore] the power-button setting cannot be kept; the button is not taken over");
        return false;
    }
    if (!SetPowerButtonDisabled(false)) {
        return false;
    }
    if (Schemes()) {
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

void SettingsStore::GiveBack(const std::optional<MachineButtonRecord>& machine,
                             std::optional<std::pair<uint32_t, uint32_t>> pair) {
    std::optional<ButtonSetting> kept = KeptSetting(machine);
    if (!kept) {
        lumen::Trace("[SettingsStore] no power-button setting was kept; the button is left as it is");
        return;
    }
    const std::vector<SchemeNow> now = SchemesNow();
    kept->schemes = KeepChanges(kept->schemes, now);
    if (pair) {
        kept->pair = *pair;
    }
    ApplyButtonSetting(*kept, now);
    (void)KeepSetting(*kept, false);
}

void SettingsStore::SettleOwnRecord(const std::optional<MachineButtonRecord>& machine) {
    if (!machine || HoldsButton()) {
        return;
    }
    const std::string self = AccountId();
    if (std::find(machine->holding.begin(), machine->holding.end(), self) == machine->holding.end()) {
        return;
    }
    // A copy ended between claiming the hold in the machine record and taking it: the
    // claim goes, so that no other account's copy takes this one's word for a hold. The
    // setting the claim kept may be older than what the machine keeps now (the user may
    // have changed a plan since, and another account's copy kept that): the machine's
    // stays the newest.
    if (machine->saved) {
        (void)KeepSetting(ButtonSetting{*machine->saved, machine->schemes}, false);
    } else if (const auto saved = SavedSystemButtonSetting()) {
        (void)KeepSetting(ButtonSetting{*saved, SavedSchemeActions()}, false);
    }
}

void SettingsStore::ReleasePowerButton() {
    const std::optional<MachineButtonRecord> machine = MachineRecord();
    if (HoldsButton() || OtherHolder(machine) || HeldByOlderInstallation()) {
        GiveBack(machine, std::nullopt);
    } else {
        SettleOwnRecord(machine);
    }
    // Recorded once the button is back: a start never takes a button that does nothing
    // for the user's own setting while this program may still hold it.
    SetPowerButtonDisabled(true);
}

bool SettingsStore::HeldByOlderInstallation() {
    // Nothing of this account's, and the local machine keeps a pair an older version
    // saved there while its copy held the button.
    lumen::WinRegistry old;
    uint32_t action = 0;
    return !ReadDword(kPowerButtonDisabled) && !SavedSystemButtonSetting() && IsSystemButtonDisabled() &&
           old.Open(HKEY_LOCAL_MACHINE, kSettingsKeyPath, false) && old.ReadDword(kPowerButtonAction, &action);
}

void SettingsStore::ReleasePowerButtonAtStart() {
    {
        lumen::WinRegistry probe;
        if (!OpenKey(&probe)) {
            // The account's settings cannot be read, nor its id: what the machine's record
            // keeps to give back is given back while the button does nothing, where it
            // exists. Otherwise the button is left as it is; a setting nobody can show to
            // be ours is never written.
            const std::optional<MachineButtonRecord> machine = MachineRecord();
            if (machine && machine->saved && IsSystemButtonDisabled()) {
                lumen::Trace("[SettingsStore] the settings cannot be read; the machine's saved setting is given back");
                ApplyButtonSetting(ButtonSetting{*machine->saved, machine->schemes}, SchemesNow());
            } else {
                lumen::Trace("[SettingsStore] the settings cannot be read; the power button is left as it is");
            }
            return;
        }
    }
    if (HoldsButton() || HeldByOlderInstallation()) {
        ReleasePowerButton();
        return;
    }
    const std::optional<MachineButtonRecord> machine = MachineRecord();
    if (OtherHolder(machine)) {
        SettleOwnRecord(machine);
        SetPowerButtonDisabled(true);
        lumen::Trace("[SettingsStore] another account's copy holds the power button; it is left as it is");
        return;
    }
    // The button is the user's, whatever it does: that is the setting to give back.
    SaveSystemButtonSetting();
    SetPowerButtonDisabled(true);
}

bool SettingsStore::ReleaseForAnotherAccount() {
    const std::optional<MachineButtonRecord> machine = MachineRecord();
    SettleOwnRecord(machine);
    if (!OtherHolder(machine) || !machine->saved) {
        return false;
    }
    lumen::Trace("[SettingsStore] another account's copy held the power button; the machine's setting is given back");
    GiveBack(machine, std::nullopt);
    return true;
}

void SettingsStore::ApplyButtonSetting(const ButtonSetting& kept, const std::vector<SchemeNow>& now) {
    auto [action, event] = kept.pair;
    if (Schemes()) {
        lumen::VistaPowerManage& power = *m_services.power;
        GUID active = {};
        const bool haveActive = power.GetActiveScheme(&active);
        const std::string activeId = haveActive ? GuidText(active) : std::string();
        unsigned written = 0;
        for (const auto& [id, index] : GiveBackWrites(kept, now, activeId)) {
            GUID scheme = {};
            if (!GuidFromText(id, &scheme)) {
                continue;
            }
            if (power.WriteACValueIndex(scheme, kSystemButtonSubgroup, kPowerButtonActionSetting, index) != 0) {
                // An action this system does not define (a damaged value, or one kept on
                // another Windows): the pair's, else shut down.
                const uint32_t instead =
                    index != action && action != kSchemeActionNothing ? action : kSchemeActionShutDown;
                lumen::Trace("[SettingsStore] scheme %s refuses action %u; %u is given back instead", id.c_str(), index,
                             instead);
                if (power.WriteACValueIndex(scheme, kSystemButtonSubgroup, kPowerButtonActionSetting, instead) != 0) {
                    power.WriteACValueIndex(scheme, kSystemButtonSubgroup, kPowerButtonActionSetting,
                                            kSchemeActionShutDown);
                }
            }
            ++written;
        }
        if (haveActive && written > 0) {
            power.SetActiveScheme(active);
        }
        lumen::Trace("[SettingsStore] the system's button given back in %u schemes (pair action %u)", written, action);
        return;
    }
    // Giving the button back never leaves it doing nothing, and the library gets only a
    // pair the system defines.
    if (IsDisabledSetting(action, event) || !IsDefinedLibraryPair(action, event)) {
        action = kLibraryActionShutDown;
        event = 0;
    }
    if (m_services.dormixLoaded && m_services.dormix != nullptr) {
        m_services.dormix->SetPowerButtonSetting(action, event);
        lumen::Trace("[SettingsStore] the system's button given back as (%u, 0x%08X)", action, event);
    }
}

bool SettingsStore::DetectConfigurationAltered() {
    if (!HoldsButton()) {
        return false;
    }
    uint32_t action = 0;
    uint32_t event = 0;
    if (!ReadSystemButton(&action, &event)) {
        return false;  // nothing known, nothing changed
    }
    bool stepBack = false;
    const std::optional<MachineButtonRecord> machine = MachineRecord();
    if (Schemes()) {
        const std::vector<SchemeNow> now = SchemesNow();
        const HoldCheck check = CheckHold(now);
        // Another account's copy gave the button back: its newest record says nobody
        // holds it, and the scheme in force acts again.
        const bool givenBack = machine && machine->holder.empty() && !IsDisabledSetting(action, event);
        stepBack = check.everySchemeActs || givenBack;
        if (!stepBack) {
            if (!check.changed.empty()) {
                // The user changed some schemes (not all): the hold stays, and each
                // change is what that scheme gets back.
                ButtonSetting kept = KeptSetting(machine).value_or(ButtonSetting{{action, event}, {}});
                kept.schemes = KeepChanges(kept.schemes, now);
                if (!KeepSetting(kept, true)) {
                    return false;  // a change that cannot be kept is not undone
                }
                // Written first, told after: whoever reads the journal finds the plans done.
                WriteSchemesAction(kSchemeActionNothing);
                lumen::Trace("[SettingsStore] %u schemes changed while the button is held; kept, and set to do nothing",
                             static_cast<unsigned>(check.changed.size()));
            }
            return false;
        }
    } else if (IsDisabledSetting(action, event)) {
        return false;
    }
    lumen::WinRegistry key;
    if (!OpenKey(&key)) {
        return false;  // nothing could be recorded: reporting would repeat every 5 s
    }
    key.Close();
    // The user's new setting is the one to give back, each scheme's own included (a
    // scheme still doing nothing after another account's give-back gets its own).
    if (Schemes()) {
        GiveBack(machine, std::make_pair(action, event));
    } else {
        (void)KeepSetting(ButtonSetting{{action, event}, {}}, false);
    }
    if (!SetPowerButtonDisabled(true)) {
        return false;
    }
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
