// A second process for the tests of the simulated system's power and foreground: binds
// "powrprof.dll" at run time as a program does (or the file --dll names; a stand-in
// outside the system folder needs WINEDLLOVERRIDES "powrprof=n,b") and prints what it
// sees, one line each, flushed at once so that a test can follow it.
//
//   system_probe [--dll PATH] mode [--version V] [--count N] [--seconds S] [--linger L]
//       registers for the effective power mode (version V, default 2); prints
//       "registered", then "mode N" at every callback; after N callbacks (default: none)
//       or S seconds (default 30) unregisters, prints "unregistered", stays L seconds
//       more (default 0; a callback then would still print) and exits 0.
//   system_probe [--dll PATH] battery
//       prints "ac=A present=P charging=C discharging=D max=M remaining=R rate=0x%08X
//       time=0x%08X alert1=L1 alert2=L2" from CallNtPowerInformation(SystemBatteryState).
//   system_probe [--dll PATH] schemes
//       prints "scheme GUID INDEX" for every scheme PowerEnumerate lists, in its order,
//       with its AC power-button action (PowerReadACValueIndex), then "active GUID"
//       (PowerGetActiveScheme).
//   system_probe [--dll PATH] lifetime
//       registers, frees the library with the registration open, checks that the library
//       stays loaded while its thread may call back, unregisters through the kept
//       entry, and checks that the library and its thread are then gone; prints
//       "lifetime ok" or the step that failed.
//   system_probe foreground [--count N] [--seconds S]
//       hooks EVENT_SYSTEM_FOREGROUND out of context; prints "hooked", then
//       "foreground 0x%08X PID CAPTION" for every event; exits after N events or S seconds.
// Exit codes: 0 done, 1 a call failed, 2 bad arguments.
#include <windows.h>

#include <tlhelp32.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using ModeCallback = void(WINAPI*)(int mode, void* context);
using RegisterFunction = HRESULT(WINAPI*)(ULONG, ModeCallback, void*, void**);
using UnregisterFunction = HRESULT(WINAPI*)(void*);
using PowerInformationFunction = LONG(WINAPI*)(POWER_INFORMATION_LEVEL, PVOID, ULONG, PVOID, ULONG);
using EnumerateFunction = DWORD(WINAPI*)(HKEY, const GUID*, const GUID*, DWORD, ULONG, UCHAR*, DWORD*);
using ReadIndexFunction = DWORD(WINAPI*)(HKEY, const GUID*, const GUID*, const GUID*, DWORD*);
using GetActiveFunction = DWORD(WINAPI*)(HKEY, GUID**);

// {4F971E89-EEBD-4455-A8DE-9E59040E7347} and {7648EFA3-DD9C-4E3E-B566-50F929386280}
constexpr GUID kButtonSubgroup = {0x4F971E89, 0xEEBD, 0x4455, {0xA8, 0xDE, 0x9E, 0x59, 0x04, 0x0E, 0x73, 0x47}};
constexpr GUID kPowerButtonAction = {0x7648EFA3, 0xDD9C, 0x4E3E, {0xB5, 0x66, 0x50, 0xF9, 0x29, 0x38, 0x62, 0x80}};

struct Options {
    std::string dll = "powrprof.dll";
    std::string command;
    unsigned long version = 2;
    unsigned long count = 0;
    unsigned long seconds = 30;
    unsigned long linger = 0;
};

int Usage() {
    std::fprintf(
        stderr,
        "usage: system_probe [--dll PATH] mode [--version V] [--count N] [--seconds S] [--linger L] | battery | "
        "schemes | lifetime\n"
        "       system_probe foreground [--count N] [--seconds S]\n");
    return 2;
}

bool Number(const char* text, unsigned long* value) {
    char* end = nullptr;
    errno = 0;
    const unsigned long v = std::strtoul(text, &end, 0);
    if (errno != 0 || end == text || *end != '\0') {
        return false;
    }
    *value = v;
    return true;
}

void Say(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vfprintf(stdout, format, args);
    va_end(args);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

template <typename Function>
Function Entry(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// The mode callbacks so far; set on the library's thread, read on the main one.
HANDLE g_called = nullptr;
volatile LONG g_calls = 0;

void WINAPI OnMode(int mode, void*) {
    Say("mode %d", mode);
    InterlockedIncrement(&g_calls);
    SetEvent(g_called);
}

int WatchMode(HMODULE library, const Options& options) {
    const auto registerMode = Entry<RegisterFunction>(library, "PowerRegisterForEffectivePowerModeNotifications");
    const auto unregisterMode =
        Entry<UnregisterFunction>(library, "PowerUnregisterFromEffectivePowerModeNotifications");
    if (registerMode == nullptr || unregisterMode == nullptr) {
        Say("no effective power mode functions");
        return 1;
    }
    g_called = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    void* handle = nullptr;
    const HRESULT registered = registerMode(options.version, &OnMode, nullptr, &handle);
    if (FAILED(registered)) {
        Say("register failed 0x%08lX", static_cast<unsigned long>(registered));
        return 1;
    }
    Say("registered");
    const ULONGLONG end = GetTickCount64() + options.seconds * 1000ull;
    while (options.count == 0 || static_cast<unsigned long>(g_calls) < options.count) {
        const ULONGLONG now = GetTickCount64();
        if (now >= end) {
            break;
        }
        WaitForSingleObject(g_called, static_cast<DWORD>(end - now));
    }
    const HRESULT unregistered = unregisterMode(handle);
    Say(SUCCEEDED(unregistered) ? "unregistered" : "unregister failed");
    Sleep(options.linger * 1000);
    return SUCCEEDED(unregistered) ? 0 : 1;
}

int ReadBattery(HMODULE library) {
    const auto information = Entry<PowerInformationFunction>(library, "CallNtPowerInformation");
    if (information == nullptr) {
        Say("no CallNtPowerInformation");
        return 1;
    }
    SYSTEM_BATTERY_STATE state = {};
    const LONG status = information(SystemBatteryState, nullptr, 0, &state, sizeof state);
    if (status != 0) {
        Say("status 0x%08lX", static_cast<unsigned long>(status));
        return 1;
    }
    Say("ac=%d present=%d charging=%d discharging=%d max=%lu remaining=%lu rate=0x%08lX time=0x%08lX alert1=%lu "
        "alert2=%lu",
        state.AcOnLine, state.BatteryPresent, state.Charging, state.Discharging, state.MaxCapacity,
        state.RemainingCapacity, state.Rate, state.EstimatedTime, state.DefaultAlert1, state.DefaultAlert2);
    return 0;
}

std::string GuidText(const GUID& g) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned long>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3],
                  g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return text;
}

int ListSchemes(HMODULE library) {
    const auto enumerate = Entry<EnumerateFunction>(library, "PowerEnumerate");
    const auto read = Entry<ReadIndexFunction>(library, "PowerReadACValueIndex");
    const auto getActive = Entry<GetActiveFunction>(library, "PowerGetActiveScheme");
    if (enumerate == nullptr || read == nullptr || getActive == nullptr) {
        Say("no scheme functions");
        return 1;
    }
    constexpr DWORD kAccessScheme = 16;
    for (ULONG index = 0;; ++index) {
        GUID scheme = {};
        DWORD size = sizeof scheme;
        const DWORD listed =
            enumerate(nullptr, nullptr, nullptr, kAccessScheme, index, reinterpret_cast<UCHAR*>(&scheme), &size);
        if (listed == ERROR_NO_MORE_ITEMS) {
            break;
        }
        if (listed != ERROR_SUCCESS) {
            Say("enumerate failed %lu", listed);
            return 1;
        }
        DWORD action = 0;
        const DWORD result = read(nullptr, &scheme, &kButtonSubgroup, &kPowerButtonAction, &action);
        if (result != ERROR_SUCCESS) {
            Say("scheme %s unreadable %lu", GuidText(scheme).c_str(), result);
            return 1;
        }
        Say("scheme %s %lu", GuidText(scheme).c_str(), action);
    }
    GUID* active = nullptr;
    const DWORD result = getActive(nullptr, &active);
    if (result != ERROR_SUCCESS) {
        Say("no active scheme %lu", result);
        return 1;
    }
    Say("active %s", GuidText(*active).c_str());
    LocalFree(active);
    return 0;
}

int ThreadCount() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    int count = 0;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        count += entry.th32OwnerProcessID == GetCurrentProcessId() ? 1 : 0;
    }
    CloseHandle(snapshot);
    return count;
}

// Waits up to 5 s for `done`.
template <typename Condition>
bool Within5s(Condition done) {
    for (int i = 0; i < 500; ++i) {
        if (done()) {
            return true;
        }
        Sleep(10);
    }
    return done();
}

int CheckLifetime(HMODULE library, const std::string& path) {
    const auto registerMode = Entry<RegisterFunction>(library, "PowerRegisterForEffectivePowerModeNotifications");
    const auto unregisterMode =
        Entry<UnregisterFunction>(library, "PowerUnregisterFromEffectivePowerModeNotifications");
    if (registerMode == nullptr || unregisterMode == nullptr) {
        Say("no effective power mode functions");
        return 1;
    }
    char loadedPath[MAX_PATH] = {};
    GetModuleFileNameA(library, loadedPath, MAX_PATH);
    const auto loaded = [&] { return GetModuleHandleA(loadedPath) != nullptr; };
    const int threadsBefore = ThreadCount();
    g_called = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    void* handle = nullptr;
    if (FAILED(registerMode(2, &OnMode, nullptr, &handle)) || WaitForSingleObject(g_called, 5000) != WAIT_OBJECT_0) {
        Say("lifetime: no first callback");
        return 1;
    }
    if (ThreadCount() != threadsBefore + 1) {
        Say("lifetime: %d threads while registered, %d before", ThreadCount(), threadsBefore);
        return 1;
    }
    FreeLibrary(library);
    Sleep(200);
    if (!loaded()) {
        Say("lifetime: the library was unloaded under its running thread (%s)", path.c_str());
        return 1;
    }
    if (FAILED(unregisterMode(handle))) {
        Say("lifetime: unregister failed");
        return 1;
    }
    if (!Within5s([&] { return !loaded(); })) {
        Say("lifetime: the library stayed loaded after the last registration went");
        return 1;
    }
    if (!Within5s([&] { return ThreadCount() == threadsBefore; })) {
        Say("lifetime: %d threads after unregistering, %d before", ThreadCount(), threadsBefore);
        return 1;
    }
    Say("lifetime ok");
    return 0;
}

unsigned long g_events = 0;

void CALLBACK OnForeground(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD, DWORD) {
    if (event != EVENT_SYSTEM_FOREGROUND || object != OBJID_WINDOW || child != CHILDID_SELF) {
        return;
    }
    char caption[256] = {};
    GetWindowTextA(hwnd, caption, sizeof caption);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    Say("foreground 0x%08llX %lu %s", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(hwnd)), pid, caption);
    ++g_events;
}

int WatchForeground(const Options& options) {
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr, &OnForeground, 0, 0,
                                         WINEVENT_OUTOFCONTEXT);
    if (hook == nullptr) {
        Say("hook failed %lu", GetLastError());
        return 1;
    }
    Say("hooked");
    // Out-of-context events arrive through this thread's messages.
    const ULONGLONG end = GetTickCount64() + options.seconds * 1000ull;
    while (options.count == 0 || g_events < options.count) {
        const ULONGLONG now = GetTickCount64();
        if (now >= end) {
            break;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&msg);
        }
    }
    UnhookWinEvent(hook);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    int i = 1;
    if (i + 1 < argc && std::strcmp(argv[i], "--dll") == 0) {
        options.dll = argv[i + 1];
        i += 2;
    }
    if (i >= argc) {
        return Usage();
    }
    options.command = argv[i++];
    for (; i < argc; i += 2) {
        unsigned long* target = std::strcmp(argv[i], "--version") == 0   ? &options.version
                                : std::strcmp(argv[i], "--count") == 0   ? &options.count
                                : std::strcmp(argv[i], "--seconds") == 0 ? &options.seconds
                                : std::strcmp(argv[i], "--linger") == 0  ? &options.linger
                                                                         : nullptr;
        if (target == nullptr || i + 1 >= argc || !Number(argv[i + 1], target)) {
            return Usage();
        }
    }
    if (options.command == "foreground") {
        return WatchForeground(options);
    }
    HMODULE library = LoadLibraryA(options.dll.c_str());
    if (library == nullptr) {
        Say("cannot load %s (error %lu)", options.dll.c_str(), GetLastError());
        return 1;
    }
    if (options.command == "mode") {
        return WatchMode(library, options);
    }
    if (options.command == "battery") {
        return ReadBattery(library);
    }
    if (options.command == "schemes") {
        return ListSchemes(library);
    }
    if (options.command == "lifetime") {
        return CheckLifetime(library, options.dll);
    }
    return Usage();
}
