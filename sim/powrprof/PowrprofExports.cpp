// The simulated "powrprof.dll": the 14 power-scheme functions the program binds by
// name, the battery state (CallNtPowerInformation with SystemBatteryState) and the
// effective power mode's notifications. The schemes and their power-button action come
// from the board's `scheme` lines and the state, the power from its `power` line; writes
// and activations are journaled. Functions outside what a board describes (scheme names
// other than the built-in ones' texts, descriptions, import, duplication, deletion,
// defaults) answer ERROR_CALL_NOT_IMPLEMENTED, as the system's library does for what it
// lacks; other information levels of CallNtPowerInformation go to the system
// (NtPowerInformation), as Wine's own library sends them.
//
// Loaded instead of the system's library only from the system folder with
// WINEDLLOVERRIDES "powrprof=n,b".

#include <windows.h>

#include <cstring>
#include <string>
#include <utility>

#include "sim/ExportSupport.h"
#include "sim/powrprof/PowerModeWatch.h"
#include "sim/powrprof/PowerSchemes.h"
#include "sim/powrprof/SystemPower.h"

#define POWRPROF_EXPORT extern "C" __declspec(dllexport)

namespace {

using sim::Board;
using sim::PowerSchemes;
using sim::SimState;

// An exception (memory) is the call's failure.
template <typename Call>
DWORD Guarded(Call&& call) noexcept {
    return sim::GuardedOr<DWORD>(ERROR_OUTOFMEMORY, std::forward<Call>(call));
}

std::string Text(const GUID* guid) {
    sim::SimGuid g{};
    static_assert(sizeof g == sizeof *guid);
    std::memcpy(&g, guid, sizeof g);
    return sim::GuidText(g);
}

bool ToGuid(const std::string& text, GUID* guid) {
    sim::SimGuid g{};
    if (!sim::ParseGuid(text, &g)) {
        return false;
    }
    std::memcpy(guid, &g, sizeof g);
    return true;
}

// Runs one function on the schemes; the result is its error code. No usable board
// fails the call with ERROR_FILE_NOT_FOUND.
template <typename Call>
DWORD Run(bool changes, Call&& call) {
    DWORD result = ERROR_FILE_NOT_FOUND;
    const auto outcome = sim::ModuleSimulator().Run([&](const Board& board, SimState& state) {
        PowerSchemes schemes(board, state);
        result = call(schemes);
        return changes && result == ERROR_SUCCESS;
    });
    if (outcome == sim::Simulator::Outcome::NotSaved) {
        return ERROR_WRITE_FAULT;
    }
    return result;
}

// The names a user sees for the system's built-in schemes; any other is called by its id.
std::wstring FriendlyName(const std::string& scheme) {
    if (scheme == "{A1841308-3541-4FAB-BC81-F71556F20B4A}") {
        return L"Power saver";
    }
    if (scheme == "{8C5E7FDA-E8BF-4A96-9A85-A6E23A8C635C}") {
        return L"High performance";
    }
    if (scheme == "{381B4222-F694-41F0-9685-FF5BB260DF2E}") {
        return L"Balanced";
    }
    return std::wstring(scheme.begin(), scheme.end());
}

// Copies `bytes` into a caller's buffer of *size bytes; with no buffer only the size.
DWORD CopyOut(const void* bytes, DWORD count, UCHAR* buffer, DWORD* size) {
    if (size == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    if (buffer == nullptr) {
        *size = count;
        return ERROR_SUCCESS;
    }
    if (*size < count) {
        *size = count;
        return ERROR_MORE_DATA;
    }
    std::memcpy(buffer, bytes, count);
    *size = count;
    return ERROR_SUCCESS;
}

}  // namespace

POWRPROF_EXPORT DWORD WINAPI PowerGetActiveScheme(HKEY, GUID** active) {
    return Guarded([&]() -> DWORD {
        if (active == nullptr) {
            return ERROR_INVALID_PARAMETER;
        }
        std::string scheme;
        const DWORD result = Run(false, [&](PowerSchemes& s) { return s.GetActive(&scheme); });
        if (result != ERROR_SUCCESS) {
            return result;
        }
        // The caller frees the id with LocalFree, as with the system's library.
        auto* guid = static_cast<GUID*>(LocalAlloc(LMEM_FIXED, sizeof(GUID)));
        if (guid == nullptr) {
            return ERROR_NOT_ENOUGH_MEMORY;
        }
        if (!ToGuid(scheme, guid)) {
            LocalFree(guid);
            return ERROR_FILE_NOT_FOUND;
        }
        *active = guid;
        return ERROR_SUCCESS;
    });
}

POWRPROF_EXPORT DWORD WINAPI PowerSetActiveScheme(HKEY, const GUID* scheme) {
    return Guarded([&]() -> DWORD {
        if (scheme == nullptr) {
            return ERROR_INVALID_PARAMETER;
        }
        const std::string text = Text(scheme);
        sim::Simulator::Journal(sim::PowrprofSetActiveJournalLine(text));
        return Run(true, [&](PowerSchemes& s) { return s.SetActive(text); });
    });
}

POWRPROF_EXPORT DWORD WINAPI PowerReadACValueIndex(HKEY, const GUID* scheme, const GUID* subgroup, const GUID* setting,
                                                   DWORD* value) {
    return Guarded([&]() -> DWORD {
        if (scheme == nullptr || subgroup == nullptr || setting == nullptr || value == nullptr) {
            return ERROR_INVALID_PARAMETER;
        }
        uint32_t index = 0;
        const DWORD result = Run(
            false, [&](PowerSchemes& s) { return s.ReadAcValue(Text(scheme), Text(subgroup), Text(setting), &index); });
        if (result == ERROR_SUCCESS) {
            *value = index;
        }
        return result;
    });
}

POWRPROF_EXPORT DWORD WINAPI PowerWriteACValueIndex(HKEY, const GUID* scheme, const GUID* subgroup, const GUID* setting,
                                                    DWORD value) {
    return Guarded([&]() -> DWORD {
        if (scheme == nullptr || subgroup == nullptr || setting == nullptr) {
            return ERROR_INVALID_PARAMETER;
        }
        const std::string s = Text(scheme);
        const std::string g = Text(subgroup);
        const std::string k = Text(setting);
        const DWORD result = Run(true, [&](PowerSchemes& schemes) { return schemes.WriteAcValue(s, g, k, value); });
        // Journaled whatever the outcome; an action the board's Windows does not define is
        // marked as refused.
        sim::Simulator::Journal(sim::PowrprofWriteJournalLine(s, g, k, value, result == ERROR_INVALID_PARAMETER));
        return result;
    });
}

// Only the schemes themselves are enumerated (ACCESS_SCHEME).
POWRPROF_EXPORT DWORD WINAPI PowerEnumerate(HKEY, const GUID* scheme, const GUID* subgroup, DWORD accessFlags,
                                            ULONG index, UCHAR* buffer, DWORD* size) {
    return Guarded([&]() -> DWORD {
        constexpr DWORD kAccessScheme = 16;
        if (accessFlags != kAccessScheme || scheme != nullptr || subgroup != nullptr) {
            return ERROR_NO_MORE_ITEMS;
        }
        std::string text;
        const DWORD result = Run(false, [&](PowerSchemes& s) { return s.Enumerate(index, &text); });
        if (result != ERROR_SUCCESS) {
            return result;
        }
        GUID guid;
        if (!ToGuid(text, &guid)) {
            return ERROR_NO_MORE_ITEMS;
        }
        return CopyOut(&guid, sizeof guid, buffer, size);
    });
}

// The name of a scheme (not of its subgroups or settings), UTF-16 with its zero.
POWRPROF_EXPORT DWORD WINAPI PowerReadFriendlyName(HKEY, const GUID* scheme, const GUID* subgroup, const GUID* setting,
                                                   UCHAR* buffer, DWORD* size) {
    return Guarded([&]() -> DWORD {
        if (scheme == nullptr || subgroup != nullptr || setting != nullptr) {
            return ERROR_FILE_NOT_FOUND;
        }
        const std::string text = Text(scheme);
        const DWORD result = Run(false, [&](PowerSchemes& s) {
            uint32_t ignored = 0;
            return s.ReadAcValue(text, sim::kSystemButtonSubgroupGuid, sim::kPowerButtonActionGuid, &ignored);
        });
        if (result != ERROR_SUCCESS) {
            return result;
        }
        const std::wstring name = FriendlyName(text);
        return CopyOut(name.c_str(), static_cast<DWORD>((name.size() + 1) * sizeof(wchar_t)), buffer, size);
    });
}

POWRPROF_EXPORT DWORD WINAPI PowerWriteFriendlyName(HKEY, const GUID*, const GUID*, const GUID*, UCHAR*, DWORD) {
    return ERROR_CALL_NOT_IMPLEMENTED;
}

POWRPROF_EXPORT DWORD WINAPI PowerDuplicateScheme(HKEY, const GUID*, GUID**) {
    return ERROR_CALL_NOT_IMPLEMENTED;
}

POWRPROF_EXPORT DWORD WINAPI PowerRestoreDefaultPowerSchemes(void) {
    return ERROR_CALL_NOT_IMPLEMENTED;
}

POWRPROF_EXPORT DWORD WINAPI PowerRestoreIndividualDefaultPowerScheme(const GUID*) {
    return ERROR_CALL_NOT_IMPLEMENTED;
}

POWRPROF_EXPORT DWORD WINAPI PowerDeleteScheme(HKEY, const GUID*) {
    return ERROR_CALL_NOT_IMPLEMENTED;
}

POWRPROF_EXPORT DWORD WINAPI PowerReadDescription(HKEY, const GUID*, const GUID*, const GUID*, UCHAR*, DWORD*) {
    return ERROR_CALL_NOT_IMPLEMENTED;
}

POWRPROF_EXPORT DWORD WINAPI PowerWriteDescription(HKEY, const GUID*, const GUID*, const GUID*, UCHAR*, DWORD) {
    return ERROR_CALL_NOT_IMPLEMENTED;
}

POWRPROF_EXPORT DWORD WINAPI PowerImportPowerScheme(HKEY, const WCHAR*, GUID**) {
    return ERROR_CALL_NOT_IMPLEMENTED;
}

namespace {

constexpr LONG kStatusSuccess = 0;
constexpr LONG kStatusBufferTooSmall = static_cast<LONG>(0xC0000023);
constexpr LONG kStatusNotImplemented = static_cast<LONG>(0xC0000002);
constexpr LONG kStatusNoMemory = static_cast<LONG>(0xC0000017);

using NtPowerInformationFunction = LONG(WINAPI*)(POWER_INFORMATION_LEVEL, PVOID, ULONG, PVOID, ULONG);

// The battery of the board's `power` line; without a usable board a machine on AC
// without a battery.
SYSTEM_BATTERY_STATE BatteryState() {
    sim::SimState fallback;
    sim::BatteryState battery = sim::BatteryStateOf(fallback);
    (void)sim::ModuleSimulator().Run([&](const Board&, SimState& state) {
        battery = sim::BatteryStateOf(state);
        return false;
    });
    SYSTEM_BATTERY_STATE out = {};
    out.AcOnLine = battery.acOnLine ? TRUE : FALSE;
    out.BatteryPresent = battery.batteryPresent ? TRUE : FALSE;
    out.Charging = battery.charging ? TRUE : FALSE;
    out.Discharging = battery.discharging ? TRUE : FALSE;
    out.MaxCapacity = battery.maxCapacity;
    out.RemainingCapacity = battery.remainingCapacity;
    out.Rate = battery.rate;
    out.EstimatedTime = battery.estimatedTime;
    out.DefaultAlert1 = battery.defaultAlert1;
    out.DefaultAlert2 = battery.defaultAlert2;
    return out;
}

}  // namespace

// NTSTATUS results.
POWRPROF_EXPORT LONG WINAPI CallNtPowerInformation(POWER_INFORMATION_LEVEL level, PVOID input, ULONG inputSize,
                                                   PVOID output, ULONG outputSize) {
    return sim::GuardedOr<LONG>(kStatusNoMemory, [&]() -> LONG {
        if (level != SystemBatteryState) {
            static const auto system = reinterpret_cast<NtPowerInformationFunction>(
                reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtPowerInformation")));
            return system != nullptr ? system(level, input, inputSize, output, outputSize) : kStatusNotImplemented;
        }
        if (output == nullptr || outputSize < sizeof(SYSTEM_BATTERY_STATE)) {
            return kStatusBufferTooSmall;
        }
        const SYSTEM_BATTERY_STATE state = BatteryState();
        std::memcpy(output, &state, sizeof state);
        return kStatusSuccess;
    });
}

POWRPROF_EXPORT HRESULT WINAPI PowerRegisterForEffectivePowerModeNotifications(ULONG version,
                                                                               sim::EffectivePowerModeCallback callback,
                                                                               void* context, void** handle) {
    return sim::GuardedOr<HRESULT>(
        E_OUTOFMEMORY, [&] { return sim::PowerModeWatch::Instance().Register(version, callback, context, handle); });
}

POWRPROF_EXPORT HRESULT WINAPI PowerUnregisterFromEffectivePowerModeNotifications(void* handle) {
    return sim::GuardedOr<HRESULT>(E_OUTOFMEMORY, [&] { return sim::PowerModeWatch::Instance().Unregister(handle); });
}
