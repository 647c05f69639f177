#include "surgepad/turbo/TurboRules.h"

#include <algorithm>

#include "lumen/kora/TwOcItemProfile.h"
#include "surgepad/turbo/TurboDuration.h"

namespace surgepad {
namespace {

std::string Describe(const TurboReason& reason) {
    switch (reason.cause) {
        case TurboCause::Run:
            return "-turbo run " + reason.name;
        case TurboCause::Program:
            return "while " + reason.name + " runs";
        case TurboCause::GameMode:
            return "in Windows game mode";
        case TurboCause::Timed:
            break;
    }
    return "for a set time";
}

}  // namespace

const char* TurboVerdictName(TurboVerdict verdict) {
    switch (verdict) {
        case TurboVerdict::Switch:
            return "switch";
        case TurboVerdict::AlreadySo:
            return "already so";
        case TurboVerdict::Busy:
            return "a switch runs";
        case TurboVerdict::Queued:
            return "after the running switch";
        case TurboVerdict::Unusable:
            return "the chosen profile cannot be applied";
        case TurboVerdict::OnBattery:
            break;
    }
    return "on battery";
}

void TurboRules::SetPrograms(std::vector<std::string> names) {
    m_programs = std::move(names);
    std::erase_if(m_holders, [this](const Holder& h) { return h.cause == TurboCause::Program && !Listed(h.name); });
}

bool TurboRules::Listed(std::string_view name) const {
    return std::any_of(m_programs.begin(), m_programs.end(),
                       [name](const std::string& listed) { return kora::EqualsIgnoringAsciiCase(listed, name); });
}

void TurboRules::SetGameModeRule(bool on) {
    if (on && !m_gameModeRule && m_gameMode) {
        m_holders.push_back(Holder{TurboCause::GameMode, 0, {}, 0, false});
    }
    if (!on) {
        Remove(TurboCause::GameMode, 0);
    }
    m_gameModeRule = on;
}

void TurboRules::SetOffOnBattery(bool on) {
    const bool was = Blocked();
    m_offOnBattery = on;
    if (Blocked() && !was) {
        m_manualHold = false;
    }
}

void TurboRules::Start(bool on, std::optional<int64_t> timedEndMs, int64_t nowMs) {
    m_holders.clear();
    m_inFlight = TurboStep::Kind::None;
    const bool kept = timedEndMs.has_value() && *timedEndMs <= nowMs + kTurboForMaxSeconds * 1000;
    if (kept && *timedEndMs > nowMs) {
        m_holders.push_back(Holder{TurboCause::Timed, 0, {}, *timedEndMs, false});
    }
    m_manualHold = on && !kept && !Blocked();
}

TurboVerdict TurboRules::Manual(TurboRequest request, const TurboWorld& world) {
    if (world.busy) {
        return TurboVerdict::Busy;
    }
    const bool want = request == TurboRequest::Toggle ? !world.on : request == TurboRequest::On;
    if (!want) {
        EndTurns();
        m_manualHold = false;
        return world.on ? TurboVerdict::Switch : TurboVerdict::AlreadySo;
    }
    if (Blocked()) {
        return TurboVerdict::OnBattery;
    }
    if (!world.on && !world.usable) {
        return TurboVerdict::Unusable;
    }
    m_manualHold = true;
    return world.on ? TurboVerdict::AlreadySo : TurboVerdict::Switch;
}

TurboVerdict TurboRules::TimedOn(int64_t seconds, const TurboWorld& world) {
    if (world.busy) {
        return TurboVerdict::Busy;
    }
    if (Blocked()) {
        return TurboVerdict::OnBattery;
    }
    if (!world.on && !world.usable) {
        return TurboVerdict::Unusable;
    }
    Remove(TurboCause::Timed, 0);
    m_holders.push_back(Holder{TurboCause::Timed, 0, {}, world.nowMs + seconds * 1000, false});
    m_manualHold = false;
    return world.on ? TurboVerdict::AlreadySo : TurboVerdict::Switch;
}

TurboVerdict TurboRules::RunBegin(uint64_t id, std::string name, const TurboWorld& world) {
    if (!Blocked() && !world.on && !world.usable) {
        return TurboVerdict::Unusable;
    }
    // On battery the rule holds all the same, as the other rules do: back on mains
    // power while the program still runs, turbo switches on.
    Remove(TurboCause::Run, id);
    m_holders.push_back(Holder{TurboCause::Run, id, std::move(name), 0, false});
    if (Blocked()) {
        return TurboVerdict::OnBattery;
    }
    if (world.on) {
        return TurboVerdict::AlreadySo;
    }
    return world.busy ? TurboVerdict::Queued : TurboVerdict::Switch;
}

void TurboRules::RunEnd(uint64_t id) {
    Remove(TurboCause::Run, id);
}

bool TurboRules::ProgramFront(std::string_view name, uint64_t pid) {
    if (!Listed(name)) {
        return false;
    }
    if (Holder* seen = Find(TurboCause::Program, pid)) {
        seen->ended = false;
    } else {
        m_holders.push_back(Holder{TurboCause::Program, pid, std::string(name), 0, false});
    }
    return true;
}

void TurboRules::ProcessEnded(uint64_t pid) {
    Remove(TurboCause::Program, pid);
}

bool TurboRules::Watches(uint64_t pid) const {
    return std::any_of(m_holders.begin(), m_holders.end(),
                       [pid](const Holder& h) { return h.cause == TurboCause::Program && h.id == pid; });
}

void TurboRules::GameMode(bool on) {
    if (on && !m_gameMode && m_gameModeRule) {
        m_holders.push_back(Holder{TurboCause::GameMode, 0, {}, 0, false});
    }
    if (!on) {
        Remove(TurboCause::GameMode, 0);
    }
    m_gameMode = on;
}

void TurboRules::PowerSource(bool onBattery) {
    const bool was = Blocked();
    m_onBattery = onBattery;
    if (Blocked() && !was) {
        m_manualHold = false;
    }
}

void TurboRules::Clock(int64_t nowMs) {
    std::erase_if(m_holders, [nowMs](const Holder& h) { return h.cause == TurboCause::Timed && h.untilMs <= nowMs; });
}

void TurboRules::ValuesChangedElsewhere() {
    EndTurns();
    m_manualHold = false;
}

void TurboRules::SwitchEnded(bool on) {
    if (m_inFlight == TurboStep::Kind::On && !on) {
        EndTurns();
        m_manualHold = false;
    }
    m_inFlight = TurboStep::Kind::None;
}

TurboStep TurboRules::Next(const TurboWorld& world) {
    if (world.busy) {
        return {};
    }
    const bool want = !Blocked() && (m_manualHold || AnyHolding());
    if (want && !world.on) {
        if (!world.usable) {
            EndTurns();
            m_manualHold = false;
            return TurboStep{TurboStep::Kind::Refused, "the chosen profile cannot be applied"};
        }
        m_inFlight = TurboStep::Kind::On;
        const std::optional<TurboReason> reason = Reason();
        return TurboStep{TurboStep::Kind::On, reason ? Describe(*reason) : "by hand"};
    }
    if (!want && world.on) {
        m_inFlight = TurboStep::Kind::Off;
        return TurboStep{TurboStep::Kind::Off, Blocked() ? "on battery" : "the rules that held it have ended"};
    }
    return {};
}

std::optional<TurboReason> TurboRules::Reason() const {
    if (m_manualHold) {
        return std::nullopt;
    }
    for (const TurboCause cause : {TurboCause::Run, TurboCause::Program, TurboCause::GameMode, TurboCause::Timed}) {
        for (const Holder& h : m_holders) {
            if (h.cause == cause && !h.ended) {
                return TurboReason{cause, h.name, h.untilMs};
            }
        }
    }
    return std::nullopt;
}

std::optional<int64_t> TurboRules::TimedEndMs() const {
    for (const Holder& h : m_holders) {
        if (h.cause == TurboCause::Timed) {
            return h.untilMs;
        }
    }
    return std::nullopt;
}

bool TurboRules::AnyHolding() const {
    return std::any_of(m_holders.begin(), m_holders.end(), [](const Holder& h) { return !h.ended; });
}

void TurboRules::EndTurns() {
    Remove(TurboCause::Timed, 0);
    for (Holder& h : m_holders) {
        h.ended = true;
    }
}

void TurboRules::Remove(TurboCause cause, uint64_t id) {
    std::erase_if(m_holders, [cause, id](const Holder& h) { return h.cause == cause && h.id == id; });
}

TurboRules::Holder* TurboRules::Find(TurboCause cause, uint64_t id) {
    for (Holder& h : m_holders) {
        if (h.cause == cause && h.id == id) {
            return &h;
        }
    }
    return nullptr;
}

}  // namespace surgepad
