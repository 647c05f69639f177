#include "tests/guardian/ModelMachine.h"

#include <cstdio>
#include <cstring>
#include <deque>

#include "lumen/kora/VendorApi.h"
#include "sim/AcpiFirmware.h"
#include "sim/AcpiPackage.h"
#include "sim/BoardParser.h"
#include "tests/helpers/ImportPatch.h"

namespace guardian {

constexpr uint32_t kGroupOverclock = 3;
constexpr uint32_t kCoreSelector = 0x030600F0;
constexpr uint32_t kAttrReadOnly = 1u << 30;

namespace {

constexpr GUID kAllPlans = {0x68A1E95E, 0x13EA, 0x41E1, {0x80, 0x11, 0x0C, 0x49, 0x6C, 0xA4, 0x90, 0xB0}};
constexpr GUID kButtonSubgroup = {0x4F971E89, 0xEEBD, 0x4455, {0xA8, 0xDE, 0x9E, 0x59, 0x04, 0x0E, 0x73, 0x47}};
constexpr GUID kButtonAction = {0x7648EFA3, 0xDD9C, 0x4E3E, {0xB5, 0x66, 0x50, 0xF9, 0x29, 0x38, 0x62, 0x80}};

bool IsButtonSetting(const GUID* subgroup, const GUID* setting) {
    return subgroup != nullptr && setting != nullptr && IsEqualGUID(*subgroup, kButtonSubgroup) &&
           IsEqualGUID(*setting, kButtonAction);
}

DWORD WINAPI GetActive(HKEY, GUID** active) {
    Machine& m = TheMachine();
    if (m.Active() == nullptr) {
        return ERROR_FILE_NOT_FOUND;
    }
    *active = static_cast<GUID*>(LocalAlloc(LMEM_FIXED, sizeof(GUID)));
    **active = m.active;
    return ERROR_SUCCESS;
}

DWORD WINAPI SetActive(HKEY, const GUID* scheme) {
    Machine& m = TheMachine();
    if (scheme == nullptr || m.Find(*scheme) == nullptr) {
        return ERROR_FILE_NOT_FOUND;
    }
    m.BeforeWrite();
    m.active = *scheme;
    m.Wrote();
    return ERROR_SUCCESS;
}

DWORD WINAPI Enumerate(HKEY, const GUID*, const GUID*, DWORD, ULONG index, UCHAR* buffer, DWORD* size) {
    Machine& m = TheMachine();
    if (index >= m.plans.size()) {
        return ERROR_NO_MORE_ITEMS;
    }
    if (buffer == nullptr || size == nullptr || *size < sizeof(GUID)) {
        return ERROR_MORE_DATA;
    }
    std::memcpy(buffer, &m.plans[index].id, sizeof(GUID));
    *size = sizeof(GUID);
    return ERROR_SUCCESS;
}

DWORD WINAPI ReadAc(HKEY, const GUID* scheme, const GUID* subgroup, const GUID* setting, DWORD* value) {
    Plan* plan = scheme != nullptr ? TheMachine().Find(*scheme) : nullptr;
    if (plan == nullptr || !IsButtonSetting(subgroup, setting)) {
        return ERROR_FILE_NOT_FOUND;
    }
    *value = plan->action;
    return ERROR_SUCCESS;
}

DWORD WINAPI WriteAc(HKEY, const GUID* scheme, const GUID* subgroup, const GUID* setting, DWORD value) {
    Machine& m = TheMachine();
    if (scheme == nullptr || !IsButtonSetting(subgroup, setting)) {
        return ERROR_FILE_NOT_FOUND;
    }
    // As the system: an index the version does not define is refused.
    if (value > m.LargestAction()) {
        return ERROR_INVALID_PARAMETER;
    }
    m.BeforeWrite();
    if (IsEqualGUID(*scheme, kAllPlans)) {
        for (Plan& plan : m.plans) {
            plan.action = value;
        }
    } else if (Plan* plan = m.Find(*scheme)) {
        plan->action = value;
    } else {
        return ERROR_FILE_NOT_FOUND;
    }
    m.Wrote();
    return ERROR_SUCCESS;
}

// ---------------------------------------------------------------------------------------
// Writes of the program outside the machine: its registry values, its machine record.

std::deque<std::string>& TraceLines() {
    static std::deque<std::string> lines;
    return lines;
}

using RegSetValueExAFn = LSTATUS(WINAPI*)(HKEY, LPCSTR, DWORD, DWORD, const BYTE*, DWORD);
using RegDeleteValueAFn = LSTATUS(WINAPI*)(HKEY, LPCSTR);
using MoveFileExWFn = BOOL(WINAPI*)(LPCWSTR, LPCWSTR, DWORD);
using MoveFileExAFn = BOOL(WINAPI*)(LPCSTR, LPCSTR, DWORD);
using OutputDebugStringAFn = void(WINAPI*)(LPCSTR);
RegSetValueExAFn g_regSetValueExA = nullptr;
RegDeleteValueAFn g_regDeleteValueA = nullptr;
MoveFileExWFn g_moveFileExW = nullptr;
MoveFileExAFn g_moveFileExA = nullptr;
OutputDebugStringAFn g_outputDebugStringA = nullptr;

LSTATUS WINAPI CountedRegSetValueExA(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size) {
    TheMachine().BeforeWrite();
    const LSTATUS status = g_regSetValueExA(key, name, reserved, type, data, size);
    if (status == ERROR_SUCCESS) {
        TheMachine().Wrote();
    }
    return status;
}

LSTATUS WINAPI CountedRegDeleteValueA(HKEY key, LPCSTR name) {
    TheMachine().BeforeWrite();
    const LSTATUS status = g_regDeleteValueA(key, name);
    if (status == ERROR_SUCCESS) {
        TheMachine().Wrote();
    }
    return status;
}

BOOL WINAPI CountedMoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags) {
    TheMachine().BeforeWrite();
    const BOOL moved = g_moveFileExW(from, to, flags);
    if (moved) {
        TheMachine().Wrote();
    }
    return moved;
}

BOOL WINAPI CountedMoveFileExA(LPCSTR from, LPCSTR to, DWORD flags) {
    TheMachine().BeforeWrite();
    const BOOL moved = g_moveFileExA(from, to, flags);
    if (moved) {
        TheMachine().Wrote();
    }
    return moved;
}

void WINAPI KeptOutputDebugStringA(LPCSTR text) {
    std::string line = text != nullptr ? text : "";
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.pop_back();
    }
    std::deque<std::string>& lines = TraceLines();
    lines.push_back(std::move(line));
    if (lines.size() > 300) {
        lines.pop_front();
    }
}

}  // namespace

Plan* Machine::Find(const GUID& id) {
    for (Plan& plan : plans) {
        if (IsEqualGUID(plan.id, id)) {
            return &plan;
        }
    }
    return nullptr;
}

void Machine::Wrote() {
    if (!counting || ++writes != killAt) {
        return;
    }
    if (GetCurrentThreadId() != modelThread) {
        killPending = true;  // no exception may leave the program's own thread
        return;
    }
    counting = false;
    throw Killed{};
}

void Machine::BeforeWrite() {
    if (counting && killPending && GetCurrentThreadId() == modelThread) {
        counting = false;
        throw Killed{};
    }
}

void Machine::LoadFirmware(const std::string& boardText) {
    std::string error;
    std::optional<sim::Board> parsed = sim::ParseBoard(boardText, "model", &error);
    board = parsed ? std::make_shared<const sim::Board>(std::move(*parsed)) : nullptr;
    firmware = board ? sim::InitialState(*board) : sim::SimState{};
}

Machine& TheMachine() {
    static Machine machine;
    return machine;
}

lumen::VistaPowerManage::Entries PowerEntries() {
    lumen::VistaPowerManage::Entries entries;
    entries.getActiveScheme = &GetActive;
    entries.setActiveScheme = &SetActive;
    entries.enumerate = &Enumerate;
    entries.readACValueIndex = &ReadAc;
    entries.writeACValueIndex = &WriteAc;
    return entries;
}

bool ModelDormix::GetPowerButtonSetting(uint32_t* action, uint32_t* event) {
    const Plan* plan = TheMachine().Active();
    if (plan == nullptr) {
        return false;
    }
    *action = plan->action;
    *event = 0;
    return true;
}

bool ModelDormix::SetPowerButtonSetting(uint32_t action, uint32_t) {
    Machine& m = TheMachine();
    Plan* plan = m.Active();
    if (plan == nullptr || action > m.LargestAction()) {
        return false;
    }
    m.BeforeWrite();
    plan->action = action;
    m.Wrote();
    return true;
}

void WatchProgramWrites() {
    static const bool patched = [] {
        bool all = testutil::PatchImport("advapi32.dll", "RegSetValueExA", &CountedRegSetValueExA, &g_regSetValueExA);
        all = testutil::PatchImport("advapi32.dll", "RegDeleteValueA", &CountedRegDeleteValueA, &g_regDeleteValueA) &&
              all;
        // The machine record is replaced by a move; whichever form the program uses.
        testutil::PatchImport("kernel32.dll", "MoveFileExW", &CountedMoveFileExW, &g_moveFileExW);
        testutil::PatchImport("kernel32.dll", "MoveFileExA", &CountedMoveFileExA, &g_moveFileExA);
        return testutil::PatchImport("kernel32.dll", "OutputDebugStringA", &KeptOutputDebugStringA,
                                     &g_outputDebugStringA) &&
               all;
    }();
    if (!patched) {
        std::fprintf(stderr, "the program's registry writes and trace cannot be watched\n");
    }
}

std::vector<std::string> TakeTrace() {
    std::deque<std::string>& lines = TraceLines();
    std::vector<std::string> taken(lines.begin(), lines.end());
    lines.clear();
    return taken;
}

std::string GuidText(const GUID& id) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned long>(id.Data1), id.Data2, id.Data3, id.Data4[0], id.Data4[1], id.Data4[2],
                  id.Data4[3], id.Data4[4], id.Data4[5], id.Data4[6], id.Data4[7]);
    return text;
}

}  // namespace guardian

// ---------------------------------------------------------------------------------------
// KRACPI.DLL's exports over the machine's firmware. Every write is checked against the
// item list of the firmware in force: an overclocking value (mode 2) only to a listed,
// writable item of group 3, within its range; a control (mode 1) only to a listed item.

namespace {

using guardian::TheMachine;

uint32_t Copy(const std::optional<sim::PackageBuilder>& package, void* buffer, uint32_t* size) {
    return package && package->CopyTo(buffer, size) ? 1 : 0;
}

template <typename Read>
uint32_t Reading(Read&& read) {
    guardian::Machine& m = TheMachine();
    if (!m.board) {
        return 0;
    }
    return read(sim::AcpiFirmware(*m.board, m.firmware)) ? 1 : 0;
}

std::string Forbidden(uint32_t id, uint32_t value, uint32_t mode, const char* why) {
    char text[120];
    std::snprintf(text, sizeof text, "firmware write 0x%08X = %u (mode %u): %s", id, value, mode, why);
    return text;
}

}  // namespace

extern "C" {

uint32_t WINAPI AcpiInitialize(void) {
    return TheMachine().board ? 1 : 0;
}

uint32_t WINAPI AcpiSetValue(uint32_t id, uint32_t value, uint32_t mode) {
    guardian::Machine& m = TheMachine();
    if (!m.board) {
        return 0;
    }
    const sim::BoardItem* item = m.board->FindItem(id);
    const char* why = nullptr;
    if (item == nullptr) {
        why = "an item the firmware does not list";
    } else if (mode == kora::kModeOverclock) {
        if (item->Group() != guardian::kGroupOverclock) {
            why = "not an overclocking item";
        } else if ((item->attr & guardian::kAttrReadOnly) != 0 || item->nowrite) {
            why = "not writable";
        } else if (!item->AcceptsValue(value)) {
            why = "outside the item's range";
        }
    } else if (!item->AcceptsValue(value) && !(id == guardian::kCoreSelector && value == 255)) {
        why = "a control value outside the item's range";
    }
    if (why != nullptr) {
        m.forbidden.push_back(Forbidden(id, value, mode, why));
    }
    m.BeforeWrite();
    const bool ok = sim::AcpiFirmware(*m.board, m.firmware).SetValue(id, value, mode);
    if (ok) {
        m.Wrote();
    }
    return ok ? 1 : 0;
}

uint32_t WINAPI AcpiGetValue(uint32_t id, uint32_t* value) {
    return value != nullptr && Reading([&](const sim::AcpiFirmware& fw) { return fw.GetValue(id, value); });
}

uint32_t WINAPI AcpiGetInfo(void* buffer, uint32_t* size) {
    return Reading([&](const sim::AcpiFirmware& fw) { return Copy(fw.InfoPackage(), buffer, size) != 0; });
}

uint32_t WINAPI AcpiGetGroup(uint32_t group, void* buffer, uint32_t* size) {
    return Reading([&](const sim::AcpiFirmware& fw) { return Copy(fw.GroupPackage(group), buffer, size) != 0; });
}

uint32_t WINAPI AcpiGetItemInfo(void* descriptor, void* buffer, uint32_t* size) {
    if (descriptor == nullptr) {
        return 0;
    }
    uint32_t id;
    std::memcpy(&id, descriptor, sizeof id);
    return Reading([&](const sim::AcpiFirmware& fw) { return Copy(fw.ItemInfoPackage(id), buffer, size) != 0; });
}

uint32_t WINAPI AcpiGetValueWithArg(uint32_t id, uint32_t arg, uint32_t* value) {
    return value != nullptr && Reading([&](const sim::AcpiFirmware& fw) { return fw.GetValueWithArg(id, arg, value); });
}

uint32_t WINAPI AcpiGetItemBlock(uint32_t id, uint32_t index, void* buffer, uint32_t* size) {
    if (buffer == nullptr || size == nullptr) {
        return 0;
    }
    return Reading([&](const sim::AcpiFirmware& fw) {
        const std::vector<uint32_t>* words = fw.Block(id, index);
        if (words == nullptr || words->size() > *size / 4) {
            return false;
        }
        std::memcpy(buffer, words->data(), words->size() * 4);
        *size = static_cast<uint32_t>(words->size() * 4);
        return true;
    });
}

}  // extern "C"
