#pragma once
// Automatic turbo on the GUI thread: the rules (TurboRules) fed by what the system
// tells, and the switch they ask for run as a press runs it (display and badge). Every
// trigger is an event, never a poll: a foreground event hook, thread-pool waits on
// process handles and on a waitable timer, the effective power mode's callback and the
// power broadcasts. With every rule enabled and nothing running, nothing here wakes up.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "lumen/core/Handle.h"
#include "surgepad/button/ButtonControllerInterface.h"
#include "surgepad/turbo/ProcessWatch.h"
#include "surgepad/turbo/TurboAutomationInterface.h"
#include "ui/Application.h"
#include "surgepad/turbo/TurboCommand.h"
#include "surgepad/turbo/TurboRules.h"
#include "surgepad/turbo/TurboSettings.h"
#include "ui/Timer.h"
#include "ui/Window.h"

namespace surgepad {

class TurboAutomation final : public TurboAutomationInterface, private ui::Window {
public:
    // Created on first use (on the GUI thread), never destroyed.
    static TurboAutomation& Instance();
    // The instance when one was made, or null.
    static TurboAutomation* Existing();

    // After the controller's initialisation: the settings, the power source and the
    // kept end of a timed turbo are read, the watches start, and what the rules want
    // of turbo found on or off is done.
    void Start();
    // A manual action (a press under the turbo action, the menu's turbo item, -turbo):
    // the answer, with the warning shown for a refusal as a press shows it.
    TurboAnswer Manual(TurboRequest request);
    // Another program wrote the values and turbo was forgotten.
    void ValuesChangedElsewhere();

    AutomationMenu Menu() override;
    void TurboFor(int64_t seconds) override;
    void AddProgram(const std::string& name) override;
    void RemoveProgram(const std::string& name) override;
    void SetGameModeRule(bool on) override;
    void SetOffOnBattery(bool on) override;
    std::string TipReason() override;
    LRESULT CommandReceived(const void* data, size_t size, HWND reply) override;
    void PowerStatusChanged() override;
    void Ending() override;

    // The wall clock in ms since 1970 (UTC).
    static int64_t NowMs();

private:
    TurboAutomation();
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    TurboWorld World() const;
    const TurboSettings& Settings();
    // Does what the rules ask now, then answers the commands whose switch is over,
    // keeps the timed end, arms its timer and refreshes the tip.
    void Reconcile();
    // Warnings and traces for an answer; the answer for the menu and the command line.
    TurboAnswer Answer(TurboVerdict verdict, bool warn, const char* what);
    void InFront(HWND window);
    void EffectEnded();
    void AnswerPending(TurboRefusal whenNotSo);
    void ArmEndTimer();
    void ForgetEndWait();
    void UpdateTip();
    void WatchGameMode(bool on);
    void ApplyPrograms(std::vector<std::string> names);
    LRESULT Reply(const TurboReply& reply) const;

    TurboRules m_rules;
    std::optional<TurboSettings> m_settings;
    bool m_started = false;
    bool m_ending = false;
    ui::Subscription m_foreground;
    std::unique_ptr<ProcessWatch> m_programs;
    std::unique_ptr<ProcessWatch> m_runs;
    // The last program in front (not this one, not the shell): for "Add NAME".
    std::string m_lastInFront;
    // The end of a timed turbo: a waitable timer waited on by the thread pool.
    lumen::UniqueHandle m_endTimer;
    HANDLE m_endWait = nullptr;
    std::optional<int64_t> m_keptEnd;
    // The power source last read (nullopt: the system cannot say).
    std::optional<bool> m_source;
    // The tip's countdown, at most once a minute while a timed turbo is named there.
    ui::Timer m_tipTimer{60000, false};
    // Commands whose switch runs: their reply window, its process, their cookie and
    // what they asked for.
    struct Pending {
        HWND reply;
        DWORD process;
        uint32_t cookie;
        bool want;
    };
    std::vector<Pending> m_pending;
};

}  // namespace surgepad
