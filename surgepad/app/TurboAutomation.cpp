#include "surgepad/app/TurboAutomation.h"

#include <algorithm>
#include <atomic>

#include "lumen/core/DebugTrace.h"
#include "lumen/core/WideText.h"
#include "lumen/kora/TwOcItemProfile.h"
#include "surgepad/app/ButtonController.h"
#include "surgepad/look/LanguageLookup.h"
#include "surgepad/app/MainForm.h"
#include "surgepad/look/MultiLang.h"
#include "surgepad/display/OsdDisplay.h"
#include "surgepad/display/OsdManager.h"
#include "surgepad/turbo/PowerWatch.h"
#include "surgepad/button/SettingsStore.h"
#include "surgepad/app/TrayTexts.h"
#include "surgepad/turbo/TurboDuration.h"

namespace surgepad {
namespace {

constexpr UINT kProgramEnded = WM_APP + 1;
constexpr UINT kRunEnded = WM_APP + 2;
constexpr UINT kEffectEnded = WM_APP + 3;
constexpr UINT kModeChanged = WM_APP + 4;
constexpr UINT kTimedEnd = WM_APP + 5;

// 100 ns steps between 1601 and 1970.
constexpr int64_t kUnixEpochIn100ns = 116444736000000000LL;

// The automation's window, for the display's effect thread.
std::atomic<HWND> g_window{nullptr};

void PostEffectEnded() {
    PostMessageA(g_window.load(), kEffectEnded, 0, 0);
}

void CALLBACK EndTimerFired(void* window, BOOLEAN) {
    PostMessageA(static_cast<HWND>(window), kTimedEnd, 0, 0);
}

// The shell's windows come to the front whenever the tray icon is used: not a program
// to turbo for.
bool IsShellProcess(DWORD pid) {
    for (HWND shell : {GetShellWindow(), FindWindowA("Shell_TrayWnd", nullptr)}) {
        DWORD owner = 0;
        if (shell != nullptr && GetWindowThreadProcessId(shell, &owner) != 0 && owner == pid) {
            return true;
        }
    }
    return false;
}

bool IsReplyWindow(HWND window, DWORD* pid) {
    char cls[32] = {};
    *pid = 0;
    return window != nullptr && GetClassNameA(window, cls, sizeof cls) > 0 && lstrcmpA(cls, kTurboReplyClass) == 0 &&
           GetWindowThreadProcessId(window, pid) != 0;
}

}  // namespace

namespace {
TurboAutomation* g_automation = nullptr;
}

TurboAutomation& TurboAutomation::Instance() {
    if (g_automation == nullptr) {
        g_automation = new TurboAutomation;
    }
    return *g_automation;
}

TurboAutomation* TurboAutomation::Existing() {
    return g_automation;
}

TurboAutomation::TurboAutomation() {
    CreateParams p;
    p.className = "SurgepadTurboAutomation";
    p.style = 0;
    p.parent = HWND_MESSAGE;
    CreateHandle(p);
    m_programs = std::make_unique<ProcessWatch>(Handle(), kProgramEnded);
    m_runs = std::make_unique<ProcessWatch>(Handle(), kRunEnded);
    m_tipTimer.OnTimer = ui::Callback<>::Of<&TurboAutomation::UpdateTip>(this);
    m_endTimer.reset(CreateWaitableTimerA(nullptr, FALSE, nullptr));
}

const TurboSettings& TurboAutomation::Settings() {
    // The store (and the libraries it binds) is made by the controller's start: the main
    // window's first tip must not make it earlier.
    if (!m_settings) {
        m_settings.emplace(SettingsStore::Instance().SettingsRoot());
    }
    return *m_settings;
}

int64_t TurboAutomation::NowMs() {
    FILETIME now = {};
    GetSystemTimeAsFileTime(&now);
    const int64_t ticks = static_cast<int64_t>((static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
    return (ticks - kUnixEpochIn100ns) / 10000;
}

TurboWorld TurboAutomation::World() const {
    const ButtonController& controller = ButtonController::Instance();
    return TurboWorld{controller.TurboIsOn(), OsdManager::Instance().IsBusy(), controller.ProfileUsable(), NowMs()};
}

void TurboAutomation::Start() {
    if (m_started || m_ending) {
        return;
    }
    m_rules.SetPrograms(Settings().Programs());
    m_rules.SetOffOnBattery(Settings().OffOnBattery());
    m_source = PowerWatch::Instance().OnBattery();
    m_rules.PowerSource(m_source.value_or(false));
    const std::optional<int64_t> kept = Settings().TimedEndMs();
    const TurboWorld world = World();
    m_rules.Start(world.on, kept, world.nowMs);
    m_keptEnd = kept;
    m_foreground = ui::App().SubscribeForeground(ui::ForegroundNotify::Of<&TurboAutomation::InFront>(this));
    g_window = Handle();
    OsdEffectEnded = &PostEffectEnded;
    m_started = true;
    WatchGameMode(Settings().GameMode());
    lumen::Trace("turbo rules: started: %u programs listed, game mode %s, off on battery %s, %s%s",
                 static_cast<unsigned>(m_rules.Programs().size()),
                 !PowerWatch::Instance().GameModeAvailable() ? "unavailable"
                 : m_rules.GameModeRule()                    ? "on"
                                                             : "off",
                 m_rules.OffOnBattery() ? "on" : "off",
                 !m_source   ? "power source unknown"
                 : *m_source ? "on battery"
                             : "on mains power",
                 m_rules.TimedEndMs() ? ", a timed turbo counts" : "");
    Reconcile();
    ArmEndTimer();
}

void TurboAutomation::Ending() {
    if (m_ending) {
        return;
    }
    m_ending = true;
    m_started = false;
    lumen::Trace("turbo rules: the program ends; commands are refused from now on");
    AnswerPending(TurboRefusal::Ending);
    OsdEffectEnded = nullptr;
    m_foreground.Reset();
    PowerWatch::Instance().StopWatchingMode();
    m_programs->ForgetAll();
    m_runs->ForgetAll();
    ArmEndTimer();
    m_tipTimer.SetEnabled(false);
}

TurboAnswer TurboAutomation::Answer(TurboVerdict verdict, bool warn, const char* what) {
    lumen::Trace("turbo rules: %s: %s", what, TurboVerdictName(verdict));
    switch (verdict) {
        case TurboVerdict::Switch:
        case TurboVerdict::Queued:
            return TurboAnswer::Switching;
        case TurboVerdict::AlreadySo:
            return TurboAnswer::AlreadySo;
        case TurboVerdict::Busy:
            return TurboAnswer::Busy;
        case TurboVerdict::Unusable:
            if (warn) {
                lumen::Trace("controller: the chosen profile cannot be applied: warning");
                OsdManager::Instance().PlayWarning();
            }
            return TurboAnswer::Unusable;
        case TurboVerdict::OnBattery:
            break;
    }
    if (warn) {
        lumen::Trace("controller: turbo is refused on battery: warning");
        OsdManager::Instance().PlayWarning(PageBatteryWarning);
    }
    return TurboAnswer::OnBattery;
}

TurboAnswer TurboAutomation::Manual(TurboRequest request) {
    const char* what = request == TurboRequest::On    ? "turbo on asked for"
                       : request == TurboRequest::Off ? "turbo off asked for"
                                                      : "turbo switch asked for";
    const TurboAnswer answer = Answer(m_rules.Manual(request, World()), true, what);
    Reconcile();
    return answer;
}

void TurboAutomation::ValuesChangedElsewhere() {
    m_rules.ValuesChangedElsewhere();
    Reconcile();
}

void TurboAutomation::Reconcile() {
    if (!m_started) {
        return;
    }
    const TurboStep step = m_rules.Next(World());
    switch (step.kind) {
        case TurboStep::Kind::On:
            lumen::Trace("turbo rules: switching on (%s)", step.why.c_str());
            ButtonController::Instance().PlaySwitch(true);
            break;
        case TurboStep::Kind::Off:
            lumen::Trace("turbo rules: switching off (%s)", step.why.c_str());
            ButtonController::Instance().PlaySwitch(false);
            break;
        case TurboStep::Kind::Refused:
            lumen::Trace("turbo rules: not switched on: %s", step.why.c_str());
            break;
        case TurboStep::Kind::None:
            break;
    }
    if ((step.kind == TurboStep::Kind::None || step.kind == TurboStep::Kind::Refused) &&
        !OsdManager::Instance().IsBusy()) {
        AnswerPending(step.kind == TurboStep::Kind::Refused ? TurboRefusal::Unusable : TurboRefusal::Failed);
    }
    const std::optional<int64_t> end = m_rules.TimedEndMs();
    if (end != m_keptEnd) {
        m_keptEnd = end;
        Settings().SetTimedEndMs(end);
        ArmEndTimer();
        lumen::Trace(end ? "turbo rules: a timed turbo counts, %lld s left" : "turbo rules: no timed turbo counts",
                     end ? static_cast<long long>((*end - NowMs() + 999) / 1000) : 0LL);
    }
    for (const DWORD pid : m_programs->Ids()) {
        if (!m_rules.Watches(pid)) {
            m_programs->Forget(pid);
        }
    }
    UpdateTip();
}

void TurboAutomation::ForgetEndWait() {
    if (m_endWait != nullptr) {
        UnregisterWaitEx(m_endWait, INVALID_HANDLE_VALUE);
        m_endWait = nullptr;
    }
}

void TurboAutomation::ArmEndTimer() {
    if (!m_endTimer) {
        return;
    }
    if (!m_keptEnd || m_ending) {
        CancelWaitableTimer(m_endTimer.get());
        // The pool's wait thread wakes up now and then while it has a wait: it waits
        // only while a timed turbo counts.
        ForgetEndWait();
        return;
    }
    // A positive due time is absolute (UTC): a sleep or a change of the clock leaves the
    // end where it is.
    LARGE_INTEGER due;
    due.QuadPart = *m_keptEnd * 10000 + kUnixEpochIn100ns;
    if (!SetWaitableTimer(m_endTimer.get(), &due, 0, nullptr, nullptr, FALSE)) {
        lumen::Trace("turbo rules: the end timer cannot be set, error %lu", GetLastError());
        return;
    }
    if (m_endWait == nullptr && !RegisterWaitForSingleObject(&m_endWait, m_endTimer.get(), &EndTimerFired, Handle(),
                                                             INFINITE, WT_EXECUTEONLYONCE)) {
        lumen::Trace("turbo rules: the end timer cannot be waited on, error %lu", GetLastError());
        m_endWait = nullptr;
    }
}

void TurboAutomation::UpdateTip() {
    if (MainForm != nullptr) {
        MainForm->RefreshTrayTip();
    }
    const std::optional<TurboReason> reason = m_rules.Reason();
    const bool counting =
        m_started && reason && reason->cause == TurboCause::Timed && ButtonController::Instance().TurboIsOn();
    if (counting) {
        m_tipTimer.SetInterval(static_cast<UINT>(NextCountdownChangeMs(reason->untilMs - NowMs())));
    }
    m_tipTimer.SetEnabled(counting);
}

std::string TurboAutomation::TipReason() {
    const std::optional<TurboReason> reason = m_rules.Reason();
    if (!reason || !ButtonController::Instance().TurboIsOn()) {
        return {};
    }
    const MultiLang& lang = MultiLang::Instance();
    std::string text;
    switch (reason->cause) {
        case TurboCause::Run:
        case TurboCause::Program:
            text = FillName(lang.Text("TrayTipWhileRuns"), reason->name);
            break;
        case TurboCause::GameMode:
            text = lang.Text("TrayTipGameMode");
            break;
        case TurboCause::Timed:
            text = FillName(lang.Text("TrayTipTimeLeft"),
                            CountdownText(reason->untilMs - NowMs(), lang.Text("UnitHour"), lang.Text("UnitMinute")));
            break;
    }
    return text.find(kMissingText) != std::string::npos ? std::string() : text;
}

void TurboAutomation::InFront(HWND window) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (!m_started || pid == 0 || pid == GetCurrentProcessId() || IsShellProcess(pid)) {
        return;
    }
    // The name needs limited query rights and the wait SYNCHRONIZE; a game that refuses
    // the one may still allow the other.
    lumen::UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, pid));
    lumen::UniqueHandle query;
    if (!process) {
        query.reset(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
        process.reset(OpenProcess(SYNCHRONIZE, FALSE, pid));
    }
    wchar_t path[MAX_PATH * 2] = {};
    DWORD size = MAX_PATH * 2;
    HANDLE named = query ? query.get() : process.get();
    if (named == nullptr || !QueryFullProcessImageNameW(named, 0, path, &size)) {
        lumen::Trace("turbo rules: process %lu in front, its name cannot be read (error %lu)",
                     static_cast<unsigned long>(pid), GetLastError());
        return;
    }
    // Names are UTF-8 here, whatever the system's code page.
    const std::string name = ProgramName(lumen::Utf8FromWide(std::wstring_view(path, size)));
    m_lastInFront = name;
    if (!m_rules.Listed(name)) {
        lumen::Trace("turbo rules: %s (process %lu) in front, not listed", name.c_str(),
                     static_cast<unsigned long>(pid));
        return;
    }
    if (!m_programs->Watching(pid) && !m_programs->Watch(pid, std::move(process))) {
        lumen::Trace("turbo rules: %s (process %lu) in front, but its end could not be watched; no turbo for it",
                     name.c_str(), static_cast<unsigned long>(pid));
        return;
    }
    lumen::Trace("turbo rules: %s (process %lu) in front", name.c_str(), static_cast<unsigned long>(pid));
    (void)m_rules.ProgramFront(name, pid);
    Reconcile();
}

void TurboAutomation::EffectEnded() {
    // The end of an effect is posted: a press taken before it may have started the next
    // switch meanwhile, whose own end comes later. Taken now, this one would make that
    // switch look failed.
    if (!m_started || OsdManager::Instance().IsBusy()) {
        return;
    }
    m_rules.SwitchEnded(ButtonController::Instance().TurboIsOn());
    Reconcile();
}

void TurboAutomation::AnswerPending(TurboRefusal whenNotSo) {
    if (m_pending.empty()) {
        return;
    }
    const bool on = ButtonController::Instance().TurboIsOn();
    for (const Pending& p : m_pending) {
        const TurboReply outcome = m_ending       ? TurboReply{kTurboRefused, TurboRefusal::Ending, 0}
                                   : p.want == on ? TurboReply{kTurboDone, TurboRefusal::None, 0}
                                                  : TurboReply{kTurboRefused, whenNotSo, 0};
        // The handle may have been reused by now: only the command's own reply window,
        // of its class and its process, gets the outcome.
        DWORD pid = 0;
        if (!IsReplyWindow(p.reply, &pid) || pid != p.process) {
            lumen::Trace("command: the reply window of process %lu is gone; no outcome sent",
                         static_cast<unsigned long>(p.process));
            continue;
        }
        lumen::Trace("command: turbo switch ended: %s", outcome.code == kTurboDone ? "done" : "refused");
        PostMessageA(p.reply, kTurboReplyMessage, EncodeTurboReply(outcome), static_cast<LPARAM>(p.cookie));
    }
    m_pending.clear();
}

LRESULT TurboAutomation::Reply(const TurboReply& reply) const {
    return static_cast<LRESULT>(EncodeTurboReply(reply));
}

LRESULT TurboAutomation::CommandReceived(const void* data, size_t size, HWND reply) {
    const std::optional<TurboCommandRecord> record = ReadTurboCommand(data, size);
    if (!record) {
        lumen::Trace("command: a malformed turbo command ignored");
        return kTurboBadArguments;
    }
    const auto command = static_cast<TurboCommand>(record->command);
    if (m_ending || !m_started) {
        lumen::Trace("command: turbo command %u refused: the program is ending", record->command);
        return Reply({kTurboRefused, TurboRefusal::Ending, 0});
    }
    DWORD replyPid = 0;
    const bool replyOk = IsReplyWindow(reply, &replyPid);
    const TurboWorld world = World();
    if (command == TurboCommand::Status) {
        const std::optional<int64_t> end = m_rules.TimedEndMs();
        const auto left = static_cast<uint32_t>(world.on && end ? (*end - world.nowMs + 999) / 1000 : 0);
        lumen::Trace("command: turbo status: %s", world.on ? "on" : "off");
        return Reply({world.on ? kTurboStatusOn : kTurboDone, TurboRefusal::None, left});
    }
    TurboVerdict verdict = TurboVerdict::AlreadySo;
    bool want = true;
    if (command == TurboCommand::Run) {
        const std::string name(record->name);
        lumen::UniqueHandle process(replyOk ? OpenProcess(SYNCHRONIZE, FALSE, replyPid) : nullptr);
        if (!process || !m_runs->Watch(replyPid, std::move(process))) {
            lumen::Trace("command: turbo run %s: the command cannot be watched; refused", name.c_str());
            return Reply({kTurboRefused, TurboRefusal::NoAnswer, 0});
        }
        lumen::Trace("command: turbo run %s (process %lu)", name.c_str(), static_cast<unsigned long>(replyPid));
        verdict = m_rules.RunBegin(replyPid, name, world);
        (void)Answer(verdict, false, "turbo run");
        if (verdict == TurboVerdict::Unusable) {
            m_runs->Forget(replyPid);
        }
    } else if (command == TurboCommand::On && record->seconds != 0) {
        lumen::Trace("command: turbo on for %u s", record->seconds);
        verdict = m_rules.TimedOn(record->seconds, world);
        (void)Answer(verdict, true, "turbo on for a set time");
    } else {
        const TurboRequest request = command == TurboCommand::On    ? TurboRequest::On
                                     : command == TurboCommand::Off ? TurboRequest::Off
                                                                    : TurboRequest::Toggle;
        lumen::Trace("command: turbo %s", command == TurboCommand::On    ? "on"
                                          : command == TurboCommand::Off ? "off"
                                                                         : "toggle");
        want = request == TurboRequest::Toggle ? !world.on : request == TurboRequest::On;
        verdict = m_rules.Manual(request, world);
        (void)Answer(verdict, true, "command");
    }
    TurboReply answer;
    switch (verdict) {
        case TurboVerdict::Switch:
        case TurboVerdict::Queued:
            answer.code = want ? kTurboSwitchingOn : kTurboSwitchingOff;
            if (replyOk) {
                m_pending.push_back(Pending{reply, replyPid, record->cookie, want});
            }
            break;
        case TurboVerdict::AlreadySo:
            break;
        case TurboVerdict::Busy:
            answer = {kTurboRefused, TurboRefusal::Busy, 0};
            break;
        case TurboVerdict::Unusable:
            answer = {kTurboRefused, TurboRefusal::Unusable, 0};
            break;
        case TurboVerdict::OnBattery:
            answer = {kTurboRefused, TurboRefusal::OnBattery, 0};
            break;
    }
    Reconcile();
    return Reply(answer);
}

void TurboAutomation::PowerStatusChanged() {
    const std::optional<bool> battery = PowerWatch::Instance().OnBattery();
    if (!battery || battery == m_source) {
        return;
    }
    m_source = battery;
    lumen::Trace("power: %s", *battery ? "on battery" : "on mains power");
    m_rules.PowerSource(*battery);
    Reconcile();
}

AutomationMenu TurboAutomation::Menu() {
    AutomationMenu menu;
    menu.programs = m_rules.Programs();
    if (!m_lastInFront.empty() && !m_rules.Listed(m_lastInFront)) {
        menu.candidate = m_lastInFront;
    }
    const TurboWorld world = World();
    menu.timedEnabled = !world.busy && (world.on || world.usable);
    menu.gameModeAvailable = PowerWatch::Instance().GameModeAvailable();
    menu.gameMode = m_rules.GameModeRule();
    menu.offOnBattery = m_rules.OffOnBattery();
    return menu;
}

void TurboAutomation::TurboFor(int64_t seconds) {
    (void)Answer(m_rules.TimedOn(seconds, World()), true, "turbo for a set time");
    Reconcile();
}

void TurboAutomation::ApplyPrograms(std::vector<std::string> names) {
    if (!Settings().SetPrograms(names)) {
        lumen::Trace("turbo rules: the list of programs cannot be stored");
    }
    m_rules.SetPrograms(std::move(names));
    Reconcile();
}

void TurboAutomation::AddProgram(const std::string& name) {
    std::vector<std::string> names = m_rules.Programs();
    if (name.empty() || name.size() > kMaxProgramName || names.size() >= kMaxTurboPrograms || m_rules.Listed(name)) {
        return;
    }
    lumen::Trace("turbo rules: %s listed", name.c_str());
    names.push_back(name);
    ApplyPrograms(std::move(names));
}

void TurboAutomation::RemoveProgram(const std::string& name) {
    std::vector<std::string> names = m_rules.Programs();
    std::erase_if(names, [&name](const std::string& n) { return kora::EqualsIgnoringAsciiCase(n, name); });
    lumen::Trace("turbo rules: %s no longer listed", name.c_str());
    ApplyPrograms(std::move(names));
}

void TurboAutomation::WatchGameMode(bool on) {
    PowerWatch& power = PowerWatch::Instance();
    if (on && power.GameModeAvailable() && !power.WatchingMode()) {
        m_rules.SetGameModeRule(true);
        // The system calls back at once with the mode in force.
        if (!power.WatchMode(Handle(), kModeChanged)) {
            m_rules.SetGameModeRule(false);
        }
    } else if (!on) {
        power.StopWatchingMode();
        m_rules.SetGameModeRule(false);
        m_rules.GameMode(false);
    }
}

void TurboAutomation::SetGameModeRule(bool on) {
    lumen::Trace("turbo rules: game mode %s", on ? "on" : "off");
    Settings().SetGameMode(on);
    WatchGameMode(on);
    Reconcile();
}

void TurboAutomation::SetOffOnBattery(bool on) {
    lumen::Trace("turbo rules: off on battery %s", on ? "on" : "off");
    Settings().SetOffOnBattery(on);
    m_rules.SetOffOnBattery(on);
    Reconcile();
}

LRESULT TurboAutomation::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const auto pid = static_cast<DWORD>(wParam);
    switch (message) {
        case kProgramEnded:
            m_programs->Forget(pid);
            if (m_started && m_rules.Watches(pid)) {
                lumen::Trace("turbo rules: process %lu ended", static_cast<unsigned long>(pid));
                m_rules.ProcessEnded(pid);
                Reconcile();
            }
            return 0;
        case kRunEnded:
            m_runs->Forget(pid);
            if (m_started) {
                lumen::Trace("turbo rules: the run of process %lu ended", static_cast<unsigned long>(pid));
                m_rules.RunEnd(pid);
                Reconcile();
            }
            return 0;
        case kEffectEnded:
            EffectEnded();
            return 0;
        case kModeChanged:
            if (m_started && m_rules.GameModeRule()) {
                lumen::Trace("power: effective power mode %u", static_cast<unsigned>(wParam));
                m_rules.GameMode(wParam == kEffectivePowerModeGame);
                Reconcile();
            }
            return 0;
        case kTimedEnd:
            // The wait was for once: registered again below while the turbo still counts.
            ForgetEndWait();
            if (m_started) {
                m_rules.Clock(NowMs());
                if (m_rules.TimedEndMs()) {
                    // It came early (a clock set back meanwhile): set again for the end kept.
                    ArmEndTimer();
                }
                Reconcile();
            }
            return 0;
        default:
            break;
    }
    return DefaultHandler(message, wParam, lParam);
}

}  // namespace surgepad
