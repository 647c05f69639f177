#include "surgepad/button/ButtonGuardian.h"

#include <utility>

#include <algorithm>

#include "lumen/core/DebugTrace.h"
#include "lumen/kora/BtnContronLib.h"
#include "lumen/kora/ProfileFolder.h"
#include "surgepad/button/ButtonRecords.h"
#include "surgepad/button/SettingsStore.h"

namespace surgepad {

ButtonGuardian& ButtonGuardian::Instance() {
    static auto* guardian = new ButtonGuardian(SettingsStore::Instance(), kora::BtnContronLib::Instance());
    return *guardian;
}

uint32_t ButtonGuardian::Start() {
    // What the user changed in the power options while no copy of this account ran.
    if (m_store.HoldsButton()) {
        (void)m_store.DetectConfigurationAltered();
    }
    const uint32_t index = m_store.GetButtonAction();
    m_lib.EnableDormix();
    if (index == 1) {
        if (m_store.TakeOverPowerButton()) {
            return 1;
        }
        // The button stays with the system (or is given back): the power action is in force.
        lumen::Trace("controller: the power button cannot be held; the power action is in force");
        return 0;
    }
    m_store.ReleasePowerButtonAtStart();
    return 0;
}

RecordedTurbo ButtonGuardian::ResumeRecordedTurbo() {
    const std::optional<std::vector<uint8_t>> bytes = m_store.GetTurboRecordBytes();
    if (!bytes) {
        return RecordedTurbo::None;
    }
    const std::optional<kora::OcValueList> record = DecodeValueList(bytes->data(), bytes->size());
    if (!record) {
        lumen::Trace("controller: the turbo record is damaged (%u bytes, no whole pairs); dropped, turbo off",
                     static_cast<unsigned>(bytes->size()));
        m_store.ClearTurboRecord();
        return RecordedTurbo::Refused;
    }
    // The record goes to the firmware at turbo off: each pair must name an overclocking
    // item this firmware lists as writable (its whole id), with a value in its range, as
    // for a profile file. Another hand, or a firmware update since, may have made it
    // anything else.
    const kora::OcValueList accepted = m_lib.AcceptedRecords(*record);
    if (accepted.size() != record->size()) {
        for (const kora::tagTwOcItemValue& pair : *record) {
            if (std::find(accepted.begin(), accepted.end(), pair) == accepted.end()) {
                lumen::Trace(
                    "controller: the turbo record names (0x%08X, %u), which this firmware does not take; dropped, "
                    "turbo off",
                    pair.id, pair.value);
                break;
            }
        }
        m_store.ClearTurboRecord();
        return RecordedTurbo::Refused;
    }
    switch (ReadTurboRecord(record, m_lib.StockSet())) {
        case TurboRecordReading::kNone:
            m_store.ClearTurboRecord();
            return RecordedTurbo::None;
        case TurboRecordReading::kDrop:
            lumen::Trace(
                "controller: the firmware is back at the recorded start-up values; the turbo record is dropped");
            m_store.ClearTurboRecord();
            return RecordedTurbo::Dropped;
        case TurboRecordReading::kResumeTurbo:
            break;
    }
    // An earlier run ended with the profile on (exit, log-off, an upgrade, a crash):
    // the values read at this start are not the start-up values, the recorded ones are.
    lumen::Trace("controller: a profile of an earlier run is in force: turbo on, with the recorded start-up values");
    m_lib.ResumeTurbo(*record);
    return RecordedTurbo::Resumed;
}

bool ButtonGuardian::ApplyAction(uint32_t action) {
    if (action == 1 && m_store.GetButtonAction() != 1 && !m_store.CanTakeOverPowerButton()) {
        // Taking the button over now would leave it doing nothing, with no setting to
        // give back: nothing is stored.
        lumen::Trace("settings: the power button cannot be taken over; the turbo action is refused");
        return false;
    }
    if (!m_store.SetButtonAction(action)) {
        lumen::Trace("settings: the turbo action could not be stored");
        return false;
    }
    return true;
}

bool ButtonGuardian::CheckConfiguration() {
    if (!m_store.DetectConfigurationAltered()) {
        return false;
    }
    (void)m_store.SetPowerButtonDisabled(true);
    return true;
}

bool ButtonGuardian::ChosenProfileUsable() {
    const uint32_t type = m_store.GetProfileType();
    return type >= m_lib.ProfileCount() || m_lib.IsProfileUsable(type);
}

bool ButtonGuardian::SwitchOn() {
    const uint32_t type = m_store.GetProfileType();
    // Kept before the first write, so that a start after a crash in the middle of the
    // switch still knows the values to go back to.
    m_store.SetTurboRecord(m_lib.StockSet());
    std::string name;
    if (type < m_lib.ProfileCount()) {
        name = m_lib.ProfileNameAt(type);
        (void)m_lib.ApplyFirmwareProfile(type);
    } else {
        name = m_store.GetProfileName();
        (void)m_lib.ApplyProfileFile(kora::GetProfileFolder() + name + kora::kProfileExtension);
    }
    if (!m_lib.IsTurboOn()) {
        // Nothing of the profile is in force (its block could not be read, or the
        // firmware refused its values and they were taken back).
        lumen::Trace("controller: the profile could not be applied; turbo stays off");
        m_store.ClearTurboRecord();
        SetApplied({});
        return false;
    }
    SetApplied(std::move(name));
    // The start-up values as the switch completed them (values read again before it).
    m_store.SetTurboRecord(m_lib.StockSet());
    return true;
}

void ButtonGuardian::SwitchOff() {
    m_lib.RestoreStartupValues();
    m_store.ClearTurboRecord();
    SetApplied({});
}

void ButtonGuardian::ForgetTurbo() {
    m_lib.ForgetTurbo();
    m_store.ClearTurboRecord();
    SetApplied({});
}

void ButtonGuardian::SetApplied(std::string name) {
    const std::lock_guard<std::mutex> guard(m_appliedLock);
    m_applied = std::move(name);
}

std::string ButtonGuardian::AppliedProfileName() const {
    const std::lock_guard<std::mutex> guard(m_appliedLock);
    return m_applied;
}

}  // namespace surgepad
