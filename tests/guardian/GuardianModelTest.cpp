// The guardian against a model of the machine and of what the user wants: random
// sequences of the user's steps in the power options, starts, Applies, checks,
// presses, requests and releases of two or three accounts' copies of the program,
// kills after any single write, reboots, firmware updates and damaged records, run on
// the real store and guardian over the machine of ModelMachine.h. After every step the
// user's power button and the firmware must be safe (Invariants below); the first
// sequence that breaks that is shrunk to the shortest that still does, and printed with
// its seed.
//
// SURGEPAD_GUARDIAN_SEQUENCES (default 2000, at most a minute's worth) sets how many
// sequences run, SURGEPAD_GUARDIAN_SECONDS makes it a long run of so many seconds
// instead (make guardian), and SURGEPAD_GUARDIAN_SEED the first seed (default 1);
// SURGEPAD_GUARDIAN_TRACE=1 plays a failing sequence once more, step by step.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "lumen/kora/BtnContronLib.h"
#include "lumen/kora/DormixLib.h"
#include "lumen/system/PowerMgr.h"
#include "surgepad/button/ButtonGuardian.h"
#include "surgepad/button/ButtonRecords.h"
#include "surgepad/button/MachineButtonStore.h"
#include "surgepad/app/ReleaseSwitch.h"
#include "surgepad/button/SettingsStore.h"
#include "surgepad/turbo/TurboRules.h"
#include "tests/guardian/ModelMachine.h"
#include "tests/unit/win/DormixTestSupport.h"

namespace guardian {
namespace {

using surgepad::ButtonGuardian;
using surgepad::SettingsStore;

// Firmware A is the simulator's full board; firmware B, after an update, lists the
// core voltage with 10 steps instead of 161, has no ring ratio, and keeps the memory
// multiplier to itself (read only).
const char kFirmwareA[] = R"(info 0x00000001 0x00000000 0x00000000 0x03000000
item 0x00060008 0x00000003 attr=0x40000000
item 0x00060009 0x00000002 attr=0x40000000
item 0x03010011 0 base=10000 step=1 count=3001
item 0x03020012 80 base=800 step=5 count=161
item 0x03000013 28 base=8 step=1 count=43 percore=28,28,28,28
item 0x03000015 22 base=8 step=1 count=43
item 0x03000032 8 base=8 step=1 count=25
item 0x03010060 200 base=10000 step=25 count=801
item 0x030600F0 0 attr=0x40000000 base=0 step=1 count=4
item 0x03080064 0 attr=0x40000000 texts="Done","Pending"
item 0x05080002 0 attr=0x40000000 texts="Game Boost","Silent OC"
block 0x05080002 0 0 0x03010011 300 0x03000013 34 0x03020012 90 0x03000015 26 0x03010060 280 0xFFFFFFFF
block 0x05080002 1 0 0x03010011 0 0x03000013 30 0x03020012 70 0xFFFFFFFF
item 0x0B060001 0 attr=0x40000000
)";
const char kFirmwareB[] = R"(info 0x00000001 0x00000000 0x00000000 0x03000000
item 0x00060008 0x00000003 attr=0x40000000
item 0x00060009 0x00000002 attr=0x40000000
item 0x03010011 0 base=10000 step=1 count=3001
item 0x03020012 5 base=1000 step=50 count=10
item 0x03000013 28 base=8 step=1 count=43 percore=28,28,28,28
item 0x03000032 8 attr=0x40000000 base=8 step=1 count=25
item 0x03010060 200 base=10000 step=25 count=801
item 0x030600F0 0 attr=0x40000000 base=0 step=1 count=4
item 0x03080064 0 attr=0x40000000 texts="Done","Pending"
item 0x05080002 0 attr=0x40000000 texts="Game Boost","Silent OC"
block 0x05080002 0 0 0x03010011 300 0x03000013 34 0x03020012 9 0xFFFFFFFF
block 0x05080002 1 0 0x03010011 0 0x03000013 30 0x03020012 3 0xFFFFFFFF
item 0x0B060001 0 attr=0x40000000
)";

// Power saver, high performance, balanced: every Windows from Vista on has them.
const GUID kStandardPlans[] = {
    {0xA1841308, 0x3541, 0x4FAB, {0xBC, 0x81, 0xF7, 0x15, 0x56, 0xF2, 0x0B, 0x4A}},
    {0x8C5E7FDA, 0xE8BF, 0x4A96, {0x9A, 0x85, 0xA6, 0xE2, 0x3A, 0x8C, 0x63, 0x5C}},
    {0x381B4222, 0xF694, 0x41F0, {0x96, 0x85, 0xFF, 0x5B, 0xB2, 0x60, 0xDF, 0x2E}},
};

// A plan of the user's or the maker's ("Ultimate performance" and the like).
GUID CustomPlan(uint32_t n) {
    return {0xC0570000u + n, 0x0000, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, static_cast<unsigned char>(n)}};
}

enum class Kind {
    UserSetsPlan,     // a: plan, b: action
    UserActivates,    // a: plan
    UserAddsPlan,     // b: action
    UserDeletesPlan,  // a: plan (never the active one: the system refuses)
    Start,
    ApplyTurbo,  // b: the firmware profile chosen with it
    ApplyPower,
    Check,
    Press,
    Tray,          // the tray menu's turbo item
    TurboCommand,  // "-turbo on" (b even) or "-turbo off"
    Release,       // "-release", as the uninstaller runs it in this account
    Exit,
    Reboot,
    FirmwareUpdate,
    DamageTurboRecord,    // b: which damage
    DamageMachineRecord,  // b: which damage
    DamagePlanValue,      // a: plan, b: which damage
};
constexpr int kKinds = static_cast<int>(Kind::DamagePlanValue) + 1;
const char* const kKindNames[kKinds] = {"the user sets plan",
                                        "the user makes active plan",
                                        "the user adds a plan with action",
                                        "the user deletes plan",
                                        "start",
                                        "Apply turbo with profile",
                                        "Apply power",
                                        "the 5 s check",
                                        "press",
                                        "tray turbo item",
                                        "-turbo",
                                        "-release",
                                        "exit",
                                        "reboot",
                                        "firmware update",
                                        "damaged turbo record",
                                        "damaged machine record",
                                        "damaged saved action of plan"};

struct Step {
    Kind kind;
    int account;
    uint32_t a;
    uint32_t b;
    int killAfter;  // 0, or the program ends after its n-th write of this step
};

std::string Describe(const Step& s) {
    char text[160];
    std::snprintf(text, sizeof text, "account %d: %s (%u, %u)", s.account, kKindNames[static_cast<int>(s.kind)], s.a,
                  s.b);
    std::string line = text;
    if (s.killAfter > 0) {
        line += ", killed after write " + std::to_string(s.killAfter);
    }
    return line;
}

bool IsUserStep(Kind k) {
    return k <= Kind::UserDeletesPlan || k >= Kind::DamageTurboRecord;
}

bool CanBeKilled(Kind k) {
    return k >= Kind::Start && k <= Kind::Release;
}

// What the user wants of one plan: an action, or (after a hostile hand wrote its
// saved action) any action the system defines.
struct Wish {
    uint32_t action = 0;
    bool any = false;
};

// On a busy machine a record's read may wait a while for its thread; the model's
// outcome must not depend on that.
constexpr uint32_t kNoDeadline = 600000;

// A copy of the program of one account, running.
struct Copy {
    explicit Copy(const std::string& machineFolder)
        : dormix(std::make_unique<ModelDormix>()),
          power(PowerEntries()),
          machine(machineFolder, kNoDeadline),
          store([&] {
              SettingsStore::Services services;
              services.dormix = &dormix;
              services.dormixLoaded = true;
              services.power = &power;
              services.profileCount = [] { return 2u; };
              services.machine = &machine;
              return services;
          }()),
          lib(machineFolder, std::make_unique<Silent>()),
          guardian(store, lib) {}

    // A press, the tray's turbo item or -turbo: the rules of turbo decide, and the switch
    // they ask for runs at once (the effect has nothing to add here).
    void Ask(surgepad::TurboRequest request) {
        auto world = [this] { return surgepad::TurboWorld{lib.IsTurboOn(), false, guardian.ChosenProfileUsable(), 0}; };
        if (rules.Manual(request, world()) != surgepad::TurboVerdict::Switch) {
            return;
        }
        const surgepad::TurboStep step = rules.Next(world());
        if (step.kind == surgepad::TurboStep::Kind::On) {
            guardian.SwitchOn();
        } else if (step.kind == surgepad::TurboStep::Kind::Off) {
            guardian.SwitchOff();
        }
        rules.SwitchEnded(lib.IsTurboOn());
    }

    // No pipe, no broadcast: the model's firmware is this process's.
    struct Silent final : kora::SysCtrlAnnouncer {
        void SystemControlRequest(uint32_t, uint32_t, uint32_t) override {}
        void AnnounceValuesChanged() override {}
    };

    kora::DormixLib dormix;
    lumen::VistaPowerManage power;
    surgepad::MachineButtonStore machine;
    SettingsStore store;
    kora::BtnContronLib lib;
    ButtonGuardian guardian;
    surgepad::TurboRules rules;
};

struct Account {
    HKEY root = nullptr;  // this account's HKEY_CURRENT_USER
    std::unique_ptr<Copy> copy;
};

struct Failure {
    size_t step;  // the step after which an invariant broke
    std::string why;
};

const char kSettingsPath[] = "Software\\KORA\\Power Button Setting";

const char kModelRoot[] = "Software\\Surgepad guardian model";

class World {
public:
    World(uint32_t seed, const std::string& folder) : m_folder(folder) {
        std::mt19937 rng(seed);
        Machine& m = TheMachine();
        m = Machine{};
        m.modelThread = GetCurrentThreadId();
        m.windowsMajor = rng() % 4 == 0 ? 6 : 10;
        m.LoadFirmware(kFirmwareA);
        m_firmwareB = false;
        for (const GUID& id : kStandardPlans) {
            m.plans.push_back({id, 1 + rng() % m.LargestAction()});
        }
        const uint32_t customs = rng() % 3;
        for (uint32_t n = 0; n < customs; ++n) {
            m.plans.push_back({CustomPlan(m_nextCustom++), 1 + rng() % m.LargestAction()});
        }
        // Half the machines run a plan of their own.
        m.active = m.plans[customs > 0 && rng() % 2 == 0 ? 3 : 2].id;
        for (const Plan& plan : m.plans) {
            m_wish[GuidText(plan.id)] = Wish{plan.action};
        }
        m_accounts.resize(2 + rng() % 2);
        for (size_t i = 0; i < m_accounts.size(); ++i) {
            const std::string path =
                std::string(kModelRoot) + "\\" + std::to_string(GetCurrentProcessId()) + "\\" + std::to_string(i);
            RegDeleteTreeA(HKEY_CURRENT_USER, path.c_str());
            RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &m_accounts[i].root, nullptr);
        }
    }
    ~World() {
        for (Account& account : m_accounts) {
            account.copy.reset();
            RegCloseKey(account.root);
        }
        RegDeleteTreeA(HKEY_CURRENT_USER,
                       (std::string(kModelRoot) + "\\" + std::to_string(GetCurrentProcessId())).c_str());
    }
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    size_t Accounts() const { return m_accounts.size(); }

    // Runs one step; the invariant it broke, if any.
    std::optional<std::string> Run(const Step& step) {
        Machine& m = TheMachine();
        Account& account = m_accounts[static_cast<size_t>(step.account) % m_accounts.size()];
        m.forbidden.clear();
        (void)TakeTrace();  // a failure reports the trace of its own step
        bool killed = false;
        bool ran = true;
        if (IsUserStep(step.kind)) {
            ran = RunUserStep(step, account);
        } else {
            AsAccount as(account.root);
            m.writes = 0;
            m.killAt = step.killAfter;
            m.killPending = false;
            m.counting = true;
            try {
                ran = RunProgramStep(step, account);
            } catch (const Killed&) {
                killed = true;
            }
            m.counting = false;
            if (killed || m.killPending) {
                killed = true;
                account.copy.reset();
            }
        }
        if (!ran) {
            return std::nullopt;
        }
        return Check(step, account, killed);
    }

    // The end of a sequence: every copy ends and the first account uninstalls.
    std::optional<std::string> Finish() {
        (void)TakeTrace();
        for (Account& account : m_accounts) {
            account.copy.reset();
        }
        AsAccount as(m_accounts[0].root);
        SettingsStore store = ReleaseStore();
        (void)surgepad::ReleaseHeldPowerButton(store);
        return PlansAreWishes("after the uninstall at the end");
    }

private:
    // Makes HKEY_CURRENT_USER this account's for the program's calls.
    struct AsAccount {
        explicit AsAccount(HKEY root) { RegOverridePredefKey(HKEY_CURRENT_USER, root); }
        ~AsAccount() { RegOverridePredefKey(HKEY_CURRENT_USER, nullptr); }
    };

    // "-release" runs in a process of its own, without the firmware.
    SettingsStore ReleaseStore() {
        m_releaseDormix = std::make_unique<kora::DormixLib>(std::make_unique<ModelDormix>());
        m_releasePower = std::make_unique<lumen::VistaPowerManage>(PowerEntries());
        m_releaseMachine = std::make_unique<surgepad::MachineButtonStore>(m_folder, kNoDeadline);
        SettingsStore::Services services;
        services.dormix = m_releaseDormix.get();
        services.dormixLoaded = true;
        services.power = m_releasePower.get();
        services.machine = m_releaseMachine.get();
        return SettingsStore(std::move(services));
    }

    // A copy holds the button by its settings, or by its machine record (a copy ended
    // between writing the one and the other leaves the other behind).
    bool AnyHolds() {
        for (const Account& account : m_accounts) {
            if (Held(account) || RecordHolds(account).value_or(false)) {
                return true;
            }
        }
        return false;
    }

    std::optional<bool> RecordHolds(const Account& account) const {
        char id[80] = {};
        DWORD size = sizeof id;
        if (RegGetValueA(account.root, kSettingsPath, "AccountId", RRF_RT_REG_SZ, nullptr, id, &size) !=
            ERROR_SUCCESS) {
            return std::nullopt;
        }
        const std::string text = testutil::ReadText(m_folder + "PowerButton-" + id + ".txt");
        const auto record = surgepad::ParseAccountButtonRecord(text);
        return record ? std::optional<bool>(record->holds) : std::nullopt;
    }

    // A copy holds the button, and the button shows it: the scheme in force does nothing.
    bool MachineHeld() {
        const Plan* active = TheMachine().Active();
        return active != nullptr && active->action == 0 && AnyHolds();
    }

    static std::optional<DWORD> Stored(const Account& account, const char* name) {
        DWORD value = 0;
        DWORD size = sizeof value;
        DWORD type = 0;
        HKEY key = nullptr;
        if (RegOpenKeyExA(account.root, kSettingsPath, 0, KEY_READ, &key) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        const LSTATUS status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
        RegCloseKey(key);
        if (status != ERROR_SUCCESS || type != REG_DWORD) {
            return std::nullopt;
        }
        return value;
    }

    static bool Held(const Account& account) { return Stored(account, "PowerButtonDisabled") == DWORD{0}; }

    static void PutValue(const Account& account, const std::string& name, DWORD type, const void* data, DWORD size) {
        RegSetKeyValueA(account.root, kSettingsPath, name.c_str(), type, data, size);
    }

    bool RunUserStep(const Step& step, Account& account) {
        Machine& m = TheMachine();
        Plan& plan = m.plans[step.a % m.plans.size()];
        const std::string id = GuidText(plan.id);
        switch (step.kind) {
            case Kind::UserSetsPlan: {
                const uint32_t action = step.b % (m.LargestAction() + 1);
                // Setting "do nothing" while the program holds the button changes nothing
                // anyone could see.
                if (action == plan.action || (action == 0 && AnyHolds())) {
                    return false;
                }
                plan.action = action;
                m_wish[id] = Wish{action};
                return true;
            }
            case Kind::UserActivates:
                m.active = plan.id;
                return true;
            case Kind::UserAddsPlan: {
                if (m.plans.size() >= 6) {
                    return false;
                }
                const uint32_t action = step.b % (m.LargestAction() + 1);
                // While a copy's hold is in doubt (given back elsewhere, or the plan in
                // force changed by the user) a plan made to do nothing is nobody's to judge.
                if (action == 0 && AnyHolds() && !MachineHeld()) {
                    return false;
                }
                Wish wish{action};
                if (action == 0 && MachineHeld()) {
                    // A plan made while the button is held copies a plan that does nothing:
                    // it gets the action of the pair the hold keeps to give back.
                    const auto machine = surgepad::MachineButtonStore(m_folder, kNoDeadline).Read();
                    if (!machine || !machine->saved) {
                        return false;
                    }
                    wish.action = machine->saved->first != 0 ? machine->saved->first : 3;
                }
                const GUID added = CustomPlan(m_nextCustom++);
                m.plans.push_back({added, action});
                m_wish[GuidText(added)] = wish;
                return true;
            }
            case Kind::UserDeletesPlan:
                if (IsEqualGUID(plan.id, m.active) || m.plans.size() <= 1) {
                    return false;
                }
                m_wish.erase(id);
                m.plans.erase(m.plans.begin() + (&plan - m.plans.data()));
                return true;
            case Kind::DamageTurboRecord: {
                static const std::vector<uint8_t> kDamage[] = {
                    {1, 2, 3},                                      // odd-sized
                    {0x13, 0, 0, 0x07, 30, 0, 0, 0},                // another group's item numbered 0x13
                    {0x01, 0, 0x06, 0x0B, 1, 0, 0, 0},              // the restore guard
                    {0x12, 0, 0x02, 0x03, 200, 0, 0, 0},            // beyond the voltage's steps
                    {0x40, 0, 0, 0x03, 5, 0, 0, 0},                 // a read-only item
                    {0x99, 0, 0xFF, 0x03, 1, 0, 0, 0},              // an item no firmware lists
                    {0x11, 0, 0x01, 0x03, 0xFF, 0xFF, 0xFF, 0xFF},  // the base clock at 2^32-1
                };
                const std::vector<uint8_t>& bytes = kDamage[step.b % std::size(kDamage)];
                PutValue(account, "TurboStartupValues", REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size()));
                return true;
            }
            case Kind::DamageMachineRecord: {
                // Records no copy may take: out of range, cut short, not text; and a
                // release no copy made, which a holder must not take for one while its
                // button still does nothing.
                static const char* const kDamage[] = {
                    "saved 99 3735928559\nscheme {A1841308-3541-4FAB-BC81-F71556F20B4A} 4294967295\nholder x y\n",
                    "turn 7\nsaved 3 0\nscheme {A1841308-3541-4FAB-BC81-F71556F20B4A} 4294967295\nholds 1\nend\n",
                    "turn 7\nsaved 3 0\nholds 1\n",
                    "\x01\x02 garbage \xFF\n",
                    "turn 1000000\nholds 0\nend\n",
                };
                const char* const kNames[] = {"PowerButton.txt", "PowerButton-0000-1111.txt",
                                              "PowerButton-0000-2222.txt", "PowerButton-0000-3333.txt",
                                              "PowerButton-0000-4444.txt"};
                const size_t which = step.b % std::size(kDamage);
                testutil::WriteText(m_folder + kNames[which], kDamage[which]);
                return true;
            }
            case Kind::DamagePlanValue: {
                static const DWORD kDamage[] = {0xFFFFFFFF, 9, 5};
                const DWORD value = kDamage[step.b % std::size(kDamage)];
                PutValue(account, "PowerButtonAction " + id, REG_DWORD, &value, sizeof value);
                m_wish[id].any = true;
                return true;
            }
            default:
                return false;
        }
    }

    bool RunProgramStep(const Step& step, Account& account) {
        Machine& m = TheMachine();
        Copy* copy = account.copy.get();
        switch (step.kind) {
            case Kind::Start:
                if (copy != nullptr) {
                    return false;
                }
                account.copy = std::make_unique<Copy>(m_folder);
                account.copy->guardian.Start();
                account.copy->guardian.ResumeRecordedTurbo();
                account.copy->rules.Start(account.copy->lib.IsTurboOn(), std::nullopt, 0);
                return true;
            case Kind::ApplyTurbo:
            case Kind::ApplyPower:
                if (copy == nullptr) {
                    return false;
                }
                if (step.kind == Kind::ApplyPower) {
                    (void)copy->guardian.ApplyAction(0);
                } else if (copy->guardian.ApplyAction(1)) {
                    copy->store.SetProfileType(step.b % 2);
                }
                return true;
            case Kind::Check:
                if (copy == nullptr) {
                    return false;
                }
                copy->guardian.CheckConfiguration();
                return true;
            case Kind::Press:
            case Kind::Tray:
            case Kind::TurboCommand: {
                if (copy == nullptr) {
                    return false;
                }
                // A press does something under the turbo action only.
                if (step.kind == Kind::Press && copy->store.GetButtonAction() != 1) {
                    return true;
                }
                copy->Ask(step.kind != Kind::TurboCommand ? surgepad::TurboRequest::Toggle
                          : step.b % 2 == 0               ? surgepad::TurboRequest::On
                                                          : surgepad::TurboRequest::Off);
                return true;
            }
            case Kind::Release: {
                account.copy.reset();  // closed by the release run
                SettingsStore store = ReleaseStore();
                (void)surgepad::ReleaseHeldPowerButton(store);
                return true;
            }
            case Kind::Exit:
                if (copy == nullptr) {
                    return false;
                }
                account.copy.reset();
                return true;
            case Kind::Reboot:
            case Kind::FirmwareUpdate:
                for (Account& each : m_accounts) {
                    each.copy.reset();
                }
                if (step.kind == Kind::FirmwareUpdate) {
                    m_firmwareB = !m_firmwareB;
                }
                m.LoadFirmware(m_firmwareB ? kFirmwareB : kFirmwareA);
                return true;
            default:
                return false;
        }
    }

    bool Matches(const Plan& plan, const Wish& wish, bool active) const {
        if (wish.any) {
            return plan.action <= TheMachine().LargestAction();
        }
        // "Do nothing" is never given back to the plan in force: shut down instead.
        return plan.action == wish.action || (active && wish.action == 0 && plan.action == 3);
    }

    std::optional<std::string> PlansAreWishes(const char* when) {
        Machine& m = TheMachine();
        for (const Plan& plan : m.plans) {
            const Wish& wish = m_wish[GuidText(plan.id)];
            const bool active = IsEqualGUID(plan.id, m.active);
            if (!Matches(plan, wish, active)) {
                return std::string(when) + ": plan " + GuidText(plan.id) + (active ? " (active)" : "") +
                       " has action " + std::to_string(plan.action) + ", the user's is " +
                       (wish.any ? std::string("any") : std::to_string(wish.action));
            }
        }
        return std::nullopt;
    }

    std::optional<std::string> Check(const Step& step, const Account& account, bool killed) {
        Machine& m = TheMachine();
        if (!m.forbidden.empty()) {
            return m.forbidden.front();
        }
        // The scheme in force was given shut down for the user's "do nothing": that is
        // what the user finds in the power options from now on.
        Plan* active = m.Active();
        if (!IsUserStep(step.kind) && active != nullptr && active->action == 3) {
            Wish& wish = m_wish[GuidText(active->id)];
            if (!wish.any && wish.action == 0) {
                wish.action = 3;
            }
        }
        const bool anyHolds = AnyHolds();
        if (IsUserStep(step.kind)) {
            return std::nullopt;
        }
        if (killed) {
            return std::nullopt;
        }
        if (step.kind == Kind::ApplyPower || step.kind == Kind::Release) {
            if (auto broken = PlansAreWishes("after the power action or the release")) {
                return broken;
            }
        }
        if (!anyHolds) {
            if (auto broken = PlansAreWishes("while no copy holds the button")) {
                return broken;
            }
        }
        // The account's two records of its hold agree once a step of its own is done.
        const bool accountsStep = step.kind >= Kind::Start && step.kind <= Kind::Release;
        if (const auto record = RecordHolds(account); accountsStep && record && *record != Held(account)) {
            return std::string("the machine record says the copy ") + (*record ? "holds" : "does not hold") +
                   " the button, its settings the opposite";
        }
        const bool ownStep = step.kind == Kind::Start || step.kind == Kind::ApplyTurbo || step.kind == Kind::Check;
        if (ownStep && Held(account)) {
            for (const Plan& plan : m.plans) {
                if (plan.action != 0) {
                    return "while this account's copy holds the button, plan " + GuidText(plan.id) + " has action " +
                           std::to_string(plan.action);
                }
            }
        }
        if (step.kind == Kind::Start) {
            // A turbo record kept after a start lists only what this firmware may be given.
            std::vector<uint8_t> bytes(4096);
            DWORD size = static_cast<DWORD>(bytes.size());
            if (RegGetValueA(account.root, kSettingsPath, "TurboStartupValues", RRF_RT_REG_BINARY, nullptr,
                             bytes.data(), &size) == ERROR_SUCCESS) {
                const auto record = surgepad::DecodeValueList(bytes.data(), size);
                if (!record) {
                    return "the start kept a turbo record of " + std::to_string(size) + " bytes";
                }
                for (const kora::tagTwOcItemValue& pair : *record) {
                    const sim::BoardItem* item = m.board->FindItem(pair.id);
                    if (item == nullptr || item->Group() != 3 || (item->attr & 0x40000000u) != 0 ||
                        !item->AcceptsValue(pair.value)) {
                        char text[96];
                        std::snprintf(text, sizeof text, "the start kept a turbo record with (0x%08X, %u)", pair.id,
                                      pair.value);
                        return std::string(text);
                    }
                }
            }
        }
        return std::nullopt;
    }

    std::string m_folder;
    std::vector<Account> m_accounts;
    std::map<std::string, Wish> m_wish;
    uint32_t m_nextCustom = 1;
    bool m_firmwareB = false;
    std::unique_ptr<kora::DormixLib> m_releaseDormix;
    std::unique_ptr<lumen::VistaPowerManage> m_releasePower;
    std::unique_ptr<surgepad::MachineButtonStore> m_releaseMachine;
};

// ---------------------------------------------------------------------------------------

std::vector<Step> Generate(std::mt19937& rng, size_t count, size_t accounts) {
    // Weights: the user's steps and the program's everyday ones often, the rare ones rarely.
    static const int kWeights[kKinds] = {14, 6, 3, 2, 10, 8, 5, 12, 8, 3, 3, 3, 5, 2, 1, 1, 1, 1};
    std::discrete_distribution<int> kind(std::begin(kWeights), std::end(kWeights));
    std::vector<Step> steps;
    for (size_t i = 0; i < count; ++i) {
        Step step{static_cast<Kind>(kind(rng)), static_cast<int>(rng() % accounts), rng() % 8, rng() % 8, 0};
        if (CanBeKilled(step.kind) && rng() % 8 == 0) {
            step.killAfter = 1 + static_cast<int>(rng() % 6);
        }
        steps.push_back(step);
    }
    return steps;
}

struct Replayed {
    std::optional<Failure> failure;
    size_t steps = 0;
};

// The machine-wide program data of a fresh machine.
void EmptyFolder(const std::string& folder) {
    CreateDirectoryA(folder.c_str(), nullptr);
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            DeleteFileA((folder + found.cFileName).c_str());
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

// With SURGEPAD_GUARDIAN_TRACE set, the printed sequence is played once more with each
// step's trace and the plans after it: what a look at a fault starts from.
void PrintStep(const std::string& title) {
    std::printf("%s\n", title.c_str());
    for (const std::string& line : TakeTrace()) {
        std::printf("    | %s\n", line.c_str());
    }
    const Machine& m = TheMachine();
    for (const Plan& plan : m.plans) {
        std::printf("    plan %s%s: %u\n", GuidText(plan.id).c_str(), IsEqualGUID(plan.id, m.active) ? " (active)" : "",
                    plan.action);
    }
}

Replayed Replay(uint32_t seed, const std::vector<Step>& steps, const std::string& folder, bool print = false) {
    EmptyFolder(folder);
    World world(seed, folder);
    Replayed run;
    for (size_t i = 0; i < steps.size(); ++i) {
        ++run.steps;
        std::optional<std::string> broken = world.Run(steps[i]);
        if (print) {
            PrintStep(std::to_string(i + 1) + ". " + Describe(steps[i]));
        }
        if (broken) {
            run.failure = Failure{i, *broken};
            return run;
        }
    }
    std::optional<std::string> broken = world.Finish();
    if (print) {
        PrintStep("the uninstall at the end");
    }
    if (broken) {
        run.failure = Failure{steps.size(), *broken};
    }
    return run;
}

// The shortest sequence found that still fails: cut after the failure, then drop
// chunks of steps, then single steps, and take kills away where the failure stays.
std::vector<Step> Shrink(uint32_t seed, std::vector<Step> steps, const std::string& folder) {
    auto fails = [&](const std::vector<Step>& candidate) {
        return Replay(seed, candidate, folder).failure.has_value();
    };
    if (auto failure = Replay(seed, steps, folder).failure; failure && failure->step < steps.size()) {
        steps.resize(failure->step + 1);
    }
    for (size_t chunk = steps.size() / 2; chunk >= 1; chunk /= 2) {
        for (size_t at = 0; at + chunk <= steps.size();) {
            std::vector<Step> candidate = steps;
            candidate.erase(candidate.begin() + static_cast<std::ptrdiff_t>(at),
                            candidate.begin() + static_cast<std::ptrdiff_t>(at + chunk));
            if (fails(candidate)) {
                steps = std::move(candidate);
            } else {
                at += chunk;
            }
        }
    }
    for (Step& step : steps) {
        if (step.killAfter > 0) {
            const int kill = step.killAfter;
            step.killAfter = 0;
            if (!fails(steps)) {
                step.killAfter = kill;
            }
        }
    }
    return steps;
}

std::optional<uint64_t> Setting(const char* name) {
    char text[32];
    const DWORD n = GetEnvironmentVariableA(name, text, sizeof text);
    if (n == 0 || n >= sizeof text) {
        return std::nullopt;
    }
    return std::strtoull(text, nullptr, 10);
}

// Sequences long runs found, each kept as it was printed once its fault was mended.
TEST(GuardianModel, TheSequencesLongRunsFoundStayMended) {
    WatchProgramWrites();
    testutil::CrossProcessLock lock("SurgepadTest.SettingsKey");
    ASSERT_TRUE(lock.Held());
    testutil::ScratchFolder scratch("guardian-found");
    const std::string folder = scratch / "machine\\";
    using K = Kind;
    const struct {
        uint32_t seed;
        const char* fault;
        std::vector<Step> steps;
    } found[] = {
        {796870158,
         "a claim killed before its hold, dropped at a later start, took the place of the newer setting "
         "another account's copy kept",
         {{K::UserDeletesPlan, 1, 0, 4, 0},
          {K::UserSetsPlan, 0, 7, 5, 0},
          {K::Start, 1, 2, 3, 0},
          {K::ApplyTurbo, 1, 0, 4, 5},
          {K::UserSetsPlan, 1, 1, 2, 0},
          {K::Start, 0, 4, 2, 0},
          {K::ApplyTurbo, 0, 3, 3, 0},
          {K::Start, 1, 2, 6, 0}}},
    };
    for (const auto& row : found) {
        const Replayed run = Replay(row.seed, row.steps, folder);
        EXPECT_FALSE(run.failure.has_value())
            << "seed " << row.seed << " (" << row.fault << "): after step " << (run.failure ? run.failure->step + 1 : 0)
            << ": " << (run.failure ? run.failure->why : std::string());
    }
}

TEST(GuardianModel, NoSequenceLosesTheUsersButtonOrGivesTheFirmwareWhatItDoesNotList) {
    WatchProgramWrites();
    const uint64_t seconds = Setting("SURGEPAD_GUARDIAN_SECONDS").value_or(0);
    // The registry's local machine part is shared with the settings tests of other
    // programs (a long run has a prefix of its own).
    std::optional<testutil::CrossProcessLock> lock;
    if (seconds == 0) {
        lock.emplace("SurgepadTest.SettingsKey");
        ASSERT_TRUE(lock->Held());
    }
    testutil::ScratchFolder scratch("guardian");
    const std::string folder = scratch / "machine\\";
    const uint64_t sequences = Setting("SURGEPAD_GUARDIAN_SEQUENCES").value_or(2000);
    const uint32_t firstSeed = static_cast<uint32_t>(Setting("SURGEPAD_GUARDIAN_SEED").value_or(1));
    // Every kind of fault once, each with its shortest sequence (for a look at faults
    // before their mends), instead of the first alone.
    const bool keepGoing = Setting("SURGEPAD_GUARDIAN_KEEP_GOING").value_or(0) != 0;
    std::map<std::string, std::string> found;
    uint64_t failures = 0;
    const auto start = std::chrono::steady_clock::now();
    uint64_t runs = 0;
    uint64_t steps = 0;
    for (uint32_t seed = firstSeed;; ++seed) {
        // The unit run stops at its count, or after a minute on a machine too busy for it.
        const auto elapsed = std::chrono::steady_clock::now() - start;
        if (seconds > 0 ? elapsed >= std::chrono::seconds(seconds)
                        : runs >= sequences || elapsed >= std::chrono::seconds(60)) {
            break;
        }
        std::mt19937 rng(seed);
        const size_t accounts = World(seed, folder).Accounts();
        const std::vector<Step> sequence = Generate(rng, 10 + rng() % 30, accounts);
        const Replayed run = Replay(seed, sequence, folder);
        ++runs;
        steps += run.steps;
        if (run.failure) {
            const std::vector<Step> shortest = Shrink(seed, sequence, folder);
            const Replayed again = Replay(seed, shortest, folder, Setting("SURGEPAD_GUARDIAN_TRACE").value_or(0) != 0);
            const std::string why = again.failure ? again.failure->why : run.failure->why;
            std::string text = "seed " + std::to_string(seed) + ": " + why + "\nshortest failing sequence (" +
                               std::to_string(shortest.size()) + " steps):\n";
            for (size_t i = 0; i < shortest.size(); ++i) {
                text += "  " + std::to_string(i + 1) + ". " + Describe(shortest[i]) + "\n";
            }
            text += "the program's trace in the failing step:\n";
            for (const std::string& line : TakeTrace()) {
                text += "  | " + line + "\n";
            }
            if (!keepGoing) {
                FAIL() << text << "(" << runs << " sequences, " << steps << " steps before it)";
            }
            // Another run of the same fault is not worth a report of its own.
            const std::string kind = why.substr(0, why.find_first_of(":0123456789"));
            if (found.emplace(kind, text).second) {
                std::printf("%s\n", text.c_str());
            }
            ++failures;
        }
        (void)TakeTrace();
    }
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("guardian model: %llu sequences, %llu steps, seeds %u to %u, %llu failures, %.1f s\n",
                static_cast<unsigned long long>(runs), static_cast<unsigned long long>(steps), firstSeed,
                firstSeed + static_cast<uint32_t>(runs) - 1, static_cast<unsigned long long>(failures), elapsed);
    EXPECT_EQ(0u, failures) << found.size() << " kinds of fault";
}

}  // namespace
}  // namespace guardian
