#pragma once
// The guard over what the program takes from the user across its runs: the system's
// power button (held for the turbo action, given back as it was) and the overclocking
// values (the way back to those in force before a switch-on, kept in the turbo record).
//
// The button controller runs these steps with the windows around them (the display,
// the badge, the tray icon, the dialog); the guardian itself shows nothing, so that
// every order of them can be tried against a model of the machine.

#include <cstdint>
#include <mutex>
#include <string>

namespace kora {
class BtnContronLib;
}

namespace surgepad {

class SettingsStore;

// What a start did with the turbo record of an earlier run.
enum class RecordedTurbo {
    None,     // no record
    Dropped,  // the firmware is back at the recorded values (a reboot reset it)
    Refused,  // the record does not fit this firmware: dropped, turbo off
    Resumed,  // the profile is still in force: turbo on, off goes back to the record
};

class ButtonGuardian {
public:
    // Over the process-wide store and firmware side, made on first use.
    static ButtonGuardian& Instance();
    ButtonGuardian(SettingsStore& store, kora::BtnContronLib& lib) : m_store(store), m_lib(lib) {}

    // The power button's part of a start: the system's setting kept, then the button
    // given back or held again. The action in force: 0 power, 1 turbo.
    uint32_t Start();
    // The turbo record an earlier run left, checked against this firmware.
    RecordedTurbo ResumeRecordedTurbo();
    // The settings window's choice of the action. False when the turbo action was
    // refused: the button stays the system's and nothing is stored.
    [[nodiscard]] bool ApplyAction(uint32_t action);
    // The 5 s check: true once when the system's button was changed elsewhere while the
    // program held it (the power action is in force from then on).
    bool CheckConfiguration();

    // The chosen profile can be switched on.
    bool ChosenProfileUsable();

    // The firmware side of a switch (the animation thread runs them after the effect).
    // False when nothing of the profile is in force: turbo stays off.
    bool SwitchOn();
    void SwitchOff();
    // Another program changed the values: turbo and its record are forgotten.
    void ForgetTurbo();
    // The name of the profile the last switch-on put in force, while turbo is on ("" when
    // off, and after a start that took turbo back from its record, which keeps no name).
    std::string AppliedProfileName() const;

private:
    void SetApplied(std::string name);

    SettingsStore& m_store;
    kora::BtnContronLib& m_lib;
    mutable std::mutex m_appliedLock;  // set on the animation thread, read on the GUI thread
    std::string m_applied;
};

}  // namespace surgepad
